#include "platform/linux/LinuxBatteryRegistry.h"

#include <cmath>
#include <limits>

namespace LinuxBatteryRegistry {

namespace {
const QString kClass = QStringLiteral("sys/class/power_supply/");

std::optional<qint64> positive(const SysFs& fs, const QString& path)
{
    const auto v = fs.integer(path);
    if (!v || *v <= 0) return std::nullopt;
    return v;
}

// A rounded figure, absent when damage makes it too large for the registry's integers.
std::optional<qint64> rounded(double v)
{
    if (!std::isfinite(v) || std::fabs(v) >= 9.2e18) return std::nullopt;
    return qint64(std::llround(v));
}

// A capacity in mAh: the charge_* figure (µAh) where the battery counts charge, else the
// energy_* figure (µWh) over the design voltage (µV). Every capacity of one battery is
// divided by the same voltage, so their ratios stay exact.
std::optional<qint64> milliampHours(const SysFs& fs, const QString& dir, const QString& which,
                                    const std::optional<qint64>& microvolts)
{
    if (auto charge = positive(fs, dir + "charge_" + which)) return rounded(double(*charge) / 1000.0);
    const auto energy = positive(fs, dir + "energy_" + which);
    if (!energy || !microvolts) return std::nullopt;
    return rounded(double(*energy) / double(*microvolts) * 1000.0);
}
}  // namespace

std::optional<qint64> packDate(qint64 year, qint64 month, qint64 day)
{
    if (year < 1980 || year > 1980 + 127 || month < 1 || month > 15 || day < 1 || day > 31) return std::nullopt;
    return ((year - 1980) << 9) | (month << 5) | day;
}

QVariantMap properties(const SysFs& fs, const QString& battery)
{
    const QString dir = kClass + battery + '/';
    QVariantMap p;
    p["BatteryInstalled"] = fs.integer(dir + "present").value_or(1) != 0;

    auto volts = positive(fs, dir + "voltage_min_design");
    if (!volts) volts = positive(fs, dir + "voltage_now");
    if (auto design = milliampHours(fs, dir, "full_design", volts)) p["DesignCapacity"] = *design;
    if (auto full = milliampHours(fs, dir, "full", volts)) p["FullChargeCapacity"] = *full;

    // 0 means the firmware does not count cycles; the registry's count is a 32-bit integer, so a
    // larger figure is damage, not a reading.
    if (auto cycles = positive(fs, dir + "cycle_count"); cycles && *cycles <= std::numeric_limits<qint32>::max())
        p["CycleCount"] = *cycles;
    // Tenths of a degree here, hundredths in the registry.
    if (auto temp = fs.integer(dir + "temp"); temp && *temp <= std::numeric_limits<qint64>::max() / 10 &&
                                                    *temp >= std::numeric_limits<qint64>::min() / 10)
        p["Temperature"] = *temp * 10;

    const auto status = fs.line(dir + "status");
    if (status == QStringLiteral("Charging")) p["IsCharging"] = true;
    else if (status == QStringLiteral("Discharging") || status == QStringLiteral("Full") || status == QStringLiteral("Not charging"))
        p["IsCharging"] = false;

    // A dead battery is the registry's permanent failure.
    if (fs.line(dir + "health") == QStringLiteral("Dead")) p["PermanentFailureStatus"] = qint64(1);

    if (auto serial = fs.line(dir + "serial_number")) p["Serial"] = *serial;

    const auto year = fs.integer(dir + "manufacture_year"), month = fs.integer(dir + "manufacture_month"),
               day = fs.integer(dir + "manufacture_day");
    if (year && month && day)
        if (auto packed = packDate(*year, *month, *day)) p["ManufactureDate"] = *packed;

    // External power: mains and USB supplies of the system (not those of a peripheral).
    bool anySupply = false, connected = false;
    std::optional<qint64> watts;
    for (const QString& name : fs.list(kClass)) {
        const QString supply = kClass + name + '/';
        const auto type = fs.line(supply + "type");
        if (!type || *type == QStringLiteral("Battery")) continue;
        if (fs.line(supply + "scope") == QStringLiteral("Device")) continue;
        anySupply = true;
        if (fs.integer(supply + "online").value_or(0) <= 0) continue;
        connected = true;
        // A USB Power Delivery contract states its voltage and current (µV, µA).
        const auto uv = positive(fs, supply + "voltage_max"), ua = positive(fs, supply + "current_max");
        if (const auto w = uv && ua ? rounded(double(*uv) * double(*ua) / 1e12) : std::nullopt; w && (!watts || *w > *watts))
            watts = w;
    }
    if (anySupply) p["ExternalConnected"] = connected;
    if (connected && watts) p["AdapterDetails"] = QVariantMap{{"Watts", *watts}};
    return p;
}

}  // namespace LinuxBatteryRegistry
