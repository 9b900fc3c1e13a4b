#include "support/AnimationClock.h"

#include <QCoreApplication>

FakeAnimationClock::FakeAnimationClock()
{
    install();
    start();
}

FakeAnimationClock::~FakeAnimationClock()
{
    if (isRunning()) stop();
    uninstall();
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
