#include "ui/FrameClock.h"

#include "ui/Motion.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- FrameClock

FrameClock::Client::~Client()
{
    // A client may go while scheduled (a page closed mid-sweep).
    FrameClock::shared().remove(this);
}

FrameClock& FrameClock::shared()
{
    static FrameClock* clock = new FrameClock;  // lives as long as the process
    return *clock;
}

FrameClock::FrameClock(QObject* parent) : QObject(parent)
{
    elapsed_.start();
    timer_.setSingleShot(true);
    // Every client's moment lands in one wake: a coarse timer would spread them.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &FrameClock::tick);
}

FrameClock::~FrameClock() = default;

qint64 FrameClock::now() const { return manual_ ? *manual_ : elapsed_.elapsed(); }

void FrameClock::schedule(Client* client, qint64 at)
{
    auto it = due_.find(client);
    if (it == due_.end()) due_.insert(client, at);
    else it.value() = std::min(it.value(), at);
    if (!ticking_) reschedule();
}

void FrameClock::remove(Client* client)
{
    if (due_.remove(client) && !ticking_) reschedule();
}

void FrameClock::setManualTime(std::optional<qint64> now)
{
    // Between the two kinds of time the last tick means nothing.
    if (now.has_value() != manual_.has_value()) lastTick_.reset();
    manual_ = now;
    reschedule();
}

std::optional<qint64> FrameClock::nextTick() const
{
    if (due_.isEmpty()) return std::nullopt;
    qint64 earliest = std::numeric_limits<qint64>::max();
    for (qint64 at : due_) earliest = std::min(earliest, at);
    if (lastTick_) earliest = std::max(earliest, *lastTick_ + kFrameMs);
    return earliest;
}

void FrameClock::reschedule()
{
    const std::optional<qint64> next = nextTick();
    if (!next || manual_) {
        timer_.stop();
        return;
    }
    timer_.start(int(std::clamp<qint64>(*next - now(), 0, std::numeric_limits<int>::max())));
}

void FrameClock::tick()
{
    const qint64 t = now();
    lastTick_ = t;
    ++ticks_;
    ticking_ = true;
    // Everyone due before the next tick could come steps now, a little early rather than a
    // frame late: so their repaints share this one.
    QList<Client*> stepping;
    for (auto it = due_.cbegin(); it != due_.cend(); ++it)
        if (it.value() < t + kFrameMs) stepping << it.key();
    for (Client* client : std::as_const(stepping)) {
        if (!due_.contains(client)) continue;  // removed by an earlier client's step
        const std::optional<qint64> next = client->advance(t);
        if (next) due_[client] = std::max(*next, t + 1);
        else due_.remove(client);
    }
    // Moments a little apart would each be a tick (and a repaint) of their own: one that comes
    // shortly before another waits for it, so both step in one tick. A client shows what its
    // motion has at the moment it is stepped, so waiting only shifts the step along the ease.
    if (due_.size() > 1) {
        QList<qint64> moments = due_.values();
        std::sort(moments.begin(), moments.end());
        for (auto it = due_.begin(); it != due_.end(); ++it)  // the latest moment within the slack
            it.value() = *std::prev(std::upper_bound(moments.cbegin(), moments.cend(), it.value() + kSlackMs));
    }
    ticking_ = false;
    reschedule();
}

// ---------------------------------------------------------------- ClockedMotion

ClockedMotion::ClockedMotion(double initial, QObject* parent)
    : QObject(parent), value_(initial), target_(initial), animation_{0, QEasingCurve()}
{
    // Motion reduced during an ease: the value goes to its target at once.
    connect(&Theme::Notifier::shared(), &Theme::Notifier::reduceMotionChanged, this, [this] {
        if (followsReduceMotion_ && Theme::reduceMotion() && running_) setValue(target_);
    });
}

ClockedMotion::~ClockedMotion() = default;

bool ClockedMotion::isAnimating() const { return running_ || (fallback_ && fallback_->isAnimating()); }

void ClockedMotion::show(double value)
{
    if (value == value_) return;
    value_ = value;
    emit valueChanged(value_);
}

void ClockedMotion::setValue(double value)
{
    running_ = false;
    FrameClock::shared().remove(this);
    if (fallback_) fallback_->setValue(value);
    target_ = value;
    show(value);
}

double ClockedMotion::easedAt(qint64 ms) const
{
    if (animation_.durationMs <= 0 || ms >= animation_.durationMs) return target_;
    if (ms <= 0) return from_;
    return from_ + (target_ - from_) * animation_.curve.valueForProgress(double(ms) / animation_.durationMs);
}

void ClockedMotion::animateInSteps(double target, const Theme::Animation& animation, double step)
{
    const bool reduced = followsReduceMotion_ && Theme::reduceMotion();
    if (!MotionValue::stepsSleep() || reduced || animation.durationMs <= 0 || !(step > 0)) {
        // A test's clock, or no motion: Qt's animation system, as every other animation.
        running_ = false;
        FrameClock::shared().remove(this);
        if (!fallback_) {
            fallback_ = std::make_unique<MotionValue>(value_);
            connect(fallback_.get(), &MotionValue::valueChanged, this, [this](double v) { show(v); });
        }
        fallback_->setValue(value_);
        target_ = target;
        fallback_->animateInSteps(target, animation, step);
        return;
    }
    if (fallback_) fallback_->setValue(value_);
    if (target == target_ && running_) return;
    target_ = target;
    if (target == value_) {
        running_ = false;
        FrameClock::shared().remove(this);
        return;
    }
    FrameClock& clock = FrameClock::shared();
    from_ = value_;
    start_ = clock.now();
    animation_ = animation;
    step_ = step;
    running_ = true;
    if (const std::optional<qint64> next = nextMoment(start_)) clock.schedule(this, *next);
}

std::optional<qint64> ClockedMotion::nextMoment(qint64 now) const
{
    // The first moment the eased value lies a step from what is shown (the ease is
    // monotonic: found by halving), else the end.
    const qint64 end = start_ + animation_.durationMs;
    if (now >= end) return std::nullopt;
    auto far = [this](qint64 at) { return std::abs(easedAt(at - start_) - value_) >= step_; };
    if (!far(end - 1)) return end;
    qint64 low = now, high = end - 1;  // far(high) holds
    while (high - low > 1) {
        const qint64 mid = low + (high - low) / 2;
        (far(mid) ? high : low) = mid;
    }
    return high;
}

std::optional<qint64> ClockedMotion::advance(qint64 now)
{
    if (!running_) return std::nullopt;
    const qint64 end = start_ + animation_.durationMs;
    if (now >= end) {
        running_ = false;
        show(target_);
        return std::nullopt;
    }
    // Stepped early (another client's tick): what the ease shows now, if it has moved at all
    // by a visible part of a step.
    const double v = easedAt(now - start_);
    if (std::abs(v - value_) >= step_ / 2) show(v);
    return nextMoment(now);
}
