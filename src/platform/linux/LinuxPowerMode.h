#pragma once

#include "platform/PowerMode.h"
#include "platform/SystemBus.h"
#include "platform/linux/SysFs.h"

// Low Power Mode: the active profile of power-profiles-daemon, else the firmware's
// platform profile.
class LinuxPowerMode : public PowerMode {
public:
    // `bus` null means the system bus.
    explicit LinuxPowerMode(QString root = QStringLiteral("/"), const SystemBus* bus = nullptr);

    std::optional<bool> lowPowerModeEnabled() const override;

    // The daemon's active profile ("power-saver", "balanced", "performance"); absent when unreachable.
    std::optional<QString> activeProfile() const;
    // The firmware profile ("low-power", "balanced", ...) of the ACPI or class interface.
    std::optional<QString> platformProfile() const;

private:
    SysFs fs_;
    const SystemBus* bus_;
};
