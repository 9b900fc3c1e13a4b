// Real processes on one history: two copies of the application in two sessions of one user (one
// home, two runtime folders, so the single-instance guard lets both run), and copies that start
// over every kind of lock file a dead or foreign copy may leave.
#include "HistorySamples.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using namespace history_test;

namespace {

const char* kChildVariable = "QRL_HISTORY_COPY_CHILD";

QList<CapabilitySection> scan(const QString& value)
{
    return {capSection(QStringLiteral("System"), {capItem(QStringLiteral("Kernel"), value, CapabilityStatus::info, QStringLiteral("kernel"))},
                       QStringLiteral("system"))};
}

QString valuesOf(const QList<ScanSnapshot>& list)
{
    QStringList values;
    for (const ScanSnapshot& s : list) values << s.sections.value(0).items.value(0).value;
    return values.join(QLatin1Char(','));
}

// Runs only as a child of the tests below: one copy of the application's history, driven through
// standard input one command a line; after each it answers "REPLY " and its list, newest first.
TEST(HistoryCopyChild, FollowsCommands)
{
    if (qEnvironmentVariableIsEmpty(kChildVariable)) GTEST_SKIP() << "runs as a child of the copies tests";
    ScanHistory& history = ScanHistory::shared();
    std::string line;
    while (std::getline(std::cin, line)) {
        const QString command = QString::fromStdString(line).trimmed();
        const QString argument = command.section(QLatin1Char(' '), 1);
        if (command.startsWith(QStringLiteral("record "))) {
            history.record(summary(), scan(argument));
        } else if (command.startsWith(QStringLiteral("delete "))) {
            for (const ScanSnapshot& s : history.snapshots())
                if (s.sections.value(0).items.value(0).value == argument) {
                    history.deleteSnapshot(s.id);
                    break;
                }
        } else if (command == QStringLiteral("clear")) {
            history.clear();
        } else if (command == QStringLiteral("quit")) {
            break;
        }
        history.flush();
        const QString reply = QStringLiteral("REPLY ") + (history.persists() ? QStringLiteral("saved ") : QStringLiteral("unsaved "))
                              + valuesOf(history.snapshots()) + QLatin1Char('\n');
        std::fputs(qPrintable(reply), stdout);
        std::fflush(stdout);
    }
    history.close();
    std::fputs(qPrintable(QStringLiteral("FILE ") + history.filePath() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    std::_Exit(0);
}

// One running copy, as a user's session starts it.
class Copy {
public:
    Copy(const QString& home, const QString& runtime)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
        env.insert(QStringLiteral("HOME"), home);
        env.remove(QStringLiteral("XDG_DATA_HOME"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        process_.setProcessEnvironment(env);
        process_.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=HistoryCopyChild.FollowsCommands")});
    }
    ~Copy()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }
    bool started() { return process_.waitForStarted(30000); }

    // Sends one command; the reply's list ("saved 3,2,1"), or what went wrong.
    QString send(const QString& command)
    {
        post(command);
        return reply();
    }
    void post(const QString& command) { process_.write((command + QLatin1Char('\n')).toUtf8()); }
    QString reply()
    {
        for (;;) {
            while (process_.canReadLine()) {
                const QString line = QString::fromUtf8(process_.readLine()).trimmed();
                if (line.startsWith(QStringLiteral("REPLY "))) return line.mid(6);
            }
            if (!process_.waitForReadyRead(30000)) return QStringLiteral("no reply: ") + QString::fromUtf8(process_.readAllStandardError());
        }
    }
    // Quits; the history file it used.
    QString quit()
    {
        process_.write("quit\n");
        process_.closeWriteChannel();
        process_.waitForFinished(30000);
        QString file;
        for (const QString& line : QString::fromUtf8(process_.readAllStandardOutput()).split(QLatin1Char('\n')))
            if (line.startsWith(QStringLiteral("FILE "))) file = line.mid(5).trimmed();
        stderr_ = QString::fromUtf8(process_.readAllStandardError());
        return file;
    }
    const QString& errors() const { return stderr_; }

private:
    QProcess process_;
    QString stderr_;
};

TEST(HistoryCopies, TwoSessionsRecordDeleteAndClearInTurnLosingNothingBringingNothingBack)
{
    QTemporaryDir home, runtimeA, runtimeB;
    Copy a(home.path(), runtimeA.path());
    Copy b(home.path(), runtimeB.path());
    ASSERT_TRUE(a.started());
    ASSERT_TRUE(b.started());

    EXPECT_EQ(a.send(QStringLiteral("record 1")), QStringLiteral("saved 1"));
    EXPECT_EQ(b.send(QStringLiteral("record 2")), QStringLiteral("saved 2,1"));
    EXPECT_EQ(a.send(QStringLiteral("record 3")), QStringLiteral("saved 3,2,1"));
    // B never saw 3; deleting 1 there keeps 3 and gives 1 up for both.
    EXPECT_EQ(b.send(QStringLiteral("delete 1")), QStringLiteral("saved 3,2"));
    EXPECT_EQ(a.send(QStringLiteral("record 4")), QStringLiteral("saved 4,3,2"));
    // A deletes 3; B, still holding it, records: 3 stays gone.
    EXPECT_EQ(a.send(QStringLiteral("delete 3")), QStringLiteral("saved 4,2"));
    EXPECT_EQ(b.send(QStringLiteral("record 5")), QStringLiteral("saved 5,4,2"));
    // A clears what it holds and what B wrote; B's scan after the clear is kept by both.
    EXPECT_EQ(a.send(QStringLiteral("clear")), QStringLiteral("saved"));
    EXPECT_EQ(b.send(QStringLiteral("record 6")), QStringLiteral("saved 6"));
    EXPECT_EQ(a.send(QStringLiteral("record 7")), QStringLiteral("saved 7,6"));

    // B quits first, then A records once more and quits: everything either kept is on disk.
    const QString fileB = b.quit();
    EXPECT_EQ(a.send(QStringLiteral("record 8")), QStringLiteral("saved 8,7,6"));
    const QString fileA = a.quit();
    ASSERT_FALSE(fileA.isEmpty());
    EXPECT_EQ(fileA, fileB);
    EXPECT_TRUE(fileA.startsWith(home.path())) << fileA.toStdString();
    EXPECT_EQ(valuesOf(ScanHistory::load(fileA).value_or(QList<ScanSnapshot>{})), QStringLiteral("8,7,6"));
    EXPECT_FALSE(a.errors().contains(QStringLiteral("could not save"))) << a.errors().toStdString();
    EXPECT_FALSE(b.errors().contains(QStringLiteral("could not save"))) << b.errors().toStdString();
    // A later start sees the same, and no lock is left behind.
    Copy c(home.path(), runtimeA.path());
    ASSERT_TRUE(c.started());
    EXPECT_EQ(c.send(QStringLiteral("list")), QStringLiteral("saved 8,7,6"));
    c.quit();
    EXPECT_FALSE(QFileInfo::exists(fileA + QStringLiteral(".lock")));
}

TEST(HistoryCopies, TwoCopiesRecordingAtOnceLoseNothing)
{
    QTemporaryDir home, runtimeA, runtimeB;
    Copy a(home.path(), runtimeA.path());
    Copy b(home.path(), runtimeB.path());
    ASSERT_TRUE(a.started());
    ASSERT_TRUE(b.started());
    // Every command goes out before any answer is read: the two write as fast as they can.
    for (int i = 0; i < 40; ++i) {
        a.post(QStringLiteral("record a%1").arg(i));
        b.post(QStringLiteral("record b%1").arg(i));
    }
    for (int i = 0; i < 40; ++i) {
        EXPECT_TRUE(a.reply().startsWith(QStringLiteral("saved")));
        EXPECT_TRUE(b.reply().startsWith(QStringLiteral("saved")));
    }
    const QString file = a.quit();
    b.quit();
    const QList<ScanSnapshot> stored = ScanHistory::load(file).value_or(QList<ScanSnapshot>{});
    QSet<QString> values;
    for (const ScanSnapshot& s : stored) values.insert(s.sections.value(0).items.value(0).value);
    EXPECT_EQ(stored.size(), 80);
    EXPECT_EQ(values.size(), 80);
}

TEST(HistoryCopies, NoLeftoverLockFileBlocksASave)
{
    struct Leftover {
        const char* name;
        std::function<void(const QString& lockPath)> make;
    };
    const auto write = [](const QByteArray& bytes) { return [bytes](const QString& lock) { ASSERT_TRUE(writeAll(lock, bytes)); }; };
    const Leftover leftovers[] = {
        {"empty", write(QByteArray())},
        {"garbage", write(QByteArray("\x89PNG\r\n\x1a\n\xff\xfe garbage", 16))},
        // What an older version's lock wrote: a process, an application and a host.
        {"another host's", write("4242\nQuorlent\nsome-other-machine\n")},
        {"a dead copy's on this host", write(QByteArray::number(qint64(0x7ffffff0)) + "\nQuorlent\n" + QSysInfo::machineHostName().toUtf8() + "\n")},
        {"read-only",
         [](const QString& lock) {
             ASSERT_TRUE(writeAll(lock, "1\n"));
             ASSERT_EQ(::chmod(QFile::encodeName(lock).constData(), 0400), 0);
         }},
        {"a link to nowhere", [](const QString& lock) { ASSERT_TRUE(QFile::link(lock + QStringLiteral(".gone"), lock)); }},
        {"a pipe", [](const QString& lock) { ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0); }},
        {"a folder", [](const QString& lock) { ASSERT_TRUE(QDir().mkpath(lock + QStringLiteral("/inside"))); }},
    };
    for (const Leftover& leftover : leftovers) {
        SCOPED_TRACE(leftover.name);
        QTemporaryDir home, runtime;
        // Find the file the copies use, then leave the lock beside it.
        QString file;
        {
            Copy first(home.path(), runtime.path());
            ASSERT_TRUE(first.started());
            EXPECT_EQ(first.send(QStringLiteral("record 1")), QStringLiteral("saved 1"));
            file = first.quit();
        }
        ASSERT_FALSE(file.isEmpty());
        leftover.make(file + QStringLiteral(".lock"));
        Copy next(home.path(), runtime.path());
        ASSERT_TRUE(next.started());
        EXPECT_EQ(next.send(QStringLiteral("record 2")), QStringLiteral("saved 2,1"));
        next.quit();
        EXPECT_FALSE(next.errors().contains(QStringLiteral("could not save"))) << next.errors().toStdString();
        EXPECT_EQ(valuesOf(ScanHistory::load(file).value_or(QList<ScanSnapshot>{})), QStringLiteral("2,1"));
    }
}

}  // namespace
