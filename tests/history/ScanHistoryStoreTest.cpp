#include "HistorySamples.h"

#include "history/HistoryStorage.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace history_test;

namespace {

class ScanHistoryStore : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("History/snapshots.json")); }
    QString lockPath() const { return path() + QStringLiteral(".lock"); }
    QString language = QStringLiteral("en");
    QDateTime now = utc(2026, 3, 1, 9, 15, 42);

    std::unique_ptr<ScanHistory> open(const QString& file = {})
    {
        ScanHistory::Options o;
        o.filePath = file.isEmpty() ? path() : file;
        o.languageCode = [this] { return language; };
        // Each reading of the clock is one second later, so recorded dates are distinct and ordered.
        o.clock = [this] {
            const QDateTime t = now;
            now = now.addSecs(1);
            return t;
        };
        return std::make_unique<ScanHistory>(std::move(o));
    }

    QList<CapabilitySection> sections(const QString& kernel = QStringLiteral("6.1"), const QString& uptime = QStringLiteral("1 h"))
    {
        return {capSection(QStringLiteral("System"),
                           {capItem(QStringLiteral("Kernel"), kernel, CapabilityStatus::info, QStringLiteral("kernel")),
                            capItem(QStringLiteral("Uptime"), uptime, CapabilityStatus::info, QStringLiteral("uptime"), true)},
                           QStringLiteral("system"))};
    }

    QList<ScanSnapshot> onDisk() const
    {
        std::optional<QList<ScanSnapshot>> s = SnapshotCodec::decode(readAll(path()));
        EXPECT_TRUE(s) << "the file does not read";
        return s.value_or(QList<ScanSnapshot>{});
    }

    QStringList keptAside() const
    {
        QStringList names = QDir(QFileInfo(path()).absolutePath()).entryList({QStringLiteral("snapshots.json.damaged-*")}, QDir::AllEntries | QDir::Hidden);
        names.sort();
        return names;
    }
};

TEST_F(ScanHistoryStore, FirstRecordingCreatesTheFolderAndTheFile)
{
    auto history = open();
    EXPECT_TRUE(history->snapshots().isEmpty());
    EXPECT_TRUE(history->persists());
    // Loading creates nothing: not the folder, not the lock.
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(path()).absolutePath()));
    int changes = 0;
    QObject::connect(history.get(), &ScanHistory::snapshotsChanged, [&] { ++changes; });
    history->record(summary(), sections());
    history->flush();
    ASSERT_EQ(history->snapshots().size(), 1);
    EXPECT_EQ(changes, 1);
    const ScanSnapshot& s = history->snapshots().first();
    EXPECT_EQ(s.language, QStringLiteral("en"));
    EXPECT_EQ(s.modelIdentifier, QStringLiteral("ThinkPad21"));
    EXPECT_EQ(s.date, utc(2026, 3, 1, 9, 15, 42));
    ASSERT_EQ(s.sections.size(), 1);
    EXPECT_EQ(s.sections[0].key, QStringLiteral("system"));
    EXPECT_EQ(s.sections[0].items.size(), 2);  // volatile items are stored too
    EXPECT_EQ(onDisk(), history->snapshots());
    EXPECT_TRUE(keptAside().isEmpty());
    EXPECT_TRUE(history->persists());
    EXPECT_FALSE(QFileInfo::exists(lockPath()));  // held only while a save runs
}
TEST_F(ScanHistoryStore, RoundTripThroughTheFile)
{
    {
        auto history = open();
        history->record(summary(), sections(QStringLiteral("6.1")));
        history->record(summary(), sections(QStringLiteral("6.6")));
    }
    auto reopened = open();
    ASSERT_EQ(reopened->snapshots().size(), 2);
    EXPECT_EQ(reopened->snapshots()[0].sections[0].items[0].value, QStringLiteral("6.6"));
    EXPECT_EQ(reopened->snapshots()[1].sections[0].items[0].value, QStringLiteral("6.1"));
}

