#include "monitor/MonitorCharts.h"

#include "ui/PaintedText.h"
#include "ui/Formatters.h"
#include "ui/Motion.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "ui/UntrustedText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QEvent>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPauseAnimation>
#include <QSequentialAnimationGroup>
#include <QPixmap>
#include <QValueAxis>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- ElidedText

ElidedText::ElidedText(const QString& text, const QFont& font, MonitorTint tint, QWidget* parent)
    : QWidget(parent), text_(text), tint_(tint)
{
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setToolTip(UntrustedText::toolTip(text));
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void ElidedText::setText(const QString& text)
{
    if (text == text_) return;
    text_ = text;
    setToolTip(UntrustedText::toolTip(text));
    updateGeometry();
    update();
}

void ElidedText::setTrailing(bool trailing)
{
    trailing_ = trailing;
    update();
}

void ElidedText::setTint(MonitorTint tint)
{
    if (tint == tint_) return;
    tint_ = tint;
    update();
}

QString ElidedText::shownText() const { return PaintedText::elided(font(), text_, width()); }

QSize ElidedText::sizeHint() const
{
    const PaintedText::LineMetrics line = PaintedText::measure(font(), text_);
    return QSize(int(std::ceil(line.width)) + 1, int(std::ceil(line.height())));
}

QSize ElidedText::minimumSizeHint() const
{
    const int ellipsis = int(std::ceil(PaintedText::width(font(), QStringLiteral("…"))));
    return QSize(std::min(ellipsis * 3, sizeHint().width()), sizeHint().height());
}

void ElidedText::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setFont(font());
    p.setPen(tint_.resolve());
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const Qt::Alignment edge = (rtl != trailing_) ? Qt::AlignRight : Qt::AlignLeft;
    PaintedText::draw(p, QRectF(rect()), edge | Qt::AlignVCenter | Qt::AlignAbsolute, text_);
}

// ---------------------------------------------------------------- ChartCard

ChartCard::ChartCard(const QString& title, const QString& value, std::optional<QString> footnote, QWidget* chart,
                     QWidget* parent)
    : CardFrame(16, 14, parent), chart_(chart)
{
    setObjectName(QStringLiteral("chartCard"));
    auto* column = contentLayout();
    column->setSpacing(12);
    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    title_ = new QLabel(title);
    title_->setTextFormat(Qt::PlainText);
    title_->setObjectName(QStringLiteral("title"));
    title_->setFont(Theme::font(Theme::TextStyle::headline));
    value_ = new ElidedText(value, Theme::font(Theme::TextStyle::callout), MonitorTint::secondary());
    value_->setObjectName(QStringLiteral("value"));
    value_->setTrailing(true);
    top->addWidget(title_, 0, Qt::AlignBottom);
    top->addWidget(value_, 1, Qt::AlignBottom);  // all the room beside the title: it draws at the trailing edge
    column->addLayout(top);
    chart_->setParent(this);
    chart_->setFixedHeight(kChartHeight);
    column->addWidget(chart_);
    footnote_ = new ElidedText(footnote.value_or(QString()), Theme::font(Theme::TextStyle::caption), MonitorTint::secondary());
    footnote_->setObjectName(QStringLiteral("footnote"));
    footnote_->setVisible(footnote.has_value());
    column->addWidget(footnote_);
    auto recolour = [this] {
        QPalette pal = title_->palette();
        pal.setColor(QPalette::WindowText, Theme::foreground(Theme::Level::primary));
        title_->setPalette(pal);
    };
    recolour();
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, recolour);
    updateAccessibility();
}

void ChartCard::setTitle(const QString& title)
{
    title_->setText(title);
    updateAccessibility();
}

void ChartCard::setValue(const QString& value)
{
    value_->setText(value);
    updateAccessibility();
}

void ChartCard::setFootnote(std::optional<QString> footnote)
{
    footnote_->setText(footnote.value_or(QString()));
    footnote_->setVisible(footnote.has_value());
}

