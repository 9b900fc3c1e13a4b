#include "ui/Card.h"

#include <QCache>
#include <QEvent>
#include "ui/Blur.h"
#include "ui/PaintedText.h"
#include "ui/SmoothCorners.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

#include <cmath>
#include <cstring>

namespace {

QPainterPath roundedPath(const QRectF& r, qreal radius) { return SmoothCorners::path(r, radius); }

class CardShadow : public QWidget {
public:
    CardShadow(QWidget* parent, CardFrame* card) : QWidget(parent), card_(card)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (!card_) return;
        const qreal e = Card::shadowExtent();
        const QRectF card(e, e, card_->width(), card_->height());
        // The card's opaque surface covers its shadow but for the rounded corners (smooth
        // corners bend over up to twice the radius): blending the shadow there is wasted.
        const int r = int(std::ceil(2 * card_->radius())) + 1;
        const QRect inside = card.toAlignedRect();
        QRegion visible(rect());
        visible -= QRegion(inside.adjusted(r, 1, -r, -1));
        visible -= QRegion(inside.adjusted(1, r, -1, -r));
        // A repaint of something on the card (a label, a ring's frame) reaches no shadow.
        visible &= event->region();
        if (visible.isEmpty()) return;
        QPainter p(this);
        p.setClipRegion(visible);
        Card::paintShadow(p, card, card_->radius(), Theme::appearance());
    }

private:
    QPointer<CardFrame> card_;
};
}  // namespace

namespace Card {

qreal borderOpacity(Theme::Appearance a) { return a == Theme::Appearance::Dark ? 0.10 : 0.07; }
qreal shadowOpacity(Theme::Appearance a) { return a == Theme::Appearance::Dark ? 0.0 : 0.05; }
qreal shadowExtent() { return kShadowBlur * 1.5 + kShadowOffsetY; }

void paint(QPainter& painter, const QRectF& rect, qreal radius, Theme::Appearance a)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedPath(rect, radius), Theme::color(Theme::Color::surfaceElevated, a));
    // Stroked along the inside edge, so the border stays within the outline.
    QPen pen(Theme::primary(borderOpacity(a), a), 1);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedPath(rect.adjusted(0.5, 0.5, -0.5, -0.5), qMax<qreal>(0, radius - 0.5)));
    painter.restore();
}

namespace {
// The shadow of a card of `card` size: its outline in black, blurred, with `e` of room around it.
QImage blurredOutline(QSizeF card, qreal radius, int e)
{
    QImage img(QSize(int(std::ceil(card.width())) + 2 * e, int(std::ceil(card.height())) + 2 * e), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(roundedPath(QRectF(QPointF(e, e), card), radius), Qt::black);
    }
    blurAlphaSoft(img, int(kShadowBlur / 2));
    // Black throughout: its alpha alone is kept (a quarter of the bytes), drawn as black.
    return img.convertToFormat(QImage::Format_Alpha8);
}
}  // namespace

