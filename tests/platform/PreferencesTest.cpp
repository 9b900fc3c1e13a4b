#include "platform/Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <sys/stat.h>

TEST(Preferences, KeepsEachValuesTypeAcrossARestart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nested/preferences.json");
    const QDateTime when(QDate(2026, 12, 10), QTime(8, 0, 1, 250), Qt::UTC);
    {
        Preferences p(path);
        QSignalSpy spy(&p, &Preferences::changed);
        p.setValue("menuBarMonitorEnabled", false);
        p.setValue("QRLUpdateSkippedBuild", 42);
        p.setValue("AppleLanguages", QStringList{"de"});
        p.setValue("QRLUpdateLastChecked", when);
        p.setValue("QRLServerURL", QStringLiteral("https://example.test/api/"));
        EXPECT_EQ(spy.count(), 5);
    }
    Preferences p(path);
    EXPECT_EQ(p.boolValue("menuBarMonitorEnabled"), false);
    EXPECT_EQ(p.intValue("QRLUpdateSkippedBuild"), 42);
    EXPECT_EQ(p.stringListValue("AppleLanguages"), QStringList{"de"});
    EXPECT_EQ(p.dateValue("QRLUpdateLastChecked"), when);
    EXPECT_EQ(p.stringValue("QRLServerURL"), "https://example.test/api/");
    // Asking for another type than the stored one gives nothing.
    EXPECT_FALSE(p.boolValue("QRLUpdateSkippedBuild"));
    EXPECT_FALSE(p.intValue("menuBarMonitorEnabled"));
    EXPECT_FALSE(p.stringValue("AppleLanguages"));
}

TEST(Preferences, RemovingAnsAbsentKeyAnnouncesNothing)
{
    Preferences p;
    QSignalSpy spy(&p, &Preferences::changed);
    p.remove("nothing");
    EXPECT_EQ(spy.count(), 0);
    p.setValue("x", true);
    p.remove("x");
    EXPECT_EQ(spy.count(), 2);
    EXPECT_FALSE(p.contains("x"));
}

TEST(Preferences, ADamagedFileIsKeptAsideNotOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{ truncated");
    }
    Preferences p(path);
    EXPECT_FALSE(p.contains("anything"));
    p.setValue("onboardingCompleted", true);
    const QStringList aside = QDir(dir.path()).entryList({"preferences.json.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(dir.filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("{ truncated"));
    EXPECT_EQ(Preferences(path).boolValue("onboardingCompleted"), true);
}

TEST(Preferences, EntriesOfTheWrongShapeAreIgnored)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"a":{"type":"bool","value":"yes"},"b":{"type":"integer","value":"12x"},
                    "c":{"type":"strings","value":["x",1]},"d":{"type":"date","value":"yesterday"},
                    "e":5,"f":{"type":"integer","value":"7"}})");
    }
    Preferences p(path);
    EXPECT_FALSE(p.contains("a"));
    EXPECT_FALSE(p.contains("b"));
    EXPECT_FALSE(p.contains("c"));
    EXPECT_FALSE(p.contains("d"));
    EXPECT_FALSE(p.contains("e"));
    EXPECT_EQ(p.intValue("f"), 7);
}

namespace {
QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList keptAside(const QTemporaryDir& dir)
{
    QStringList names = QDir(dir.path()).entryList({"preferences.json.damaged-*"}, QDir::AllEntries | QDir::System | QDir::Hidden);
    names.sort();
    return names;
}
}  // namespace

TEST(Preferences, ADamagedFileIsLeftAloneUntilTheFirstChange)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    writeFile(path, "{ truncated");
    {
        Preferences p(path);
        EXPECT_TRUE(p.boolValue("x") == std::nullopt);
    }
    EXPECT_TRUE(keptAside(dir).isEmpty());
    EXPECT_EQ(readFile(path), QByteArray("{ truncated"));
}

TEST(Preferences, TheKeptAsideNameIsNeverReused)
{
    // However many names are taken, by earlier damage or by the user, none of them is replaced.
    for (int taken : {0, 1, 3}) {
        SCOPED_TRACE(taken);
        QTemporaryDir dir;
        const QString path = dir.filePath("preferences.json");
        writeFile(path, "damaged");
        Preferences p(path);
        const QString base = path + ".damaged-" + QDateTime::currentDateTimeUtc().toString("yyyyMMdd-HHmmss");
        // The same second, and the one after, in case the clock ticks over meanwhile.
        const QString nextBase = path + ".damaged-" + QDateTime::currentDateTimeUtc().addSecs(1).toString("yyyyMMdd-HHmmss");
        for (const QString& b : {base, nextBase})
            for (int n = 1; n <= taken; ++n) writeFile(n == 1 ? b : b + "-" + QString::number(n), "taken " + QByteArray::number(n));
        ASSERT_TRUE(p.setValue("onboardingCompleted", true));
        const QStringList aside = keptAside(dir);
        ASSERT_EQ(aside.size(), taken * 2 + 1);
        int damaged = 0;
        for (const QString& name : aside) {
            const QByteArray bytes = readFile(dir.filePath(name));
            if (bytes == "damaged") ++damaged;
            else EXPECT_TRUE(bytes.startsWith("taken ")) << name.toStdString();
        }
        EXPECT_EQ(damaged, 1);
        EXPECT_EQ(Preferences(path).boolValue("onboardingCompleted"), true);
    }
}

