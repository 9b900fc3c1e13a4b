#include "inspection/BatteryHealthProbe.h"

#include <algorithm>
#include <cmath>

namespace BatteryHealthProbe {

namespace {
bool isBool(const QVariant& v) { return v.typeId() == QMetaType::Bool; }
bool isString(const QVariant& v) { return v.typeId() == QMetaType::QString; }

// A number of any width, integer or floating; Booleans and numeric strings are not numbers.
std::optional<double> number(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar:
        return v.toDouble();
    case QMetaType::Double: case QMetaType::Float: {
        const double d = v.toDouble();
        if (!std::isfinite(d)) return std::nullopt;
        return d;
    }
    default: return std::nullopt;
    }
}

// A number as a signed 64-bit integer (fractions cut off); absent when it does not fit.
std::optional<qint64> integer(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::LongLong: case QMetaType::Int: case QMetaType::Short: case QMetaType::Long:
    case QMetaType::Char: case QMetaType::SChar:
        return v.toLongLong();
    case QMetaType::ULongLong: case QMetaType::UInt: case QMetaType::UShort: case QMetaType::ULong: case QMetaType::UChar: {
        const quint64 u = v.toULongLong();
        if (u > quint64(std::numeric_limits<qint64>::max())) return std::nullopt;
        return qint64(u);
    }
    default: break;
    }
    const auto d = number(v);
    if (!d || std::fabs(*d) >= 9.2e18) return std::nullopt;
    return qint64(std::trunc(*d));
}

std::optional<qint64> atLeastOne(const std::optional<qint64>& v)
{
    if (!v || *v < 1) return std::nullopt;
    return v;
}

QString condition(const std::optional<QVariantMap>& powerSource, const QVariantMap& registry,
                  const std::optional<double>& health, const Localization& L)
{
    if (const auto failure = number(registry.value("PermanentFailureStatus")); failure && *failure != 0)
        return L.tr("Permanent failure");
    if (powerSource) {
        const QVariant cond = powerSource->value("BatteryHealthCondition");
        if (isString(cond) && !cond.toString().isEmpty()) {
            const QString c = cond.toString();
            if (c == QLatin1String("Permanent Battery Failure")) return L.tr("Permanent failure");
            if (c == QLatin1String("Check Battery")) return L.tr("Check battery");
            return L.tr("Service recommended");
        }
        const QVariant words = powerSource->value("BatteryHealth");
        if (isString(words)) {
            const QString w = words.toString();
            if (w == QLatin1String("Good")) return L.tr("Normal");
            if (w == QLatin1String("Fair") || w == QLatin1String("Poor")) return L.tr("Service recommended");
        }
    }
    if (!health) return L.tr("Unknown");
    return *health >= 0.8 ? L.tr("Normal") : L.tr("Service recommended");
}

// Leading and trailing white space of every kind, line breaks included.
std::optional<QString> trimmedSerial(const QVariant& v)
{
    if (!isString(v)) return std::nullopt;
    const QString s = v.toString().trimmed();
    if (s.isEmpty()) return std::nullopt;
    return s;
}
}  // namespace

std::optional<QVariantMap> registryProperties(const Platform& platform) { return platform.power.smartBatteryProperties(); }

