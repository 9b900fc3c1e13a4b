#include "screens/BatteryHealthModel.h"

#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "ui/Formatters.h"
#include "ui/Symbols.h"

#include <QTimeZone>

#include <unicode/datefmt.h>
#include <unicode/numberformatter.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>

namespace {
QString fromIcu(const icu::UnicodeString& s) { return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length()); }
icu::Locale icuLocale(const Localization& l) { return icu::Locale(l.localeId.toUtf8().constData()); }
}  // namespace

BatteryModel::BatteryModel(const BatteryHealthReport& r)
    : health(normalised(r.healthPercent)),
      maxCapacity(r.maxCapacity),
      designCapacity(r.designCapacity),
      cycleCount(r.cycleCount),
      designCycleCount(r.designCycleCount),
      condition(r.condition),
      temperature(r.temperatureCelsius),
      charge(normalised(r.chargePercent)),
      isCharging(r.isCharging),
      isPluggedIn(r.isPluggedIn),
      adapterWatts(r.adapterWatts)
{
    if (r.manufactureDate && r.manufactureDate->isValid()) {
        const QDate day = r.manufactureDate->toUTC().date();
        if (day.isValid()) manufactureDate = day;
    }
}

std::optional<double> BatteryModel::normalised(std::optional<double> fraction)
{
    if (!fraction || std::isnan(*fraction)) return std::nullopt;
    return *fraction > 1.5 ? *fraction / 100.0 : *fraction;
}

BatteryModel::Tint BatteryModel::tint(std::optional<double> health)
{
    if (!health || std::isnan(*health)) return Tint::secondary;
    if (*health >= 0.8) return Tint::supported;
    if (*health >= 0.6) return Tint::warning;
    return Tint::unsupported;
}

QColor BatteryModel::color(Tint tint, Theme::Appearance a)
{
    switch (tint) {
    case Tint::supported: return Theme::color(Theme::Color::statusSupported, a);
    case Tint::warning: return Theme::color(Theme::Color::statusWarning, a);
    case Tint::unsupported: return Theme::color(Theme::Color::statusUnsupported, a);
    case Tint::secondary: break;
    }
    return Theme::foreground(Theme::Level::secondary, a);
}

QColor BatteryModel::color(Tint tint) { return color(tint, Theme::appearance()); }

double BatteryModel::fillFraction(std::optional<qint64> value, std::optional<qint64> reference)
{
    if (!value || !reference || *reference < 1) return 0;
    return std::clamp(double(*value) / double(*reference), 0.0, 1.0);
}

QString BatteryModel::missing() { return QStringLiteral("—"); }

QString BatteryModel::healthText(const Localization& l) const { return health ? Formatters::percent(*health, l) : missing(); }

QString BatteryModel::capacityText(std::optional<qint64> mAh, const Localization& l)
{
    if (!mAh) return missing();
    // The unit stays as it is in every language.
    return LocaleFormat::decimal(double(*mAh), l, 0, true) + QStringLiteral(" mAh");
}

QString BatteryModel::cyclesText(const Localization& l) const
{
    if (!cycleCount) return missing();
    if (designCycleCount) return formatString(l.tr("%lld of %lld"), {LocaleFormat::count(*cycleCount, l), LocaleFormat::count(*designCycleCount, l)});
    return QString::number(*cycleCount);
}

QString BatteryModel::temperatureText(const Localization& l) const
{
    if (!temperature || !std::isfinite(*temperature)) return missing();
    using namespace icu::number;
    UErrorCode status = U_ZERO_ERROR;
    // Celsius as read, whatever unit the locale prefers; exactly one fraction digit.
    const LocalizedNumberFormatter f = NumberFormatter::withLocale(icuLocale(l))
                                           .unit(icu::MeasureUnit::getCelsius())
                                           .unitWidth(UNUM_UNIT_WIDTH_SHORT)
                                           .precision(Precision::fixedFraction(1));
    const icu::UnicodeString s = f.formatDouble(*temperature, status).toString(status);
    if (U_FAILURE(status)) return QString::number(*temperature, 'f', 1) + QStringLiteral(" °C");
    return fromIcu(s);
}

QString BatteryModel::chargeText(const Localization& l) const { return charge ? Formatters::percent(*charge, l) : missing(); }

QString BatteryModel::powerText(const Localization& l) const
{
    if (isCharging) return l.tr("Charging");
    if (isPluggedIn) return l.tr("Plugged in");
    return l.tr("On battery");
}

QString BatteryModel::powerSymbol() const { return isPluggedIn ? QRL_SYMBOL("powerplug") : QRL_SYMBOL("bolt.slash"); }

QString BatteryModel::adapterText(const Localization& l) const
{
    if (!adapterWatts) return missing();
    return formatString(l.tr("%lld W"), {LocaleFormat::count(*adapterWatts, l)});
}

QString BatteryModel::manufacturedText(const Localization& l) const
{
    return manufactureDate ? calendarDate(*manufactureDate, l) : missing();
}

QString BatteryModel::calendarDate(const QDate& day, const Localization& l)
{
    if (!day.isValid()) return missing();
    // The day is formatted as noon of that day in UTC, read in UTC: no zone can move it to the
    // day before or after.
    const QDateTime noon(day, QTime(12, 0), QTimeZone::utc());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateFormat> f(icu::DateFormat::createInstanceForSkeleton(icu::UnicodeString("yMMMd"), icuLocale(l), status));
    if (U_FAILURE(status) || !f) return QLocale(l.qlocale()).toString(day, QLocale::ShortFormat);
    f->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString("UTC")));
    icu::UnicodeString out;
    f->format(UDate(noon.toMSecsSinceEpoch()), out);
    const QString text = fromIcu(out);
    return text.isEmpty() ? missing() : text;
}
