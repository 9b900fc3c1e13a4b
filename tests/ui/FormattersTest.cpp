#include "ui/AppLinks.h"
#include "ui/Formatters.h"
#include "ui/UiLanguage.h"

#include "app/LanguageManager.h"

#include <QTimeZone>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {
Localization lang(const char* code) { return Localization::forCode(code, "en_US"); }
const QString arabicDigits = QString::fromUtf8("٠١٢٣٤٥٦٧٨٩");
}  // namespace

TEST(Formatters, PercentInEnglishRoundsHalfToEvenAndDoesNotClamp)
{
    const struct {
        double fraction;
        const char* text;
    } cases[] = {{0.5, "50%"}, {0.123, "12%"}, {1.2, "120%"}, {0, "0%"}, {0.125, "12%"}, {0.375, "38%"}, {-0.25, "-25%"},
                 {std::nan(""), "0%"}};
    for (const auto& c : cases) EXPECT_EQ(Formatters::percent(c.fraction, lang("en")), QString::fromUtf8(c.text)) << c.fraction;
}

TEST(Formatters, PercentFollowsTheInterfaceLanguage)
{
    const struct {
        const char* code;
        const char* text;
    } cases[] = {{"fr", "50\u00a0%"}, {"de", "50\u00a0%"}, {"tr", "%50"}, {"ar", "٥٠٪؜"}, {"en", "50%"}};
    for (const auto& c : cases) EXPECT_EQ(Formatters::percent(0.5, lang(c.code)), QString::fromUtf8(c.text)) << c.code;

    // Every offered language gives a text with the number in its own digits.
    for (const AppLanguage& language : AppLanguage::all()) {
        const QString text = Formatters::percent(0.42, Localization::forCode(language.code, "en_US"));
        SCOPED_TRACE(language.code.toStdString() + " " + text.toStdString());
        const bool arabic = language.code == "ar";
        EXPECT_TRUE(text.contains(arabic ? arabicDigits.mid(4, 1) + arabicDigits.mid(2, 1) : QStringLiteral("42")));
    }
}

TEST(Formatters, PercentReadsTheCurrentLanguageAtEveryCall)
{
    {
        UiLanguage::Override ar(lang("ar"));
        EXPECT_TRUE(Formatters::percent(0.5).contains(arabicDigits.mid(5, 1)));
    }
    EXPECT_EQ(Formatters::percent(0.5), "50%");
}

TEST(Formatters, ThroughputTruncatesAndUsesFileStyleByteCounts)
{
    const Localization en = lang("en");
    EXPECT_EQ(Formatters::throughput(0, en), "0 bytes/s");  // zero in digits, not spelled out
    EXPECT_EQ(Formatters::throughput(999.9, en), "999 bytes/s");
    EXPECT_EQ(Formatters::throughput(1500.7, en), Formatters::throughput(1500, en));
    EXPECT_EQ(Formatters::throughput(1500.7, en), "2 KB/s");
    EXPECT_EQ(Formatters::throughput(2'500'000, en), "2.5 MB/s");  // multiples of 1000
    EXPECT_TRUE(Formatters::throughput(-2000, en).startsWith('-'));
    EXPECT_TRUE(Formatters::throughput(-0.5, en) == "0 bytes/s");  // truncated toward zero
}

TEST(Formatters, ThroughputOutsideTheIntegerRangeShowsADash)
{
    const double cases[] = {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                            9223372036854775808.0, 1e300, -1e300};
    for (double rate : cases) EXPECT_EQ(Formatters::throughput(rate, lang("en")), QString::fromUtf8("—")) << rate;
    // The lowest convertible value still formats.
    EXPECT_TRUE(Formatters::throughput(-9223372036854775808.0, lang("en")).endsWith("/s"));
}

TEST(Formatters, ThroughputInEveryLanguage)
{
    for (const AppLanguage& language : AppLanguage::all()) {
        const Localization l = Localization::forCode(language.code, "en_US");
        const QString zero = Formatters::throughput(0, l);
        SCOPED_TRACE(language.code.toStdString() + " " + zero.toStdString());
        EXPECT_FALSE(zero.isEmpty());
        EXPECT_TRUE(zero.contains(language.code == "ar" ? arabicDigits.left(1) : QStringLiteral("0")));
        EXPECT_FALSE(zero.contains("%@"));
    }
}

TEST(Formatters, DateWithAndWithoutTimeOfDay)
{
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7), Qt::UTC);
    const QString day = Formatters::date(when, false, lang("en"));
    const QString withTime = Formatters::date(when, true, lang("en"));
    EXPECT_TRUE(day.contains("2024")) << day.toStdString();
    EXPECT_TRUE(day.contains("Mar")) << day.toStdString();  // abbreviated month
    EXPECT_FALSE(day.contains(':'));
    EXPECT_TRUE(withTime.startsWith(day)) << withTime.toStdString();
    EXPECT_TRUE(withTime.contains(':'));
    // German in Germany writes a 24-hour clock.
    const QString de = Formatters::date(when, true, Localization::forCode("de", "de_DE"));
    EXPECT_TRUE(de.contains("2024")) << de.toStdString();
    EXPECT_FALSE(de.contains("PM"));
    const QString ar = Formatters::date(when, false, lang("ar"));
    EXPECT_TRUE(ar.contains(arabicDigits.mid(2, 1))) << ar.toStdString();
}

