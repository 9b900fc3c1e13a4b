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
    while (ms > 0) {
        const qint64 step = qMin<qint64>(ms, 16);
        now_ += step;
        ms -= step;
        QAnimationDriver::advance();
    }
    QCoreApplication::processEvents();
}
