#pragma once

#include "platform/linux/SysFs.h"

#include <QVariantMap>

// The smart battery's property table, filled from one /sys/class/power_supply battery
// entry in the keys, types and units of the other platform's registry: capacities in mAh,
// temperature in hundredths of a degree, the manufacture date packed into 16 bits.
namespace LinuxBatteryRegistry {

// `battery` is the entry's name under sys/class/power_supply ("BAT0").
QVariantMap properties(const SysFs& fs, const QString& battery);

// Year, month and day packed as the registry stores them (day in bits 0–4, month in
// bits 5–8, years since 1980 in bits 9–15); absent when a part does not fit its bits.
std::optional<qint64> packDate(qint64 year, qint64 month, qint64 day);

}  // namespace LinuxBatteryRegistry
