// The live page's motion on one frame clock: clients due close together step in one tick,
// ticks keep their distance, the clock sleeps when nothing moves, and what the window shows
// after the narrowed repaints of a few ticks equals a fresh paint of the whole page.
#include "monitor/LiveMonitorView.h"
#include "monitor/LivePulse.h"
#include "monitor/MonitorModel.h"
#include "monitor/PerCoreBars.h"
#include "HandDrivenLoop.h"
#include "MonitorSamples.h"
#include "support/OnScreen.h"
#include "ui/FrameClock.h"
#include "ui/ScoreRing.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

class RecordingClient : public FrameClock::Client {
public:
    explicit RecordingClient(QList<qint64> moments) : moments_(std::move(moments)) {}
    std::optional<qint64> advance(qint64 now) override
    {
        steppedAt << now;
        // Stepped early, it shows what it can: what was due before the next frame.
        while (!moments_.isEmpty() && moments_.constFirst() < now + FrameClock::kFrameMs) moments_.removeFirst();
        if (moments_.isEmpty()) return std::nullopt;
        return moments_.constFirst();
    }
    QList<qint64> steppedAt;

private:
    QList<qint64> moments_;
};

// Runs the clock by hand: each tick at its moment, the window's repaints after it.
int runUntil(FrameClock& clock, qint64 end)
{
    int ticks = 0;
    while (const std::optional<qint64> next = clock.nextTick()) {
        if (*next > end) break;
        clock.setManualTime(*next);
        clock.tick();
        ++ticks;
        QApplication::processEvents();
    }
    clock.setManualTime(end);
    QApplication::processEvents();
    return ticks;
}

// The shared clock on manual time for one test, motion on.
struct ManualSharedClock {
    ManualSharedClock()
    {
        Theme::setReduceMotion(false);
        FrameClock::shared().setManualTime(0);
    }
    ~ManualSharedClock()
    {
        FrameClock::shared().setManualTime(std::nullopt);
        Theme::setReduceMotion(std::nullopt);
    }
    FrameClock& clock = FrameClock::shared();
};

}  // namespace

TEST(FrameClock, StepsEveryClientDueBeforeTheNextFrameInOneTick)
{
    FrameClock clock;
    clock.setManualTime(0);
    RecordingClient a({100, 200, 400}), b({130}), c({300});
    clock.schedule(&a, 100);
    clock.schedule(&b, 130);  // within a frame of a's moment: stepped with it
    clock.schedule(&c, 300);
    ASSERT_EQ(clock.nextTick(), 100);
    clock.setManualTime(100);
    clock.tick();
    EXPECT_EQ(a.steppedAt, QList<qint64>{100});
    EXPECT_EQ(b.steppedAt, QList<qint64>{100});
    EXPECT_TRUE(c.steppedAt.isEmpty());
    // a wants 200 next; 120 would still be kept a frame after the last tick.
    EXPECT_EQ(clock.nextTick(), 200);
    clock.schedule(&c, 120);
    EXPECT_EQ(clock.nextTick(), 100 + FrameClock::kFrameMs);
    // b is at rest after its one step: it is no longer scheduled.
    EXPECT_FALSE(clock.isScheduled(&b));
    runUntil(clock, 10000);
    EXPECT_EQ(c.steppedAt.constFirst(), 100 + FrameClock::kFrameMs);
    EXPECT_EQ(a.steppedAt.constLast(), 400);
    // Everything at rest: no next tick, so no timer.
    EXPECT_EQ(clock.nextTick(), std::nullopt);
    clock.remove(&a);  // harmless when not scheduled
}

// Moments a little apart share one tick: the earlier waits for the later (at most the
// slack), rather than each waking the window for a repaint of its own.
TEST(FrameClock, AMomentShortlyBeforeAnotherWaitsForItsTick)
{
    FrameClock clock;
    clock.setManualTime(0);
    RecordingClient a({0, 300, 600}), b({0, 300 + FrameClock::kSlackMs, 640}), c({0, 500});
    clock.schedule(&a, 0);
    clock.schedule(&b, 0);
    clock.schedule(&c, 0);
    clock.tick();
    // a at 300 waits for b at 340; c at 500 is too far from both to wait.
    EXPECT_EQ(clock.nextTick(), 300 + FrameClock::kSlackMs);
    runUntil(clock, 2000);
    EXPECT_EQ(a.steppedAt, (QList<qint64>{0, 300 + FrameClock::kSlackMs, 640}));
    EXPECT_EQ(b.steppedAt, (QList<qint64>{0, 300 + FrameClock::kSlackMs, 640}));
    EXPECT_EQ(c.steppedAt, (QList<qint64>{0, 500}));
    // Three ticks after the first instead of five.
    EXPECT_EQ(clock.tickCount(), 4);
}

TEST(FrameClock, AnEaseStepsByVisibleStepsToItsExactEndAndThenSleeps)
{
    ManualSharedClock manual;
    ClockedMotion motion(0);
    QList<double> shown;
    QObject::connect(&motion, &ClockedMotion::valueChanged, [&](double v) { shown << v; });
    constexpr double kStep = 0.05;
    motion.animateInSteps(1.0, Theme::ringFill(), kStep);
    EXPECT_TRUE(motion.isAnimating());
    const int ticks = runUntil(manual.clock, 2000);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_DOUBLE_EQ(shown.constLast(), 1.0);
    EXPECT_FALSE(motion.isAnimating());
    // Not a frame per 16 ms, and none closer than a frame apart: 900 ms at most one a frame.
    EXPECT_LE(ticks, Theme::ringFill().durationMs / FrameClock::kFrameMs + 2);
    EXPECT_GE(ticks, 3);
    for (int i = 1; i + 1 < shown.size(); ++i) EXPECT_GE(shown[i] - shown[i - 1], kStep / 2 - 1e-9) << i;
    EXPECT_EQ(manual.clock.nextTick(), std::nullopt);
    // A new target while easing starts from what is shown.
    motion.animateInSteps(0.5, Theme::ringFill(), kStep);
    runUntil(manual.clock, 4000);
    EXPECT_DOUBLE_EQ(motion.value(), 0.5);
}

