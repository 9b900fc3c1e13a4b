#include "monitor/PerCoreBars.h"

#include "platform/i18n/StringFormat.h"
#include "ui/Formatters.h"
#include "ui/Motion.h"
#include "ui/UiLanguage.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPauseAnimation>
#include <QSequentialAnimationGroup>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

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
    // The bars follow the load: their ease runs whatever the motion setting.
    eased_.setFollowsReduceMotion(false);
    connect(&eased_, &ClockedMotion::valueChanged, this, [this](double progress) {
        progress_ = progress;
        repaintMoved(progress_ >= 1);
    });
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
    const bool countChanged = values.size() != values_.size();
    values_ = values;
    if (levels == to_ && !countChanged) return;
    // From what is on screen now.
    QList<double> current;
    current.reserve(levels.size());
    for (int i = 0; i < levels.size(); ++i) current << (i < painted_.size() ? painted_[i] : 0.0);
    from_ = current;
    to_ = levels;
    painted_ = current;
    progress_ = 0;
    if (animation_) animation_->stop();
    eased_.setValue(0);
    // Scrolled out of sight (a short window, the card below the fold), an ease would cost
    // the frames of one with nothing to show for them: the bars take their levels at once.
    if (isVisible() && !visibleRegion().isEmpty()) {
        startAnimation();
    } else {
        progress_ = 1;
        painted_ = to_;
    }
    if (countChanged) updateGeometry();
    // New levels while on screen are painted by the animation, step by step.
    if (countChanged || !isAnimating()) {
        painted_ = isAnimating() ? painted_ : to_;
        update();
    }
    if (QAccessible::isActive() && countChanged) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

bool PerCoreBars::isAnimating() const
{
    return (animation_ && animation_->state() == QAbstractAnimation::Running) || eased_.isAnimating();
}

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
    // frames of the ease move no bar by a visible pixel. Instead the ease steps on the frame
    // clock, at the moments the bar that travels farthest has moved by a device pixel (in the
    // ticks of the page's other motion where it can).
    const Layout l = layoutFor(int(values_.size()), width());
    double travel = 0;
    for (int i = 0; i < to_.size(); ++i) {
        const double from = i < from_.size() ? from_[i] : 0;
        travel = std::max(travel, std::abs(fillHeight(to_[i], l.rowHeight) - fillHeight(from, l.rowHeight)));
    }
    travel *= paintedScale_ > 0 ? paintedScale_ : devicePixelRatioF();
    eased_.animateInSteps(1.0, Theme::easeOut(kAnimationMs), travel > 0 ? 1.0 / travel : 1.0);
}

double PerCoreBars::shownLevel(int index) const { return levelAt(index, progress_); }

double PerCoreBars::shownAt(int index) const
{
    if (index >= 0 && index < painted_.size()) return painted_[index];
    return index >= 0 && index < to_.size() ? to_[index] : 0;
}

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
    // Most frames of the ease-out move the bars by a sliver of a pixel: a bar is repainted
    // once it has moved by a visible step (or the ease ends), and only that bar's fill. A
    // bar that has not moved far enough keeps its painted level, so it is caught up by a
    // later step: what is on screen always matches `painted_`.
    const Layout l = layoutFor(int(values_.size()), width());
    if (l.rows == 0) return;
    // The scale of the last paint (asking the widget walks up to its screen: too dear for
    // every frame).
    const qreal step = 1.0 / (paintedScale_ > 0 ? paintedScale_ : devicePixelRatioF());
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    if (painted_.size() != to_.size()) painted_.resize(to_.size(), 0.0);
    QRegion moved;
    for (int i = 0; i < to_.size() && i < values_.size(); ++i) {
        const int row = i / l.perRow, column = i % l.perRow;
        qreal x = column * (l.barWidth + l.spacing);
        if (rtl) x = width() - x - l.barWidth;
        const QRectF r(x, row * (l.rowHeight + l.rowSpacing), l.barWidth, l.rowHeight);
        const double target = levelAt(i, progress_);
        const qreal before = fillHeight(painted_[i], r.height());
        const qreal now = fillHeight(target, r.height());
        if (before == now || (!last && std::abs(now - before) < step)) {
            if (last) painted_[i] = target;  // the same pixels: nothing to repaint
            continue;
        }
        painted_[i] = target;
        // The fill carries the whole gradient, so a new height recolours all of it: the
        // bar's column from the higher of the two tops down to its foot.
        const qreal high = std::max(before, now);
        moved += QRectF(r.left() - 1, r.bottom() - high - 1, r.width() + 2, high + 2).toAlignedRect();
    }
    if (moved.isEmpty()) return;
    update(moved);
}

QString PerCoreBars::barName(int index) const
{
    return formatString(UiLanguage::current().tr("Core %lld"), {qint64(index) + 1});
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
    // kept as one picture. Fills outside the repainted area are left alone.
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
    // Each fill carries the whole gradient, from brandSecondary at its foot to brandPrimary
    // at its top, whatever its height.
    auto gradientFor = [&](const QRectF& fill) {
        QLinearGradient g(QPointF(0, fill.bottom()), QPointF(0, fill.top()));
        g.setColorAt(0, bottom);
        g.setColorAt(1, top);
        return g;
    };
    const QRect dirty = e->rect();
    if (square) {
        p.setRenderHint(QPainter::Antialiasing, false);
        for (int i = 0; i < values_.size(); ++i) {
            const QRect r = barRect(i).toAlignedRect();
            if (!r.intersects(dirty)) continue;
            const int h = std::max(int(std::lround(fillHeight(shownAt(i), r.height()))), int(kStub));
            const QRect fill(r.left(), r.bottom() + 1 - h, r.width(), h);
            p.fillRect(fill, gradientFor(QRectF(fill)));
        }
        return;
    }
    for (int i = 0; i < values_.size(); ++i) {
        const QRectF r = barRect(i);
        if (!r.toAlignedRect().intersects(dirty)) continue;
        const qreal h = fillHeight(shownAt(i), r.height());
        const qreal round = std::min(radius, h / 2);
        const QRectF fill(r.left(), r.bottom() - h, r.width(), h);
        QPainterPath path;
        path.addRoundedRect(fill, round, round);
        p.fillPath(path, gradientFor(fill));
    }
}
