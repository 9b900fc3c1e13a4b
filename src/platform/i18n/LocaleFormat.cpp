#include "platform/i18n/LocaleFormat.h"

#include <unicode/datefmt.h>
#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/numberformatter.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <cmath>
#include <map>
#include <vector>
#include <memory>
#include <utility>

namespace {
icu::Locale icuLocale(const Localization& l)
{
    return icu::Locale(l.localeId.toUtf8().constData());
}

QString fromIcu(const icu::UnicodeString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

icu::UnicodeString toIcu(const QString& s)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

// Building a number formatter (locale data, skeleton) costs far more than formatting with
// one, and the live pages format several numbers a second: each thread keeps the formatters
// it has built, by locale and style. Per thread, as a formatter is not meant to be shared
// between threads formatting at once.
enum Variant : int { kBytes = 0, kUnit = 100, kPercent = 200, kDecimal = 300 };

template <class Make>
const icu::number::LocalizedNumberFormatter& cachedFormatter(const Localization& l, int variant, Make make)
{
    thread_local std::map<std::pair<QString, int>, icu::number::LocalizedNumberFormatter> cache;
    std::pair<QString, int> key(l.localeId, variant);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    // A bound on the unlikely: many languages and styles in one long-running thread.
    if (cache.size() >= 256) cache.clear();
    return cache.emplace(std::move(key), make().locale(icuLocale(l))).first->second;
}

icu::DateFormat::EStyle icuStyle(LocaleFormat::DateStyle s)
{
    switch (s) {
    case LocaleFormat::DateStyle::None: return icu::DateFormat::kNone;
    case LocaleFormat::DateStyle::Short: return icu::DateFormat::kShort;
    case LocaleFormat::DateStyle::Medium: return icu::DateFormat::kMedium;
    case LocaleFormat::DateStyle::Long: return icu::DateFormat::kLong;
    case LocaleFormat::DateStyle::Full: return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kNone;
}
}  // namespace

namespace LocaleFormat {

QString byteCount(qint64 bytes, const Localization& l, ByteStyle style, bool spellOutZero)
{
    using namespace icu::number;
    if (bytes == 0 && spellOutZero) return l.tr("Zero KB");
    UErrorCode status = U_ZERO_ERROR;
    const double base = style == ByteStyle::File ? 1000.0 : 1024.0;
    const double magnitude = std::fabs(double(bytes));
    // Unit by size; fraction digits as the platform's adaptive byte counts show them.
    static icu::MeasureUnit (*const units[])() = {
        &icu::MeasureUnit::getKilobyte, &icu::MeasureUnit::getMegabyte, &icu::MeasureUnit::getGigabyte,
        &icu::MeasureUnit::getTerabyte, &icu::MeasureUnit::getPetabyte};
    if (magnitude < base) {
        const LocalizedNumberFormatter& f = cachedFormatter(l, kBytes, [] {
            return NumberFormatter::with()
                .unit(icu::MeasureUnit::getByte())
                .unitWidth(UNUM_UNIT_WIDTH_FULL_NAME)
                .precision(Precision::integer());
        });
        icu::UnicodeString s = f.formatInt(bytes, status).toString(status);
        return U_SUCCESS(status) ? fromIcu(s) : QString::number(bytes);
    }
    int unit = 0;
    double value = magnitude / base;
    while (unit < 4 && value >= base) { value /= base; ++unit; }
    int digits = unit == 0 ? 0 : unit == 1 ? 1 : 2;
    // A value that rounds up to the next unit moves to it ("1 MB", not "1,000 KB").
    const double scale = std::pow(10.0, digits);
    if (unit < 4 && std::round(value * scale) / scale >= base) { value /= base; ++unit; digits = unit == 1 ? 1 : 2; }
    if (bytes < 0) value = -value;
    const LocalizedNumberFormatter& f = cachedFormatter(l, kUnit + unit * 10 + digits, [&] {
        return NumberFormatter::with()
            .unit(units[unit]())
            .unitWidth(UNUM_UNIT_WIDTH_SHORT)
            .roundingMode(UNUM_ROUND_HALFEVEN)
            .precision(Precision::maxFraction(digits));
    });
    icu::UnicodeString s = f.formatDouble(value, status).toString(status);
    QString text = U_SUCCESS(status) ? fromIcu(s) : QString::number(value, 'f', digits);
    // English byte counts write kilobytes "KB", as the "Zero KB" of an empty count does.
    if (unit == 0 && l.localeId.startsWith(QLatin1String("en"))) text.replace(QLatin1String("kB"), QLatin1String("KB"));
    return text;
}

QString percent(double fraction, const Localization& l)
{
    using namespace icu::number;
    UErrorCode status = U_ZERO_ERROR;
    if (!std::isfinite(fraction)) fraction = 0;
    const LocalizedNumberFormatter& f = cachedFormatter(l, kPercent, [] {
        return NumberFormatter::with()
            .unit(icu::NoUnit::percent())
            .scale(Scale::powerOfTen(2))
            .roundingMode(UNUM_ROUND_HALFEVEN)
            .precision(Precision::integer());
    });
    icu::UnicodeString s = f.formatDouble(fraction, status).toString(status);
    return U_SUCCESS(status) ? fromIcu(s) : QString::number(std::lround(fraction * 100)) + '%';
}

QString decimal(double value, const Localization& l, int maxFractionDigits, bool grouping)
{
    using namespace icu::number;
    UErrorCode status = U_ZERO_ERROR;
    // ICU refuses these: the plain rendering, as when any formatting fails.
    if (maxFractionDigits < 0 || maxFractionDigits > 999) return QString::number(value, 'f', maxFractionDigits);
    const LocalizedNumberFormatter& f = cachedFormatter(l, kDecimal + maxFractionDigits * 2 + (grouping ? 1 : 0), [&] {
        return NumberFormatter::with()
            .roundingMode(UNUM_ROUND_HALFEVEN)
            .grouping(grouping ? UNUM_GROUPING_AUTO : UNUM_GROUPING_OFF)
            .precision(Precision::maxFraction(maxFractionDigits));
    });
    icu::UnicodeString s = f.formatDouble(value, status).toString(status);
    return U_SUCCESS(status) ? fromIcu(s) : QString::number(value, 'f', maxFractionDigits);
}

QString count(qint64 n, const Localization& l) { return decimal(double(n), l, 0, false); }

QString abbreviatedDuration(double seconds, const Localization& l)
{
    if (!std::isfinite(seconds) || seconds < 0) return {};
    const qint64 total = qint64(seconds) / 60;  // whole minutes
    const qint64 days = total / (24 * 60);
    const qint64 hours = (total / 60) % 24;
    const qint64 minutes = total % 60;
    UErrorCode status = U_ZERO_ERROR;
    // Made once per thread and language: a measure format loads the locale's unit patterns.
    thread_local std::map<QString, std::unique_ptr<icu::MeasureFormat>> kept;
    auto it = kept.find(l.localeId);
    if (it == kept.end()) {
        if (kept.size() >= 64) kept.clear();
        UErrorCode made = U_ZERO_ERROR;
        auto format = std::make_unique<icu::MeasureFormat>(icuLocale(l), UMEASFMT_WIDTH_NARROW, made);
        it = kept.emplace(l.localeId, U_SUCCESS(made) ? std::move(format) : nullptr).first;
    }
    if (!it->second) return {};
    const icu::MeasureFormat& format = *it->second;
    std::vector<icu::Measure> measures;
    auto add = [&](qint64 n, icu::MeasureUnit* unit) {
        measures.emplace_back(icu::Formattable(int64_t(n)), unit, status);
    };
    if (days > 0) add(days, icu::MeasureUnit::createDay(status));
    if (hours > 0) add(hours, icu::MeasureUnit::createHour(status));
    if (minutes > 0 || measures.empty()) add(minutes, icu::MeasureUnit::createMinute(status));
    if (U_FAILURE(status)) return {};
    icu::UnicodeString out;
    icu::FieldPosition pos;
    format.formatMeasures(measures.data(), int32_t(measures.size()), out, pos, status);
    return U_SUCCESS(status) ? fromIcu(out) : QString();
}

QString dateTime(const QDateTime& when, const Localization& l, DateStyle date, DateStyle time)
{
    // A date format reads the locale's calendar, symbols and patterns when it is made: made
    // once per thread, language and styles (it keeps ICU's default zone, as a new one would).
    thread_local std::map<std::pair<QString, int>, std::unique_ptr<icu::DateFormat>> kept;
    std::pair<QString, int> key(l.localeId, int(date) * 8 + int(time));
    auto it = kept.find(key);
    if (it == kept.end()) {
        if (kept.size() >= 64) kept.clear();
        it = kept.emplace(std::move(key), std::unique_ptr<icu::DateFormat>(icu::DateFormat::createDateTimeInstance(
                                              icuStyle(date), icuStyle(time), icuLocale(l))))
                 .first;
    }
    if (!it->second) return when.toString(Qt::ISODate);
    icu::UnicodeString out;
    it->second->format(UDate(when.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

QString pattern(const QDateTime& when, const QString& icuPattern, const char* localeId)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat f(toIcu(icuPattern), icu::Locale(localeId), status);
    if (U_FAILURE(status)) return {};
    icu::UnicodeString out;
    f.format(UDate(when.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

}  // namespace LocaleFormat
