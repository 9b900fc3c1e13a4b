#include "ui/Motion.h"

#include <QPauseAnimation>
#include <QSequentialAnimationGroup>

#include <cmath>

MotionValue::MotionValue(double initial, QObject* parent) : QObject(parent), value_(initial), target_(initial)
{
    // Motion reduced while an animation runs: the value goes to its target at once.
    connect(&Theme::Notifier::shared(), &Theme::Notifier::reduceMotionChanged, this, [this] {
        if (Theme::reduceMotion() && isAnimating()) setValue(target_);
    });
}

bool MotionValue::isAnimating() const { return animation_ && animation_->state() == QAbstractAnimation::Running; }

void MotionValue::setValue(double v)
{
    if (animation_) animation_->stop();
    target_ = v;
    if (v == value_) return;
    value_ = v;
    emit valueChanged(v);
}

void MotionValue::animateTo(double target, const Theme::Animation& a)
{
    if (Theme::reduceMotion() || a.durationMs <= 0) {
        setValue(target);
        return;
    }
    if (target == target_ && isAnimating()) return;
    if (animation_) animation_->stop();
    target_ = target;
    if (target == value_) return;
    auto* anim = new QVariantAnimation(this);
    anim->setStartValue(value_);
    anim->setEndValue(target);
    anim->setDuration(a.durationMs);
    anim->setEasingCurve(a.curve);
    connect(anim, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        value_ = v.toDouble();
        emit valueChanged(value_);
    });
    connect(anim, &QVariantAnimation::finished, this, [this, target] {
        if (value_ != target) {
            value_ = target;
            emit valueChanged(value_);
        }
    });
    animation_ = anim;
    anim->start(QAbstractAnimation::DeleteWhenStopped);
}

namespace {
bool sleepBetweenSteps = true;
}

void MotionValue::setStepsSleep(bool sleep) { sleepBetweenSteps = sleep; }
bool MotionValue::stepsSleep() { return sleepBetweenSteps; }

void MotionValue::animateInSteps(double target, const Theme::Animation& a, double step)
{
    if (!sleepBetweenSteps || Theme::reduceMotion() || a.durationMs <= 0 || !(step > 0)) {
        animateTo(target, a);
        return;
    }
    if (target == target_ && isAnimating()) return;
    if (animation_) animation_->stop();
    target_ = target;
    if (target == value_) return;
    // The moments the eased value has moved by a step since the last one shown: a pause up
    // to each (Qt's animation timer sleeps through pauses), then the value of that moment.
    constexpr int kFrameMs = 16;
    const double from = value_;
    auto* group = new QSequentialAnimationGroup(this);
    QList<double> values;
    int last = 0;
    double shown = from;
    for (int ms = 1; ms <= a.durationMs; ++ms) {
        const double v = from + (target - from) * a.curve.valueForProgress(double(ms) / a.durationMs);
        if (ms < a.durationMs && (std::abs(v - shown) < step || ms - last < kFrameMs)) continue;
        new QPauseAnimation(ms - last, group);
        values.append(ms == a.durationMs ? target : v);
        shown = v;
        last = ms;
    }
    connect(group, &QSequentialAnimationGroup::currentAnimationChanged, this,
            [this, group, values](QAbstractAnimation* current) {
                // A pause has ended: the value of its moment.
                const int ended = group->indexOfAnimation(current) - 1;
                if (ended < 0 || ended >= values.size() || values[ended] == value_) return;
                value_ = values[ended];
                emit valueChanged(value_);
            });
    connect(group, &QAbstractAnimation::finished, this, [this, target] {
        if (value_ != target) {
            value_ = target;
            emit valueChanged(value_);
        }
    });
    animation_ = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}
