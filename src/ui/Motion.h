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
    void setValue(double value);

signals:
    void valueChanged(double value);

private:
    double value_;
    double target_;
    QPointer<QVariantAnimation> animation_;
};
