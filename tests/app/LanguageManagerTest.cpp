#include "app/LanguageManager.h"

#include <QSignalSpy>

#include <thread>

#include <gtest/gtest.h>

namespace {
const QStringList kAllTables = {"en", "ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"};
}

TEST(AppLanguage, TheThirteenInOrder)
{
    QStringList codes, names;
    for (const AppLanguage& l : AppLanguage::all()) {
        codes << l.code;
        names << l.nativeName;
    }
    EXPECT_EQ(codes, kAllTables);
    EXPECT_EQ(names.first(), "English");
    EXPECT_EQ(names[1], QString::fromUtf8("العربية"));
    EXPECT_EQ(names.last(), QString::fromUtf8("हिन्दी"));
}

TEST(LanguageManager, SystemLanguageMatching)
{
    struct Case {
        QStringList preferred;
        QStringList tables;
        const char* expected;
    };
    const Case cases[] = {
        {{"fr_FR"}, kAllTables, "fr"},
        {{"fr-CA"}, kAllTables, "fr"},
        {{"pt_PT"}, kAllTables, "pt-BR"},
        {{"pt_BR"}, kAllTables, "pt-BR"},
        {{"zh_CN"}, kAllTables, "zh-Hans"},
        {{"zh_TW", "ja_JP"}, kAllTables, "ja"},  // no traditional Chinese table: the next preference
        {{"nl_NL", "de_DE"}, kAllTables, "de"},
        {{"nl_NL"}, kAllTables, "en"},
        {{"fr_FR"}, {}, "en"},  // no localisations at all
        {{}, kAllTables, "en"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LanguageManager::systemLanguage(c.preferred, c.tables), c.expected) << c.preferred.join(',').toStdString();
}

TEST(LanguageManager, FirstLaunchFollowsTheSystem)
{
    Preferences prefs;
    LanguageManager m(prefs, [] { return QStringList{"fr_FR"}; }, kAllTables);
    EXPECT_FALSE(m.selection());
    EXPECT_EQ(m.code(), "fr");
    EXPECT_EQ(m.launchCode(), "fr");
    EXPECT_FALSE(m.systemUIOutOfDate());
    EXPECT_EQ(m.localization().code, "fr");
}

TEST(LanguageManager, ASavedChoiceWinsAndMalformedOnesAreIgnored)
{
    Preferences prefs;
    prefs.setValue("AppleLanguages", QStringList{"de", "fr"});
    EXPECT_EQ(LanguageManager(prefs, [] { return QStringList{"fr_FR"}; }, kAllTables).code(), "de");
    prefs.setValue("AppleLanguages", QStringList{});
    EXPECT_EQ(LanguageManager(prefs, [] { return QStringList{"fr_FR"}; }, kAllTables).code(), "fr");
    prefs.setValue("AppleLanguages", QStringLiteral("de"));  // a text, not a list
    EXPECT_EQ(LanguageManager(prefs, [] { return QStringList{"fr_FR"}; }, kAllTables).code(), "fr");
}

TEST(LanguageManager, SelectSwitchesAtOnceAndAnnouncesAfterTheSwitch)
{
    Preferences prefs;
    LanguageManager m(prefs, [] { return QStringList{"fr_FR"}; }, kAllTables);
    QString seenTableCode;
    QObject::connect(&m, &LanguageManager::codeChanged, [&](const QString& code) {
        // Observers see the new table and locale, not the old ones.
        seenTableCode = m.localization().code + "/" + m.locale().section('_', 0, 0);
        EXPECT_EQ(code, m.code());
    });
    QSignalSpy codes(&m, &LanguageManager::codeChanged);
    QSignalSpy outOfDate(&m, &LanguageManager::systemUIOutOfDateChanged);

    m.select(QStringLiteral("de"));
    EXPECT_EQ(prefs.stringListValue("AppleLanguages"), QStringList{"de"});
    EXPECT_EQ(m.code(), "de");
    EXPECT_EQ(seenTableCode, "de/de");
    EXPECT_TRUE(m.systemUIOutOfDate());
    EXPECT_EQ(m.localization().tr("Uptime"), m.bundle() ? m.bundle()->lookup("Uptime") : QString("Uptime"));

    m.select(QStringLiteral("de"));  // the same choice again changes nothing
    EXPECT_EQ(codes.count(), 1);

    m.select(QStringLiteral("fr"));
    EXPECT_FALSE(m.systemUIOutOfDate());
    EXPECT_EQ(outOfDate.count(), 2);

    m.select(std::nullopt);  // System Default: the preference goes, the system's language comes back
    EXPECT_FALSE(prefs.contains("AppleLanguages"));
    EXPECT_EQ(m.code(), "fr");
    EXPECT_FALSE(m.selection());
    EXPECT_EQ(codes.count(), 2);  // fr → fr is no change of code
}

TEST(LanguageManager, ACodeWithoutATableShowsEnglish)
{
    Preferences prefs;
    LanguageManager m(prefs, [] { return QStringList{"en_US"}; }, kAllTables);
    m.select(QStringLiteral("xx"));
    EXPECT_EQ(m.code(), "xx");
    EXPECT_EQ(m.bundle(), nullptr);
    EXPECT_EQ(m.localization().tr("Uptime"), "Uptime");
}

TEST(LanguageManager, ArabicIsRightToLeft)
{
    Preferences prefs;
    LanguageManager m(prefs, [] { return QStringList{"en_US"}; }, kAllTables);
    for (const AppLanguage& l : AppLanguage::all()) {
        m.select(l.code);
        EXPECT_EQ(m.layoutDirection(), l.code == "ar" ? Qt::RightToLeft : Qt::LeftToRight) << l.code.toStdString();
    }
}

TEST(LanguageManager, RelaunchStartsANewInstanceThenQuits)
{
    Preferences prefs;
    LanguageManager m(prefs, [] { return QStringList{"en_US"}; }, kAllTables);
    int launched = 0;
    m.setLauncher([&] { ++launched; });
    bool quit = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { quit = true; });
    m.relaunch();
    EXPECT_EQ(launched, 1);
    // The quit is queued; the test program's loop is not running, so nothing ends here.
    EXPECT_FALSE(quit);
}

// At start the system language's table is read on a worker before the manager exists; with
// nothing chosen in the settings, the manager takes that very table rather than a second copy.
TEST(LanguageManager, WithNothingChosenTakesTheTableReadAheadForTheSystemLanguage)
{
    const QByteArray saved = qgetenv("LC_ALL");
    qputenv("LC_ALL", "fr_FR.UTF-8");
    const StringTable* ahead = nullptr;
    std::thread([&ahead] {
        ahead = StringTable::forCode(LanguageManager::systemLanguage(LanguageManager::environmentLanguages(), StringTable::availableCodes()));
    }).join();
    Preferences prefs{QString()};
    LanguageManager manager(prefs, &LanguageManager::environmentLanguages);
    if (saved.isNull()) qunsetenv("LC_ALL");
    else qputenv("LC_ALL", saved);
    ASSERT_NE(ahead, nullptr);
    EXPECT_EQ(manager.code(), "fr");
    EXPECT_EQ(manager.bundle(), ahead);
}
