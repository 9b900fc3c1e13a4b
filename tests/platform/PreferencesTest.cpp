#include "platform/Preferences.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