QString ChartCard::title() const { return title_->text(); }
QString ChartCard::value() const { return value_->text(); }
std::optional<QString> ChartCard::footnote() const
{
    if (footnote_->isHidden()) return std::nullopt;
    return footnote_->text();
}

void ChartCard::updateAccessibility()
{
    chart_->setAccessibleName(title_->text());
    chart_->setAccessibleDescription(value_->text());
}

// ---------------------------------------------------------------- LiveChart

namespace {

QColor withOpacity(QColor c, double opacity)
{
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
}

QLinearGradient verticalFade(const QColor& tint, double top, double bottom)
{
    // In the area's own box: from its top edge to its bottom edge.
    QLinearGradient g(QPointF(0, 0), QPointF(0, 1));
    g.setCoordinateMode(QGradient::ObjectBoundingMode);
    g.setColorAt(0, withOpacity(tint, top));
    g.setColorAt(1, withOpacity(tint, bottom));
    return g;
}

}  // namespace

LiveChart::LiveChart(Kind kind, QWidget* parent) : QChartView(parent), kind_(kind)
{
    setObjectName(QStringLiteral("liveChart"));
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setBackgroundVisible(false);
    chart_->setPlotAreaBackgroundVisible(false);
    // Room for half a label above the top mark and below the bottom one; labels in
    // Arabic script stand half as tall again as Latin ones (a label that does not fit
    // is dropped), so a whole Latin line's height.
    const int room = QFontMetrics(Theme::font(Theme::TextStyle::caption)).height();
    chart_->setMargins(QMargins(0, room, 0, room));
    chart_->setBackgroundRoundness(0);
    chart_->layout()->setContentsMargins(0, 0, 0, 0);
    chart_->setAnimationOptions(QChart::NoAnimation);
    // The view comes with a chart of its own, which it lets go of without deleting it.
    QChart* initial = chart();
    setChart(chart_);
    delete initial;
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
    setBackgroundBrush(Qt::NoBrush);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("background: transparent"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumWidth(80);

    first_ = new QLineSeries;
    second_ = new QLineSeries;
    if (kind_ == Kind::network) {
        chart_->addSeries(first_);
        chart_->addSeries(second_);
    } else {
        // The area's upper edge follows `first_`; it is filled, and its line is drawn apart.
        area_ = new QAreaSeries(first_);
        // The chart owns what it shows; the area's edge is the area's own.
        first_->setParent(area_);
        chart_->addSeries(area_);
        chart_->addSeries(second_);
    }

    time_ = new QValueAxis;
    time_->setVisible(false);
    time_->setRange(-1, 0);
    values_ = new QCategoryAxis;
    values_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    values_->setLineVisible(false);
    values_->setLabelsFont(Theme::font(Theme::TextStyle::caption));
    values_->setTitleVisible(false);
    values_->setMinorGridLineVisible(false);
    chart_->addAxis(time_, Qt::AlignBottom);
    for (QAbstractSeries* s : chart_->series()) s->attachAxis(time_);
    applyDirection();
    if (kind_ == Kind::network) {
        const NetworkScale::Axis a = NetworkScale::axis(0);
        setMarks(a.ticks, a.top);
    } else {
        setMarks(percentMarks(), 1.0);
    }
    applyColors();
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, &LiveChart::applyColors);
}

LiveChart::~LiveChart() = default;

void LiveChart::setPoints(const QList<MonitorModel::Point>& points)
{
    QList<QPointF> a, b;
    a.reserve(points.size());
    b.reserve(points.size());
    double largest = 0;
    // Seconds before the newest point: the newest is at 0.
    const QDateTime newest = points.isEmpty() ? QDateTime() : points.constLast().date;
    for (const MonitorModel::Point& p : points) {
        const double x = double(newest.msecsTo(p.date)) / 1000.0;
        switch (kind_) {
        case Kind::processor:
            a << QPointF(x, p.cpu);
            b << QPointF(x, p.cpu);
            break;
        case Kind::memory:
            a << QPointF(x, p.memory);
            b << QPointF(x, p.pressure);
            break;
        case Kind::network:
            a << QPointF(x, p.networkIn);
            b << QPointF(x, p.networkOut);
            if (std::isfinite(p.networkIn)) largest = std::max(largest, p.networkIn);
            if (std::isfinite(p.networkOut)) largest = std::max(largest, p.networkOut);
            break;
        }
    }
    const double oldest = a.isEmpty() ? -1 : std::min(a.constFirst().x(), -1.0);
    time_->setRange(oldest, 0);
    if (kind_ == Kind::network) {
        const NetworkScale::Axis axis = NetworkScale::axis(largest);
        if (axis.ticks != marks_) setMarks(axis.ticks, axis.top);
    }
    first_->replace(a);
    second_->replace(b);
}

