#pragma once

#include "platform/SystemFacts.h"
#include "platform/linux/SysFs.h"

#include <functional>

// Machine facts from /proc, /sys, /etc/os-release, uname and statvfs.
class LinuxSystemFacts : public SystemFacts {
public:
    // `root` prefixes every file read; `homePath` is the directory whose volume is reported;
    // `machine` overrides the architecture word (else uname's, or the fixture's cpuinfo).
    explicit LinuxSystemFacts(QString root = QStringLiteral("/"), QString homePath = {}, QString machine = {});

    std::optional<QByteArray> sysctl(const QString& name) const override;
    std::optional<QString> hostName() const override;
    quint64 physicalMemory() const override;
    double systemUptime() const override;
    ThermalState thermalState() const override;
    OperatingSystem operatingSystem() const override;
    std::optional<VolumeCapacity> homeVolume() const override;
    std::optional<QString> cpuVendor() const override;
    QString machineArchitecture() const override;

    const SysFs& fs() const { return fs_; }

    // Fields of the first processor block of /proc/cpuinfo ("model name", "vendor_id", ...).
    QHash<QString, QString> cpuInfo() const;
    // The device tree's model ("Raspberry Pi 5 Model B Rev 1.0") without its terminating
    // zero; absent on machines without a device tree.
    std::optional<QString> deviceTreeModel() const;
    // The volume name of the mount that holds `path`: its file-system label, else the device name.
    std::optional<QString> volumeName(const QString& path) const;

    // One sysctl name and where its value comes from on Linux.
    using SysctlSource = std::function<std::optional<QByteArray>(const LinuxSystemFacts&)>;
    static const QHash<QString, SysctlSource>& sysctlTable();

private:
    SysFs fs_;
    QString home_;
    QString machine_;
};

// The installed memory: the memory block size times the online blocks under
// /sys/devices/system/memory; absent where the kernel does not list blocks.
std::optional<quint64> onlineMemoryBlocksSize(const SysFs& fs);

// The thermal state from /sys/class/thermal trip points (shared with the live monitor).
ThermalState readThermalState(const SysFs& fs);
