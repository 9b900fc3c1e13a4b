#include "ui/ScoreRing.h"

#include "ui/Blur.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>

#include <cmath>

ScoreRing::ScoreRing(double progress, qreal lineWidth, AngularGradient gradient, QWidget* parent)
    : QWidget(parent), progress_(progress), lineWidth_(lineWidth), gradient_(std::move(gradient)), stops_(gradient_.stops)
{
    setObjectName(QStringLiteral("scoreRing"));
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&shown_, &MotionValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    // With motion reduced there is no sweep to wait for: the value is there from the start.
    if (Theme::reduceMotion()) shown_.setValue(clampProgress(progress_));
}

double ScoreRing::clampProgress(double p)
{
    if (std::isnan(p) || p <= 0) return 0;
    return p > 1 ? 1 : p;
}

double ScoreRing::arcFraction() const { return qMax(shown_.value(), kMinimumArc); }

void ScoreRing::setProgress(double progress)
{
    if (progress == progress_ || (std::isnan(progress) && std::isnan(progress_))) return;
    progress_ = progress;
    if (isVisible() || Theme::reduceMotion()) step();
}

void ScoreRing::setGradient(const AngularGradient& gradient)
{
    gradient_ = gradient;
    update();
}

void ScoreRing::step() { shown_.animateTo(clampProgress(progress_), Theme::ringFill()); }

void ScoreRing::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (e->spontaneous()) return;
    // Coming on screen sweeps from empty again.
    if (!Theme::reduceMotion()) shown_.setValue(0);
    step();
}

QConicalGradient ScoreRing::conical(const AngularGradient& g, const QPointF& centre)
{
    // Qt's conical gradient runs counter-clockwise from three o'clock: mirror the stops and
    // start at twelve o'clock, so they read clockwise as the ring draws.
    QConicalGradient q(centre, 90.0 - g.startDegrees);
    QGradientStops mirrored;
    for (auto it = g.stops.crbegin(); it != g.stops.crend(); ++it) mirrored.append({1.0 - it->first, it->second});
    q.setStops(mirrored);
    return q;
}

QColor ScoreRing::colorAt(const AngularGradient& g, double fraction)
{
    if (g.stops.isEmpty()) return {};
    // Stop positions run clockwise from the gradient's start, which lies startDegrees past twelve.
    // (A whole turn is the gradient's end, not its start again.)
    double position = fraction - std::fmod(g.startDegrees, 360.0) / 360.0;
    if (position < 0) position += 1;
    if (position > 1) position -= 1;
    const QGradientStop* before = &g.stops.first();
    if (position <= before->first) return before->second;
    for (const QGradientStop& stop : g.stops) {
        if (stop.first >= position) {
            const double span = stop.first - before->first;
            const double t = span > 0 ? (position - before->first) / span : 1;
            const QColor a = before->second.toRgb(), b = stop.second.toRgb();
            auto mix = [t](float x, float y) { return float(x + (y - x) * t); };
            return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                                    mix(a.alphaF(), b.alphaF()));
        }
        before = &stop;
    }
    return g.stops.last().second;
}

QSize ScoreRing::sizeFor(qreal diameter)
{
    const int side = int(std::ceil(diameter)) + 2 * kGlowMargin;
    return QSize(side, side);
}

QRectF ScoreRing::ringRect() const
{
    const qreal d = qMax<qreal>(0, qMin(width(), height()) - 2 * kGlowMargin);
    return QRectF((width() - d) / 2, (height() - d) / 2, d, d);
}

void ScoreRing::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF square = ringRect();
    const QPointF c = square.center();
    const qreal r = qMax<qreal>(0, (square.width() - lineWidth_) / 2);
    const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);

    QPen track(Theme::primary(0.08), lineWidth_, Qt::SolidLine, Qt::FlatCap);
    p.setPen(track);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle);

    const double fraction = arcFraction();
    QPainterPath arc;
    arc.arcMoveTo(circle, 90);
    arc.arcTo(circle, 90, -360.0 * fraction);  // negative span: clockwise

    // Glow: the arc's shape blurred, in brandGlow at 0.6, within the room the margin keeps.
    QImage glow(size(), QImage::Format_ARGB32_Premultiplied);
    glow.fill(Qt::transparent);
    {
        QPainter g(&glow);
        g.setRenderHint(QPainter::Antialiasing);
        g.setPen(QPen(Qt::black, lineWidth_, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
        g.drawPath(arc);
    }
    blurAlpha(glow, 3);
    {
        QPainter g(&glow);
        g.setCompositionMode(QPainter::CompositionMode_SourceIn);
        g.fillRect(glow.rect(), Theme::brandGlow());
    }
    p.save();
    p.setOpacity(0.6);
    p.drawImage(QPointF(0, 0), glow);
    p.restore();

    AngularGradient live = gradient_;
    live.stops = stops_.resolve();
    // The arc's body with flat ends, and each round cap as the half disc beyond its end in
    // one solid colour. The angular gradient wraps at twelve o'clock: a cap stroked with it
    // would show the end colour on the half of the start cap that lies before twelve. The
    // parts are put together in a layer where a later part replaces what it covers (a full
    // ring's end cap lies on its start), so translucent colours never darken where they meet.
    QImage layer(size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter l(&layer);
        l.setRenderHint(QPainter::Antialiasing);
        l.setPen(Qt::NoPen);
        QPainterPathStroker stroker;
        stroker.setWidth(lineWidth_);
        stroker.setCapStyle(Qt::FlatCap);
        stroker.setJoinStyle(Qt::MiterJoin);
        stroker.setMiterLimit(10);
        l.fillPath(stroker.createStroke(arc), QBrush(conical(live, c)));

        // A half disc of the cap's radius around `at`, on the side `degrees` points to (the
        // painter's angles: counter-clockwise from three o'clock), reaching one pixel back
        // over the body so no antialiased seam shows between them.
        const qreal h = lineWidth_ / 2;
        auto halfDisc = [h](QPointF at, qreal degrees) {
            QPainterPath cap;  // one outline: two outlines would leave an antialiased seam
            cap.moveTo(-1, h);
            cap.arcTo(QRectF(-h, -h, 2 * h, 2 * h), -90, 180);
            cap.lineTo(-1, -h);
            cap.closeSubpath();
            QTransform place;
            place.translate(at.x(), at.y());
            place.rotate(-degrees);
            return place.map(cap);
        };
        l.setCompositionMode(QPainter::CompositionMode_Source);
        // The arc leaves twelve o'clock heading right: its start cap lies to the left.
        l.fillPath(halfDisc(arc.pointAtPercent(0), 180), colorAt(live, 0));
        // At the end the arc heads 360 × fraction degrees clockwise from rightwards.
        l.fillPath(halfDisc(arc.currentPosition(), -360.0 * fraction), colorAt(live, fraction));
    }
    p.drawImage(QPointF(0, 0), layer);
}

namespace {
// The gauge is one element for assistive technology: its title as the name and the value
// text as the value; the ring inside is not a separate element.
class RingGaugeAccessible : public QAccessibleWidget {
public:
    explicit RingGaugeAccessible(RingGauge* gauge) : QAccessibleWidget(gauge, QAccessible::Indicator) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return static_cast<const RingGauge*>(widget())->valueText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* ringGaugeAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("RingGauge") && object && object->isWidgetType())
        if (auto* gauge = qobject_cast<RingGauge*>(object)) return new RingGaugeAccessible(gauge);
    return nullptr;
}
}  // namespace

