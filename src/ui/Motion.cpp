#include "ui/Motion.h"

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
