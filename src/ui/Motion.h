#pragma once

#include "ui/Theme.h"

#include <QObject>
#include <QPointer>
#include <QVariantAnimation>

// One animated number. Every change goes through animateTo, which reads the
// reduce-motion switch: with motion reduced the value jumps at once.
class MotionValue : public QObject {
    Q_OBJECT
public:
    explicit MotionValue(double initial = 0, QObject* parent = nullptr);
    double value() const { return value_; }
    double target() const { return target_; }
    bool isAnimating() const;
    // Animates from the current value to `target` (or sets it when motion is reduced).
    void animateTo(double target, const Theme::Animation& animation);
    // The same, but the value changes only once it has moved by `step` (and at the end), no
    // sooner than a frame apart: nothing wakes the application between those moments, so a
    // long, slow ease costs a handful of changes instead of sixty a second.
    void animateInSteps(double target, const Theme::Animation& animation, double step);
    // Whether animateInSteps sleeps between its steps: Qt's animation timer then follows
    // the wall clock. A test that drives animations by a clock of its own turns it off; the
    // value then follows every frame.
    static void setStepsSleep(bool sleep);
    static bool stepsSleep();
    void setValue(double value);

signals:
    void valueChanged(double value);

private:
    double value_;
    double target_;
    QPointer<QAbstractAnimation> animation_;
};
