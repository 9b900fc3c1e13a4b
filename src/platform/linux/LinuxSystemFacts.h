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
    // A field of the firmware's DMI table (/sys/devices/virtual/dmi/id/<name>); absent when
    // unreadable or a placeholder the board maker left in ("To be filled by O.E.M.").
    std::optional<QString> dmiField(const char* name) const;
    static bool isDmiPlaceholder(const QString& value);
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

// The installed memory as the overview and the live monitor show it: the memory-device
// table, else the blocks' estimate, else MemTotal; 0 when nothing can be read.
quint64 installedMemory(const SysFs& fs);
// MemTotal of /proc/meminfo in bytes; 0 when unreadable.
quint64 memTotalBytes(const SysFs& fs);
// The sum of the module sizes of the firmware's memory-device table (SMBIOS type 17 under
// /sys/firmware/dmi/entries); absent when it is missing, unreadable or names a size unknown.
std::optional<quint64> memoryDeviceTableSize(const SysFs& fs);
// The installed memory from MemTotal and the listing of /sys/devices/system/memory (never a
// file per block): MemTotal rounded up to the memory-block grid, never beyond the blocks'
// span; absent where the kernel lists no blocks or the listing disagrees with MemTotal.
std::optional<quint64> installedMemoryFromBlocks(const SysFs& fs, quint64 memTotal);

// The thermal state from /sys/class/thermal trip points (shared with the live monitor).
ThermalState readThermalState(const SysFs& fs);
