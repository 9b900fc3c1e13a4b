#pragma once

#include "platform/Platform.h"
#include "platform/i18n/Localization.h"

#include <QDateTime>
#include <QVariantMap>

#include <optional>

// The internal battery in depth. Fractions are 0–1 despite the "Percent" names.
struct BatteryHealthReport {
    std::optional<double> healthPercent;       // full-charge over design capacity, at most 1.2
    std::optional<qint64> maxCapacity;         // mAh
    std::optional<qint64> designCapacity;      // mAh, at least 1
    std::optional<qint64> cycleCount;
    std::optional<qint64> designCycleCount;
    QString condition;                         // one of the five condition texts, translated
    std::optional<double> temperatureCelsius;
    std::optional<double> chargePercent;       // 0–1
    bool isCharging = false;
    bool isPluggedIn = false;
    std::optional<qint64> adapterWatts;        // at least 1
    std::optional<QDateTime> manufactureDate;  // midnight UTC of the day of manufacture
    std::optional<QString> serialNumber;       // trimmed, never empty

    bool operator==(const BatteryHealthReport&) const = default;
};

// Stateless: the decision logic works on two plain dictionaries (the smart battery's
// registry properties and the internal battery's power-source description), so it runs
// and is tested without the platform; only the two readers touch the machine.
namespace BatteryHealthProbe {

std::optional<QVariantMap> registryProperties(const Platform& platform);
// The first power-source description whose "Type" is "InternalBattery".
std::optional<QVariantMap> internalPowerSource(const Platform& platform);

// Absent when the machine has no battery.
std::optional<BatteryHealthReport> report(const std::optional<QVariantMap>& registry,
                                          const std::optional<QVariantMap>& powerSource, const Localization& L);

// Reads the registry, then the power source, and makes the report.
std::optional<BatteryHealthReport> read(const Platform& platform, const Localization& L);

// The registry's packed date (day in bits 0–4, month in 5–8, years since 1980 in 9–15)
// as midnight UTC; absent outside 2000–2100 or for a day its month does not have.
std::optional<QDateTime> manufactureDate(const std::optional<qint64>& packed);

}  // namespace BatteryHealthProbe