RingGauge::RingGauge(const QString& title, double value, const QString& valueText, const QColor& tint, qreal size,
                     QWidget* parent)
    : QWidget(parent), title_(title), valueText_(valueText), tint_(tint), size_(size)
{
    setObjectName(QStringLiteral("ringGauge"));
    ring_ = new ScoreRing(value, metrics(size).lineWidth, gradient(tint), this);
    static const bool accessible = [] {
        QAccessible::installFactory(ringGaugeAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void RingGauge::setValue(double value, const QString& valueText)
{
    const bool changed = valueText != valueText_;
    valueText_ = valueText;
    ring_->setProgress(value);
    update();
    if (changed && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, valueText);
        QAccessible::updateAccessibility(&event);
    }
}

RingGauge::Metrics RingGauge::metrics(qreal size) { return {size * 0.1, size * 0.2, size * 0.2 * 0.6, size * 0.12}; }

QFont RingGauge::valueFont(qreal pixelSize) { return Theme::systemFont(pixelSize, QFont::DemiBold); }

qreal RingGauge::fittedFontSize(const QString& text, qreal size)
{
    const Metrics m = metrics(size);
    const qreal available = size - 2 * m.inset;
    for (qreal px = m.fontSize; px > m.minFontSize; px -= 0.5) {
        if (QFontMetricsF(valueFont(px)).horizontalAdvance(text) <= available) return px;
    }
    return m.minFontSize;
}

AngularGradient RingGauge::gradient(const QColor& tint)
{
    QColor light = tint;
    light.setAlphaF(tint.alphaF() * 0.75f);
    return AngularGradient{{{0.0, light}, {1.0, tint}}, 0};
}

QSize RingGauge::sizeHint() const
{
    // The glow's room above and beside the ring; below it the glow fades into the gap
    // over the caption.
    const QFontMetrics fm(Theme::font(Theme::TextStyle::caption));
    const int s = int(std::ceil(size_));
    const int m = ScoreRing::kGlowMargin;
    // A caption in a fallback font (Japanese, Chinese, Hindi) stands taller than the caption font.
    const int caption = qMax(fm.height(), fm.boundingRect(QRect(), Qt::AlignLeft, title_).height());
    return QSize(qMax(s + 2 * m, fm.horizontalAdvance(title_)), m + s + 8 + caption);
}

QRectF RingGauge::ringRect() const { return QRectF((width() - size_) / 2, ScoreRing::kGlowMargin, size_, size_); }

void RingGauge::resizeEvent(QResizeEvent*)
{
    const QSize s = ScoreRing::sizeFor(size_);
    ring_->setGeometry((width() - s.width()) / 2, 0, s.width(), s.height());
}

void RingGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::TextAntialiasing);
    const Metrics m = metrics(size_);
    const QRectF ring = ringRect();
    const QRectF textRect = ring.adjusted(m.inset, 0, -m.inset, 0);
    const QFont f = valueFont(fittedFontSize(valueText_, size_));
    p.setFont(f);
    p.setPen(Theme::foreground(Theme::Level::primary));
    p.drawText(textRect, Qt::AlignCenter, QFontMetricsF(f).elidedText(valueText_, Qt::ElideRight, textRect.width()));

    const QFont caption = Theme::font(Theme::TextStyle::caption);
    p.setFont(caption);
    p.setPen(Theme::foreground(Theme::Level::secondary));
    const QRectF titleRect(0, ring.bottom() + 8, width(), qMax(QFontMetricsF(caption).height(), height() - ring.bottom() - 8));
    p.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop,
               QFontMetricsF(caption).elidedText(title_, Qt::ElideRight, titleRect.width()));
}