QList<QList<QPointF>> LiveChart::seriesPoints() const { return {first_->points(), second_->points()}; }

QStringList LiveChart::axisLabels() const { return values_->categoriesLabels(); }

QList<double> LiveChart::axisValues() const { return marks_; }

std::pair<double, double> LiveChart::timeRange() const { return {time_->min(), time_->max()}; }

bool LiveChart::isTimeReversed() const { return time_->isReverse(); }

Qt::Alignment LiveChart::axisAlignment() const { return values_->alignment(); }

void LiveChart::setMarks(const QList<double>& values, double top)
{
    marks_ = values;
    top_ = top;
    relabel();
}

void LiveChart::relabel()
{
    const Localization l = UiLanguage::current();
    for (const QString& label : values_->categoriesLabels()) values_->remove(label);
    values_->setStartValue(0);
    for (double v : marks_) {
        QString text;
        if (std::isfinite(v)) text = kind_ == Kind::network ? Formatters::throughput(v, l) : Formatters::percent(v, l);
        // A label stands alone: the direction marks ICU adds for running text only make
        // the chart measure it too narrow and cut it short.
        for (char16_t mark : {u'\u061C', u'\u200E', u'\u200F'}) text.remove(QChar(mark));
        // The order they kept, in right-to-left languages: "٪٥٠" as in the gauges.
        if (!text.isEmpty() && l.isRightToLeft()) text.prepend(QChar(0x200F));
        // Labels name the categories and must differ; a mark without text still gets a line.
        while (values_->categoriesLabels().contains(text)) text += QChar(0x200B);
        values_->append(text, v);
    }
    values_->setRange(0, top_);
}

