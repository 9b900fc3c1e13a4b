#include "ui/Formatters.h"

#include "inspection/Capability.h"
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "ui/UiLanguage.h"

#include <cmath>

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
    return LocaleFormat::dateTime(when, l, LocaleFormat::DateStyle::Medium,
                                  time ? LocaleFormat::DateStyle::Short : LocaleFormat::DateStyle::None);
}
QString date(const QDateTime& when, bool time) { return date(when, time, UiLanguage::current()); }

}  // namespace Formatters
