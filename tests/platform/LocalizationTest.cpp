#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/Localization.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(Localization, LocaleTakesTheLanguageOfTheCodeAndTheUsersRegion)
{
    struct Case {
        const char* code;
        const char* user;
        const char* expected;
    };
    // Without a region of the user's (none set, or the C locale's), the language's own.
    const Case cases[] = {
        {"fr", "en_US", "fr_US"},      {"de", "de_CH", "de_CH"},   {"pt-BR", "en_GB", "pt_BR"},
        {"zh-Hans", "en_US", "zh_Hans_US"}, {"ja", "ja_JP", "ja_JP"}, {"es", "es_419", "es_419"},
        {"ar", "en_US_POSIX", "ar_EG"}, {"en", "C", "en_US"},     {"de", "en_US_POSIX", "de_DE"},
        {"de", "de", "de_DE"},          {"hi", "", "hi_IN"},        {"zh-Hans", "C", "zh_Hans_CN"},
        {"ja", "POSIX", "ja_JP"},       {"pt-BR", "C", "pt_BR"},    {"ko", "en_US_POSIX", "ko_KR"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Localization::composeLocaleId(c.code, c.user), QString::fromLatin1(c.expected)) << c.code << " " << c.user;
}

namespace {
Localization::Environment environment(std::initializer_list<std::pair<const char*, const char*>> vars)
{
    QHash<QString, QString> map;
    for (const auto& [name, value] : vars) map.insert(QString::fromLatin1(name), QString::fromUtf8(value));
    return [map](const char* name) { return map.value(QString::fromLatin1(name)); };
}
}  // namespace

// Formats follow LC_ALL, then the formats categories, then LANG; LC_MESSAGES never decides them.
TEST(Localization, FormatsLocaleComesFromTheFormatsVariables)
{
    struct Case {
        std::initializer_list<std::pair<const char*, const char*>> env;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "en_US_POSIX"},
        {{{"LANG", "de_DE.UTF-8"}}, "de_DE"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}}, "en_US"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_TIME", "de_DE.UTF-8"}}, "de_DE"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_NUMERIC", "de_CH.UTF-8"}}, "de_CH"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MEASUREMENT", "en_GB.UTF-8"}}, "en_GB"},
        {{{"LC_TIME", "de_DE.UTF-8"}, {"LC_NUMERIC", "fr_FR.UTF-8"}}, "de_DE"},
        {{{"LC_ALL", "sv_SE.UTF-8"}, {"LC_TIME", "de_DE.UTF-8"}, {"LANG", "en_US"}}, "sv_SE"},
        {{{"LC_ALL", "C"}, {"LANG", "de_DE.UTF-8"}}, "en_US_POSIX"},
        {{{"LANG", "C.UTF-8"}}, "en_US_POSIX"},
        {{{"LANG", "POSIX"}}, "en_US_POSIX"},
        {{{"LANG", "ca_ES.UTF-8@valencia"}}, "ca_ES"},
        {{{"LC_ALL", ""}, {"LANG", "ja_JP.eucJP"}}, "ja_JP"},
    };
    for (const Case& c : cases) {
        const auto env = environment(c.env);
        EXPECT_EQ(Localization::userLocaleId(env), QString::fromLatin1(c.expected)) << c.expected;
    }
}

// Messages follow LC_ALL, LC_MESSAGES, the LANGUAGE list, LANG; a C messages locale asks for
// untranslated texts; the formats variables never choose the language.
TEST(Localization, MessageLanguagesComeFromTheMessagesVariables)
{
    struct Case {
        std::initializer_list<std::pair<const char*, const char*>> env;
        QStringList expected;
    };
    const Case cases[] = {
        {{}, {}},
        {{{"LANG", "de_DE.UTF-8"}}, {"de_DE"}},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}}, {"fr_FR", "en_US"}},
        {{{"LANG", "en_US.UTF-8"}, {"LC_TIME", "de_DE.UTF-8"}, {"LC_NUMERIC", "de_DE"}}, {"en_US"}},
        {{{"LC_ALL", "it_IT.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "de_DE"}}, {"it_IT", "de_DE"}},
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "pt_BR:fr"}}, {"pt_BR", "fr", "de_DE"}},
        {{{"LC_MESSAGES", "ru_RU.UTF-8"}, {"LANGUAGE", "ja:ko"}, {"LANG", "en_US"}}, {"ru_RU", "ja", "ko", "en_US"}},
        {{{"LC_ALL", "C"}, {"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "fr"}}, {}},
        {{{"LC_MESSAGES", "POSIX"}, {"LANG", "de_DE.UTF-8"}}, {}},
        {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "fr"}}, {}},
        {{{"LANGUAGE", "fr"}}, {}},
        {{{"LANG", "es_ES.UTF-8"}, {"LANGUAGE", "es_ES:es"}}, {"es_ES", "es"}},
    };
    for (const Case& c : cases) {
        const auto env = environment(c.env);
        EXPECT_EQ(Localization::messageLanguages(env), c.expected) << c.expected.join(',').toStdString();
    }
}

