#pragma once

#include "platform/PowerSources.h"
#include "platform/linux/SysFs.h"

// Power sources from /sys/class/power_supply: the first battery whose scope is not
// "Device" (a mouse or headset battery) is the internal battery.
class LinuxPowerSources : public PowerSources {
public:
    explicit LinuxPowerSources(QString root = QStringLiteral("/"));

    std::optional<QVariantList> powerSourceDescriptions() const override;
    std::optional<QVariantMap> smartBatteryProperties() const override;

    // The power_supply entry of the internal battery, absent when there is none.
    std::optional<QString> internalBattery() const;
    // True when a mains or USB supply reports itself online.
    bool externalPowerOnline() const;

    const SysFs& fs() const { return fs_; }

private:
    // The same over a listing already made (the live monitor asks once a second).
    std::optional<QString> internalBattery(const QStringList& names) const;
    bool externalPowerOnline(const QStringList& names) const;

    SysFs fs_;
};
