#pragma once

// A fake clock for Qt's animations: while installed, every QAbstractAnimation (and so
// every MotionValue) advances only when the test says so.
#include <QAnimationDriver>

class FakeAnimationClock : public QAnimationDriver {
public:
    FakeAnimationClock();   // installs itself
    ~FakeAnimationClock() override;
    // Moves time forward and lets the animations step (in frames of 16 ms at most).
    void advance(qint64 ms);
    // Time since the animation system (re)started the driver, as Qt expects.
    qint64 elapsed() const override { return now_; }
    void start() override
    {
        now_ = 0;
        QAnimationDriver::start();
    }

private:
    qint64 now_ = 0;
};