// A key with a context: its own entry, else the text's translation, else the English text.
TEST(StringTable, ContextKeysFallBackToTheirTextThenToEnglish)
{
    const StringTable t = StringTable::fromJson(QString::fromUtf8(R"({
        "Battery health\u0004Good": "Buena", "Good": "Bueno", "Fair": "Aceptable",
        "Camera\u0004%lld found": {"one": "%lld encontrada", "other": "%lld encontradas"},
        "%lld found": {"one": "%lld encontrado", "other": "%lld encontrados"}
    })").toUtf8());
    EXPECT_EQ(t.lookup(QRL_CTX("Battery health", "Good")), "Buena");
    EXPECT_EQ(t.lookup("Good"), "Bueno");
    EXPECT_EQ(t.lookup(QRL_CTX("Battery health", "Fair")), "Aceptable");
    EXPECT_EQ(t.lookup(QRL_CTX("Battery health", "Poor")), "Poor");
    EXPECT_EQ(t.lookupPlural(QRL_CTX("Camera", "%lld found"), 1, "es_ES"), "%lld encontrada");
    EXPECT_EQ(t.lookupPlural(QRL_CTX("Microphone", "%lld found"), 2, "es_ES"), "%lld encontrados");
    EXPECT_EQ(t.lookupPlural(QRL_CTX("Microphone", "%lld lost"), 2, "es_ES"), "%lld lost");
    Localization none = Localization::forCode("xx-Nowhere", "en_US");
    EXPECT_EQ(none.tr(QRL_CTX("Thermal state", "Hot")), "Hot");
    EXPECT_EQ(none.trPlural(QRL_CTX("Thermal state", "%lld cores"), 2), "%lld cores");
    EXPECT_EQ(Localization::english().tr(QRL_CTX("Thermal state", "Hot")), "Hot");
}

TEST(Localization, LooksUpTextsAndFallsBackToEnglish)
{
    const Localization en = Localization::english();
    EXPECT_EQ(en.tr("Uptime"), "Uptime");
    EXPECT_EQ(en.tr("A text nobody translated"), "A text nobody translated");
    Localization none = Localization::forCode("xx-Nowhere", "en_US");
    EXPECT_EQ(none.table, nullptr);
    EXPECT_EQ(none.tr("Uptime"), "Uptime");
    EXPECT_TRUE(Localization::forCode("ar", "en_US").isRightToLeft());
    EXPECT_FALSE(Localization::forCode("hi", "en_US").isRightToLeft());
}

TEST(Localization, GarbageTablesAreEmpty)
{
    EXPECT_TRUE(StringTable::fromJson("not json").entries().isEmpty());
    EXPECT_TRUE(StringTable::fromJson("[1,2]").entries().isEmpty());
    const StringTable t = StringTable::fromJson(R"({"a":"b","n":3,"e":""})");
    EXPECT_EQ(t.lookup("a"), "b");
    EXPECT_EQ(t.lookup("n"), "n");  // non-text entries are ignored
    EXPECT_EQ(t.lookup("e"), "e");  // an empty translation shows the English wording
}

namespace {
Localization in(const char* code, const char* region = "US") { return Localization::forCode(code, QString("en_") + region); }
}

