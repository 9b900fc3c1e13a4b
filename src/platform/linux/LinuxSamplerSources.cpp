#include "platform/linux/LinuxSamplerSources.h"
#include "platform/linux/LinuxSystemFacts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>
#include <string_view>

#include <QFile>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/magic.h>
#include <ifaddrs.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

const QString kNet = QStringLiteral("sys/class/net/");
// Every software link the kernel creates (bridges, bonds, VLANs, tunnels, veth pairs,
// WireGuard, ifb) has its device here; hardware interfaces sit under their bus.
const QString kVirtualNet = QStringLiteral("sys/devices/virtual/net/");

// A whole /proc or /sys file, read once a second: plain reads into a buffer that grows
// only as far as the file does (pseudo-files report no size).
std::optional<QByteArray> readFile(const SysFs& fs, const QString& relative, qsizetype limit = 1 << 20)
{
    const QByteArray path = QFile::encodeName(fs.path(relative));
    const int fd = SysFs::openRegular(path);
    if (fd < 0) return std::nullopt;
    QByteArray data(4096, Qt::Uninitialized);
    qsizetype used = 0;
    bool failed = false;
    while (used < limit) {
        if (used == data.size()) data.resize(std::min(data.size() * 2, limit));
        const ssize_t n = ::read(fd, data.data() + used, size_t(data.size() - used));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) { failed = true; break; }
        if (n == 0) break;
        used += n;
    }
    ::close(fd);
    if (failed && used == 0) return std::nullopt;
    data.truncate(used);
    return data;
}

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (isSpace(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (isSpace(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Calls `f` with each line of `text`, without its line break.
template <typename F>
void forEachLine(const QByteArray& text, F&& f)
{
    std::string_view rest(text.constData(), size_t(text.size()));
    while (!rest.empty()) {
        const size_t nl = rest.find('\n');
        f(rest.substr(0, nl));
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
}

std::optional<quint64> unsignedNumber(std::string_view s, int base = 10)
{
    if (s.empty()) return std::nullopt;
    quint64 v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

quint64 saturatingAdd(quint64 a, quint64 b)
{
    quint64 r = 0;
    return __builtin_add_overflow(a, b, &r) ? ~quint64(0) : r;
}

quint64 saturatingMul(quint64 a, quint64 b)
{
    quint64 r = 0;
    return __builtin_mul_overflow(a, b, &r) ? ~quint64(0) : r;
}

// The meminfo fields the live figures use, in bytes.
enum MemField {
    MemTotal, MemAvailable, MemFree, Buffers, Cached, SReclaimable, Shmem, Active,
    Unevictable, SUnreclaim, KernelStack, PageTables, Zswap, SwapTotal, SwapFree, kFieldCount
};
constexpr std::array<std::string_view, kFieldCount> kFieldNames{
    "MemTotal", "MemAvailable", "MemFree", "Buffers", "Cached", "SReclaimable", "Shmem", "Active",
    "Unevictable", "SUnreclaim", "KernelStack", "PageTables", "Zswap", "SwapTotal", "SwapFree"};

using MemValues = std::array<std::optional<quint64>, kFieldCount>;

// "Key:   1234 kB" lines; a field that is not a number is treated as missing.
MemValues parseMeminfo(const QByteArray& text)
{
    MemValues values;
    forEachLine(text, [&](std::string_view line) {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) return;
        const std::string_view key = line.substr(0, colon);
        for (int i = 0; i < kFieldCount; ++i) {
            if (key != kFieldNames[size_t(i)] || values[size_t(i)]) continue;
            std::string_view value = trimmed(line.substr(colon + 1));
            quint64 unit = 1;
            if (value.size() >= 2 && value.substr(value.size() - 2) == "kB") {
                unit = 1024;
                value = trimmed(value.substr(0, value.size() - 2));
            }
            if (auto n = unsignedNumber(value)) values[size_t(i)] = saturatingMul(*n, unit);
            return;
        }
    });
    return values;
}

// avg10 of a "some"/"full" line of a pressure file, in percent.
std::optional<double> stallAverage(std::string_view line)
{
    size_t at = line.find("avg10=");
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view value = line.substr(at + 6);
    value = value.substr(0, value.find(' '));
    bool ok = false;
    const double v = QByteArray(value.data(), qsizetype(value.size())).toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0) return std::nullopt;
    return v;
}

}  // namespace

LinuxSamplerSources::LinuxSamplerSources(QString root, qint64 pageSize) : fs_(root), power_(root), pageSize_(pageSize)
{
    if (pageSize_ <= 0) pageSize_ = sysconf(_SC_PAGESIZE);
    if (pageSize_ <= 0) pageSize_ = getpagesize();
}

LinuxSamplerSources::~LinuxSamplerSources()
{
    if (netlink_ >= 0) ::close(netlink_);
}

qint64 LinuxSamplerSources::seconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------- KeptFile

LinuxSamplerSources::KeptFile::KeptFile(QString relative, qsizetype limit, bool mayBeAbsent)
    : relative_(std::move(relative)), limit_(limit), mayBeAbsent_(mayBeAbsent)
{
}

LinuxSamplerSources::KeptFile::~KeptFile() { close(); }

void LinuxSamplerSources::KeptFile::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LinuxSamplerSources::KeptFile::open(const SysFs& fs)
{
    fd_ = SysFs::openRegular(QFile::encodeName(fs.path(relative_)));
    if (fd_ < 0) return false;
    struct statfs where {};
    pseudo_ = ::fstatfs(fd_, &where) == 0 && (where.f_type == PROC_SUPER_MAGIC || where.f_type == SYSFS_MAGIC);
    return true;
}

std::optional<QByteArray> LinuxSamplerSources::KeptFile::readOpen()
{
    // Pseudo-files report no size: the buffer grows only as far as the file does.
    QByteArray data(std::min<qsizetype>(limit_, 4096), Qt::Uninitialized);
    qsizetype used = 0;
    while (used < limit_) {
        if (used == data.size()) data.resize(std::min(data.size() * 2, limit_));
        const ssize_t n = ::pread(fd_, data.data() + used, size_t(data.size() - used), off_t(used));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        used += n;
    }
    data.truncate(used);
    return data;
}

std::optional<QByteArray> LinuxSamplerSources::KeptFile::read(const SysFs& fs)
{
    if (fd_ >= 0 && !pseudo_) {
        // On a plain file system (a recorded tree) a file removed or replaced stays readable
        // through the old descriptor: its name no longer leads there.
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || st.st_nlink == 0) close();
    }
    const bool wasOpen = fd_ >= 0;
    if (!wasOpen) {
        if (mayBeAbsent_ && absentSince_ && seconds() - *absentSince_ < kRelistSeconds) return std::nullopt;
        if (!open(fs)) {
            if (mayBeAbsent_) absentSince_ = seconds();
            return std::nullopt;
        }
        absentSince_.reset();
    }
    if (auto data = readOpen()) return data;
    close();
    // A kernel file fails its reads once its device has gone; one that came back under the
    // same name is another file.
    if (!wasOpen || !open(fs)) return std::nullopt;
    auto data = readOpen();
    if (!data) close();
    return data;
}

std::optional<ProcessorTicks> LinuxSamplerSources::parseProcessorTicks(const QByteArray& procStat)
{
    ProcessorTicks ticks;
    bool damaged = false;
    forEachLine(procStat, [&](std::string_view line) {
        // Only the per-processor lines; the first "cpu " line is their sum.
        if (damaged || line.size() < 4 || line.substr(0, 3) != "cpu" || line[3] < '0' || line[3] > '9') return;
        // user nice system idle iowait irq softirq steal (older kernels stop after idle).
        std::array<quint64, 8> f{};
        int count = 0;
        std::string_view rest = line.substr(line.find(' ') == std::string_view::npos ? line.size() : line.find(' '));
        while (count < int(f.size())) {
            rest = trimmed(rest);
            if (rest.empty()) break;
            const size_t end = std::min(rest.find(' '), rest.size());
            const auto n = unsignedNumber(rest.substr(0, end));
            if (!n) { damaged = true; return; }
            f[size_t(count++)] = *n;
            rest.remove_prefix(end);
        }
        if (count < 4) { damaged = true; return; }
        // Each kind apart: the sampler takes every kind's difference on its own.
        CoreTickCounts c;
        c.user = f[0];
        c.nice = f[1];
        c.system = f[2];
        c.idle = f[3];
        c.iowait = f[4];
        c.irq = f[5];
        c.softirq = f[6];
        c.steal = f[7];
        ticks.cores << c;
    });
    // A damaged line would shift every later processor into the wrong slot.
    if (damaged) return std::nullopt;
    ticks.counterBits = 64;
    return ticks;
}

std::optional<ProcessorTicks> LinuxSamplerSources::processorTicks() const
{
    auto text = stat_.read(fs_);
    if (!text) return std::nullopt;
    return parseProcessorTicks(*text);
}

std::optional<quint64> LinuxSamplerSources::parseArcReclaimable(const QByteArray& arcstats)
{
    // "name type data" rows after a header; sizes in bytes.
    std::optional<quint64> size, minimum;
    forEachLine(arcstats, [&](std::string_view line) {
        line = trimmed(line);
        const size_t nameEnd = line.find_first_of(" \t");
        if (nameEnd == std::string_view::npos) return;
        const std::string_view name = line.substr(0, nameEnd);
        if (name != "size" && name != "c_min") return;
        const size_t valueStart = line.find_last_of(" \t");
        const auto value = unsignedNumber(line.substr(valueStart + 1));
        if (!value) return;
        (name == "size" ? size : minimum) = *value;
    });
    if (!size || !minimum) return std::nullopt;
    return *size > *minimum ? *size - *minimum : 0;
}

std::optional<MemoryPages> LinuxSamplerSources::parseMemoryPages(const QByteArray& meminfo, qint64 pageSize,
                                                                 const std::optional<QByteArray>& arcstats)
{
    if (pageSize <= 0) return std::nullopt;
    const MemValues v = parseMeminfo(meminfo);
    if (!v[MemTotal]) return std::nullopt;
    const quint64 total = *v[MemTotal];
    const quint64 wired = saturatingAdd(saturatingAdd(v[Unevictable].value_or(0), v[SUnreclaim].value_or(0)),
                                        saturatingAdd(v[KernelStack].value_or(0), v[PageTables].value_or(0)));
    const quint64 compressed = v[Zswap].value_or(0);
    // What the kernel could hand out without swapping. Some kernels and containers report
    // a MemAvailable of 0 or beyond the total; the classic estimate stands in then.
    std::optional<quint64> available;
    if (v[MemAvailable] && *v[MemAvailable] > 0 && *v[MemAvailable] <= total) {
        available = *v[MemAvailable];
    } else if (v[MemFree]) {
        const quint64 reclaimable = saturatingAdd(saturatingAdd(*v[MemFree], v[Buffers].value_or(0)),
                                                  saturatingAdd(v[Cached].value_or(0), v[SReclaimable].value_or(0)));
        const quint64 shared = v[Shmem].value_or(0);
        available = std::min(reclaimable > shared ? reclaimable - shared : 0, total);
    } else if (v[MemAvailable]) {
        available = std::min(*v[MemAvailable], total);
    }
    quint64 active = 0;
    if (available) {
        quint64 inUse = total - *available;
        // ZFS keeps its cache (the ARC) outside the page cache, where it reads as use; what
        // it holds above its minimum it gives back under pressure, like any cache.
        if (arcstats) {
            if (const auto arc = parseArcReclaimable(*arcstats)) inUse -= std::min(inUse, *arc);
        }
        const quint64 accounted = saturatingAdd(wired, compressed);
        active = inUse > accounted ? inUse - accounted : 0;
    } else if (v[Active]) {
        active = *v[Active];
    } else {
        return std::nullopt;
    }
    const quint64 page = quint64(pageSize);
    return MemoryPages{active / page, wired / page, compressed / page};
}


std::optional<qint64> LinuxSamplerSources::parseSwapUsed(const QByteArray& meminfo)
{
    const MemValues v = parseMeminfo(meminfo);
    if (!v[SwapTotal] || !v[SwapFree] || *v[SwapFree] > *v[SwapTotal]) return std::nullopt;
    const quint64 used = *v[SwapTotal] - *v[SwapFree];
    return qint64(std::min<quint64>(used, quint64(std::numeric_limits<qint64>::max())));
}

MemoryReading LinuxSamplerSources::memory() const
{
    const auto text = meminfo_.read(fs_);
    if (!text) return {};
    // arcstats: only present where the ZFS module is loaded.
    return {parseMemoryPages(*text, pageSize_, arcstats_.read(fs_)), parseSwapUsed(*text)};
}

std::optional<int> LinuxSamplerSources::parsePressureLevel(const QByteArray& pressure)
{
    std::optional<double> some, full;
    forEachLine(pressure, [&](std::string_view line) {
        if (line.substr(0, 5) == "some ") some = stallAverage(line);
        else if (line.substr(0, 5) == "full ") full = stallAverage(line);
    });
    if (!some) return std::nullopt;
    if (full.value_or(0) >= kCriticalFullStallPercent) return 4;
    if (*some >= kWarningSomeStallPercent) return 2;
    return 1;
}

std::optional<int> LinuxSamplerSources::memoryPressureLevel() const
{
    // A kernel without pressure accounting has no file, or one that cannot be read.
    auto text = pressure_.read(fs_);
    if (!text) return std::nullopt;
    return parsePressureLevel(*text);
}

ThermalState LinuxSamplerSources::thermalState() const
{
    // A machine without thermal zones (most virtual ones) gets none within a session, short
    // of a driver loaded later: looked for again now and then.
    if (noThermalZonesSince_ && seconds() - *noThermalZonesSince_ < kRelistSeconds) return ThermalState::Unknown;
    noThermalZonesSince_.reset();
    const ThermalState state = readThermalState(fs_);
    if (state == ThermalState::Unknown) {
        const QStringList entries = fs_.list(QStringLiteral("sys/class/thermal"));
        if (std::none_of(entries.cbegin(), entries.cend(), [](const QString& e) { return e.startsWith("thermal_zone"); }))
            noThermalZonesSince_ = seconds();
    }
    return state;
}

std::optional<QVariantList> LinuxSamplerSources::powerSourceDescriptions() const
{
    // Likewise a machine without a battery: a new one (plugged in, a driver loaded) shows
    // within kRelistSeconds.
    if (noPowerSuppliesSince_ && seconds() - *noPowerSuppliesSince_ < kRelistSeconds) return QVariantList();
    auto list = power_.powerSourceDescriptions();
    if (list && list->isEmpty()) noPowerSuppliesSince_ = seconds();
    else noPowerSuppliesSince_.reset();
    return list;
}

int LinuxSamplerSources::openNetlink() { return ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE); }

std::optional<QList<InterfaceLink>> LinuxSamplerSources::linksFromNetlink()
{
    const int fd = openNetlink();
    if (fd < 0) return std::nullopt;
    auto links = linksFromNetlink(fd, 1);
    ::close(fd);
    return links;
}

std::optional<QList<InterfaceLink>> LinuxSamplerSources::linksFromNetlink(int fd, quint32 sequence)
{
    // One dump of the kernel's link table: every interface's flags and 64-bit counters in a
    // few system calls, where the files cost several per interface.
    struct {
        nlmsghdr header;
        ifinfomsg info;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = sequence;
    request.info.ifi_family = AF_UNSPEC;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
        return std::nullopt;
    QList<InterfaceLink> links;
    alignas(nlmsghdr) static thread_local char buffer[32 * 1024];
    bool done = false, failed = false;
    while (!done && !failed) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) { failed = true; break; }
        int length = int(n);
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, length); h = NLMSG_NEXT(h, length)) {
            // A kept socket: an answer to an earlier request is not this one's.
            if (h->nlmsg_seq != sequence) continue;
            if (h->nlmsg_type == NLMSG_DONE) { done = true; break; }
            if (h->nlmsg_type == NLMSG_ERROR) { failed = true; break; }
            if (h->nlmsg_type != RTM_NEWLINK || h->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) continue;
            const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(h));
            InterfaceLink link;
            link.up = (info->ifi_flags & IFF_UP) != 0;
            link.loopback = (info->ifi_flags & IFF_LOOPBACK) != 0;
            int attrLength = int(h->nlmsg_len - NLMSG_LENGTH(sizeof(ifinfomsg)));
            for (auto* a = IFLA_RTA(info); RTA_OK(a, attrLength); a = RTA_NEXT(a, attrLength)) {
                const size_t payload = RTA_PAYLOAD(a);
                if (a->rta_type == IFLA_IFNAME && payload > 0) {
                    const char* name = static_cast<const char*>(RTA_DATA(a));
                    link.name = QString::fromUtf8(name, qsizetype(strnlen(name, payload)));
                } else if (a->rta_type == IFLA_STATS64 && payload >= sizeof(rtnl_link_stats64)) {
                    rtnl_link_stats64 stats{};
                    std::memcpy(&stats, RTA_DATA(a), sizeof stats);
                    link.counters = ByteCounters{stats.rx_bytes, stats.tx_bytes, 64};
                }
            }
            if (!link.name.isEmpty()) links << link;
        }
    }
    if (failed) return std::nullopt;
    return links;
}