TEST(Formatters, DateNamesTheMonthInEveryLanguage)
{
    // Locales whose medium date pattern is numeric (de, ar, ko) still get the month's name.
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7), Qt::UTC);
    const struct {
        const char* code;
        const char* region;
        const char* text;
    } cases[] = {{"en", "en_US", "Mar 5, 2024"},       {"de", "de_DE", "5. März 2024"}, {"ar", "en_US", "٥ مارس ٢٠٢٤"},
                 {"ko", "en_US", "2024년 3월 5일"},     {"ja", "en_US", "2024年3月5日"}, {"ru", "en_US", "5 мар. 2024\u202fг."},
                 {"pt-BR", "en_US", "5 de mar. de 2024"}};
    for (const auto& c : cases)
        EXPECT_EQ(Formatters::date(when, false, Localization::forCode(c.code, c.region)), QString::fromUtf8(c.text)) << c.code;
}

TEST(Formatters, DateFollowsALaterChangeOfTheTimeZone)
{
    const QByteArray saved = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7), Qt::UTC);
    const Localization de = Localization::forCode("de", "de_DE");
    qputenv("TZ", "UTC");
    const QString utc = Formatters::date(when, true, de);
    qputenv("TZ", "Asia/Tokyo");
    const QString tokyo = Formatters::date(when, true, de);
    if (hadZone) qputenv("TZ", saved);
    else qunsetenv("TZ");
    EXPECT_TRUE(utc.endsWith("14:07")) << utc.toStdString();
    EXPECT_TRUE(tokyo.endsWith("23:07")) << tokyo.toStdString();
}

// Each language and style keeps its own format, and every call still takes the zone of that
// moment: back to the first zone, other languages and styles in between.
TEST(Formatters, DatesInterleavedAcrossLanguagesStylesAndZones)
{
    const QByteArray saved = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7), Qt::UTC);
    const Localization de = Localization::forCode("de", "de_DE");
    qputenv("TZ", "UTC");
    const QString deUtc = Formatters::date(when, true, de);
    const QString enDay = Formatters::date(when, false, lang("en"));
    qputenv("TZ", "Asia/Tokyo");
    const QString deTokyo = Formatters::date(when, true, de);
    const QString enTokyo = Formatters::date(when, true, lang("en"));
    qputenv("TZ", "UTC");
    const QString deAgain = Formatters::date(when, true, de);
    const QString deDay = Formatters::date(when, false, de);
    const QString enAgain = Formatters::date(when, false, lang("en"));
    if (hadZone) qputenv("TZ", saved);
    else qunsetenv("TZ");
    EXPECT_TRUE(deUtc.endsWith("14:07")) << deUtc.toStdString();
    EXPECT_TRUE(deTokyo.endsWith("23:07")) << deTokyo.toStdString();
    EXPECT_EQ(deAgain, deUtc);
    EXPECT_TRUE(enTokyo.contains("11:07")) << enTokyo.toStdString();
    EXPECT_EQ(enDay, "Mar 5, 2024");
    EXPECT_EQ(enAgain, enDay);
    EXPECT_EQ(deDay, QString::fromUtf8("5. März 2024"));
}

TEST(AppLinks, PagesShareTheWebsiteHostAndDifferOnlyByPath)
{
    const auto links = AppLinks::make("https://quorlent.example.com/some/path?x=1#top", "help@example.com");
    EXPECT_EQ(links.website.toString(), "https://quorlent.example.com/");
    EXPECT_EQ(links.terms.toString(), "https://quorlent.example.com/terms");
    EXPECT_EQ(links.privacy.toString(), "https://quorlent.example.com/privacy");
    EXPECT_EQ(links.contact.toString(), "mailto:help@example.com");
    for (const QUrl& page : {links.website, links.terms, links.privacy}) {
        EXPECT_EQ(page.host(), links.website.host());
        EXPECT_EQ(page.scheme(), "https");
        EXPECT_FALSE(page.hasQuery());
        EXPECT_FALSE(page.hasFragment());
    }
}

TEST(AppLinks, BuildConfigurationGivesValidAddresses)
{
    for (const QUrl* u : {&AppLinks::website(), &AppLinks::terms(), &AppLinks::privacy(), &AppLinks::contact()}) {
        EXPECT_TRUE(u->isValid()) << u->toString().toStdString();
        EXPECT_FALSE(u->scheme().isEmpty());
    }
    EXPECT_EQ(AppLinks::contact().scheme(), "mailto");
    EXPECT_FALSE(AppLinks::website().host().isEmpty());
    EXPECT_EQ(AppLinks::terms().host(), AppLinks::website().host());
}