std::optional<QVariantMap> internalPowerSource(const Platform& platform)
{
    const auto list = platform.power.powerSourceDescriptions();
    if (!list || list->isEmpty()) return std::nullopt;
    for (const QVariant& entry : *list) {
        if (entry.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap d = entry.toMap();
        const QVariant type = d.value("Type");
        if (isString(type) && type.toString() == QLatin1String("InternalBattery")) return d;
    }
    return std::nullopt;
}

std::optional<QDateTime> manufactureDate(const std::optional<qint64>& packed)
{
    if (!packed || *packed < 1) return std::nullopt;
    const int day = int(*packed & 31);
    const int month = int((*packed >> 5) & 15);
    const int year = 1980 + int((*packed >> 9) & 127);
    if (year < 2000 || year > 2100 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    // 31 February is not a day.
    const QDate date(year, month, day);
    if (!date.isValid()) return std::nullopt;
    return QDateTime(date, QTime(0, 0), Qt::UTC);
}

std::optional<BatteryHealthReport> report(const std::optional<QVariantMap>& registryIn,
                                          const std::optional<QVariantMap>& powerSource, const Localization& L)
{
    const QVariant installed = registryIn ? registryIn->value("BatteryInstalled") : QVariant();
    const bool batteryInstalled = isBool(installed) && installed.toBool();
    if (!powerSource && (!registryIn || !batteryInstalled)) return std::nullopt;
    const QVariantMap registry = registryIn.value_or(QVariantMap());
    const QVariant nested = registry.value("BatteryData");
    const QVariantMap batteryData = nested.typeId() == QMetaType::QVariantMap ? nested.toMap() : QVariantMap();

    // A registry number, or the same key in its "BatteryData" dictionary.
    auto intValue = [&](const char* key) -> std::optional<qint64> {
        if (registry.contains(key) && number(registry.value(key))) return integer(registry.value(key));
        if (batteryData.contains(key) && number(batteryData.value(key))) return integer(batteryData.value(key));
        return std::nullopt;
    };
    auto psValue = [&](const char* key) { return powerSource ? powerSource->value(key) : QVariant(); };

    BatteryHealthReport r;
    r.designCapacity = atLeastOne(intValue("DesignCapacity"));

    // The first capacity found decides; "MaxCapacity" of 100 or less is a percentage.
    std::optional<qint64> max = intValue("AppleRawMaxCapacity");
    if (!max) max = intValue("FullChargeCapacity");
    if (!max) {
        if (const auto m = intValue("MaxCapacity"); m && *m >= 101) max = m;
    }
    if (!max) max = intValue("NominalChargeCapacity");
    // 0 or less is no capacity, and ends the search.
    r.maxCapacity = atLeastOne(max);

    if (r.maxCapacity && r.designCapacity)
        r.healthPercent = std::min(double(*r.maxCapacity) / double(*r.designCapacity), 1.2);

    if (const auto cycles = intValue("CycleCount"); cycles && *cycles >= 0) r.cycleCount = cycles;
    r.designCycleCount = intValue("DesignCycleCount9C");
    if (!r.designCycleCount) r.designCycleCount = integer(psValue("DesignCycleCount"));
    r.designCycleCount = atLeastOne(r.designCycleCount);

    std::optional<qint64> temp = intValue("Temperature");
    if (!temp) temp = intValue("VirtualTemperature");
    if (temp && *temp != 0) r.temperatureCelsius = double(*temp) / 100.0;

    std::optional<double> charge;
    const auto psCurrent = number(psValue("Current Capacity")), psMax = number(psValue("Max Capacity"));
    if (psCurrent && psMax && *psMax > 0) {
        charge = *psCurrent / *psMax;
    } else if (const auto current = intValue("CurrentCapacity")) {
        const auto regMax = intValue("MaxCapacity");
        charge = double(*current) / (regMax && *regMax >= 101 ? double(*regMax) : 100.0);
    }
    if (charge) r.chargePercent = std::clamp(*charge, 0.0, 1.0);

    const QVariant charging = registry.value("IsCharging");
    if (isBool(charging)) r.isCharging = charging.toBool();
    else if (isBool(psValue("Is Charging"))) r.isCharging = psValue("Is Charging").toBool();

    const QVariant external = registry.value("ExternalConnected");
    if (isBool(external)) r.isPluggedIn = external.toBool();
    else r.isPluggedIn = isString(psValue("Power Source State")) && psValue("Power Source State").toString() == "AC Power";

    if (r.isPluggedIn) {
        const QVariant adapter = registry.value("AdapterDetails");
        if (adapter.typeId() == QMetaType::QVariantMap) r.adapterWatts = atLeastOne(integer(adapter.toMap().value("Watts")));
    }

    for (const QVariant& candidate : {registry.value("Serial"), registry.value("BatterySerialNumber"),
                                      psValue("Hardware Serial Number")}) {
        if (auto serial = trimmedSerial(candidate)) {
            r.serialNumber = serial;
            break;
        }
    }

    r.condition = condition(powerSource, registry, r.healthPercent, L);
    r.manufactureDate = manufactureDate(intValue("ManufactureDate"));
    return r;
}

std::optional<BatteryHealthReport> read(const Platform& platform, const Localization& L)
{
    const auto registry = registryProperties(platform);
    return report(registry, internalPowerSource(platform), L);
}

}  // namespace BatteryHealthProbe