std::optional<QList<InterfaceLink>> LinuxSamplerSources::keptNetlinkLinks() const
{
    // The socket stays open between readings; one that fails is made afresh, once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (netlink_ < 0) netlink_ = openNetlink();
        if (netlink_ < 0) return std::nullopt;
        if (auto links = linksFromNetlink(netlink_, ++netlinkSequence_)) return links;
        ::close(netlink_);
        netlink_ = -1;
    }
    return std::nullopt;
}

const QStringList& LinuxSamplerSources::virtualLinks(const QStringList& names) const
{
    // Which links are software ones changes only with the links themselves.
    if (names != linkNames_ || !virtualListed_ || seconds() - *virtualListed_ >= kRelistSeconds) {
        virtualLinks_ = fs_.list(kVirtualNet);
        linkNames_ = names;
        virtualListed_ = seconds();
    }
    return virtualLinks_;
}

std::optional<QList<InterfaceLink>> LinuxSamplerSources::interfaceLinks() const
{
    if (fs_.root() == QStringLiteral("/")) {
        if (auto links = keptNetlinkLinks()) {
            QStringList names;
            names.reserve(links->size());
            for (const InterfaceLink& link : std::as_const(*links)) names << link.name;
            const QStringList& virtualNames = virtualLinks(names);
            for (InterfaceLink& link : *links)
                link.isVirtual = std::binary_search(virtualNames.cbegin(), virtualNames.cend(), link.name);
            return links;
        }
    }
    if (!fs_.exists(kNet)) {
        if (fs_.root() != QStringLiteral("/")) return std::nullopt;
        auto links = linksFromInterfaceAddresses();
        if (links)
            for (InterfaceLink& link : *links) link.isVirtual = isVirtualLink(link.name);
        return links;
    }
    QList<InterfaceLink> links;
    // A short decimal or hex number on the first line of a small attribute file.
    auto number = [this](const QString& file, int base) -> std::optional<quint64> {
        const auto text = readFile(fs_, file, 64);
        if (!text) return std::nullopt;
        std::string_view s = trimmed(std::string_view(text->constData(), size_t(text->size())).substr(0, size_t(text->indexOf('\n'))));
        if (base == 16 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
        return unsignedNumber(s, base);
    };
    // Every interface's counters at once (64-bit); the two statistics files of an interface
    // only where the table lacks it. One listing says which links are virtual.
    QHash<QString, ByteCounters> table;
    if (const auto dev = netDev_.read(fs_)) table = parseNetDev(*dev);
    const QStringList names = fs_.list(kNet);
    const QStringList& virtualNames = virtualLinks(names);
    for (const QString& name : names) {
        const QString dir = kNet + name + '/';
        // Not every entry is an interface (bonding_masters is a control file).
        const auto flags = number(dir + "flags", 16);
        if (!flags) continue;
        InterfaceLink link;
        link.name = name;
        link.up = (*flags & IFF_UP) != 0;
        link.loopback = (*flags & IFF_LOOPBACK) != 0;
        if (const auto it = table.constFind(name); it != table.cend()) {
            link.counters = *it;
        } else {
            const auto rx = number(dir + "statistics/rx_bytes", 10), tx = number(dir + "statistics/tx_bytes", 10);
            if (rx && tx) link.counters = ByteCounters{*rx, *tx, 64};
        }
        link.isVirtual = std::binary_search(virtualNames.cbegin(), virtualNames.cend(), name);
        links << link;
    }
    return links;
}

QHash<QString, ByteCounters> LinuxSamplerSources::parseNetDev(const QByteArray& text)
{
    // "  eth0: rx_bytes rx_packets ... (8 receive fields) tx_bytes ...", after two header lines.
    QHash<QString, ByteCounters> table;
    forEachLine(text, [&](std::string_view line) {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) return;
        const std::string_view name = trimmed(line.substr(0, colon));
        if (name.empty()) return;
        std::array<std::optional<quint64>, 9> fields{};
        std::string_view rest = line.substr(colon + 1);
        for (auto& field : fields) {
            while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
            const size_t end = std::min(rest.find_first_of(" \t"), rest.size());
            field = unsignedNumber(rest.substr(0, end));
            rest.remove_prefix(end);
            if (!field) return;
        }
        table.insert(QString::fromUtf8(name.data(), qsizetype(name.size())), ByteCounters{*fields[0], *fields[8], 64});
    });
    return table;
}

