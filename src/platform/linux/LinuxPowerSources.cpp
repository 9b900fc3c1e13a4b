#include "platform/linux/LinuxPowerSources.h"

#include "platform/linux/LinuxBatteryRegistry.h"

namespace {
const QString kClass = QStringLiteral("sys/class/power_supply/");

// The kernel's fault states. Not among them: "Unknown" (no reading), "Good" (no fault),
// "Warm" and "Cool" (the normal temperature bands in which charging slows down) and
// "No battery"; a word outside the kernel's list is no reading either.
bool isFault(const QString& health)
{
    static const QStringList faults = {
        QStringLiteral("Overheat"),          QStringLiteral("Dead"),
        QStringLiteral("Over voltage"),      QStringLiteral("Unspecified failure"),
        QStringLiteral("Cold"),              QStringLiteral("Watchdog timer expire"),
        QStringLiteral("Safety timer expire"), QStringLiteral("Over current"),
        QStringLiteral("Calibration required"), QStringLiteral("Hot"),
    };
    return faults.contains(health);
}
}  // namespace

LinuxPowerSources::LinuxPowerSources(QString root) : fs_(std::move(root)) {}

std::optional<QString> LinuxPowerSources::internalBattery() const { return internalBattery(fs_.list(kClass)); }

std::optional<QString> LinuxPowerSources::internalBattery(const QStringList& names) const
{
    for (const QString& name : names) {
        const QString dir = kClass + name + '/';
        if (fs_.line(dir + "type") != QStringLiteral("Battery")) continue;
        if (fs_.line(dir + "scope") == QStringLiteral("Device")) continue;
        // A battery that reports itself absent (an empty bay) is no battery.
        if (fs_.integer(dir + "present") == 0) continue;
        return name;
    }
    return std::nullopt;
}

bool LinuxPowerSources::externalPowerOnline() const { return externalPowerOnline(fs_.list(kClass)); }

bool LinuxPowerSources::externalPowerOnline(const QStringList& names) const
{
    for (const QString& name : names) {
        const QString dir = kClass + name + '/';
        const auto type = fs_.line(dir + "type");
        if (!type || *type == "Battery") continue;
        if (fs_.line(dir + "scope") == QStringLiteral("Device")) continue;
        if (fs_.integer(dir + "online").value_or(0) > 0) return true;
    }
    return false;
}

std::optional<QVariantList> LinuxPowerSources::powerSourceDescriptions() const
{
    // No folder, or an empty one: no power sources.
    const QStringList names = fs_.list(kClass);
    QVariantList list;
    if (names.isEmpty()) return list;
    const bool ac = externalPowerOnline(names);
    if (auto battery = internalBattery(names)) {
        const QString dir = kClass + *battery + '/';
        QVariantMap d;
        d["Type"] = QStringLiteral("InternalBattery");
        d["Name"] = *battery;
        std::optional<qint64> percent = fs_.integer(dir + "capacity");
        if (!percent) {
            auto now = fs_.integer(dir + "energy_now"), full = fs_.integer(dir + "energy_full");
            if (!now || !full) { now = fs_.integer(dir + "charge_now"); full = fs_.integer(dir + "charge_full"); }
            if (now && full && *full > 0 && *now >= 0 && *now <= *full * 2)
                percent = qRound64(double(*now) * 100.0 / double(*full));
        }
        if (percent) {
            d["Current Capacity"] = qint64(*percent);
            d["Max Capacity"] = qint64(100);
        }
        const QString status = fs_.line(dir + "status").value_or(QString());
        d["Is Charging"] = status == "Charging";
        // Without a supply entry, a battery that is charging or full is on external power.
        const bool onAC = ac || status == "Charging" || status == "Full" || status == "Not charging";
        d["Power Source State"] = onAC ? QStringLiteral("AC Power") : QStringLiteral("Battery Power");
        // The driver's "health" is its electrical and thermal state, not a verdict on wear:
        // "Good" says nothing about a battery at half its design capacity. Only a fault is
        // passed on; otherwise the word stays absent and the measured capacity decides.
        if (auto health = fs_.line(dir + "health"); health && isFault(*health)) d["BatteryHealth"] = *health;
        list << d;
    }
    return list;
}

std::optional<QVariantMap> LinuxPowerSources::smartBatteryProperties() const
{
    auto battery = internalBattery();
    if (!battery) return std::nullopt;
    return LinuxBatteryRegistry::properties(fs_, *battery);
}
