#include "HistorySamples.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace history_test;

namespace {

class ScanHistoryStore : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("History/snapshots.json")); }
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
    int changes = 0;
    QObject::connect(history.get(), &ScanHistory::snapshotsChanged, [&] { ++changes; });
    history->record(summary(), sections());
    history->flush();
    ASSERT_EQ(history->snapshots().size(), 1);
    EXPECT_EQ(changes, 1);
    const ScanSnapshot& s = history->snapshots().first();
    EXPECT_EQ(s.language, QStringLiteral("en"));
    EXPECT_EQ(s.modelIdentifier, QStringLiteral("ThinkPad21"));
    EXPECT_EQ(s.date, utc(2026, 3, 1, 9, 15, 43));
    ASSERT_EQ(s.sections.size(), 1);
    EXPECT_EQ(s.sections[0].key, QStringLiteral("system"));
    EXPECT_EQ(s.sections[0].items.size(), 2);  // volatile items are stored too
    EXPECT_EQ(onDisk(), history->snapshots());
    EXPECT_TRUE(keptAside().isEmpty());
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

TEST_F(ScanHistoryStore, ASecondCopyNeverWritesTheFile)
{
    auto first = open();
    first->record(summary(), sections(QStringLiteral("1")));
    first->flush();
    LogCatcher log;
    {
        auto second = open();
        EXPECT_FALSE(second->persists());
        ASSERT_EQ(second->snapshots().size(), 1);  // it still reads what is there
        second->record(summary(), sections(QStringLiteral("2")));
        second->record(summary(), sections(QStringLiteral("3")));
        second->clear();
        second->flush();
        EXPECT_TRUE(second->snapshots().isEmpty());
    }
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("ScanHistory: another running copy holds the lock")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("this copy keeps its scan history in memory only.")));
    EXPECT_EQ(onDisk().size(), 1);

    first->record(summary(), sections(QStringLiteral("4")));
    first->flush();
    EXPECT_EQ(onDisk().size(), 2);
    first.reset();
    // Once the first copy has gone, the next one owns the file.
    auto third = open();
    EXPECT_TRUE(third->persists());
}

TEST_F(ScanHistoryStore, ACopyWithoutTheLockLeavesADamagedFileAlone)
{
    auto owner = open();
    ASSERT_TRUE(writeAll(path(), "{ damaged"));
    auto other = open();
    EXPECT_TRUE(other->snapshots().isEmpty());
    EXPECT_TRUE(keptAside().isEmpty());
    EXPECT_EQ(readAll(path()), QByteArray("{ damaged"));
}

struct DamagedFile {
    const char* name;
    QByteArray bytes;
};

const DamagedFile kDamagedFiles[] = {
    {"empty", ""},
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

TEST_F(ScanHistoryStore, DamagedFilesAreKeptAsideAndNeverOverwritten)
{
    for (const DamagedFile& c : kDamagedFiles) {
        SCOPED_TRACE(c.name);
        QDir(QFileInfo(path()).absolutePath()).removeRecursively();
        now = utc(2026, 3, 1, 9, 15, 42);
        ASSERT_TRUE(writeAll(path(), c.bytes));
        {
            auto history = open();
            EXPECT_TRUE(history->snapshots().isEmpty());
            EXPECT_TRUE(history->persists());
            EXPECT_EQ(keptAside(), QStringList{QStringLiteral("snapshots.json.damaged-20260301-091542")});
            history->record(summary(), sections());
        }
        EXPECT_EQ(onDisk().size(), 1);
        const QString kept = QFileInfo(path()).absolutePath() + QStringLiteral("/snapshots.json.damaged-20260301-091542");
        EXPECT_EQ(readAll(kept), c.bytes);
    }
}

TEST_F(ScanHistoryStore, ASecondDamageInTheSameSecondGetsItsOwnName)
{
    ASSERT_TRUE(writeAll(path(), "first"));
    open().reset();
    now = utc(2026, 3, 1, 9, 15, 42);
    ASSERT_TRUE(writeAll(path(), "second"));
    open().reset();
    const QString folder = QFileInfo(path()).absolutePath() + QLatin1Char('/');
    EXPECT_EQ(keptAside(), QStringList({QStringLiteral("snapshots.json.damaged-20260301-091542"),
                                        QStringLiteral("snapshots.json.damaged-20260301-091542-2")}));
    EXPECT_EQ(readAll(folder + QStringLiteral("snapshots.json.damaged-20260301-091542")), QByteArray("first"));
    EXPECT_EQ(readAll(folder + QStringLiteral("snapshots.json.damaged-20260301-091542-2")), QByteArray("second"));
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
    const QString kept = QFileInfo(path()).absolutePath() + QStringLiteral("/snapshots.json.damaged-20260301-091542");
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
    ASSERT_EQ(keptAside().size(), 1);
    EXPECT_EQ(QFileInfo(QFileInfo(path()).absolutePath() + QLatin1Char('/') + keptAside()[0]).size(), ScanHistory::kMaximumFileSize + 1);
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
