// A process killed outright while it records must never leave a file that does not read.
#include "HistorySamples.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

using namespace history_test;

namespace {

const char* kChildVariable = "QRL_HISTORY_KILL_CHILD_FILE";
const char* kQuitChildVariable = "QRL_HISTORY_QUIT_CHILD";

// Eleven sections of twelve items: about the size of a real inspection, so each write takes a while.
QList<CapabilitySection> bulkySections(int round)
{
    QList<CapabilitySection> sections;
    for (int s = 0; s < 11; ++s) {
        QList<CapabilityItem> items;
        for (int i = 0; i < 12; ++i)
            items << capItem(QStringLiteral("Item %1 of section %2").arg(i).arg(s), QStringLiteral("value/%1/%2").arg(round).arg(i),
                             CapabilityStatus::supported, QStringLiteral("item%1").arg(i));
        sections << capSection(QStringLiteral("Section %1").arg(s), items, QStringLiteral("section%1").arg(s));
    }
    return sections;
}

// Runs only inside the child started below: records for ever, telling the parent after each one.
TEST(HistoryKillChild, RecordsUntilKilled)
{
    const QString file = qEnvironmentVariable(kChildVariable);
    if (file.isEmpty()) GTEST_SKIP() << "runs as the child of the kill test";
    ScanHistory::Options o;
    o.filePath = file;
    o.languageCode = [] { return QStringLiteral("en"); };
    ScanHistory history(o);
    for (int round = 0;; ++round) {
        history.record(summary(), bulkySections(round));
        std::fputs("RECORDED\n", stdout);
        std::fflush(stdout);
    }
}

TEST(HistoryKill, AFileLeftByAKilledWriterAlwaysReads)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("History/snapshots.json"));
    std::mt19937 random(20260301);
    std::uniform_int_distribution<int> recordsBeforeKill(1, 40);
    std::uniform_int_distribution<int> extraMicroseconds(0, 3000);
    int rounds = 0;
    for (; rounds < 12; ++rounds) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), file);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=HistoryKillChild.RecordsUntilKilled")});
        ASSERT_TRUE(child.waitForStarted());
        const int wanted = recordsBeforeKill(random);
        QByteArray out;
        while (out.count("RECORDED") < wanted) {
            ASSERT_TRUE(child.waitForReadyRead(60000)) << "the child stopped recording: " << child.readAllStandardError().toStdString();
            out += child.readAllStandardOutput();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(extraMicroseconds(random)));
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(60000));

        if (!QFileInfo::exists(file)) continue;  // killed before its first write
        const std::optional<QList<ScanSnapshot>> stored = ScanHistory::load(file);
        ASSERT_TRUE(stored) << "round " << rounds;
        EXPECT_FALSE(stored->isEmpty());
    }
    // Nothing was ever judged unreadable, and the lock of the last, dead writer is not in the way.
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("History"))).entryList({QStringLiteral("*.damaged-*")}).isEmpty());
    ScanHistory::Options o;
    o.filePath = file;
    o.languageCode = [] { return QStringLiteral("en"); };
    ScanHistory next(o);
    EXPECT_TRUE(next.persists());
    EXPECT_FALSE(next.snapshots().isEmpty());
    // Temporary files of killed writes may lie beside the file, and a killed holder's lock file; the
    // next copy's first write, under the lock, clears them away.
    next.record(summary(), bulkySections(-1));
    next.flush();
    EXPECT_TRUE(next.persists());
    const QStringList left = QDir(dir.filePath(QStringLiteral("History"))).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(left, QStringList{QStringLiteral("snapshots.json")});
}

// Runs only inside the child started below: records into the shared history, lets the event loop
// end as an application's does, and leaves at once, with no destructor run.
TEST(HistoryQuitChild, RecordsThenQuits)
{
    if (qEnvironmentVariableIsEmpty(kQuitChildVariable)) GTEST_SKIP() << "runs as the child of the quit test";
    ScanHistory& history = ScanHistory::shared();
    for (int round = 0; round < 30; ++round) history.record(summary(), bulkySections(round));
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    std::fputs(qPrintable(history.filePath() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    std::_Exit(0);
}

TEST(HistoryQuit, WritesQueuedAtQuitReachTheFile)
{
    QTemporaryDir home;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kQuitChildVariable), QStringLiteral("1"));
    env.insert(QStringLiteral("HOME"), home.path());  // the shared history's default file lands in here
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=HistoryQuitChild.RecordsThenQuits")});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    // The child's own test output comes first; its last line names the file.
    const QString file = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed().split(QLatin1Char('\n')).last();
    ASSERT_TRUE(file.startsWith(home.path())) << file.toStdString();
    const std::optional<QList<ScanSnapshot>> stored = ScanHistory::load(file);
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 30);
    EXPECT_EQ(stored->first().sections[0].items[0].value, QStringLiteral("value/29/0"));
    // The lock went with the normal quit.
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".lock")));
    EXPECT_EQ(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QStringLiteral("snapshots.json")});
}

}  // namespace
