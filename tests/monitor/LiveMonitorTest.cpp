// The live monitor engine: client counting, the history's staleness and length, and
// samples that arrive late — driven by hand — then once on its real sampling thread.
#include "FakeSamplerSources.h"
#include "monitor/LiveMonitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Counts the emissions of one signal.
struct Emissions {
    int count = 0;
    template <typename Sender, typename Signal>
    Emissions(Sender* sender, Signal signal)
    {
        QObject::connect(sender, signal, sender, [this] { ++count; });
    }
};

// Runs the event loop until `done` holds; false when it did not within `timeoutMs`.
bool runUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

class HandDrivenLoop : public SamplingLoop {
public:
    QList<quint64> begins;
    int ends = 0;
    bool shutDown = false;

    void begin(quint64 generation) override { begins << generation; }
    void end() override { ++ends; }
    void shutdown() override { shutDown = true; }
    void deliver(const MonitorSample& s, std::optional<quint64> generation = std::nullopt)
    {
        emit sampled(s, generation.value_or(begins.isEmpty() ? 0 : begins.last()));
    }
};

const QDateTime kNoon(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);

MonitorSample sampleAt(const QDateTime& date, double cpu = 0.5)
{
    MonitorSample s;
    s.date = date;
    s.cpuUsage = cpu;
    return s;
}

struct Engine {
    QDateTime now = kNoon;
    HandDrivenLoop* loop = new HandDrivenLoop;
    LiveMonitor monitor{LiveMonitor::Dependencies{std::unique_ptr<SamplingLoop>(loop), [this] { return now; }}};
};

TEST(LiveMonitorClients, StartTwiceStopOnceKeepsSampling)
{
    Engine e;
    e.monitor.start();
    e.monitor.start();
    EXPECT_EQ(e.loop->begins.size(), 1);  // no second prime, no second timer
    e.monitor.stop();
    EXPECT_EQ(e.loop->ends, 0);
    EXPECT_TRUE(e.monitor.isRunning());
    e.loop->deliver(sampleAt(kNoon));
    EXPECT_EQ(e.monitor.samples().size(), 1);
    e.monitor.stop();
    EXPECT_EQ(e.loop->ends, 1);
    EXPECT_FALSE(e.monitor.isRunning());
}

TEST(LiveMonitorClients, StopWithoutClientsDoesNothing)
{
    Engine e;
    Emissions samples(&e.monitor, &LiveMonitor::samplesChanged), latest(&e.monitor, &LiveMonitor::latestChanged);
    e.monitor.stop();
    EXPECT_EQ(e.monitor.clients(), 0);
    EXPECT_EQ(e.loop->ends, 0);
    e.monitor.start();
    e.monitor.stop();
    e.monitor.stop();
    e.monitor.stop();
    EXPECT_EQ(e.monitor.clients(), 0);
    EXPECT_EQ(e.loop->ends, 1);
    e.monitor.start();  // the count did not go below zero: this is the first client again
    EXPECT_EQ(e.loop->begins.size(), 2);
    EXPECT_EQ(samples.count, 0);
    EXPECT_EQ(latest.count, 0);
}

struct RestartCase {
    qint64 ageMs;
    bool kept;
};