void paintShadow(QPainter& painter, const QRectF& rect, qreal radius, Theme::Appearance a)
{
    const qreal opacity = shadowOpacity(a);
    if (opacity <= 0 || rect.isEmpty()) return;
    const int e = int(std::ceil(shadowExtent()));
    // Away from the corners the blurred outline is the same along each edge: along a side longer
    // than its two corners, the shadow is drawn from a small image in three parts, the middle one
    // a one-pixel slice stretched (once per length, then kept). So big cards cost neither a big
    // blur nor a big image. `m` reaches past the corner's curve (smooth corners bend over up to
    // twice the radius) and the blur's reach.
    const int m = int(std::ceil(2 * e + 2 * radius)) + 1;
    const QSize size(int(std::ceil(rect.width())) + 2 * e, int(std::ceil(rect.height())) + 2 * e);
    const bool slicedX = size.width() > 2 * m + 1, slicedY = size.height() > 2 * m + 1;
    const QSize small(slicedX ? 2 * m + 1 : size.width(), slicedY ? 2 * m + 1 : size.height());
    static QCache<QString, QImage> outlines(64);
    const QString key = QStringLiteral("%1x%2r%3").arg(small.width()).arg(small.height()).arg(radius);
    QImage* img = outlines.object(key);
    if (!img) {
        img = new QImage(blurredOutline(QSizeF(slicedX ? small.width() - 2 * e : rect.width(),
                                               slicedY ? small.height() - 2 * e : rect.height()),
                                        radius, e));
        outlines.insert(key, img);
    }
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    const QPointF origin(rect.left() - e, rect.top() - e + kShadowOffsetY);
    if (!slicedX && !slicedY) {
        painter.drawImage(origin, *img);
        painter.restore();
        return;
    }
    struct Span {
        int from, length, to, drawn;  // source start and length; target start and length
    };
    auto spans = [m](bool sliced, int whole) {
        QList<Span> out;
        if (!sliced) out << Span{0, whole, 0, whole};
        else out << Span{0, m, 0, m} << Span{m, 1, m, whole - 2 * m} << Span{m + 1, m, whole - m, m};
        return out;
    };
    // A stretched slice is the same along its whole length: a short strip of it, kept, is drawn
    // as many times as the side needs, rather than one image as long as the card.
    constexpr int kStrip = 64;
    static QCache<QString, QImage> strips(512 * 1024);  // bytes
    const QPoint o = origin.toPoint();
    for (const Span& col : spans(slicedX, size.width()))
        for (const Span& row : spans(slicedY, size.height())) {
            const QRect source(col.from, row.from, col.length, row.length);
            const QRect target(o.x() + col.to, o.y() + row.to, col.drawn, row.drawn);
            if (target.isEmpty()) continue;
            if (source.size() == target.size()) {
                painter.drawImage(target.topLeft(), *img, source);
            } else if (source.width() == 1 && source.height() == 1) {
                painter.fillRect(target, QColor(0, 0, 0, qAlpha(img->pixel(source.topLeft()))));
            } else {
                const bool across = source.width() == 1;  // stretched along x, else along y
                const QSize stripSize = across ? QSize(qMin(kStrip, target.width()), target.height())
                                               : QSize(target.width(), qMin(kStrip, target.height()));
                const QString partKey = key + QStringLiteral("|%1,%2,%3x%4").arg(source.x()).arg(source.y()).arg(stripSize.width()).arg(stripSize.height());
                QImage* strip = strips.object(partKey);
                if (!strip) {
                    // The one-pixel slice repeated along the strip.
                    strip = new QImage(stripSize, QImage::Format_Alpha8);
                    for (int y = 0; y < stripSize.height(); ++y) {
                        uchar* line = strip->scanLine(y);
                        if (across) {
                            memset(line, img->constScanLine(source.y() + y)[source.x()], size_t(stripSize.width()));
                        } else {
                            memcpy(line, img->constScanLine(source.y()) + source.x(), size_t(stripSize.width()));
                        }
                    }
                    strips.insert(partKey, strip, qMax<qsizetype>(1, strip->sizeInBytes()));
                }
                const int length = across ? target.width() : target.height();
                const int step = across ? stripSize.width() : stripSize.height();
                for (int at = 0; at < length; at += step) {
                    const int n = qMin(step, length - at);
                    if (across) painter.drawImage(QPoint(target.x() + at, target.y()), *strip, QRect(0, 0, n, stripSize.height()));
                    else painter.drawImage(QPoint(target.x(), target.y() + at), *strip, QRect(0, 0, stripSize.width(), n));
                }
            }
        }
    painter.restore();
}

}  // namespace Card

