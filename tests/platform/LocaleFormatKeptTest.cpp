#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/Localization.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

// The interface languages' locales format from kept patterns; every text those make must be
// the one ICU makes. Each case is formatted both ways and compared.
namespace {

const char* const kCodes[] = {"en", "ar", "de", "es", "fr", "hi", "it", "ja", "ko", "pt-BR", "ru", "tr", "zh-Hans"};

// The language's own locale, as for a user whose system locale names no region.
Localization own(const char* code) { return Localization::forCode(QString::fromLatin1(code), QStringLiteral("en_US_POSIX")); }

struct IcuOnly {
    IcuOnly() { LocaleFormat::useKeptPatterns(false); }
    ~IcuOnly() { LocaleFormat::useKeptPatterns(true); }
};

// Formats with the kept patterns and with ICU; the first difference per locale is reported.
void expectSame(const Localization& l, const std::function<QString()>& format, const QString& what)
{
    const QString kept = format();
    QString icu;
    {
        IcuOnly off;
        icu = format();
    }
    EXPECT_EQ(kept, icu) << l.localeId.toStdString() << ": " << what.toStdString();
}

std::vector<double> fractions()
{
    std::vector<double> out = {0, 1e-9, 0.001, 0.0049, 0.005, 0.0051, 0.015, 0.025, 0.125, 0.135, 0.145, 0.42,
                               0.5, 0.555, 0.995, 1, 1.005, 9.99, 10, 12.345, 99.995, 123.456};
    for (int i = 0; i <= 1000; ++i) out.push_back(i / 1000.0);
    std::mt19937_64 random(29);
    std::uniform_real_distribution<double> any(0, 2);
    for (int i = 0; i < 200; ++i) out.push_back(any(random));
    return out;
}

std::vector<double> decimals()
{
    std::vector<double> out = {0, 1, 2.5, 3.5, 0.125, 0.375, 1.005, 2.675, 999.5, 999.9951, 1000, 1234, 9999.5,
                               12345.678, 123456.5, 1234567.891, 99999999.995, 1e14 + 0.5, 0.000123, 5e-7};
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> small(0, 100), large(0, 1e12);
    for (int i = 0; i < 150; ++i) out.push_back(small(random));
    for (int i = 0; i < 150; ++i) out.push_back(large(random));
    return out;
}

std::vector<qint64> byteCounts()
{
    std::vector<qint64> out = {1000, 1001, 1023, 1024, 1025, 1499, 1500, 1550, 999'499, 999'500, 999'999, 1'000'000,
                               1'048'575, 1'048'576, 1'500'000, 1'500'000'000, 17'179'869'184, 494'384'795'648,
                               999'995'000'000, 1'125'899'906'842'624, 999'999'999'999'999'999LL,
                               std::numeric_limits<qint64>::max(), -1'500'000, -17'179'869'184, 999, 512, 1, 0};
    std::mt19937_64 random(11);
    for (int digits = 4; digits <= 18; ++digits) {
        std::uniform_int_distribution<qint64> any(qint64(std::pow(10.0, digits - 1)), qint64(std::pow(10.0, digits)) - 1);
        for (int i = 0; i < 40; ++i) out.push_back(any(random));
    }
    return out;
}

}  // namespace

TEST(LocaleFormatKept, TheInterfaceLanguagesOwnLocalesKeepTheirPatterns)
{
    for (const char* code : kCodes) EXPECT_TRUE(LocaleFormat::hasKeptPatterns(own(code))) << code << ' ' << own(code).localeId.toStdString();
    // Another region formats through ICU: its separators and clock may differ.
    EXPECT_FALSE(LocaleFormat::hasKeptPatterns(Localization::forCode("en", "en_GB")));
    EXPECT_FALSE(LocaleFormat::hasKeptPatterns(Localization::forCode("de", "en_US")));
}

TEST(LocaleFormatKept, PercentagesAndDecimalsAreIcusTexts)
{
    const std::vector<double> f = fractions(), d = decimals();
    for (const char* code : kCodes) {
        const Localization l = own(code);
        for (double x : f) expectSame(l, [&] { return LocaleFormat::percent(x, l); }, "percent " + QString::number(x, 'g', 17));
        for (double x : d)
            for (int digits : {0, 1, 2, 3})
                for (bool grouping : {true, false})
                    expectSame(l, [&] { return LocaleFormat::decimal(x, l, digits, grouping); },
                               QStringLiteral("decimal %1 %2 %3").arg(x, 0, 'g', 17).arg(digits).arg(grouping));
        for (qint64 n : {qint64(0), qint64(7), qint64(1234), qint64(123456789)})
            expectSame(l, [&] { return LocaleFormat::count(n, l); }, "count " + QString::number(n));
    }
}

TEST(LocaleFormatKept, ByteCountsAreIcusTexts)
{
    const std::vector<qint64> counts = byteCounts();
    for (const char* code : kCodes) {
        const Localization l = own(code);
        for (qint64 n : counts)
            for (LocaleFormat::ByteStyle style : {LocaleFormat::ByteStyle::File, LocaleFormat::ByteStyle::Memory})
                expectSame(l, [&] { return LocaleFormat::byteCount(n, l, style, false); }, "bytes " + QString::number(n));
    }
}

TEST(LocaleFormatKept, DurationsAndClockTimesAreIcusTexts)
{
    std::vector<double> seconds = {0, 59, 60, 61, 3599, 3600, 3660, 7200, 86399, 86400, 86460, 90000, 93784, 1'000'000,
                                   1234 * 86400.0 + 3600 * 5 + 60 * 7, 21 * 86400.0, 11 * 3600.0 + 60, 1e9};
    for (int i = 0; i < 200; ++i) seconds.push_back(i * 1234.5 + i * i * 97.0);
    const QDateTime start = QDateTime(QDate(2026, 12, 9), QTime(0, 0), QTimeZone::utc());
    for (const char* code : kCodes) {
        const Localization l = own(code);
        for (double s : seconds) expectSame(l, [&] { return LocaleFormat::abbreviatedDuration(s, l); }, "duration " + QString::number(s));
        for (int second = 0; second < 24 * 3600; second += 7 * 60 + 13) {
            const QDateTime when = start.addSecs(second);
            for (LocaleFormat::DateStyle style : {LocaleFormat::DateStyle::Short, LocaleFormat::DateStyle::Medium})
                expectSame(l, [&] { return LocaleFormat::dateTime(when, l, LocaleFormat::DateStyle::None, style); },
                           "time " + when.toString(Qt::ISODate));
        }
    }
}

TEST(LocaleFormatKept, PluralCategoriesOfWholeCountsAreIcus)
{
    std::vector<double> counts;
    for (int n = 0; n <= 2100; ++n) counts.push_back(n);
    for (double n : {1e4, 1e5, 1e6, 1e6 + 1, 2e6, 1e7, 1.1e6, 3e9, 1e12, 1e14, 0.5, 1.5, 2.25, 21.0})
        counts.push_back(n);
    std::mt19937_64 random(3);
    std::uniform_int_distribution<qint64> any(0, 1'000'000'000'000LL);
    for (int i = 0; i < 300; ++i) counts.push_back(double(any(random)));
    for (const char* code : kCodes) {
        const QString id = own(code).localeId;
        for (double n : counts) {
            const QString kept = StringTable::pluralCategory(n, id);
            QString icu;
            {
                IcuOnly off;
                icu = StringTable::pluralCategory(n, id);
            }
            EXPECT_EQ(kept, icu) << id.toStdString() << ' ' << n;
        }
        // Whole counts never reach ICU's rules in these locales.
        EXPECT_FALSE(LocaleFormat::keptPluralCategory(21, id).isEmpty()) << id.toStdString();
    }
    EXPECT_TRUE(LocaleFormat::keptPluralCategory(1.5, "en_US").isEmpty());
    EXPECT_TRUE(LocaleFormat::keptPluralCategory(1, "pt_PT").isEmpty());  // Portugal's rules differ from Brazil's
}

TEST(LocaleFormatKept, LikelyRegionsAreIcus)
{
    QStringList codes;
    for (const char* code : kCodes) codes << QString::fromLatin1(code);
    codes << "zh" << "zh-Hant" << "pt" << "sr" << "nl" << "EN" << "pt-PT";
    for (const QString& code : codes)
        for (const QString& user : {QStringLiteral("en_US_POSIX"), QStringLiteral("C"), QString()}) {
            const QString kept = Localization::composeLocaleId(code, user);
            QString icu;
            {
                IcuOnly off;
                icu = Localization::composeLocaleId(code, user);
            }
            EXPECT_EQ(kept, icu) << code.toStdString() << " / " << user.toStdString();
        }
    EXPECT_EQ(LocaleFormat::keptLikelyRegion("hi"), "IN");
    EXPECT_EQ(LocaleFormat::keptLikelyRegion("zh_Hans"), "CN");
    EXPECT_EQ(LocaleFormat::keptLikelyRegion("nl"), "");
}