TEST(FrameClock, RingsBarsAndPulseShareTheTicksOfOneSecond)
{
    ManualSharedClock manual;
    QWidget window;
    window.resize(600, 200);
    auto* gauge = new RingGauge(QStringLiteral("CPU"), 0.2, QStringLiteral("20%"), Theme::brandPrimary(), 88, &window);
    gauge->move(0, 0);
    gauge->resize(gauge->sizeHint());
    auto* bars = new PerCoreBars(&window);
    bars->setGeometry(200, 0, 380, 90);
    bars->setValues(QList<double>(8, 0.2));
    auto* pulse = new LivePulse(&window);
    pulse->move(200, 120);
    pulse->resize(pulse->sizeHint());
    window.show();
    runUntil(manual.clock, 3000);  // the sweep from empty that showing starts
    const int before = manual.clock.tickCount();
    // A new sample: all three move for most of the next second.
    gauge->setValue(0.6, QStringLiteral("60%"));
    bars->setValues({0.9, 0.1, 0.5, 0.7, 0.3, 0.8, 0.6, 0.4});
    runUntil(manual.clock, 4000);
    EXPECT_TRUE(pulse->isPulsing());
    EXPECT_DOUBLE_EQ(gauge->ring()->shown(), 0.6);
    EXPECT_DOUBLE_EQ(bars->shownLevel(0), 0.9);
    // One clock for all of them: no more ticks in that second than frames fit in it.
    EXPECT_LE(manual.clock.tickCount() - before, 1000 / FrameClock::kFrameMs + 1);
    pulse->hide();
    EXPECT_FALSE(pulse->isPulsing());
}

TEST(FrameClock, ThePageOnScreenAfterNarrowedRepaintsEqualsAFullPaint)
{
    ManualSharedClock manual;
    qint64 t = 0;  // the clock runs on across both directions
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        LiveMonitorContent content;
        content.setLayoutDirection(direction);
        content.resize(940, 900);
        const QDateTime last(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
        QList<MonitorSample> samples = fixtureLaptopSamples(120, last);
        content.setModel(MonitorModel(samples, samples.constLast()));
        content.show();
        runUntil(manual.clock, t += 2000);
        // Three new samples, each seen mid-motion and after it settled.
        for (int i = 1; i <= 3; ++i) {
            MonitorSample next = plainSample(last.addSecs(i), 0.15 + 0.3 * i, 16);
            next.memoryUsed = next.memoryTotal / (i + 1);
            next.networkInPerSecond = 1.5e5 * i;
            samples.removeFirst();
            samples << next;
            content.setModel(MonitorModel(samples, next));
            for (qint64 ms : {120, 900}) {
                runUntil(manual.clock, t + ms);
                const QImage shown = OnScreen::shown(&content);
                const QImage full = content.grab().toImage().convertToFormat(QImage::Format_ARGB32);
                EXPECT_EQ(OnScreen::differingPixels(shown, full), 0) << "sample " << i << ", " << ms << " ms, direction " << int(direction);
            }
            t += 1000;
        }
    }
}

TEST(FrameClock, ASampleOnScreenShowsInTheNextTickAndNotBefore)
{
    ManualSharedClock manual;
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.resize(940, 800);
    page.show();
    const QDateTime last(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    m.feed(fixtureLaptopSamples(3, last));
    ASSERT_TRUE(page.showsContent());
    runUntil(manual.clock, 2000);
    ASSERT_EQ(page.content()->model().points.size(), 3);
    for (int i = 1; i <= 3; ++i) {
        // Delivered as the sampling thread delivers it: the page waits for the clock.
        MonitorSample next = plainSample(last.addSecs(i), 0.2 * i, 16);
        m.now = next.date;
        m.loop->deliver(next);
        EXPECT_TRUE(page.hasPendingSample());
        EXPECT_EQ(page.content()->model().points.size(), 2 + i);
        // The next tick comes at once or within a frame, and shows it with the rest.
        const std::optional<qint64> tick = manual.clock.nextTick();
        ASSERT_TRUE(tick);
        const qint64 at = manual.clock.now();
        EXPECT_LE(*tick, at + FrameClock::kFrameMs);
        const int before = manual.clock.tickCount();
        manual.clock.setManualTime(std::max(*tick, at));
        manual.clock.tick();
        EXPECT_EQ(manual.clock.tickCount() - before, 1);
        EXPECT_FALSE(page.hasPendingSample());
        EXPECT_EQ(page.content()->model().points.size(), 3 + i);
        EXPECT_EQ(page.content()->model().points.constLast().date, next.date);
        runUntil(manual.clock, at + 1000);
    }
    // A page left before its frame drops the frame, and shows the newest when it is back.
    MonitorSample late = plainSample(last.addSecs(4), 0.5, 16);
    m.loop->deliver(late);
    page.hide();  // leaves the page: the pending frame goes with it
    EXPECT_FALSE(page.hasPendingSample());
    m.monitor.start();  // another client keeps the history
    page.show();
    EXPECT_EQ(page.content()->model().points.constLast().date, late.date);
    m.monitor.stop();
}