TEST(LiveMonitorHistory, RestartKeepsOnlyAFreshHistory)
{
    const RestartCase cases[] = {{0, true}, {4999, true}, {5000, true}, {5001, false}, {3'600'000, false}};
    for (const RestartCase& c : cases) {
        Engine e;
        e.monitor.start();
        e.loop->deliver(sampleAt(kNoon.addSecs(-1)));
        e.loop->deliver(sampleAt(kNoon));
        e.monitor.stop();
        e.now = kNoon.addMSecs(c.ageMs);
        Emissions samples(&e.monitor, &LiveMonitor::samplesChanged), latest(&e.monitor, &LiveMonitor::latestChanged);
        e.monitor.start();
        // Decided at once, before any new sample arrives.
        EXPECT_EQ(e.monitor.samples().size(), c.kept ? 2 : 0) << c.ageMs;
        EXPECT_EQ(e.monitor.latest().has_value(), c.kept) << c.ageMs;
        EXPECT_EQ(samples.count, c.kept ? 0 : 1) << c.ageMs;
        EXPECT_EQ(latest.count, c.kept ? 0 : 1) << c.ageMs;
        EXPECT_EQ(e.loop->begins.size(), 2) << c.ageMs;  // primed again either way
        // The new period continues the series, or begins a new one.
        e.loop->deliver(sampleAt(e.now.addSecs(1)));
        EXPECT_EQ(e.monitor.samples().size(), c.kept ? 3 : 1) << c.ageMs;
        EXPECT_EQ(e.monitor.latest()->date, e.now.addSecs(1));
    }
}

TEST(LiveMonitorHistory, EmptyHistoryStaysAloneOnStart)
{
    Engine e;
    Emissions samples(&e.monitor, &LiveMonitor::samplesChanged);
    e.monitor.start();
    EXPECT_EQ(samples.count, 0);
    EXPECT_FALSE(e.monitor.latest());
}

TEST(LiveMonitorHistory, HoldsTheLast120)
{
    Engine e;
    e.monitor.start();
    QStringList order;
    QObject::connect(&e.monitor, &LiveMonitor::samplesChanged, [&] { order << "samples"; });
    QObject::connect(&e.monitor, &LiveMonitor::latestChanged, [&] {
        order << "latest";
        // By the time the newest sample is announced the history already holds it.
        EXPECT_EQ(e.monitor.samples().constLast(), *e.monitor.latest());
    });
    for (int i = 0; i < 120; ++i) e.loop->deliver(sampleAt(kNoon.addSecs(i)));
    EXPECT_EQ(e.monitor.samples().size(), 120);
    EXPECT_EQ(e.monitor.samples().constFirst().date, kNoon);
    e.loop->deliver(sampleAt(kNoon.addSecs(120)));  // the 121st pushes out the first
    EXPECT_EQ(e.monitor.samples().size(), 120);
    EXPECT_EQ(e.monitor.samples().constFirst().date, kNoon.addSecs(1));
    EXPECT_EQ(e.monitor.latest()->date, kNoon.addSecs(120));
    for (int i = 121; i < 400; ++i) e.loop->deliver(sampleAt(kNoon.addSecs(i)));
    EXPECT_EQ(e.monitor.samples().size(), 120);
    EXPECT_EQ(e.monitor.samples().constFirst().date, kNoon.addSecs(280));
    ASSERT_EQ(order.size(), 800);
    EXPECT_EQ(order.mid(0, 2), (QStringList{"samples", "latest"}));
}

TEST(LiveMonitorLateSamples, AfterTheLastStopIsDropped)
{
    Engine e;
    e.monitor.start();
    e.loop->deliver(sampleAt(kNoon));
    e.monitor.stop();
    e.loop->deliver(sampleAt(kNoon.addSecs(1)));  // taken just before the stop
    EXPECT_EQ(e.monitor.samples().size(), 1);
    EXPECT_EQ(e.monitor.latest()->date, kNoon);
}

TEST(LiveMonitorLateSamples, FromAnEarlierPeriodIsDroppedAfterARestart)
{
    Engine e;
    e.monitor.start();
    const quint64 first = e.loop->begins.last();
    e.monitor.stop();
    e.monitor.start();
    const quint64 second = e.loop->begins.last();
    EXPECT_NE(first, second);
    e.loop->deliver(sampleAt(kNoon), first);
    EXPECT_TRUE(e.monitor.samples().isEmpty());
    EXPECT_FALSE(e.monitor.latest());
    e.loop->deliver(sampleAt(kNoon.addSecs(1)), second);
    EXPECT_EQ(e.monitor.samples().size(), 1);
}

