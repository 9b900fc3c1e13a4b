#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The operating system as the machine names it. On the other platform `name` is
// "macOS" with numeric versions; on Linux it is the distribution with its version text.
struct OperatingSystem {
    QString name;
    int major = 0;
    int minor = 0;
    int patch = 0;
    QString version;  // free-form version text where the numbers do not apply
};

struct VolumeCapacity {
    std::optional<QString> name;
    std::optional<qint64> total;
    std::optional<qint64> available;
};

// Thermal states as the process information reports them.
enum class ThermalState { Nominal = 0, Fair = 1, Serious = 2, Critical = 3, Unknown = -1 };

// Machine facts: sysctl-style values, the host, memory, uptime, thermal state,
// the operating system and the home volume.
class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    // The raw value behind a sysctl name: text (with its terminating zero) or a
    // 4- or 8-byte native integer; absent when the name means nothing on this machine.
    virtual std::optional<QByteArray> sysctl(const QString& name) const = 0;
    virtual std::optional<QString> hostName() const = 0;
    virtual quint64 physicalMemory() const = 0;
    // Seconds since boot, not counting sleep.
    virtual double systemUptime() const = 0;
    virtual ThermalState thermalState() const = 0;
    virtual OperatingSystem operatingSystem() const = 0;
    // Absent when the home volume cannot be asked.
    virtual std::optional<VolumeCapacity> homeVolume() const = 0;
    // The CPU maker as people name it ("Intel", "AMD", "Arm", "Apple"), absent when unknown.
    virtual std::optional<QString> cpuVendor() const = 0;
    // The machine architecture word ("x86_64", "aarch64").
    virtual QString machineArchitecture() const = 0;
};

// Helpers for building sysctl-style raw values.
namespace SysctlValue {
QByteArray text(const QString& s);   // UTF-8 with a terminating zero
QByteArray int32(qint32 v);
QByteArray int64(qint64 v);
}