TEST(LocaleFormat, ByteCountsInBothStyles)
{
    using LocaleFormat::ByteStyle;
    struct Case {
        qint64 bytes;
        ByteStyle style;
        const char* expected;
    };
    const Case cases[] = {
        {0, ByteStyle::File, "Zero KB"},
        {1, ByteStyle::File, "1 byte"},
        {999, ByteStyle::File, "999 bytes"},
        {1500, ByteStyle::File, "2 KB"},
        {1234567, ByteStyle::File, "1.2 MB"},
        {999999, ByteStyle::File, "1 MB"},
        {494384795648, ByteStyle::File, "494.38 GB"},
        {1000000000000, ByteStyle::File, "1 TB"},
        {17179869184, ByteStyle::Memory, "16 GB"},
        {17179869184, ByteStyle::File, "17.18 GB"},
        {8LL * 1024 * 1024 * 1024 * 1024, ByteStyle::Memory, "8 TB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LocaleFormat::byteCount(c.bytes, in("en"), c.style), QString::fromUtf8(c.expected)) << c.bytes;
    EXPECT_EQ(LocaleFormat::byteCount(0, in("en"), ByteStyle::File, false), "0 bytes");
    EXPECT_EQ(LocaleFormat::byteCount(17179869184, in("fr"), ByteStyle::Memory), QString::fromUtf8("16\u202fGo"));
    EXPECT_EQ(LocaleFormat::byteCount(494384795648, in("de"), ByteStyle::File), QString::fromUtf8("494,38\u00a0GB"));
}

TEST(LocaleFormat, PercentRoundsHalfToEvenInEachLanguage)
{
    EXPECT_EQ(LocaleFormat::percent(0.42, in("en")), "42%");
    EXPECT_EQ(LocaleFormat::percent(0.125, in("en")), "12%");
    EXPECT_EQ(LocaleFormat::percent(0.135, in("en")), "14%");
    EXPECT_EQ(LocaleFormat::percent(0.005, in("en")), "0%");
    EXPECT_EQ(LocaleFormat::percent(1.0, in("en")), "100%");
    EXPECT_EQ(LocaleFormat::percent(0.42, in("fr")), QString::fromUtf8("42\u00a0%"));
    EXPECT_EQ(LocaleFormat::percent(0.42, in("tr")), "%42");
    // Arabic digits in Arabic.
    EXPECT_TRUE(LocaleFormat::percent(0.42, in("ar")).contains(QString::fromUtf8("٤٢")));
    EXPECT_EQ(LocaleFormat::percent(std::nan(""), in("en")), "0%");
}

// Formatters are kept per thread, language and style: a kept one must answer exactly as
// before, whatever was formatted in between and on whichever thread.
namespace {
QStringList numberTexts(const Localization& l)
{
    using LocaleFormat::ByteStyle;
    QStringList out;
    for (qint64 bytes : {qint64(0), qint64(512), qint64(1500), qint64(1'500'000), qint64(1'500'000'000), qint64(-2'048)})
        for (ByteStyle style : {ByteStyle::File, ByteStyle::Memory}) out << LocaleFormat::byteCount(bytes, l, style, false);
    for (double f : {0.0, 0.125, 0.42, 1.0}) out << LocaleFormat::percent(f, l);
    for (int digits : {0, 1, 2})
        for (bool grouping : {true, false}) out << LocaleFormat::decimal(12345.678, l, digits, grouping);
    for (double seconds : {59.0, 3600.0 * 5, 93784.0}) out << LocaleFormat::abbreviatedDuration(seconds, l);
    using LocaleFormat::DateStyle;
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC);
    for (DateStyle date : {DateStyle::None, DateStyle::Short, DateStyle::Medium, DateStyle::Long, DateStyle::Full})
        for (DateStyle time : {DateStyle::None, DateStyle::Short, DateStyle::Medium})
            if (date != DateStyle::None || time != DateStyle::None) out << LocaleFormat::dateTime(when, l, date, time);
    return out;
}
}  // namespace

// A kept date format answers for its own styles: a date alone, a time alone and both differ.
TEST(LocaleFormat, KeptDateFormatsKeepTheirStylesApart)
{
    using LocaleFormat::DateStyle;
    const Localization en = in("en");
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC);
    const QString time = LocaleFormat::dateTime(when, en, DateStyle::None, DateStyle::Medium);
    const QString date = LocaleFormat::dateTime(when, en, DateStyle::Medium, DateStyle::None);
    const QString both = LocaleFormat::dateTime(when, en, DateStyle::Medium, DateStyle::Medium);
    EXPECT_TRUE(time.contains(':') && !time.contains("2024")) << time.toStdString();
    EXPECT_EQ(date, "Mar 5, 2024");
    EXPECT_TRUE(both.startsWith(date) && both.endsWith(time)) << both.toStdString();
    EXPECT_EQ(LocaleFormat::dateTime(when, en, DateStyle::None, DateStyle::Medium), time);
    EXPECT_NE(LocaleFormat::dateTime(when, in("de"), DateStyle::Medium, DateStyle::None), date);
}

