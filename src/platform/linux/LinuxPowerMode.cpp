#include "platform/linux/LinuxPowerMode.h"

#include "platform/linux/LinuxSystemBus.h"

LinuxPowerMode::LinuxPowerMode(QString root, const SystemBus* bus)
    : fs_(std::move(root)), bus_(bus ? bus : &LinuxSystemBus::shared())
{
}

std::optional<QString> LinuxPowerMode::activeProfile() const
{
    if (!bus_->isConnected()) return std::nullopt;
    // The daemon took the UPower name in 0.20; older releases answer only on their own.
    static const struct { const char* service; const char* path; } names[] = {
        {"org.freedesktop.UPower.PowerProfiles", "/org/freedesktop/UPower/PowerProfiles"},
        {"net.hadess.PowerProfiles", "/net/hadess/PowerProfiles"},
    };
    for (const auto& n : names) {
        const QString service = QString::fromLatin1(n.service);
        const BusReply r = bus_->property(service, QString::fromLatin1(n.path), service, QStringLiteral("ActiveProfile"));
        if (r.ok) {
            const QVariant v = r.first();
            if (v.typeId() != QMetaType::QString || v.toString().isEmpty()) return std::nullopt;
            return v.toString();
        }
        // A daemon that does not answer in time would not answer under its other name either.
        if (BusError::isStall(r.errorName)) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> LinuxPowerMode::platformProfile() const
{
    if (auto p = fs_.line("sys/firmware/acpi/platform_profile")) return p;
    // Kernels from 6.14 list one profile handler per driver.
    for (const QString& entry : fs_.list("sys/class/platform-profile")) {
        if (auto p = fs_.line("sys/class/platform-profile/" + entry + "/profile")) return p;
    }
    return std::nullopt;
}

std::optional<bool> LinuxPowerMode::lowPowerModeEnabled() const
{
    // Only the words each interface defines count as a reading; anything else is damage.
    static const QStringList daemonProfiles = {"power-saver", "balanced", "performance"};
    static const QStringList firmwareProfiles = {"low-power", "cool", "quiet", "balanced", "balanced-performance",
                                                 "performance", "max-power", "custom"};
    if (auto profile = activeProfile(); profile && daemonProfiles.contains(*profile))
        return *profile == QLatin1String("power-saver");
    if (auto profile = platformProfile(); profile && firmwareProfiles.contains(*profile))
        return *profile == QLatin1String("low-power");
    return std::nullopt;
}
