#include "screens/SegmentedControl.h"

#include "ui/PaintedText.h"

#include <cmath>
#include "ui/Card.h"
#include "ui/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace {
constexpr int kHeight = 24;
constexpr qreal kRadius = 6;
QFont segmentFont() { return Theme::font(Theme::TextStyle::callout, QFont::Medium); }
}  // namespace

SegmentedControl::SegmentedControl(const QStringList& titles, QWidget* parent) : QWidget(parent), titles_(titles)
{
    setObjectName(QStringLiteral("segmentedControl"));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void SegmentedControl::setTitles(const QStringList& titles)
{
    titles_ = titles;
    if (current_ >= titles_.size()) current_ = 0;
    updateGeometry();
    update();
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= titles_.size() || index == current_) return;
    current_ = index;
    update();
    emit currentIndexChanged(index);
}

QRect SegmentedControl::segmentRect(int index) const
{
    const int n = qMax(1, int(titles_.size()));
    const qreal w = qreal(width()) / n;
    const QRect r(int(index * w), 0, int((index + 1) * w) - int(index * w), height());
    return QStyle::visualRect(layoutDirection(), rect(), r);
}

int SegmentedControl::segmentAt(const QPoint& pos) const
{
    for (int i = 0; i < titles_.size(); ++i)
        if (segmentRect(i).contains(pos)) return i;
    return -1;
}

void SegmentedControl::setPreferredWidth(int width)
{
    preferredWidth_ = width;
    updateGeometry();
}

QSize SegmentedControl::sizeHint() const
{
    int widest = 0;
    for (const QString& t : titles_) widest = qMax(widest, int(std::ceil(PaintedText::width(segmentFont(), t))));
    return QSize(qMax(preferredWidth_, int(titles_.size()) * (widest + 24)), kHeight);
}

QSize SegmentedControl::minimumSizeHint() const
{
    int widest = 0;
    for (const QString& t : titles_) widest = qMax(widest, int(std::ceil(PaintedText::width(segmentFont(), t))));
    return QSize(int(titles_.size()) * qMin(widest + 8, 60), kHeight);
}

void SegmentedControl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    const int i = segmentAt(e->position().toPoint());
    if (i >= 0) setCurrentIndex(i);
}

void SegmentedControl::keyPressEvent(QKeyEvent* e)
{
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    int step = 0;
    if (e->key() == Qt::Key_Right) step = rtl ? -1 : 1;
    else if (e->key() == Qt::Key_Left) step = rtl ? 1 : -1;
    if (!step) return QWidget::keyPressEvent(e);
    setCurrentIndex(qBound(0, current_ + step, int(titles_.size()) - 1));
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, kRadius, kRadius);
    p.fillPath(trackPath, Theme::primary(0.06));

    // Thin separators between segments that are not next to the chosen one.
    for (int i = 1; i < titles_.size(); ++i) {
        if (i == current_ || i - 1 == current_) continue;
        const QRect a = segmentRect(i - 1), b = segmentRect(i);
        const qreal x = (qMin(a.right(), b.right()) + qMax(a.left(), b.left())) / 2.0 + 0.5;
        p.fillRect(QRectF(x - 0.5, 6, 1, height() - 12), Theme::primary(0.12));
    }
    if (current_ >= 0 && current_ < titles_.size()) {
        const QRectF chosen = QRectF(segmentRect(current_)).adjusted(2, 2, -2, -2);
        Card::paintShadow(p, chosen, kRadius - 1, Theme::appearance());
        QPainterPath path;
        path.addRoundedRect(chosen, kRadius - 1, kRadius - 1);
        p.fillPath(path, Theme::isDark() ? Theme::primary(0.22) : Theme::surfaceElevated());
    }
    if (hasFocus()) {
        QPen focus(Theme::brandPrimary(), 2);
        p.setPen(focus);
        p.setBrush(Qt::NoBrush);
        p.drawPath(trackPath);
    }
    p.setFont(segmentFont());
    for (int i = 0; i < titles_.size(); ++i) {
        const QRect r = segmentRect(i).adjusted(4, 0, -4, 0);
        p.setPen(Theme::foreground(i == current_ ? Theme::Level::primary : Theme::Level::secondary));
        PaintedText::draw(p, QRectF(r), Qt::AlignCenter, titles_[i]);
    }
}