TEST_F(ScanHistoryStore, TextIsKeptExactlyAcrossARestart)
{
    // A leading U+FEFF, which JSON readers are apt to take for a byte order mark, in every text field.
    const QString bom(QChar(0xFEFF));
    language = bom + QStringLiteral("en");
    DeviceSummary device = summary(bom + QStringLiteral("Model"));
    device.deviceName = bom + device.deviceName;
    device.chip = bom + device.chip;
    device.osVersion = bom + device.osVersion;
    CapabilitySection section = capSection(bom + QStringLiteral("System"),
                                           {capItem(bom + QStringLiteral("Kernel"), bom + QStringLiteral("6.1"), CapabilityStatus::info,
                                                    bom + QStringLiteral("kernel")),
                                            capItem(bom, bom, CapabilityStatus::warning)},
                                           bom + QStringLiteral("system"));
    section.symbol = bom + section.symbol;
    QList<ScanSnapshot> recorded;
    {
        auto history = open();
        history->record(device, {section});
        recorded = history->snapshots();
    }
    EXPECT_TRUE(readAll(path()).contains("\\ufeff"));
    auto reopened = open();
    EXPECT_EQ(reopened->snapshots(), recorded);
    ASSERT_EQ(reopened->snapshots().size(), 1);
    EXPECT_EQ(reopened->snapshots()[0].sections[0].items[1].label, bom);
    // The same inspection after the restart is no news.
    const QByteArray before = readAll(path());
    reopened->record(device, {section});
    reopened->flush();
    EXPECT_EQ(reopened->snapshots().size(), 1);
    EXPECT_EQ(readAll(path()), before);
}