TEST(Preferences, AnEmptyFileIsEmptyPreferences)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    writeFile(path, "");
    Preferences p(path);
    ASSERT_TRUE(p.setValue("menuBarMonitorEnabled", false));
    EXPECT_TRUE(keptAside(dir).isEmpty());
    EXPECT_EQ(Preferences(path).boolValue("menuBarMonitorEnabled"), false);
}

TEST(Preferences, APipeInPlaceOfTheFileIsNotWaitedOnAndIsKeptAside)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    Preferences p(path);
    EXPECT_FALSE(p.contains("x"));
    ASSERT_TRUE(p.setValue("x", true));
    EXPECT_EQ(keptAside(dir).size(), 1);
    EXPECT_EQ(Preferences(path).boolValue("x"), true);
}

TEST(Preferences, ValuesTheFileCannotHoldAreRefusedWhenSet)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    Preferences p(path);
    ASSERT_TRUE(p.setValue("kept", QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC)));
    QSignalSpy spy(&p, &Preferences::changed);
    const QVariant refused[] = {
        QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC),           // far future
        QDateTime(QDate(9999, 12, 31), QTime(23, 30), Qt::OffsetFromUTC, -3600),  // past 9999 in UTC
        QDateTime(QDate(0, 12, 31), QTime(12, 0), Qt::UTC),            // year 0 does not exist: invalid
        QDateTime(QDate(-1, 12, 31), QTime(12, 0), Qt::UTC),           // far past
        QDateTime(QDate(1, 1, 1), QTime(0, 30), Qt::OffsetFromUTC, 3600),  // before year 1 in UTC
        QDateTime(),
        qInf(),
        std::nan(""),
        QVariant::fromValue(quint64(1) << 63),
    };
    for (const QVariant& v : refused) {
        EXPECT_FALSE(p.setValue("kept", v)) << v.toString().toStdString();
    }
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(Preferences(path).dateValue("kept"), QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));

    // The edges of what it can hold, which read back exactly.
    const QDateTime edges[] = {QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC), QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC)};
    for (const QDateTime& d : edges) {
        ASSERT_TRUE(p.setValue("edge", d));
        EXPECT_EQ(p.dateValue("edge"), d);
        EXPECT_EQ(Preferences(path).dateValue("edge"), d);
    }
    ASSERT_TRUE(p.setValue("big", QVariant::fromValue(quint64(std::numeric_limits<qint64>::max()))));
    EXPECT_EQ(Preferences(path).intValue("big"), std::numeric_limits<qint64>::max());
}

TEST(Preferences, DatesTheFileCannotHoldAreRefusedWhenRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    writeFile(path, R"({"ok":{"type":"date","value":"2026-12-10T08:00:01.250Z"},
                        "farFuture":{"type":"date","value":"+10000-01-01T00:00:00.000Z"},
                        "farPast":{"type":"date","value":"-0001-12-31T00:00:00.000Z"},
                        "yearZero":{"type":"date","value":"0000-06-01T00:00:00.000Z"},
                        "noZone":{"type":"date","value":"2026-12-10T08:00:01.250"},
                        "offset":{"type":"date","value":"2026-12-10T08:00:01.250+01:00"}})");
    Preferences p(path);
    EXPECT_EQ(p.dateValue("ok"), QDateTime(QDate(2026, 12, 10), QTime(8, 0, 1, 250), Qt::UTC));
    for (const char* key : {"farFuture", "farPast", "yearZero", "noZone", "offset"}) EXPECT_FALSE(p.contains(key)) << key;
}

// --- Several copies on one file --------------------------------------------------------------

