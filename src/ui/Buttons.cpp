#include "ui/Buttons.h"

#include "ui/AppearanceWatch.h"
#include "ui/PaintedText.h"
#include "ui/SmoothCorners.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

#include <cmath>

// ---- AccentButton ------------------------------------------------------------------------------

AccentButton::AccentButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setFont(Theme::font(Theme::TextStyle::body, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    repaintOnAppearanceChange(this);
}

void AccentButton::setSymbol(const QString& symbol)
{
    symbol_ = symbol;
    updateGeometry();
    update();
}

void AccentButton::setMinimumLabelWidth(int width)
{
    minLabelWidth_ = width;
    updateGeometry();
}

void AccentButton::setLarge(bool large)
{
    large_ = large;
    updateGeometry();
}

QSize AccentButton::sizeHint() const
{
    const QFontMetricsF m(font());
    qreal label = m.horizontalAdvance(text());
    if (!symbol_.isEmpty()) label += m.height() + 6;
    label = std::max<qreal>(label, minLabelWidth_);
    const int padding = large_ ? 14 : 10;
    return QSize(int(std::ceil(label)) + 2 * padding, large_ ? 32 : 24);
}

void AccentButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = Theme::brandPrimary();
    if (!isEnabled()) fill.setAlphaF(0.4);
    else if (isDown()) fill = fill.darker(118);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.fillPath(SmoothCorners::path(r, large_ ? 7 : 6), fill);
    if (hasFocus() && keyboardFocus_) {
        QColor ring = Theme::brandPrimary();
        ring.setAlphaF(0.45);
        p.setPen(QPen(ring, 2));
        p.drawPath(SmoothCorners::path(QRectF(rect()).adjusted(1, 1, -1, -1), large_ ? 7 : 6));
    }

    const QFontMetricsF m(font());
    const qreal symbolWidth = symbol_.isEmpty() ? 0 : m.height() + 6;
    const qreal textWidth = std::min<qreal>(m.horizontalAdvance(text()), width() - symbolWidth - 8);
    const qreal total = symbolWidth + textWidth;
    qreal x = (width() - total) / 2;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    p.setPen(Qt::white);
    p.setFont(font());
    if (!symbol_.isEmpty()) {
        const qreal s = m.height();
        const QRectF sr(rtl ? width() - x - s : x, (height() - s) / 2, s, s);
        Symbols::draw(p, symbol_, sr, QColor(Qt::white));
        x += symbolWidth;
    }
    const QRectF tr(rtl ? width() - x - textWidth : x, 0, textWidth, height());
    p.drawText(tr, Qt::AlignVCenter | Qt::AlignHCenter,
               m.elidedText(text(), Qt::ElideRight, textWidth + 0.5));
}

namespace {
bool fromKeyboard(Qt::FocusReason r)
{
    return r == Qt::TabFocusReason || r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason;
}
}  // namespace

void AccentButton::focusInEvent(QFocusEvent* e)
{
    keyboardFocus_ = fromKeyboard(e->reason());
    QPushButton::focusInEvent(e);
}

void LinkButton::focusInEvent(QFocusEvent* e)
{
    keyboardFocus_ = fromKeyboard(e->reason());
    QPushButton::focusInEvent(e);
}

// ---- PlainButton ------------------------------------------------------------------------------

PlainButton::PlainButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setFont(Theme::font(Theme::TextStyle::body));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PlainButton::setMinimumLabelWidth(int width)
{
    minLabelWidth_ = width;
    updateGeometry();
}

void PlainButton::setLarge(bool large)
{
    large_ = large;
    updateGeometry();
}

QSize PlainButton::sizeHint() const
{
    const QFontMetricsF m(font());
    const qreal label = std::max<qreal>(m.horizontalAdvance(text()), minLabelWidth_);
    const int padding = large_ ? 14 : 10;
    const QSize styled = QPushButton::sizeHint();
    return QSize(std::max(int(std::ceil(label)) + 2 * padding, 0), std::max(large_ ? 32 : 24, std::min(styled.height(), 40)));
}

// ---- LinkButton --------------------------------------------------------------------------------

LinkButton::LinkButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFont(Theme::font(Theme::TextStyle::callout));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAutoDefault(false);
    repaintOnAppearanceChange(this);
}

QSize LinkButton::sizeHint() const
{
    const QFontMetricsF m(font());
    return QSize(int(std::ceil(m.horizontalAdvance(text()))) + 4, int(std::ceil(m.height())) + 4);
}

void LinkButton::enterEvent(QEnterEvent* e)
{
    hovered_ = true;
    update();
    QPushButton::enterEvent(e);
}

void LinkButton::leaveEvent(QEvent* e)
{
    hovered_ = false;
    update();
    QPushButton::leaveEvent(e);
}

void LinkButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    QFont f = font();
    f.setUnderline(hovered_ && isEnabled());
    p.setFont(f);
    QColor c = Theme::brandPrimary();
    if (!isEnabled()) c = Theme::foreground(Theme::Level::tertiary);
    else if (isDown()) c = c.darker(125);
    p.setPen(c);
    p.drawText(rect(), Qt::AlignCenter, QFontMetricsF(f).elidedText(text(), Qt::ElideRight, width()));
    if (hasFocus() && keyboardFocus_) {
        QColor ring = Theme::brandPrimary();
        ring.setAlphaF(0.45);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ring, 1.5));
        p.drawPath(SmoothCorners::path(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 4));
    }
}

namespace {

QColor mix(const QColor& a, const QColor& b, qreal t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

}  // namespace

// ---- ProminentButton ---------------------------------------------------------------------------

ProminentButton::ProminentButton(const QString& text, std::function<QColor()> tint, QWidget* parent)
    : QAbstractButton(parent), tint_(std::move(tint))
{
    setText(text);
    setFont(Theme::font(Theme::TextStyle::body, QFont::Medium));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

QSize ProminentButton::sizeHint() const
{
    const QFontMetrics m(font());
    return {m.horizontalAdvance(text()) + 28, 28};
}

QSize ProminentButton::minimumSizeHint() const
{
    return {QFontMetrics(font()).horizontalAdvance(QStringLiteral("…")) + 28, 28};
}

void ProminentButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setLayoutDirection(layoutDirection());
    QColor fill = tint();
    if (!isEnabled()) fill.setAlphaF(fill.alphaF() * 0.5f);
    else if (isDown()) fill = mix(fill, Qt::black, 0.18);
    else if (underMouse()) fill = mix(fill, Qt::white, 0.08);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, 6, 6);
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Theme::brandPrimary(), 2));
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 5, 5);
    }
    p.setPen(Qt::white);
    p.setFont(font());
    // The label reads in its own direction ("Export…" keeps its ellipsis at the end in a
    // right-to-left window until it is translated).
    p.setLayoutDirection(text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    PaintedText::draw(p, QRectF(rect()).adjusted(8, 0, -8, 0), Qt::AlignCenter, text());
}