void LiveChart::applyColors()
{
    const QColor primary = Theme::brandPrimary();
    values_->setLabelsBrush(Theme::foreground(Theme::Level::secondary));
    // A hairline: the quick way to draw a one-pixel line, repainted every second.
    QPen grid(Theme::primary(0.1));
    grid.setWidthF(0);
    grid.setCosmetic(true);
    values_->setGridLinePen(grid);
    switch (kind_) {
    case Kind::processor: {
        area_->setPen(Qt::NoPen);
        area_->setBrush(verticalFade(primary, 0.45, 0.02));
        QPen line(primary, 1.6, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        line.setMiterLimit(10);
        second_->setPen(line);
        break;
    }
    case Kind::memory: {
        area_->setPen(Qt::NoPen);
        area_->setBrush(verticalFade(Theme::brandSecondary(), 0.4, 0.02));
        QPen dashed(Theme::statusWarning(), 1.4, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        dashed.setMiterLimit(10);
        // Dash lengths count in pen widths: 4 points on, 3 off.
        dashed.setDashPattern({4 / 1.4, 3 / 1.4});
        second_->setPen(dashed);
        break;
    }
    case Kind::network:
        first_->setPen(QPen(primary, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        second_->setPen(QPen(Theme::proGoldEnd(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        break;
    }
}

void LiveChart::applyDirection()
{
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const Qt::Alignment edge = rtl ? Qt::AlignRight : Qt::AlignLeft;
    time_->setReverse(rtl);
    if (values_->alignment() == edge && chart_->axes(Qt::Vertical).contains(values_)) return;
    if (chart_->axes(Qt::Vertical).contains(values_)) {
        for (QAbstractSeries* s : chart_->series()) s->detachAxis(values_);
        chart_->removeAxis(values_);
    }
    chart_->addAxis(values_, edge);
    for (QAbstractSeries* s : chart_->series()) s->attachAxis(values_);
}

void LiveChart::changeEvent(QEvent* e)
{
    QChartView::changeEvent(e);
    if (e->type() == QEvent::LayoutDirectionChange) applyDirection();
    if (e->type() == QEvent::LanguageChange) relabel();
}

// ---------------------------------------------------------------- PerCoreBars

namespace {

// Each bar is one element for assistive technology: "Core 3", valued with its percentage.
class CoreBarAccessible final : public QAccessibleInterface {
public:
    CoreBarAccessible(PerCoreBars* bars, int index) : bars_(bars), index_(index) {}
    bool isValid() const override { return bars_ && index_ < bars_->values().size(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return bars_ ? bars_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bars_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return bars_->barName(index_);
        if (t == QAccessible::Value) return bars_->barValue(index_);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid()) return {};
        const QRect r = bars_->barRect(index_).toAlignedRect();
        return QRect(bars_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::Indicator; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        if (!bars_ || !bars_->isVisible()) s.invisible = true;
        return s;
    }

private:
    QPointer<PerCoreBars> bars_;
    int index_;
};

class PerCoreBarsAccessible final : public QAccessibleWidget {
public:
    explicit PerCoreBarsAccessible(PerCoreBars* bars) : QAccessibleWidget(bars, QAccessible::Grouping) {}
    ~PerCoreBarsAccessible() override
    {
        for (QAccessible::Id id : std::as_const(ids_)) QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return int(bars()->values().size()); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount()) return nullptr;
        while (ids_.size() <= index) {
            auto* iface = new CoreBarAccessible(bars(), int(ids_.size()));
            ids_ << QAccessible::registerAccessibleInterface(iface);
        }
        return QAccessible::accessibleInterface(ids_[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < ids_.size(); ++i)
            if (QAccessible::accessibleInterface(ids_[i]) == child) return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = bars()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < childCount(); ++i)
            if (bars()->barRect(i).contains(local)) return child(i);
        return nullptr;
    }

private:
    PerCoreBars* bars() const { return static_cast<PerCoreBars*>(widget()); }
    mutable QList<QAccessible::Id> ids_;
};

QAccessibleInterface* perCoreBarsAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("PerCoreBars") && object && object->isWidgetType())
        return new PerCoreBarsAccessible(static_cast<PerCoreBars*>(object));
    return nullptr;
}

}  // namespace

PerCoreBars::PerCoreBars(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("perCoreBars"));
    static const bool accessible = [] {
        QAccessible::installFactory(perCoreBarsAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

double PerCoreBars::level(double value)
{
    if (!(value > 0)) return 0;  // also not-a-number
    return std::min(value, 1.0);
}

qreal PerCoreBars::fillHeight(double level, qreal height) { return std::max(height * level, kStub); }

void PerCoreBars::setValues(const QList<double>& values)
{
    QList<double> levels;
    levels.reserve(values.size());
    for (double v : values) levels << level(v);
    QList<double> current;
    current.reserve(levels.size());
    // From what is on screen now.
    for (int i = 0; i < levels.size(); ++i) current << (i < to_.size() ? levelAt(i, paintedProgress_) : 0.0);
    const bool countChanged = values.size() != values_.size();
    values_ = values;
    if (levels == to_ && !countChanged) return;
    from_ = current;
    to_ = levels;
    progress_ = 0;
    paintedProgress_ = 0;
    if (animation_) animation_->stop();
    if (isVisible()) startAnimation();
    else progress_ = paintedProgress_ = 1;
    if (countChanged) updateGeometry();
    // New levels while on screen are painted by the animation, step by step.
    if (countChanged || !isAnimating()) update();
    if (QAccessible::isActive() && countChanged) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

bool PerCoreBars::isAnimating() const { return animation_ && animation_->state() == QAbstractAnimation::Running; }

QList<QPair<int, double>> PerCoreBars::stepMoments(double travel)
{
    static const QEasingCurve curve = Theme::easeOutCurve();
    constexpr int kFrameMs = 16;
    QList<QPair<int, double>> moments;
    double shown = 0;
    int last = 0;
    for (int ms = 1; ms <= kAnimationMs; ++ms) {
        const double progress = curve.valueForProgress(double(ms) / kAnimationMs);
        if (ms < kAnimationMs && ((progress - shown) * travel < 1 || ms - last < kFrameMs)) continue;
        moments.append({ms, ms == kAnimationMs ? 1.0 : progress});
        shown = progress;
        last = ms;
    }
    return moments;
}

void PerCoreBars::startAnimation()
{
    if (!MotionValue::stepsSleep()) {
        // Driven by a clock of the caller's: every frame of the ease.
        auto* anim = new QVariantAnimation(this);
        anim->setStartValue(0.0);
        anim->setEndValue(1.0);
        anim->setDuration(kAnimationMs);
        anim->setEasingCurve(Theme::easeOutCurve());
        connect(anim, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            progress_ = v.toDouble();
            repaintMoved(progress_ >= 1);
        });
        animation_ = anim;
        anim->start(QAbstractAnimation::DeleteWhenStopped);
        return;
    }
    // Qt's animation timer ticks sixty times a second while an animation runs, though most
    // frames of the ease move no bar by a visible pixel. Instead: pauses (the timer sleeps
    // through them) up to the moments the bar that travels farthest has moved by a device
    // pixel, each followed by the repaint of that moment.
    const Layout l = layoutFor(int(values_.size()), width());
    double travel = 0;
    for (int i = 0; i < to_.size(); ++i) {
        const double from = i < from_.size() ? from_[i] : 0;
        travel = std::max(travel, std::abs(fillHeight(to_[i], l.rowHeight) - fillHeight(from, l.rowHeight)));
    }
    travel *= paintedScale_ > 0 ? paintedScale_ : devicePixelRatioF();
    const QList<QPair<int, double>> moments = stepMoments(travel);
    auto* group = new QSequentialAnimationGroup(this);
    int last = 0;
    for (const auto& [ms, progress] : moments) {
        new QPauseAnimation(ms - last, group);
        last = ms;
    }
    connect(group, &QSequentialAnimationGroup::currentAnimationChanged, this,
            [this, group, moments](QAbstractAnimation* current) {
                // A pause has ended: the bars of its moment.
                const int ended = group->indexOfAnimation(current) - 1;
                if (ended < 0 || ended >= moments.size()) return;
                progress_ = moments[ended].second;
                repaintMoved(progress_ >= 1);
            });
    connect(group, &QAbstractAnimation::finished, this, [this] {
        progress_ = 1;
        repaintMoved(true);
    });
    animation_ = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

double PerCoreBars::shownLevel(int index) const { return levelAt(index, progress_); }

double PerCoreBars::levelAt(int index, double progress) const
{
    if (index < 0 || index >= to_.size()) return 0;
    const double from = index < from_.size() ? from_[index] : 0;
    return from + (to_[index] - from) * progress;
}

void PerCoreBars::setSurface(Theme::Color surface)
{
    surface_ = surface;
    setAttribute(Qt::WA_OpaquePaintEvent);
    update();
}

void PerCoreBars::repaintMoved(bool last)
{
    // Most frames of the ease-out move the bars by a sliver of a pixel: a repaint waits
    // until one of them has moved by a visible step, and covers only the bars' moving tops.
    const Layout l = layoutFor(int(values_.size()), width());
    if (l.rows == 0) return;
    // The scale of the last paint (asking the widget walks up to its screen: too dear for
    // every frame).
    const qreal step = 1.0 / (paintedScale_ > 0 ? paintedScale_ : devicePixelRatioF());
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    QRegion moved;
    for (int i = 0; i < to_.size() && i < values_.size(); ++i) {
        const int row = i / l.perRow, column = i % l.perRow;
        qreal x = column * (l.barWidth + l.spacing);
        if (rtl) x = width() - x - l.barWidth;
        const QRectF r(x, row * (l.rowHeight + l.rowSpacing), l.barWidth, l.rowHeight);
        const qreal before = fillHeight(levelAt(i, paintedProgress_), r.height());
        const qreal now = fillHeight(levelAt(i, progress_), r.height());
        if (before == now || (!last && std::abs(now - before) < step)) continue;
        const qreal high = std::max(before, now), low = std::min(before, now);
        // The fill's rounded top reaches a corner's radius below its edge; a short fill is
        // rounded at the bottom too.
        const qreal reach = low < 2 * kRadius + 1 ? low : kRadius + 1;
        moved += QRectF(r.left() - 1, r.bottom() - high - 1, r.width() + 2, high - low + reach + 2).toAlignedRect();
    }
    if (moved.isEmpty()) return;
    paintedProgress_ = progress_;
    update(moved);
}

QString PerCoreBars::barName(int index) const
{
    const Localization l = UiLanguage::current();
    return formatString(l.tr("Core %lld"), {LocaleFormat::count(qint64(index) + 1, l)});
}

QString PerCoreBars::barValue(int index) const
{
    return Formatters::percent(index < values_.size() ? level(values_[index]) : 0);
}

PerCoreBars::Layout PerCoreBars::layoutFor(int count, qreal width)
{
    Layout l;
    if (count <= 0 || width <= 0) return l;
    // Bars as the page draws them: one row, 4 apart. When they would grow thinner than
    // six, the gaps narrow to two; thinner than four, the bars wrap into rows.
    constexpr qreal kComfortableBar = 6, kNarrowSpacing = 2, kMinimumBar = 4;
    constexpr qreal kRowSpacing = 6, kMinimumRowHeight = 24;
    auto barWidth = [&](int perRow, qreal spacing) { return (width - spacing * (perRow - 1)) / perRow; };
    l.rows = 1;
    l.perRow = count;
    l.spacing = kSpacing;
    if (barWidth(count, kSpacing) < kComfortableBar) {
        l.spacing = kNarrowSpacing;
        if (barWidth(count, kNarrowSpacing) < kMinimumBar) {
            const int fits = std::max(1, int((width + kNarrowSpacing) / (kMinimumBar + kNarrowSpacing)));
            l.rows = (count + fits - 1) / fits;
            l.perRow = (count + l.rows - 1) / l.rows;  // balanced rows
        }
    }
    l.barWidth = std::max<qreal>(barWidth(l.perRow, l.spacing), 1);
    if (l.rows > 1) {
        l.rowSpacing = kRowSpacing;
        l.rowHeight = std::max((kHeight - kRowSpacing * (l.rows - 1)) / l.rows, kMinimumRowHeight);
        l.height = l.rowHeight * l.rows + kRowSpacing * (l.rows - 1);
    }
    return l;
}

QRectF PerCoreBars::barRect(int index) const
{
    const Layout l = layoutFor(int(values_.size()), width());
    if (index < 0 || index >= values_.size() || l.perRow == 0) return {};
    const int row = index / l.perRow, column = index % l.perRow;
    qreal x = column * (l.barWidth + l.spacing);
    if (layoutDirection() == Qt::RightToLeft) x = width() - x - l.barWidth;
    return QRectF(x, row * (l.rowHeight + l.rowSpacing), l.barWidth, l.rowHeight);
}

int PerCoreBars::heightForWidth(int width) const { return int(std::ceil(layoutFor(int(values_.size()), width).height)); }

QSize PerCoreBars::sizeHint() const { return QSize(200, heightForWidth(std::max(width(), 200))); }

QSize PerCoreBars::minimumSizeHint() const { return QSize(40, heightForWidth(std::max(width(), 40))); }

void PerCoreBars::resizeEvent(QResizeEvent*)
{
    // Hundreds of cores wrap into rows: a new width may ask for another height.
    if (height() != heightForWidth(width())) updateGeometry();
}

void PerCoreBars::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (surface_) p.fillRect(e->rect(), Theme::color(*surface_));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const Layout l = layoutFor(int(values_.size()), width());
    if (l.rows == 0) return;
    // Narrow bars round less, or they turn into lozenges; bars of a few pixels are plain
    // rectangles (their corners would not show, and hundreds of them paint much faster).
    constexpr qreal kSquareBelow = 8;
    const bool square = l.barWidth < kSquareBelow;
    const qreal radius = square ? 0 : std::min<qreal>(kRadius, l.barWidth / 2);
    // The tracks change only with the size, the count, the direction and the appearance:
    // kept as one picture. The fills go in one path per row under one gradient, so that
    // hundreds of cores cost a few fills rather than hundreds.
    const QColor track = Theme::primary(0.07);
    const qreal dpr = devicePixelRatioF();
    paintedScale_ = dpr;
    const TracksKey key{size(), int(values_.size()), layoutDirection(), track.rgba(), dpr};
    if (!(key == tracksKey_)) {
        tracks_ = QPixmap((QSizeF(size()) * dpr).toSize());
        tracks_.setDevicePixelRatio(dpr);
        tracks_.fill(Qt::transparent);
        QPainter t(&tracks_);
        t.setRenderHint(QPainter::Antialiasing);
        if (square) {
            for (int i = 0; i < values_.size(); ++i) t.fillRect(barRect(i).toAlignedRect(), track);
        } else {
            QPainterPath all;
            for (int i = 0; i < values_.size(); ++i) all.addRoundedRect(barRect(i), radius, radius);
            t.fillPath(all, track);
        }
        tracksKey_ = key;
    }
    p.drawPixmap(0, 0, tracks_);
    const QColor bottom = Theme::brandSecondary(), top = Theme::brandPrimary();
    if (square) {
        p.setRenderHint(QPainter::Antialiasing, false);
        for (int row = 0; row < l.rows; ++row) {
            const int first = row * l.perRow;
            const QRectF rowRect = barRect(first);
            QLinearGradient g(QPointF(0, rowRect.bottom()), QPointF(0, rowRect.top()));
            g.setColorAt(0, bottom);
            g.setColorAt(1, top);
            const QBrush brush(g);
            for (int i = first; i < std::min<qsizetype>(first + l.perRow, values_.size()); ++i) {
                const QRect r = barRect(i).toAlignedRect();
                const int h = std::max(int(std::lround(fillHeight(levelAt(i, paintedProgress_), r.height()))), int(kStub));
                p.fillRect(QRect(r.left(), r.bottom() + 1 - h, r.width(), h), brush);
            }
        }
        return;
    }
    for (int row = 0; row < l.rows; ++row) {
        QPainterPath fills;
        QRectF rowRect;
        for (int i = row * l.perRow; i < std::min<qsizetype>((row + 1) * l.perRow, values_.size()); ++i) {
            const QRectF r = barRect(i);
            rowRect = r;
            const qreal h = fillHeight(levelAt(i, paintedProgress_), r.height());
            const qreal round = std::min(radius, h / 2);
            fills.addRoundedRect(QRectF(r.left(), r.bottom() - h, r.width(), h), round, round);
        }
        QLinearGradient g(QPointF(0, rowRect.bottom()), QPointF(0, rowRect.top()));
        g.setColorAt(0, bottom);
        g.setColorAt(1, top);
        p.fillPath(fills, g);
    }
}

// ---------------------------------------------------------------- LivePulse

namespace {
constexpr int kPulseFrameMs = 60;  // a slow fade of a small dot: about sixteen steps a second are smooth enough
constexpr double kVisibleStep = 0.03;
}

LivePulse::LivePulse(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("livePulse"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    timer_.setInterval(kPulseFrameMs);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        // Only the dot changes, and only a visible step is worth a repaint: the pulse
        // runs for as long as the page is open.
        const double next = opacityAt(clock_.elapsed());
        if (std::abs(next - opacity_) < kVisibleStep) return;
        opacity_ = next;
        update(dotRect().toAlignedRect().adjusted(-1, -1, 1, 1));
    });
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    connect(&Theme::Notifier::shared(), &Theme::Notifier::reduceMotionChanged, this, &LivePulse::restart);
    setAccessibleName(UiLanguage::current().tr("Live"));
}

double LivePulse::opacityAt(qint64 ms)
{
    // Down for one half period, up for the next, easing in and out each way.
    const qint64 period = 2 * kHalfPeriodMs;
    const qint64 t = ((ms % period) + period) % period;
    const double half = double(t < kHalfPeriodMs ? t : period - t) / kHalfPeriodMs;
    const double eased = 0.5 - 0.5 * std::cos(M_PI * half);
    return 1.0 - (1.0 - kLowOpacity) * eased;
}

void LivePulse::restart()
{
    timer_.stop();
    opacity_ = 1.0;
    if (isVisible() && !Theme::reduceMotion()) {
        clock_.start();
        timer_.start();
    }
    update();
}

void LivePulse::showEvent(QShowEvent*) { restart(); }

void LivePulse::hideEvent(QHideEvent*)
{
    timer_.stop();
    opacity_ = 1.0;
}

void LivePulse::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) {
        setAccessibleName(UiLanguage::current().tr("Live"));
        updateGeometry();
        update();
    }
}

QSize LivePulse::sizeHint() const
{
    const QFontMetrics fm(Theme::font(Theme::TextStyle::caption, QFont::DemiBold));
    const int text = fm.horizontalAdvance(UiLanguage::current().tr("Live"));
    return QSize(10 + 8 + 6 + text + 10, std::max(8, fm.height()) + 10);
}

QRectF LivePulse::dotRect() const
{
    const QRectF r = QRectF(rect());
    const qreal x = layoutDirection() == Qt::RightToLeft ? r.right() - 10 - 8 : r.left() + 10;
    return QRectF(x, r.center().y() - 4, 8, 8);
}

void LivePulse::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setLayoutDirection(layoutDirection());
    const QRectF r = QRectF(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::surfaceSunken());
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    QColor dot = Theme::statusSupported();
    dot.setAlphaF(float(dot.alphaF() * opacity_));
    p.setBrush(dot);
    p.drawEllipse(dotRect());
    const QRectF text = rtl ? QRectF(r.left() + 10, r.top(), r.width() - 10 - 8 - 6 - 10, r.height())
                            : QRectF(r.left() + 10 + 8 + 6, r.top(), r.width() - 10 - 8 - 6 - 10, r.height());
    // A step of the pulse repaints the dot only: no text to lay out then.
    if (!e->rect().intersects(text.toAlignedRect())) return;
    p.setFont(Theme::font(Theme::TextStyle::caption, QFont::DemiBold));
    p.setPen(Theme::foreground(Theme::Level::secondary));
    p.drawText(text, int(Qt::AlignVCenter | (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute),
               UiLanguage::current().tr("Live"));
}

// ---------------------------------------------------------------- BusyIndicator

BusyIndicator::BusyIndicator(int size, QWidget* parent) : QWidget(parent), size_(size)
{
    setObjectName(QStringLiteral("busyIndicator"));
    setFixedSize(size, size);
    timer_.setInterval(80);
    connect(&timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % 8;
        update();
    });
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void BusyIndicator::showEvent(QShowEvent*) { timer_.start(); }
void BusyIndicator::hideEvent(QHideEvent*) { timer_.stop(); }

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const qreal radius = size_ / 2.0;
    const qreal spoke = radius * 0.45;
    for (int i = 0; i < 8; ++i) {
        // The newest spoke is darkest; the others fade behind it.
        const int age = (step_ - i + 8) % 8;
        QPen pen(Theme::primary(0.75 - 0.08 * age), std::max(1.5, size_ / 10.0), Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.save();
        p.rotate(i * 45.0);
        p.drawLine(QPointF(0, -radius + pen.widthF()), QPointF(0, -radius + pen.widthF() + spoke));
        p.restore();
    }
}