TEST(Preferences, TwoCopiesChangingDifferentKeysKeepBoth)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    Preferences first(path);
    Preferences second(path);
    ASSERT_TRUE(first.setValue("menuBarMonitorEnabled", false));
    ASSERT_TRUE(second.setValue("AppleLanguages", QStringList{"de"}));
    ASSERT_TRUE(first.setValue("QRLUpdateSkippedBuild", 42));
    // A removal in one copy stays a removal.
    ASSERT_TRUE(second.remove("menuBarMonitorEnabled"));
    Preferences reopened(path);
    EXPECT_FALSE(reopened.contains("menuBarMonitorEnabled"));
    EXPECT_EQ(reopened.stringListValue("AppleLanguages"), QStringList{"de"});
    EXPECT_EQ(reopened.intValue("QRLUpdateSkippedBuild"), 42);
    // The copy that wrote last took in the other's changes, and said so.
    EXPECT_EQ(second.intValue("QRLUpdateSkippedBuild"), 42);
    QSignalSpy spy(&first, &Preferences::changed);
    ASSERT_TRUE(first.setValue("QRLServerURL", QStringLiteral("https://example.test/")));
    EXPECT_FALSE(first.contains("menuBarMonitorEnabled"));
    EXPECT_EQ(first.stringListValue("AppleLanguages"), QStringList{"de"});
    QStringList announced;
    for (const QList<QVariant>& args : spy) announced << args.at(0).toString();
    announced.sort();
    EXPECT_EQ(announced, QStringList({"QRLServerURL", "menuBarMonitorEnabled"}));
}

namespace {
const char* kPreferencesChild = "QRL_PREFERENCES_CHILD_FILE";
}

// Runs only as the child of the test below: another running copy that changes one key.
TEST(PreferencesChild, SetsOneKey)
{
    const QString file = qEnvironmentVariable(kPreferencesChild);
    if (file.isEmpty()) GTEST_SKIP() << "runs as the child of the two-process test";
    Preferences p(file);
    EXPECT_TRUE(p.setValue(qEnvironmentVariable("QRL_PREFERENCES_CHILD_KEY"), qEnvironmentVariable("QRL_PREFERENCES_CHILD_VALUE")));
}

TEST(Preferences, TwoProcessesChangingDifferentKeysKeepBoth)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    Preferences mine(path);  // read before the other process writes
    ASSERT_TRUE(mine.setValue("mine", QStringLiteral("1")));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kPreferencesChild, path);
    env.insert("QRL_PREFERENCES_CHILD_KEY", "theirs");
    env.insert("QRL_PREFERENCES_CHILD_VALUE", "2");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=PreferencesChild.SetsOneKey"});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    ASSERT_TRUE(mine.setValue("mineAgain", true));
    Preferences reopened(path);
    EXPECT_EQ(reopened.stringValue("mine"), QStringLiteral("1"));
    EXPECT_EQ(reopened.stringValue("theirs"), QStringLiteral("2"));
    EXPECT_EQ(reopened.boolValue("mineAgain"), true);
    EXPECT_FALSE(QFileInfo::exists(path + ".lock"));
}

TEST(Preferences, EntriesANewerVersionWroteAreKeptAsTheyStand)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    writeFile(path, R"({"future":{"type":"colour","value":[1,2,3]},"odd":5,"f":{"type":"integer","value":"7"}})");
    {
        Preferences p(path);
        EXPECT_FALSE(p.contains("future"));
        ASSERT_TRUE(p.setValue("f", 8));
        ASSERT_TRUE(p.remove("f"));
        ASSERT_TRUE(p.setValue("g", true));
    }
    const QJsonObject stored = QJsonDocument::fromJson(readFile(path)).object();
    EXPECT_EQ(stored.value("future").toObject().value("type").toString(), QStringLiteral("colour"));
    EXPECT_EQ(stored.value("future").toObject().value("value").toArray(), QJsonArray({1, 2, 3}));
    EXPECT_EQ(stored.value("odd").toInt(), 5);
    EXPECT_FALSE(stored.contains("f"));
    EXPECT_TRUE(stored.value("g").toObject().value("value").toBool());
    EXPECT_TRUE(keptAside(dir).isEmpty());
}

TEST(Preferences, AValidFileOverSixteenMebibytesIsReadNotKeptAside)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    // One long text: 17 MiB of valid preferences.
    const QByteArray longText(17 << 20, 'x');
    writeFile(path, R"({"long":{"type":"string","value":")" + longText + R"("},"f":{"type":"integer","value":"7"}})");
    {
        Preferences p(path);
        EXPECT_EQ(p.intValue("f"), 7);
        EXPECT_EQ(p.stringValue("long").value_or(QString()).size(), longText.size());
        ASSERT_TRUE(p.setValue("g", true));
    }
    EXPECT_TRUE(keptAside(dir).isEmpty());
    Preferences reopened(path);
    EXPECT_EQ(reopened.stringValue("long").value_or(QString()).size(), longText.size());
    EXPECT_EQ(reopened.boolValue("g"), true);
}

TEST(Preferences, ALeftoverLockFileDoesNotBlockAChange)
{
    for (const QByteArray& leftover : {QByteArray(), QByteArray("garbage\xff"), QByteArray("4242\nQuorlent\nelsewhere\n")}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("preferences.json");
        writeFile(path + ".lock", leftover);
        Preferences p(path);
        EXPECT_TRUE(p.setValue("a", true));
        EXPECT_EQ(Preferences(path).boolValue("a"), true);
    }
}
