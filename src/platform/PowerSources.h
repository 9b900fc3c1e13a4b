#pragma once

#include <QVariantList>
#include <QVariantMap>

#include <optional>

// The power-source list and the battery's registry entry, as dictionaries with the
// other platform's keys ("Type", "Current Capacity", "Max Capacity", "Is Charging",
// "Power Source State", "BatteryHealth"; registry "CycleCount", ...), so the code
// above reads them exactly as it would there.
class PowerSources {
public:
    virtual ~PowerSources() = default;
    // Descriptions of the power sources in order; absent when the list cannot be read.
    virtual std::optional<QVariantList> powerSourceDescriptions() const = 0;
    // Properties of the smart battery's registry entry; absent when there is none.
    virtual std::optional<QVariantMap> smartBatteryProperties() const = 0;
};
