#pragma once

// A sampling loop the test drives by hand: it records begin/end and delivers the samples it is given.
#include "monitor/LiveMonitor.h"
#include "ui/FrameClock.h"

#include <QDateTime>

#include <optional>

class HandDrivenLoop : public SamplingLoop {
public:
    QList<quint64> begins;
    int ends = 0;
    bool running = false;

    void begin(quint64 generation) override
    {
        begins << generation;
        running = true;
    }
    void end() override
    {
        ++ends;
        running = false;
    }
    void deliver(const MonitorSample& s) { emit sampled(s, begins.isEmpty() ? 0 : begins.last()); }
};

// A monitor on a hand-driven loop, its clock at `now`.
struct HandDrivenMonitor {
    QDateTime now = QDateTime(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    HandDrivenLoop* loop = new HandDrivenLoop;
    LiveMonitor monitor{LiveMonitor::Dependencies{std::unique_ptr<SamplingLoop>(loop), [this] { return now; }}};

    // Delivers the samples in order, moving the clock to each one's date. A page on screen
    // shows each in the frame clock's next tick: run here at once, as the clock's timer would
    // run it a moment later.
    void feed(const QList<MonitorSample>& samples)
    {
        for (const MonitorSample& s : samples) {
            now = s.date;
            loop->deliver(s);
            if (FrameClock::shared().nextTick()) FrameClock::shared().tick();
        }
    }
};