CardFrame::CardFrame(qreal padding, qreal radius, QWidget* parent) : QWidget(parent), padding_(padding), radius_(radius)
{
    layout_ = new QVBoxLayout(this);
    const int p = qRound(padding);
    layout_->setContentsMargins(p, p, p, p);
    layout_->setSpacing(0);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, [this] {
        update();
        if (shadow_) shadow_->update();
    });
    updateShadow();
}

CardFrame::~CardFrame() { delete shadow_.data(); }

void CardFrame::setContent(QWidget* content) { layout_->addWidget(content); }

void CardFrame::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    updateShadow();
}

void CardFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Card::paint(p, QRectF(rect()), radius_, Theme::appearance());
}

bool CardFrame::event(QEvent* e)
{
    const bool handled = QWidget::event(e);
    switch (e->type()) {
    case QEvent::ParentChange:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ZOrderChange:
        updateShadow();
        break;
    default:
        break;
    }
    return handled;
}

void CardFrame::updateShadow()
{
    QWidget* parent = parentWidget();
    if (shadow_ && shadow_->parentWidget() != parent) {
        shadow_->deleteLater();
        shadow_ = nullptr;
    }
    if (!parent || isWindow()) return;
    if (!shadow_) shadow_ = new CardShadow(parent, this);
    const int e = int(std::ceil(Card::shadowExtent()));
    shadow_->setGeometry(geometry().adjusted(-e, -e, e, e));
    shadow_->setVisible(isVisibleTo(parent));
    shadow_->stackUnder(this);
    shadow_->update();
}

HoverHighlight::HoverHighlight(QWidget* target, qreal radius) : QObject(target), target_(target), radius_(radius)
{
    target->setAttribute(Qt::WA_Hover);
    target->installEventFilter(this);
    connect(&opacity_, &MotionValue::valueChanged, target, qOverload<>(&QWidget::update));
}

void HoverHighlight::setHovering(bool hovering)
{
    if (hovering == hovering_) return;
    hovering_ = hovering;
    opacity_.animateTo(hovering ? kOpacity : 0.0, Theme::easeOut(150));
}

bool HoverHighlight::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == target_) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::HoverEnter) setHovering(true);
        else if (event->type() == QEvent::Leave || event->type() == QEvent::HoverLeave) setHovering(false);
    }
    return false;
}

void HoverHighlight::paint(QPainter& painter, const QRectF& rect) const
{
    const double o = opacity_.value();
    if (o <= 0) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedPath(rect, radius_), Theme::primary(o));
    painter.restore();
}

NumericText::NumericText(QWidget* target) : QObject(target), target_(target)
{
    connect(&progress_, &MotionValue::valueChanged, target, qOverload<>(&QWidget::update));
}

void NumericText::setValue(qint64 value, const Theme::Animation& animation)
{
    if (value == value_) return;
    previous_ = value_;
    previousText_ = text_;
    value_ = value;
    // Plain decimal digits: counts are never grouped nor localised.
    text_ = QString::number(value);
    progress_.setValue(0);
    progress_.animateTo(1, animation);
    target_->update();
}

void NumericText::paint(QPainter& painter, const QRectF& rect, Qt::Alignment alignment) const
{
    const double t = progress_.value();
    if (t >= 1 || previousText_.isEmpty()) {
        PaintedText::draw(painter, rect, alignment, text_, Qt::ElideNone);
        return;
    }
    // Rising values come in from below, falling ones from above.
    const qreal travel = rect.height() * (value_ > previous_ ? 1 : -1);
    painter.save();
    painter.setClipRect(rect.adjusted(0, -2, 0, 2), Qt::IntersectClip);
    const qreal base = painter.opacity();
    painter.setOpacity(base * (1 - t));
    PaintedText::draw(painter, rect.translated(0, -travel * t), alignment, previousText_, Qt::ElideNone);
    painter.setOpacity(base * t);
    PaintedText::draw(painter, rect.translated(0, travel * (1 - t)), alignment, text_, Qt::ElideNone);
    painter.restore();
}
