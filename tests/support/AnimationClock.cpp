#include "support/AnimationClock.h"

#include "ui/Motion.h"

#include <QCoreApplication>

FakeAnimationClock::FakeAnimationClock()
{
    // Stepped animations sleep on the wall clock between steps: here they follow this clock.
    MotionValue::setStepsSleep(false);
    install();
    start();
}

FakeAnimationClock::~FakeAnimationClock()
{
    if (isRunning()) stop();
    uninstall();
    MotionValue::setStepsSleep(true);
}

void FakeAnimationClock::advance(qint64 ms)
{
    // Animations register with the unified timer from the event loop: let them in first.
    QCoreApplication::processEvents();
    while (ms > 0) {
        const qint64 step = qMin<qint64>(ms, 16);
        now_ += step;
        ms -= step;
        QAnimationDriver::advance();
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
}