TEST(LiveMonitorLifecycle, ShutdownEndsTheLoop)
{
    Engine e;
    e.monitor.start();
    e.monitor.shutdown();
    EXPECT_TRUE(e.loop->shutDown);
}

// ---------------------------------------------------------------- the real thread

TEST(ThreadedSampling, SamplesOnItsOwnThreadAndHandsThemToTheMain)
{
    auto sources = std::make_shared<FakeSamplerSources>();
    sources->setCores({{1, 1, 1, 0}});
    auto* loop = new ThreadedSamplingLoop(sources, std::shared_ptr<const SamplerClock>(&SamplerClock::system(), [](auto*) {}), 20ms);
    LiveMonitor monitor(LiveMonitor::Dependencies{std::unique_ptr<SamplingLoop>(loop), {}});
    QThread* deliveredOn = nullptr;
    QObject::connect(&monitor, &LiveMonitor::latestChanged, [&] { deliveredOn = QThread::currentThread(); });
    monitor.start();
    ASSERT_TRUE(runUntil([&] { return monitor.latest().has_value(); }));
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
    ASSERT_NE(sources->readingThread.load(), nullptr);
    EXPECT_NE(sources->readingThread.load(), QCoreApplication::instance()->thread());
    EXPECT_EQ(monitor.latest()->perCoreUsage.size(), 1);
    EXPECT_GE(sources->tickReads, 2);  // primed, then sampled

    monitor.stop();
    monitor.shutdown();
    EXPECT_FALSE(loop->isThreadRunning());
    monitor.start();  // after the quit: counted, but nothing runs any more
    EXPECT_FALSE(loop->isThreadRunning());
}

TEST(ThreadedSampling, GenerationsFollowBegin)
{
    auto sources = std::make_shared<FakeSamplerSources>();
    ThreadedSamplingLoop loop(sources, std::shared_ptr<const SamplerClock>(&SamplerClock::system(), [](auto*) {}), 10ms);
    QList<quint64> generations;
    QObject::connect(&loop, &SamplingLoop::sampled, [&](const MonitorSample&, quint64 g) { generations << g; });
    loop.begin(7);
    ASSERT_TRUE(runUntil([&] { return !generations.isEmpty(); }));
    EXPECT_EQ(generations.constFirst(), 7u);
    loop.end();
    loop.begin(8);
    // Samples of the old period may still be on their way; the new period's follow them.
    ASSERT_TRUE(runUntil([&] { return generations.constLast() == 8u; }));
    const qsizetype firstOfNew = generations.indexOf(8u);
    for (qsizetype i = firstOfNew; i < generations.size(); ++i) EXPECT_EQ(generations[i], 8u);
    for (qsizetype i = 0; i < firstOfNew; ++i) EXPECT_EQ(generations[i], 7u);
}

TEST(ThreadedSampling, DestroyedWhileRunning)
{
    auto sources = std::make_shared<FakeSamplerSources>();
    {
        auto* loop = new ThreadedSamplingLoop(sources, std::shared_ptr<const SamplerClock>(&SamplerClock::system(), [](auto*) {}), 5ms);
        LiveMonitor monitor(LiveMonitor::Dependencies{std::unique_ptr<SamplingLoop>(loop), {}});
        monitor.start();
        ASSERT_TRUE(runUntil([&] { return monitor.latest().has_value(); }));
    }  // the thread is asked to quit and joined; nothing reads the sources afterwards
    const int reads = sources->tickReads;
    QCoreApplication::processEvents();
    EXPECT_EQ(sources->tickReads, reads);
}

TEST(LiveMonitorShared, OneInstanceOwnedByTheApplication)
{
    LiveMonitor& a = LiveMonitor::shared();
    EXPECT_EQ(&a, &LiveMonitor::shared());
    EXPECT_EQ(a.parent(), QCoreApplication::instance());
    EXPECT_FALSE(a.isRunning());
}

}  // namespace
