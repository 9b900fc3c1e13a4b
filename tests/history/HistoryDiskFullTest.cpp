// A full disk while the history is saved, played by a child process under a small file-size limit:
// the earlier file survives byte for byte, the failure line is logged, and the store says it did
// not persist.
#include "HistorySamples.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/resource.h>

using namespace history_test;

namespace {

const char* kChildVariable = "QRL_HISTORY_DISK_FULL_CHILD";

QList<CapabilitySection> inspection(int round)
{
    QList<CapabilitySection> sections;
    for (int s = 0; s < 11; ++s) {
        QList<CapabilityItem> items;
        for (int i = 0; i < 12; ++i)
            items << capItem(QStringLiteral("Item %1 of section %2").arg(i).arg(s), QStringLiteral("value %1/%2").arg(round).arg(i),
                             CapabilityStatus::supported, QStringLiteral("item%1").arg(i));
        sections << capSection(QStringLiteral("Section %1").arg(s), items, QStringLiteral("section%1").arg(s));
    }
    return sections;
}

// Runs only inside the child started below: "path|limit" in the variable. Opens the history,
// sets the limit, records one new inspection and prints what the store says.
TEST(HistoryDiskFullChild, RecordsUnderAFileSizeLimit)
{
    const QStringList job = qEnvironmentVariable(kChildVariable).split(QLatin1Char('|'));
    if (job.size() != 2) GTEST_SKIP() << "runs as the child of the full-disk tests";
    ScanHistory::Options o;
    o.filePath = job[0];
    o.languageCode = [] { return QStringLiteral("en"); };
    ScanHistory history(o);
    const qsizetype before = history.snapshots().size();
    const rlim_t limit = rlim_t(job[1].toULongLong());
    const rlimit rl{limit, limit};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &rl), 0);
    history.record(summary(), inspection(-1));
    history.flush();
    std::fprintf(stdout, "\nRESULT persists=%d before=%d after=%d\n", history.persists() ? 1 : 0, int(before),
                 int(history.snapshots().size()));
    std::fflush(stdout);
}

struct Outcome {
    QString result;
    QStringList log;
};

Outcome runChild(const QString& path, qint64 limit)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), path + QLatin1Char('|') + QString::number(limit));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=HistoryDiskFullChild.RecordsUnderAFileSizeLimit")});
    EXPECT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);  // not ended by SIGXFSZ
    EXPECT_EQ(child.exitCode(), 0);  // nor by a fault or a leak
    Outcome o;
    for (const QString& line : QString::fromUtf8(child.readAllStandardError()).split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("ScanHistory"))) o.log << line;
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    const qsizetype at = out.lastIndexOf(QStringLiteral("\nRESULT "));
    if (at >= 0) o.result = out.mid(at + 8).section(QLatin1Char('\n'), 0, 0);
    return o;
}

QList<ScanSnapshot> storedHistory(int count)
{
    QList<ScanSnapshot> list;
    for (int i = 0; i < count; ++i) {
        ScanSnapshot s = ScanSnapshot::make(summary(), inspection(i), utc(2026, 1, 1).addSecs(-60 * i), QStringLiteral("en"));
        list << s;
    }
    return list;
}

TEST(HistoryDiskFull, TheEarlierFileSurvivesAndTheLineIsLogged)
{
    struct Case {
        const char* name;
        int stored;
        double room;  // the file-size limit as a share of the earlier file's size
        QString expected;
        QString reason;  // what the line says after the prefix, for the file at `path`
    };
    const QString tooLarge = QStringLiteral("The file “%1” could not be written: File too large");
    const Case cases[] = {
        // Two small scans: the whole file would fit in one buffer, which a buffered writer only
        // tries to write at the very end.
        {"one scan", 1, 1.0, QStringLiteral("persists=0 before=1 after=2"), tooLarge},
        {"two hundred scans", 200, 0.5, QStringLiteral("persists=0 before=200 after=200"), tooLarge},
        // No room for a single byte: the lock (which holds none) is taken, the write fails.
        {"no room at all", 1, 0.0, QStringLiteral("persists=0 before=1 after=2"), tooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("History/snapshots.json"));
        ASSERT_TRUE(writeAll(path, *SnapshotCodec::encode(storedHistory(c.stored))));
        const QByteArray earlier = readAll(path);
        const Outcome o = runChild(path, qint64(double(earlier.size()) * c.room));
        EXPECT_EQ(o.result, c.expected);
        EXPECT_EQ(o.log, QStringList{QStringLiteral("ScanHistory: could not save snapshots: ") + c.reason.arg(path)});
        EXPECT_EQ(readAll(path), earlier);
        // Nothing left beside it: no temporary file, and the lock went with the child.
        QStringList names = QDir(QFileInfo(path).absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        EXPECT_EQ(names, QStringList{QStringLiteral("snapshots.json")});
    }
    // The same harness with room enough: the new scan reaches the file.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("History/snapshots.json"));
    ASSERT_TRUE(writeAll(path, *SnapshotCodec::encode(storedHistory(1))));
    const Outcome o = runChild(path, 1 << 20);
    EXPECT_EQ(o.result, QStringLiteral("persists=1 before=1 after=2"));
    EXPECT_TRUE(o.log.isEmpty());
    EXPECT_EQ(ScanHistory::load(path).value_or(QList<ScanSnapshot>{}).size(), 2);
}

}  // namespace