TEST_F(ScanHistoryStore, RecordingRules)
{
    auto history = open();
    history->record(summary(), sections());
    history->flush();
    // A sentinel shows whether anything is written from here on.
    ASSERT_TRUE(writeAll(path(), "[]"));
    int changes = 0;
    QObject::connect(history.get(), &ScanHistory::snapshotsChanged, [&] { ++changes; });

    // Same model, only a volatile value differs: dropped, nothing published or written.
    history->record(summary(), sections(QStringLiteral("6.1"), QStringLiteral("2 h")));
    // Same keyed contents in another language: still no change.
    language = QStringLiteral("de");
    history->record(summary(), sections());
    history->flush();
    EXPECT_EQ(history->snapshots().size(), 1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(readAll(path()), QByteArray("[]"));

    // Another model is inserted even with identical sections.
    history->record(summary(QStringLiteral("Other")), sections());
    history->flush();
    ASSERT_EQ(history->snapshots().size(), 2);
    EXPECT_EQ(history->snapshots()[0].modelIdentifier, QStringLiteral("Other"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(onDisk(), history->snapshots());
}

TEST_F(ScanHistoryStore, KeepsTheTwoHundredNewest)
{
    auto history = open();
    for (int i = 0; i < 201; ++i) history->record(summary(), sections(QString::number(i)));
    history->flush();
    ASSERT_EQ(history->snapshots().size(), 200);
    EXPECT_EQ(history->snapshots().first().sections[0].items[0].value, QStringLiteral("200"));
    EXPECT_EQ(history->snapshots().last().sections[0].items[0].value, QStringLiteral("1"));
    EXPECT_EQ(onDisk(), history->snapshots());
}

TEST_F(ScanHistoryStore, LoadSortsNewestFirstStablyAndKeepsTwoHundred)
{
    QList<ScanSnapshot> stored;
    for (int i = 0; i < 250; ++i) stored.append(snapshot({}, QStringLiteral("en"), utc(2026, 1, 1).addSecs(i / 2)));  // pairs share a date
    std::reverse(stored.begin(), stored.begin() + 100);  // out of order in the file
    const QByteArray bytes = *SnapshotCodec::encode(stored);
    ASSERT_TRUE(writeAll(path(), bytes));

    auto history = open();
    const QList<ScanSnapshot>& s = history->snapshots();
    ASSERT_EQ(s.size(), 200);
    for (qsizetype i = 1; i < s.size(); ++i) EXPECT_GE(s[i - 1].date, s[i].date);
    EXPECT_EQ(s[0].date, utc(2026, 1, 1).addSecs(124));
    // Equal dates keep their order from the file.
    EXPECT_EQ(s[0].id, stored[248].id);
    EXPECT_EQ(s[1].id, stored[249].id);
    EXPECT_EQ(readAll(path()), bytes);  // loading never rewrites
}

TEST_F(ScanHistoryStore, DeleteAndClear)
{
    auto history = open();
    history->record(summary(), sections(QStringLiteral("1")));
    history->record(summary(), sections(QStringLiteral("2")));
    history->flush();
    const QUuid older = history->snapshots()[1].id;
    ASSERT_TRUE(writeAll(path(), "sentinel"));
    int changes = 0;
    QObject::connect(history.get(), &ScanHistory::snapshotsChanged, [&] { ++changes; });

    history->deleteSnapshot(QUuid::createUuid());
    history->flush();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(readAll(path()), QByteArray("sentinel"));

    history->deleteSnapshot(older);
    history->flush();
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(history->snapshots().size(), 1);
    EXPECT_EQ(onDisk(), history->snapshots());

    history->clear();
    history->flush();
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(history->snapshots().isEmpty());
    EXPECT_EQ(readAll(path()), QByteArray("[]"));
}

TEST_F(ScanHistoryStore, AFailedWriteLogsTheLineOncePerSaveAndKeepsTheList)
{
    // Running as root, a read-only folder would not stop the write; a file where a folder should be does.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(writeAll(blocker, "x"));
    const QString file = blocker + QStringLiteral("/History/snapshots.json");
    LogCatcher log;
    auto history = open(file);
    history->record(summary(), sections(QStringLiteral("1")));
    history->record(summary(), sections(QStringLiteral("2")));
    history->flush();
    const QString expected = QStringLiteral("ScanHistory: could not save snapshots: The folder “") + blocker
                             + QStringLiteral("/History” could not be created: ") + QString::fromStdString(std::make_error_code(std::errc::not_a_directory).message());
    EXPECT_EQ(log.lines(), QStringList({expected, expected}));
    EXPECT_EQ(history->snapshots().size(), 2);
    EXPECT_EQ(readAll(blocker), QByteArray("x"));
}

TEST_F(ScanHistoryStore, QueuedWritesAreFinishedBeforeTheStoreGoesAway)
{
    {
        auto history = open();
        for (int i = 0; i < 20; ++i) history->record(summary(), sections(QString::number(i)));
    }  // no flush
    const QList<ScanSnapshot> s = onDisk();
    ASSERT_EQ(s.size(), 20);
    EXPECT_EQ(s[0].sections[0].items[0].value, QStringLiteral("19"));
}

QStringList valuesOf(const QList<ScanSnapshot>& list)
{
    QStringList values;
    for (const ScanSnapshot& s : list) values << s.sections[0].items[0].value;
    return values;
}

TEST_F(ScanHistoryStore, TwoCopiesOnOneFileBothSaveAndMergeWhatTheOtherRecorded)
{
    LogCatcher log;
    auto first = open();
    auto second = open();
    EXPECT_TRUE(first->persists());
    EXPECT_TRUE(second->persists());
    first->record(summary(), sections(QStringLiteral("1")));
    first->flush();
    second->record(summary(), sections(QStringLiteral("2")));
    second->flush();
    // The second copy took in the first one's scan under the lock, and wrote both.
    EXPECT_EQ(valuesOf(second->snapshots()), QStringList({QStringLiteral("2"), QStringLiteral("1")}));
    EXPECT_EQ(onDisk(), second->snapshots());
    first->record(summary(), sections(QStringLiteral("3")));
    first->flush();
    EXPECT_EQ(valuesOf(first->snapshots()), QStringList({QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")}));
    EXPECT_EQ(onDisk(), first->snapshots());
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(lockPath()));  // no lock is left between saves
}

TEST_F(ScanHistoryStore, ADeleteOrAClearInOneCopyStaysDoneInTheOther)
{
    auto first = open();
    for (int i = 1; i <= 3; ++i) first->record(summary(), sections(QString::number(i)));
    first->flush();
    auto second = open();  // reads 3, 2, 1
    ASSERT_EQ(second->snapshots().size(), 3);

    // The first deletes "2"; the second, which still holds it, records and must not write it back.
    ASSERT_EQ(valuesOf(first->snapshots()), QStringList({QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")}));
    first->deleteSnapshot(first->snapshots()[1].id);
    first->flush();
    ASSERT_EQ(valuesOf(first->snapshots()), QStringList({QStringLiteral("3"), QStringLiteral("1")}));
    ASSERT_EQ(valuesOf(onDisk()), QStringList({QStringLiteral("3"), QStringLiteral("1")}));
    first->flush();
    second->record(summary(), sections(QStringLiteral("4")));
    second->flush();
    EXPECT_EQ(valuesOf(second->snapshots()), QStringList({QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("1")}));
    EXPECT_EQ(valuesOf(onDisk()), valuesOf(second->snapshots()));

    // The second deletes "1" (which the first still holds); the first records on.
    second->deleteSnapshot(second->snapshots()[2].id);
    second->flush();
    first->record(summary(), sections(QStringLiteral("5")));
    first->flush();
    EXPECT_EQ(valuesOf(first->snapshots()), QStringList({QStringLiteral("5"), QStringLiteral("4"), QStringLiteral("3")}));
    EXPECT_EQ(valuesOf(onDisk()), valuesOf(first->snapshots()));

    // The second clears; the first, holding all three, records once more: only its new scan stays.
    second->flush();
    second->clear();
    second->flush();
    EXPECT_TRUE(onDisk().isEmpty());
    first->record(summary(), sections(QStringLiteral("6")));
    first->flush();
    EXPECT_EQ(valuesOf(first->snapshots()), QStringList{QStringLiteral("6")});
    EXPECT_EQ(valuesOf(onDisk()), QStringList{QStringLiteral("6")});
    // And a copy started afresh sees the same.
    EXPECT_EQ(valuesOf(open()->snapshots()), QStringList{QStringLiteral("6")});
}

TEST_F(ScanHistoryStore, TwoCopiesKeepTheTwoHundredNewestBetweenThem)
{
    {
        auto seed = open();
        for (int i = 0; i < 199; ++i) seed->record(summary(), sections(QStringLiteral("old %1").arg(i)));
    }
    auto first = open();
    auto second = open();
    first->record(summary(), sections(QStringLiteral("first")));
    first->flush();
    second->record(summary(), sections(QStringLiteral("second")));
    second->flush();
    const QList<ScanSnapshot> stored = onDisk();
    ASSERT_EQ(stored.size(), 200);
    EXPECT_EQ(stored[0].sections[0].items[0].value, QStringLiteral("second"));
    EXPECT_EQ(stored[1].sections[0].items[0].value, QStringLiteral("first"));
    EXPECT_EQ(stored.last().sections[0].items[0].value, QStringLiteral("old 1"));  // only the oldest went
    first->record(summary(), sections(QStringLiteral("first again")));
    first->flush();
    EXPECT_EQ(first->snapshots().size(), 200);
    EXPECT_EQ(valuesOf(first->snapshots()).mid(0, 3), QStringList({QStringLiteral("first again"), QStringLiteral("second"), QStringLiteral("first")}));
    EXPECT_EQ(onDisk(), first->snapshots());
}

TEST_F(ScanHistoryStore, ADamagedFileFoundByAnotherCopyIsKeptAsideAndNothingIsLost)
{
    auto owner = open();
    owner->record(summary(), sections(QStringLiteral("1")));
    owner->flush();
    ASSERT_TRUE(writeAll(path(), "{ damaged"));
    auto other = open();
    EXPECT_TRUE(other->snapshots().isEmpty());
    other->record(summary(), sections(QStringLiteral("2")));
    other->flush();
    ASSERT_EQ(keptAside().size(), 1);
    EXPECT_EQ(readAll(QFileInfo(path()).absolutePath() + QLatin1Char('/') + keptAside().first()), QByteArray("{ damaged"));
    // The owner's next save keeps its own scan and takes in the other's.
    owner->record(summary(), sections(QStringLiteral("3")));
    owner->flush();
    EXPECT_EQ(valuesOf(onDisk()), QStringList({QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")}));
}
struct DamagedFile {
    const char* name;
    QByteArray bytes;
};

const DamagedFile kDamagedFiles[] = {
    {"notJson", "\x89PNG\r\n\x1a\n"},
    {"truncated", R"([{"id":"0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F","date":"2026-03-01T09:15:42Z","deviceNa)"},
    {"topLevelObject", R"({"snapshots":[]})"},
    {"itemWithoutIsVolatile",
     R"([{"id":"0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F","date":"2026-03-01T09:15:42Z","deviceName":"d","modelIdentifier":"m",)"
     R"("chip":"c","osVersion":"o","sections":[{"title":"T","symbol":"s","items":[{"label":"L","value":"V","status":"info"}]}]}])"},
    {"fractionalDate",
     R"([{"id":"0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F","date":"2026-03-01T09:15:42.25Z","deviceName":"d","modelIdentifier":"m",)"
     R"("chip":"c","osVersion":"o","sections":[]}])"},
};

// The recording takes the clock once (09:15:42); keeping the file aside takes it next.
const QString kKeptName = QStringLiteral("snapshots.json.damaged-20260301-091543");

TEST_F(ScanHistoryStore, ADamagedFileIsUntouchedUntilTheFirstSaveThenKeptAside)
{
    for (const DamagedFile& c : kDamagedFiles) {
        SCOPED_TRACE(c.name);
        QDir(QFileInfo(path()).absolutePath()).removeRecursively();
        now = utc(2026, 3, 1, 9, 15, 42);
        ASSERT_TRUE(writeAll(path(), c.bytes));
        LogCatcher log;
        {
            // Only looking: nothing is renamed, created or logged.
            auto history = open();
            EXPECT_TRUE(history->snapshots().isEmpty());
            EXPECT_TRUE(history->persists());
        }
        EXPECT_EQ(QDir(QFileInfo(path()).absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{QStringLiteral("snapshots.json")});
        EXPECT_EQ(readAll(path()), c.bytes);
        EXPECT_TRUE(log.lines().isEmpty());
        {
            auto history = open();
            history->record(summary(), sections());
        }
        EXPECT_EQ(onDisk().size(), 1);
        EXPECT_EQ(keptAside(), QStringList{kKeptName});
        EXPECT_EQ(readAll(QFileInfo(path()).absolutePath() + QLatin1Char('/') + kKeptName), c.bytes);
        EXPECT_EQ(log.lines(), QStringList{QStringLiteral("ScanHistory: kept the unreadable history file aside as “")
                                           + QFileInfo(path()).absolutePath() + QLatin1Char('/') + kKeptName + QStringLiteral("”")});
    }
}

TEST_F(ScanHistoryStore, AnEmptyFileIsAnEmptyHistoryNotADamagedOne)
{
    for (const QByteArray& bytes : {QByteArray(), QByteArray(" \n\t\r\n")}) {
        ASSERT_TRUE(writeAll(path(), bytes));
        LogCatcher log;
        auto history = open();
        EXPECT_TRUE(history->snapshots().isEmpty());
        EXPECT_EQ(ScanHistory::load(path()), QList<ScanSnapshot>{});
        history->record(summary(), sections());
        history->flush();
        EXPECT_EQ(onDisk(), history->snapshots());
        EXPECT_TRUE(keptAside().isEmpty());
        EXPECT_TRUE(log.lines().isEmpty());
    }
}

TEST_F(ScanHistoryStore, ASecondDamageInTheSameSecondGetsItsOwnName)
{
    const QString folder = QFileInfo(path()).absolutePath() + QLatin1Char('/');
    // Names already taken, by earlier damage or by the user, are never replaced.
    ASSERT_TRUE(writeAll(folder + kKeptName, "taken"));
    ASSERT_TRUE(writeAll(path(), "first"));
    open()->record(summary(), sections());
    now = utc(2026, 3, 1, 9, 15, 42);
    ASSERT_TRUE(writeAll(path(), "second"));
    open()->record(summary(), sections());
    EXPECT_EQ(keptAside(), QStringList({kKeptName, kKeptName + QStringLiteral("-2"), kKeptName + QStringLiteral("-3")}));
    EXPECT_EQ(readAll(folder + kKeptName), QByteArray("taken"));
    EXPECT_EQ(readAll(folder + kKeptName + QStringLiteral("-2")), QByteArray("first"));
    EXPECT_EQ(readAll(folder + kKeptName + QStringLiteral("-3")), QByteArray("second"));
}

TEST_F(ScanHistoryStore, AFolderInPlaceOfTheFileIsKeptAsideWithItsContents)
{
    ASSERT_TRUE(writeAll(path() + QStringLiteral("/inside.txt"), "keep me"));
    {
        auto history = open();
        EXPECT_TRUE(history->snapshots().isEmpty());
        history->record(summary(), sections());
    }
    EXPECT_EQ(onDisk().size(), 1);
    const QString kept = QFileInfo(path()).absolutePath() + QLatin1Char('/') + kKeptName;
    EXPECT_EQ(readAll(kept + QStringLiteral("/inside.txt")), QByteArray("keep me"));
}

TEST_F(ScanHistoryStore, AFileFarLargerThanAnyHistoryCountsAsDamaged)
{
    QDir().mkpath(QFileInfo(path()).absolutePath());
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(ScanHistory::kMaximumFileSize + 1));  // sparse: costs no disk
    }
    EXPECT_FALSE(ScanHistory::load(path()));
    auto history = open();
    EXPECT_TRUE(history->snapshots().isEmpty());
    EXPECT_TRUE(keptAside().isEmpty());
    history->record(summary(), sections());
    history->flush();
    ASSERT_EQ(keptAside(), QStringList{kKeptName});
    EXPECT_EQ(QFileInfo(QFileInfo(path()).absolutePath() + QLatin1Char('/') + kKeptName).size(), ScanHistory::kMaximumFileSize + 1);
}

TEST_F(ScanHistoryStore, APipeInPlaceOfTheFileDoesNotHangTheLoad)
{
    QDir().mkpath(QFileInfo(path()).absolutePath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    EXPECT_FALSE(ScanHistory::load(path()));
    auto history = open();
    EXPECT_TRUE(history->snapshots().isEmpty());
}

TEST_F(ScanHistoryStore, ASaveWaitsWhileAnotherHoldsTheLockAndLeavesNoLockFile)
{
    ASSERT_TRUE(writeAll(path(), "[]"));
    auto history = open();
    EXPECT_FALSE(QFileInfo::exists(lockPath()));
    AtomicWrite::Result failed;
    HistoryLock held = HistoryLock::take(lockPath(), 0, &failed);
    ASSERT_TRUE(held.held()) << failed.error.toStdString();
    history->record(summary(), sections());
    QThread::msleep(300);
    EXPECT_EQ(readAll(path()), QByteArray("[]"));  // waiting for the holder
    held = HistoryLock();
    history->flush();
    EXPECT_TRUE(history->persists());
    EXPECT_EQ(onDisk(), history->snapshots());
    EXPECT_FALSE(QFileInfo::exists(lockPath()));
}

TEST_F(ScanHistoryStore, TemporaryFilesOfAKilledWriteGoUnderTheLock)
{
    const QString folder = QFileInfo(path()).absolutePath() + QLatin1Char('/');
    const QStringList leftovers = {QStringLiteral("snapshots.json.tmp-a1B2c3"), QStringLiteral("snapshots.json.tmp-ZZZZZZ")};
    const QStringList others = {QStringLiteral("snapshots.json.tmp-short"), QStringLiteral("snapshots.json.backup"),
                                QStringLiteral("other.json.tmp-a1B2c3"), QStringLiteral("snapshots.json.tmp-a1B2c3.txt")};
    for (const QString& name : leftovers + others) ASSERT_TRUE(writeAll(folder + name, "x"));
    auto history = open();
    for (const QString& name : leftovers) EXPECT_TRUE(QFileInfo::exists(folder + name)) << "loading removes nothing";
    history->record(summary(), sections());
    history->flush();
    for (const QString& name : leftovers) EXPECT_FALSE(QFileInfo::exists(folder + name)) << name.toStdString();
    for (const QString& name : others) EXPECT_TRUE(QFileInfo::exists(folder + name)) << name.toStdString();
}

TEST_F(ScanHistoryStore, PersistsIsFalseWheneverNothingCanBeWritten)
{
    // A file where a folder should be: nothing can ever be written below it.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(writeAll(blocker, "x"));
    LogCatcher log;
    auto blocked = open(blocker + QStringLiteral("/History/snapshots.json"));
    EXPECT_FALSE(blocked->persists());
    EXPECT_FALSE(QFileInfo(blocker).isDir());

    // A folder this process may not write (root may write anywhere, so only checked for others).
    if (::geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkpath(locked));
        ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0500), 0);
        EXPECT_FALSE(open(locked + QStringLiteral("/History/snapshots.json"))->persists());
        ::chmod(QFile::encodeName(locked).constData(), 0700);
    }

    auto fine = open();
    EXPECT_TRUE(fine->persists());
    QList<bool> announced;
    QObject::connect(fine.get(), &ScanHistory::persistsChanged, [&](bool p) { announced << p; });
    // The folder turns into a file between load and save: the save fails and says so.
    ASSERT_TRUE(writeAll(dir.filePath(QStringLiteral("History")), "x"));
    fine->record(summary(), sections());
    fine->flush();
    EXPECT_FALSE(fine->persists());
    QFile::remove(dir.filePath(QStringLiteral("History")));
    fine->record(summary(), sections(QStringLiteral("6.6")));
    fine->flush();
    EXPECT_TRUE(fine->persists());
    EXPECT_EQ(announced, QList<bool>({false, true}));
}

TEST_F(ScanHistoryStore, ALinkToADeviceInPlaceOfTheFileIsSetAsideNeverWrittenThrough)
{
    QDir().mkpath(QFileInfo(path()).absolutePath());
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), path()));
    auto history = open();
    EXPECT_TRUE(history->snapshots().isEmpty());
    history->record(summary(), sections());
    history->flush();
    EXPECT_TRUE(history->persists());
    // The device is still a device; the link went aside with it, and the history is a plain file.
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    ASSERT_EQ(keptAside().size(), 1);
    EXPECT_TRUE(QFileInfo(QFileInfo(path()).absolutePath() + QLatin1Char('/') + keptAside().first()).isSymLink());
    EXPECT_FALSE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(onDisk(), history->snapshots());
}

TEST_F(ScanHistoryStore, AMissingFileIsAnEmptyHistoryAndNothingIsWritten)
{
    EXPECT_EQ(ScanHistory::load(path()), QList<ScanSnapshot>{});
    auto history = open();
    history->flush();
    EXPECT_TRUE(history->snapshots().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path()));
    EXPECT_TRUE(keptAside().isEmpty());
}

TEST(ScanHistoryPaths, DefaultFileLivesUnderTheApplicationData)
{
    EXPECT_TRUE(ScanHistory::defaultFilePath().endsWith(QStringLiteral("/History/snapshots.json")));
    EXPECT_TRUE(ScanHistory::defaultFilePath().startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

}  // namespace