std::optional<QList<InterfaceLink>> LinuxSamplerSources::linksFromInterfaceAddresses()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0 || !list) return std::nullopt;
    QList<InterfaceLink> links;
    for (ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_PACKET) continue;
        InterfaceLink link;
        link.name = QString::fromUtf8(it->ifa_name ? it->ifa_name : "");
        link.up = (it->ifa_flags & IFF_UP) != 0;
        link.loopback = (it->ifa_flags & IFF_LOOPBACK) != 0;
        if (it->ifa_data) {
            const auto* stats = static_cast<const rtnl_link_stats*>(it->ifa_data);
            link.counters = ByteCounters{stats->rx_bytes, stats->tx_bytes, 32};
        }
        links << link;
    }
    freeifaddrs(list);
    return links;
}

bool LinuxSamplerSources::isVirtualLink(const QString& name) const
{
    // A name is data: never a path of its own ("..", slashes).
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QStringLiteral(".") || name == QStringLiteral(".."))
        return false;
    return fs_.exists(kVirtualNet + name);
}

quint64 LinuxSamplerSources::physicalMemory() const
{
    // The installed size, as the inspection shows it, so the monitor and the overview agree.
    // The sampler reads it once, when it is made, never per sample.
    return installedMemory(fs_);
}

const SamplerSources& SamplerSources::host()
{
    static const LinuxSamplerSources sources;
    return sources;
}
