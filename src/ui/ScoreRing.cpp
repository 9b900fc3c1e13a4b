#include "ui/ScoreRing.h"

#include "ui/Blur.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>

#include <cmath>

ScoreRing::ScoreRing(double progress, qreal lineWidth, AngularGradient gradient, QWidget* parent)
    : QWidget(parent), progress_(progress), lineWidth_(lineWidth), gradient_(std::move(gradient))
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

void ScoreRing::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = qMin(width(), height());
    const QPointF c(width() / 2.0, height() / 2.0);
    const qreal r = qMax<qreal>(0, (d - lineWidth_) / 2);
    const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);

    QPen track(Theme::primary(0.08), lineWidth_, Qt::SolidLine, Qt::FlatCap);
    p.setPen(track);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle);

    const double fraction = arcFraction();
    QPainterPath arc;
    arc.arcMoveTo(circle, 90);
    arc.arcTo(circle, 90, -360.0 * fraction);  // negative span: clockwise

    // Glow: the arc's shape blurred, in brandGlow at 0.6.
    const int margin = 12;
    QImage glow(size() + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32);
    glow.fill(Qt::transparent);
    {
        QPainter g(&glow);
        g.setRenderHint(QPainter::Antialiasing);
        g.translate(margin, margin);
        g.setPen(QPen(Qt::black, lineWidth_, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
        g.drawPath(arc);
    }
    blurAlpha(glow, 3);
    {
        QPainter g(&glow);
        g.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QColor glowColor = Theme::brandGlow();
        g.fillRect(glow.rect(), glowColor);
    }
    p.save();
    p.setOpacity(0.6);
    p.drawImage(QPointF(-margin, -margin), glow);
    p.restore();

    QPen pen(QBrush(conical(gradient_, c)), lineWidth_, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    p.setPen(pen);
    p.drawPath(arc);
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
    const QFontMetrics fm(Theme::font(Theme::TextStyle::caption));
    const int s = int(std::ceil(size_));
    return QSize(qMax(s, fm.horizontalAdvance(title_)), s + 8 + fm.height());
}

void RingGauge::resizeEvent(QResizeEvent*)
{
    const int s = int(std::ceil(size_));
    ring_->setGeometry((width() - s) / 2, 0, s, s);
}

void RingGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const Metrics m = metrics(size_);
    const QRectF ringRect((width() - size_) / 2, 0, size_, size_);
    const QRectF textRect = ringRect.adjusted(m.inset, 0, -m.inset, 0);
    const QFont f = valueFont(fittedFontSize(valueText_, size_));
    p.setFont(f);
    p.setPen(Theme::foreground(Theme::Level::primary));
    p.drawText(textRect, Qt::AlignCenter, QFontMetricsF(f).elidedText(valueText_, Qt::ElideRight, textRect.width()));

    const QFont caption = Theme::font(Theme::TextStyle::caption);
    p.setFont(caption);
    p.setPen(Theme::foreground(Theme::Level::secondary));
    const QRectF titleRect(0, size_ + 8, width(), QFontMetricsF(caption).height());
    p.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop,
               QFontMetricsF(caption).elidedText(title_, Qt::ElideRight, titleRect.width()));
}
