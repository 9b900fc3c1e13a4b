// The background threads yield to the interface: the sampling thread and the history's
// writing thread each run with a positive nice value of their own, as the kernel sees it.
#include "FakeSamplerSources.h"
#include "history/ScanHistory.h"
#include "monitor/SamplingLoop.h"
#include "platform/ThreadPriority.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <thread>

#include <gtest/gtest.h>

namespace {

// The nice value of this process's thread named `name`, from /proc/self/task/<tid>/stat.
std::optional<int> niceOfThreadNamed(const QString& name)
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || QString::fromUtf8(comm.readAll()).trimmed() != name) continue;
        QFile stat(tasks.filePath(tid + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly)) return std::nullopt;
        const QByteArray text = stat.readAll();
        // The fields after the name in parentheses: state is field 3, nice field 19.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 17) return std::nullopt;
        return fields[16].toInt();
    }
    return std::nullopt;
}

TEST(BackgroundThreads, SamplingThreadRunsNiced)
{
    const auto ownNice = ThreadPriority::currentThreadNice();
    auto sources = std::make_shared<FakeSamplerSources>();
    auto clock = std::make_shared<FakeSamplerClock>();
    ThreadedSamplingLoop loop(sources, clock);
    ASSERT_TRUE(loop.isThreadRunning());
    const auto nice = loop.samplingThreadNice();
    ASSERT_TRUE(nice);
    EXPECT_GE(*nice, ThreadPriority::kBackgroundNice);
    EXPECT_EQ(niceOfThreadNamed(QStringLiteral("LiveMonitor")), nice);
    // Only that thread: this one keeps its own priority.
    EXPECT_EQ(ThreadPriority::currentThreadNice(), ownNice);
    loop.shutdown();
    EXPECT_EQ(loop.samplingThreadNice(), std::nullopt);
}

TEST(BackgroundThreads, HistoryWritingThreadRunsNiced)
{
    QTemporaryDir dir;
    ScanHistory::Options options;
    options.filePath = dir.filePath(QStringLiteral("History/snapshots.json"));
    options.languageCode = [] { return QStringLiteral("en"); };
    ScanHistory history(options);
    // The thread sets its own value as it starts; wait until it is named and running.
    std::optional<int> nice;
    for (int i = 0; i < 200 && !(nice = niceOfThreadNamed(QStringLiteral("ScanHistory"))); ++i) QThread::msleep(10);
    for (int i = 0; i < 200 && nice && *nice < ThreadPriority::kBackgroundNice; ++i) {
        QThread::msleep(10);
        nice = niceOfThreadNamed(QStringLiteral("ScanHistory"));
    }
    ASSERT_TRUE(nice);
    EXPECT_GE(*nice, ThreadPriority::kBackgroundNice);
}

TEST(BackgroundThreads, NeverLowersANicerThread)
{
    std::optional<int> before, after;
    bool ok = false;
    std::thread t([&] {
        ok = ThreadPriority::lowerCurrentThread(15);
        before = ThreadPriority::currentThreadNice();
        ThreadPriority::lowerCurrentThread(ThreadPriority::kBackgroundNice);
        after = ThreadPriority::currentThreadNice();
    });
    t.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(before, 15);
    EXPECT_EQ(after, 15);
}

}  // namespace
