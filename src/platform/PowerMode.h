#pragma once

#include <optional>

// The system-wide power-saving setting.
class PowerMode {
public:
    virtual ~PowerMode() = default;
    // True while the system saves power at the cost of speed; absent when the machine
    // offers no such setting or it cannot be read.
    virtual std::optional<bool> lowPowerModeEnabled() const = 0;
};