TEST(LocaleFormat, KeptFormattersAnswerAsFreshOnesInEveryThread)
{
    const Localization en = in("en");
    // Styles that differ only in one setting do not share a formatter.
    EXPECT_EQ(LocaleFormat::decimal(12345.678, en, 2, true), "12,345.68");
    EXPECT_EQ(LocaleFormat::decimal(12345.678, en, 2, false), "12345.68");
    EXPECT_EQ(LocaleFormat::decimal(12345.678, en, 0, true), "12,346");
    EXPECT_EQ(LocaleFormat::byteCount(1'500'000, en, LocaleFormat::ByteStyle::File), "1.5 MB");
    EXPECT_EQ(LocaleFormat::byteCount(1'500'000'000, en, LocaleFormat::ByteStyle::File), "1.5 GB");
    EXPECT_EQ(LocaleFormat::decimal(2.5, en, -1), QString::number(2.5, 'f', -1));  // ICU refuses: the plain text

    const QList<const char*> codes{"en", "ar", "fr", "de", "ru", "tr", "hi", "ja"};
    QList<QStringList> first;
    for (const char* code : codes) first << numberTexts(in(code));
    // Again, languages interleaved the other way round.
    for (qsizetype i = codes.size() - 1; i >= 0; --i) EXPECT_EQ(numberTexts(in(codes[i])), first[i]) << codes[i];
    // Several threads at once, each with its own formatters.
    std::vector<std::thread> threads;
    std::vector<QList<QStringList>> results(4);
    for (auto& r : results)
        threads.emplace_back([&codes, &r] {
            for (int round = 0; round < 3; ++round)
                for (const char* code : codes) r << numberTexts(in(code));
        });
    for (auto& t : threads) t.join();
    for (const auto& r : results) {
        ASSERT_EQ(r.size(), 3 * codes.size());
        for (qsizetype i = 0; i < r.size(); ++i) EXPECT_EQ(r[i], first[i % codes.size()]) << codes[i % codes.size()];
    }
}

TEST(LocaleFormat, AbbreviatedDurationDropsZeroUnitsAndSeconds)
{
    EXPECT_EQ(LocaleFormat::abbreviatedDuration(93784, in("en")), "1d 2h 3m");
    EXPECT_EQ(LocaleFormat::abbreviatedDuration(3600 * 5, in("en")), "5h");
    EXPECT_EQ(LocaleFormat::abbreviatedDuration(59, in("en")), "0m");  // under a minute is still a text
    EXPECT_EQ(LocaleFormat::abbreviatedDuration(-1, in("en")), "");
    for (const char* code : {"ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"})
        EXPECT_FALSE(LocaleFormat::abbreviatedDuration(93784, in(code)).isEmpty()) << code;
}

TEST(LocaleFormat, FixedPatternsUseAsciiDigitsAndGregorianYears)
{
    const QDateTime when(QDate(2026, 12, 9), QTime(23, 30), Qt::UTC);
    EXPECT_EQ(LocaleFormat::pattern(when.toLocalTime(), "yyyy-MM-dd"), "2026-12-09");
}

TEST(StringTable, PluralFormsFollowTheLanguagesRules)
{
    const StringTable t = StringTable::fromJson(R"({
        "%lld cores": {"zero": "%lld Z", "one": "%lld O", "two": "%lld T", "few": "%lld F", "many": "%lld M", "other": "%lld X"},
        "plain": "Plain"
    })");
    struct Case {
        const char* locale;
        double count;
        const char* form;
    };
    const Case cases[] = {
        {"en_US", 0, "%lld X"}, {"en_US", 1, "%lld O"}, {"en_US", 2, "%lld X"}, {"en_US", 5, "%lld X"},
        {"en_US", 11, "%lld X"}, {"en_US", 21, "%lld X"}, {"en_US", 101, "%lld X"},
        {"ru_RU", 0, "%lld M"}, {"ru_RU", 1, "%lld O"}, {"ru_RU", 2, "%lld F"}, {"ru_RU", 5, "%lld M"},
        {"ru_RU", 11, "%lld M"}, {"ru_RU", 21, "%lld O"}, {"ru_RU", 101, "%lld O"},
        {"ar_EG", 0, "%lld Z"}, {"ar_EG", 1, "%lld O"}, {"ar_EG", 2, "%lld T"}, {"ar_EG", 5, "%lld F"},
        {"ar_EG", 11, "%lld M"}, {"ar_EG", 21, "%lld M"}, {"ar_EG", 101, "%lld X"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(t.lookupPlural("%lld cores", c.count, c.locale), c.form) << c.locale << " " << c.count;
    // Without a count the "other" form stands; a plain entry ignores the count.
    EXPECT_EQ(t.lookup("%lld cores"), "%lld X");
    EXPECT_EQ(t.lookupPlural("plain", 1, "ru_RU"), "Plain");
    EXPECT_EQ(t.lookupPlural("absent %lld", 1, "ru_RU"), "absent %lld");
}

TEST(StringTable, PluralEntryMissingTheChosenFormFallsBackToOther)
{
    const StringTable t = StringTable::fromJson(R"({"%lld files": {"one": "%lld file", "other": "%lld files", "bogus": "x"}})");
    EXPECT_EQ(t.lookupPlural("%lld files", 3, "ru_RU"), "%lld files");
    EXPECT_EQ(t.lookupPlural("%lld files", 1, "en_US"), "%lld file");
    EXPECT_EQ(StringTable::pluralCategories("ja_JP"), QStringList{"other"});
}
