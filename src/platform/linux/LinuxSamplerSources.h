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
//
// It reads once a second for as long as anyone watches, so it keeps what it can between
// readings: the files stay open and are read again from their start (opened afresh only when
// a read fails, or when a file on a plain file system was replaced), the netlink socket stays
// open, and the directories whose contents rarely change are listed again only when the links
// change or every kRelistSeconds: the list of virtual links, and, while they are empty, the
// thermal zones and the power supplies. A file that is not there (the ZFS statistics without
// ZFS) is looked for again every kRelistSeconds.
class LinuxSamplerSources final : public SamplerSources {
public:
    // `root` prefixes every file read; `pageSize` 0 means the host's page size.
    explicit LinuxSamplerSources(QString root = QStringLiteral("/"), qint64 pageSize = 0);
    ~LinuxSamplerSources() override;
    LinuxSamplerSources(const LinuxSamplerSources&) = delete;
    LinuxSamplerSources& operator=(const LinuxSamplerSources&) = delete;

    static constexpr int kRelistSeconds = 30;

    std::optional<ProcessorTicks> processorTicks() const override;
    std::optional<int> memoryPressureLevel() const override;
    MemoryReading memory() const override;
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
    // The same over an open routing-netlink socket, with the request's sequence number.
    static std::optional<QList<InterfaceLink>> linksFromNetlink(int socket, quint32 sequence);
    static int openNetlink();
    // Link-level entries of getifaddrs with their 32-bit counters.
    static std::optional<QList<InterfaceLink>> linksFromInterfaceAddresses();

    // An open file read again from its start on every reading.
    class KeptFile {
    public:
        explicit KeptFile(QString relative, qsizetype limit = 1 << 20, bool mayBeAbsent = false);
        ~KeptFile();
        KeptFile(const KeptFile&) = delete;
        KeptFile& operator=(const KeptFile&) = delete;
        std::optional<QByteArray> read(const SysFs& fs);
        bool isOpen() const { return fd_ >= 0; }

    private:
        bool open(const SysFs& fs);
        void close();
        std::optional<QByteArray> readOpen();
        QString relative_;
        qsizetype limit_;
        bool mayBeAbsent_;
        int fd_ = -1;
        bool pseudo_ = false;  // /proc or /sys: a file that goes fails its reads
        std::optional<qint64> absentSince_;
    };

private:
    bool isVirtualLink(const QString& name) const;
    std::optional<QList<InterfaceLink>> keptNetlinkLinks() const;
    const QStringList& virtualLinks(const QStringList& names) const;
    // Seconds on the steady clock.
    static qint64 seconds();
    SysFs fs_;
    LinuxPowerSources power_;
    qint64 pageSize_;
    // Every read comes from one sampling thread.
    mutable KeptFile stat_{QStringLiteral("proc/stat")};
    mutable KeptFile meminfo_{QStringLiteral("proc/meminfo")};
    mutable KeptFile arcstats_{QStringLiteral("proc/spl/kstat/zfs/arcstats"), 64 * 1024, true};
    mutable KeptFile pressure_{QStringLiteral("proc/pressure/memory"), 4096};
    mutable KeptFile netDev_{QStringLiteral("proc/net/dev"), 256 * 1024};
    mutable int netlink_ = -1;
    mutable quint32 netlinkSequence_ = 0;
    mutable QStringList linkNames_, virtualLinks_;
    mutable std::optional<qint64> virtualListed_;
    mutable std::optional<qint64> noThermalZonesSince_, noPowerSuppliesSince_;
};
