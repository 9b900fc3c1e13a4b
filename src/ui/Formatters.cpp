#include "ui/Formatters.h"

#include "inspection/Capability.h"
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "ui/UiLanguage.h"

#include <QTimeZone>

#include <unicode/datefmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <map>
#include <memory>

namespace Formatters {

QString percent(double fraction, const Localization& l) { return LocaleFormat::percent(fraction, l); }
QString percent(double fraction) { return percent(fraction, UiLanguage::current()); }

QString throughput(double rate, const Localization& l)
{
    // 2^63 itself is out of range; -2^63 is the smallest value that converts.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(rate) || rate >= limit || rate < -limit) return kMissingValue;
    const qint64 bytes = qint64(std::trunc(rate));
    const QString count = LocaleFormat::byteCount(bytes, l, LocaleFormat::ByteStyle::File, /*spellOutZero=*/false);
    return formatString(l.tr("%@/s"), {count});
}
QString throughput(double rate) { return throughput(rate, UiLanguage::current()); }

QString date(const QDateTime& when, bool time, const Localization& l)
{
    // The abbreviated style names the month in every language ("10. Dez. 2026", not the
    // numeric medium pattern some locales have); "j" takes the locale's 12- or 24-hour clock.
    // A pattern from a skeleton runs ICU's pattern generator over the locale's data, and a
    // history lists hundreds of dates: one format per thread, language and style, kept.
    struct Kept {
        std::unique_ptr<icu::DateFormat> format;
        QByteArray zone;  // the system zone it was last set to
    };
    thread_local std::map<std::pair<QString, bool>, Kept> kept;
    std::pair<QString, bool> key(l.localeId, time);
    auto it = kept.find(key);
    if (it == kept.end()) {
        if (kept.size() >= 64) kept.clear();
        const icu::UnicodeString skeleton(time ? "yMMMdjmm" : "yMMMd");
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::DateFormat> f(
            icu::DateFormat::createInstanceForSkeleton(skeleton, icu::Locale(l.localeId.toUtf8().constData()), status));
        if (U_FAILURE(status)) f.reset();
        it = kept.emplace(std::move(key), Kept{std::move(f), {}}).first;
    }
    icu::DateFormat* f = it->second.format.get();
    if (!f)
        return LocaleFormat::dateTime(when, l, LocaleFormat::DateStyle::Medium,
                                      time ? LocaleFormat::DateStyle::Short : LocaleFormat::DateStyle::None);
    // ICU keeps the zone it found first; the system's zone is asked at every call so a
    // change of the machine's time zone shows on the next text.
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    if (zone != it->second.zone) {
        std::unique_ptr<icu::TimeZone> tz;
        if (!zone.isEmpty()) tz.reset(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone.constData())));
        // A zone ICU does not know: its own default, as a new format would have.
        if (!tz || *tz == icu::TimeZone::getUnknown()) tz.reset(icu::TimeZone::createDefault());
        f->adoptTimeZone(tz.release());
        it->second.zone = zone;
    }
    icu::UnicodeString out;
    f->format(UDate(when.toMSecsSinceEpoch()), out);
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}
QString date(const QDateTime& when, bool time) { return date(when, time, UiLanguage::current()); }

QString statusCounts(qint64 supported, qint64 warnings, qint64 unsupported, const Localization& l)
{
    auto part = [&](const char* key, qint64 n) { return formatString(l.trPlural(key, double(n)), {LocaleFormat::count(n, l)}); };
    return part(QRL_KEY("%lld supported"), supported) + QStringLiteral(" · ") + part(QRL_KEY("%lld warnings"), warnings)
         + QStringLiteral(" · ") + part(QRL_KEY("%lld not supported"), unsupported);
}

}  // namespace Formatters
