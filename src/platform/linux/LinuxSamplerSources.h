#pragma once

#include "platform/SamplerSources.h"
#include "platform/linux/LinuxPowerSources.h"
#include "platform/linux/SysFs.h"

#include <QHash>

// The live sampler's readings on Linux, each from one place:
//   processor ticks   /proc/stat, one "cpuN" line per online processor (64-bit counters),
//                     every kind apart: user nice system idle iowait irq softirq steal
//   memory pages      /proc/meminfo in bytes divided by the page size:
//                     wired = Unevictable + SUnreclaim + KernelStack + PageTables,
//                     compressed = Zswap (0 without zswap),
//                     active = MemTotal − available − ZFS ARC above its minimum − wired − compressed,
//                     available = MemAvailable, or MemFree + Buffers + Cached + SReclaimable − Shmem
//                     where MemAvailable is missing, 0 or beyond MemTotal (Active where MemFree is missing too);
//                     the ARC from /proc/spl/kstat/zfs/arcstats (size − c_min)
//   pressure level    /proc/pressure/memory, banded by the stall thresholds below
//   swap used         SwapTotal − SwapFree of /proc/meminfo
//   thermal state     /sys/class/thermal trip points (the reader the System section uses)
//   power sources     /sys/class/power_supply (LinuxPowerSources)
//   interfaces        this machine: one routing-netlink link dump (flags, 64-bit counters);
//                     another root: /sys/class/net/<if>/flags; counters from /proc/net/dev, else
//                     /sys/class/net/<if>/statistics/{rx,tx}_bytes (both 64-bit);
//                     getifaddrs packet entries (32-bit) where /sys/class/net is missing;
//                     virtual when /sys/devices/virtual/net lists it
//   physical memory   the installed size (installedMemory: memory-device table, memory blocks, MemTotal)
class LinuxSamplerSources final : public SamplerSources {
public:
    // `root` prefixes every file read; `pageSize` 0 means the host's page size.
    explicit LinuxSamplerSources(QString root = QStringLiteral("/"), qint64 pageSize = 0);

    std::optional<ProcessorTicks> processorTicks() const override;
    std::optional<MemoryPages> memoryPages() const override;
    std::optional<int> memoryPressureLevel() const override;
    std::optional<qint64> swapUsed() const override;
    ThermalState thermalState() const override;
    std::optional<QVariantList> powerSourceDescriptions() const override;
    std::optional<QList<InterfaceLink>> interfaceLinks() const override;
    quint64 physicalMemory() const override;
    qint64 pageSize() const override { return pageSize_; }

    // Share of the last ten seconds, in percent, in which some task waited for memory
    // (the warning level) or every runnable task did (the critical level).
    static constexpr double kWarningSomeStallPercent = 10.0;
    static constexpr double kCriticalFullStallPercent = 10.0;

    // The text parsers behind the reads, for recorded files.
    static std::optional<ProcessorTicks> parseProcessorTicks(const QByteArray& procStat);
    static std::optional<MemoryPages> parseMemoryPages(const QByteArray& meminfo, qint64 pageSize,
                                                       const std::optional<QByteArray>& arcstats = std::nullopt);
    // Bytes the ZFS ARC holds above its minimum; absent without both figures.
    static std::optional<quint64> parseArcReclaimable(const QByteArray& arcstats);
    static std::optional<qint64> parseSwapUsed(const QByteArray& meminfo);
    static std::optional<int> parsePressureLevel(const QByteArray& pressure);
    // The byte counters of /proc/net/dev by interface; lines that do not parse are left out.
    static QHash<QString, ByteCounters> parseNetDev(const QByteArray& procNetDev);
    // This machine's links from one routing-netlink dump (flags, 64-bit counters); absent
    // when the kernel does not answer.
    static std::optional<QList<InterfaceLink>> linksFromNetlink();
    // Link-level entries of getifaddrs with their 32-bit counters.
    static std::optional<QList<InterfaceLink>> linksFromInterfaceAddresses();

private:
    bool isVirtualLink(const QString& name) const;
    SysFs fs_;
    LinuxPowerSources power_;
    qint64 pageSize_;
};
