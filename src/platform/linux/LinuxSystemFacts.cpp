#include "platform/linux/LinuxSystemFacts.h"

#include "platform/linux/ArmCpuParts.h"
#include "platform/linux/LinuxCpuTopology.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

namespace SysctlValue {
QByteArray text(const QString& s)
{
    QByteArray b = s.toUtf8();
    b.append('\0');
    return b;
}
QByteArray int32(qint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), sizeof v); }
QByteArray int64(qint64 v) { return QByteArray(reinterpret_cast<const char*>(&v), sizeof v); }
}  // namespace SysctlValue

LinuxSystemFacts::LinuxSystemFacts(QString root, QString homePath, QString machine)
    : fs_(std::move(root)), home_(homePath.isEmpty() ? QDir::homePath() : std::move(homePath)), machine_(std::move(machine))
{
}

std::optional<QByteArray> LinuxSystemFacts::sysctl(const QString& name) const
{
    const auto& table = sysctlTable();
    auto it = table.constFind(name);
    if (it == table.constEnd()) return std::nullopt;
    return it.value()(*this);
}

QHash<QString, QString> LinuxSystemFacts::cpuInfo() const
{
    std::optional<QByteArray> data = LinuxCpu::firstCpuinfoBlock(fs_);
    if (!data) return {};
    // Arm kernels may name the board in a line after every block: read the rest there.
    if (!data->contains("vendor_id")) data = fs_.read("proc/cpuinfo");
    if (!data) return {};
    // Fields of the first block; arm64 lists "CPU implementer" per block, which is the same.
    const qsizetype blockEnd = data->indexOf("\n\n");
    QHash<QString, QString> first = SysFs::keyValues(blockEnd >= 0 ? data->left(blockEnd) : *data, ':');
    // Some arm kernels name the board in one "Hardware" line after all processor blocks.
    if (!first.contains("Hardware")) {
        const qsizetype at = data->lastIndexOf("\nHardware");
        if (at >= 0) {
            const qsizetype end = data->indexOf('\n', at + 1);
            first.insert("Hardware", SysFs::keyValues(data->mid(at + 1, end < 0 ? -1 : end - at - 1), ':').value("Hardware"));
        }
    }
    return first;
}

std::optional<QString> LinuxSystemFacts::hostName() const
{
    if (auto info = fs_.read("etc/machine-info", 64 * 1024)) {
        const QString pretty = SysFs::keyValues(*info, '=').value("PRETTY_HOSTNAME").trimmed();
        if (!pretty.isEmpty()) return pretty;
    }
    for (const char* file : {"proc/sys/kernel/hostname", "etc/hostname"}) {
        if (auto name = fs_.line(file)) return name;
    }
    return std::nullopt;
}

std::optional<quint64> memoryDeviceTableSize(const SysFs& fs)
{
    // SMBIOS type 17 records, one per memory slot; readable by root only on most systems.
    const QString entries = QStringLiteral("sys/firmware/dmi/entries");
    quint64 total = 0;
    bool any = false;
    for (const QString& entry : fs.list(entries)) {
        if (!entry.startsWith(QLatin1String("17-"))) continue;
        const auto raw = fs.read(entries + '/' + entry + QStringLiteral("/raw"), 4096);
        if (!raw) return std::nullopt;  // one unreadable record makes the table no reading
        const QByteArray& r = *raw;
        if (r.size() < 0x0E || quint8(r[0]) != 17 || quint8(r[1]) < 0x0E || quint8(r[1]) > r.size()) return std::nullopt;
        const quint16 size = quint16(quint8(r[0x0C]) | (quint8(r[0x0D]) << 8));
        if (size == 0) continue;              // an empty slot
        if (size == 0xFFFF) return std::nullopt;  // a module of unknown size
        quint64 bytes = 0;
        if (size == 0x7FFF) {
            // Extended size, in MiB, for modules of 32 GiB and more.
            if (quint8(r[1]) < 0x20) return std::nullopt;
            const quint32 ext = quint32(quint8(r[0x1C]) | (quint8(r[0x1D]) << 8) | (quint8(r[0x1E]) << 16) |
                                        (quint8(r[0x1F]) << 24)) & 0x7FFFFFFFu;
            bytes = quint64(ext) << 20;
        } else {
            bytes = (size & 0x8000) ? quint64(size & 0x7FFF) << 10 : quint64(size) << 20;
        }
        if (bytes == 0 || total > std::numeric_limits<quint64>::max() - bytes) return std::nullopt;
        total += bytes;
        any = true;
    }
    if (!any) return std::nullopt;
    return total;
}

std::optional<quint64> installedMemoryFromBlocks(const SysFs& fs, quint64 memTotal)
{
    const auto sizeText = fs.line(QStringLiteral("sys/devices/system/memory/block_size_bytes"));
    bool ok = false;
    const quint64 blockSize = sizeText ? sizeText->toULongLong(&ok, 16) : 0;  // hexadecimal, without "0x"
    if (!ok || blockSize == 0 || memTotal == 0) return std::nullopt;

    // Only the listing: one entry per block that holds memory. Reading each block's state
    // would cost a file per block (hundreds on an ordinary machine).
    const QByteArray dirPath = QFile::encodeName(fs.path(QStringLiteral("sys/devices/system/memory")));
    DIR* dir = opendir(dirPath.constData());
    if (!dir) return std::nullopt;
    quint64 blocks = 0;
    while (const dirent* e = readdir(dir)) {
        if (std::strncmp(e->d_name, "memory", 6) != 0 || e->d_name[6] == '\0') continue;
        if (std::all_of(e->d_name + 6, e->d_name + std::strlen(e->d_name), [](char c) { return c >= '0' && c <= '9'; }))
            ++blocks;
    }
    closedir(dir);
    if (blocks == 0 || blocks > std::numeric_limits<quint64>::max() / blockSize) return std::nullopt;

    // The kernel manages a little less than is installed (MemTotal), and the blocks a little
    // more: those only partly filled around memory holes count whole, so on a machine with
    // 2 GiB blocks 64 GB reads 66. The installed size lies between the two; it is the
    // roundest figure there, MemTotal rounded up to the coarsest grid (block size times a
    // power of two) that still has a point within the blocks' span.
    const quint64 span = blocks * blockSize;
    if (span < memTotal) return std::nullopt;
    std::optional<quint64> best;
    for (quint64 grid = blockSize; grid != 0 && grid <= span; grid <<= 1) {
        const quint64 rounded = (memTotal + grid - 1) / grid * grid;
        if (rounded < memTotal || rounded > span) break;
        best = rounded;
        if (grid > std::numeric_limits<quint64>::max() / 2) break;
    }
    // A listing far beyond what the kernel manages (offline or hot-pluggable blocks) says
    // nothing about what is installed.
    if (!best || *best - memTotal > memTotal / 4) return std::nullopt;
    return best;
}

bool LinuxSystemFacts::isDmiPlaceholder(const QString& value)
{
    static const QStringList placeholders = {
        QStringLiteral("System Product Name"), QStringLiteral("System Name"), QStringLiteral("System Version"),
        QStringLiteral("System manufacturer"), QStringLiteral("System Manufacturer"),
        QStringLiteral("To be filled by O.E.M."), QStringLiteral("To Be Filled By O.E.M."), QStringLiteral("O.E.M."),
        QStringLiteral("OEM"), QStringLiteral("Default string"), QStringLiteral("Not Applicable"),
        QStringLiteral("Not Specified"), QStringLiteral("Not Available"), QStringLiteral("None"), QStringLiteral("N/A"),
        QStringLiteral("NA"), QStringLiteral("Unknown"), QStringLiteral("Undefined"), QStringLiteral("Type1ProductConfigId"),
        QStringLiteral("Base Board Product Name"), QStringLiteral("Board Product Name"), QStringLiteral("Product Name"),
        QStringLiteral("Default"), QStringLiteral("x.x"), QStringLiteral("0123456789"), QStringLiteral("1234567890"),
    };
    const QString v = value.simplified();
    if (v.isEmpty()) return true;
    for (const QString& p : placeholders)
        if (v.compare(p, Qt::CaseInsensitive) == 0) return true;
    // Filler made of one repeated character ("0000000", "xxxxxx", "------").
    return v.size() > 1 && v.count(v[0]) == v.size();
}

std::optional<QString> LinuxSystemFacts::dmiField(const char* name) const
{
    const auto value = fs_.line(QStringLiteral("sys/devices/virtual/dmi/id/") + QLatin1String(name));
    if (!value || isDmiPlaceholder(*value)) return std::nullopt;
    return value->simplified();
}

std::optional<QString> LinuxSystemFacts::deviceTreeModel() const
{
    for (const char* file : {"proc/device-tree/model", "sys/firmware/devicetree/base/model"}) {
        auto data = fs_.read(QString::fromLatin1(file), 4096);
        if (!data) continue;
        // A device-tree string ends in a zero byte; nothing after the first one belongs to it.
        const qsizetype zero = data->indexOf('\0');
        if (zero >= 0) data->truncate(zero);
        const QString model = QString::fromUtf8(*data).trimmed();
        if (!model.isEmpty()) return model;
    }
    return std::nullopt;
}

quint64 LinuxSystemFacts::physicalMemory() const { return installedMemory(fs_); }

quint64 installedMemory(const SysFs& fs)
{
    // The installed size: the firmware's memory-device table where it can be read, else
    // derived from MemTotal and the memory blocks. MemTotal alone leaves out what the
    // firmware and the kernel keep for themselves (23.5 GB of 24 GiB, say).
    const quint64 memTotal = memTotalBytes(fs);
    if (memTotal == 0) return 0;
    if (const auto table = memoryDeviceTableSize(fs); table && *table >= memTotal) return *table;
    if (const auto installed = installedMemoryFromBlocks(fs, memTotal)) return *installed;
    return memTotal;
}

quint64 memTotalBytes(const SysFs& fs)
{
    auto data = fs.read("proc/meminfo", 4096);
    if (!data) return 0;
    // MemTotal is the first line; nothing further needs reading.
    const qsizetype at = data->indexOf("MemTotal:");
    if (at < 0) return 0;
    const qsizetype end = data->indexOf('\n', at);
    const QByteArray value = data->mid(at + 9, end < 0 ? -1 : end - at - 9).trimmed();
    const qsizetype space = value.indexOf(' ');
    bool ok = false;
    const quint64 kib = (space < 0 ? value : value.left(space)).toULongLong(&ok);
    // A size beyond what a byte count can hold is no reading.
    if (!ok || kib > quint64(std::numeric_limits<qint64>::max()) / 1024) return 0;
    return kib * 1024;
}

double LinuxSystemFacts::systemUptime() const
{
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return 0;
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

ThermalState LinuxSystemFacts::thermalState() const { return readThermalState(fs_); }

OperatingSystem LinuxSystemFacts::operatingSystem() const
{
    OperatingSystem os;
    for (const char* file : {"etc/os-release", "usr/lib/os-release"}) {
        auto data = fs_.read(file, 64 * 1024);
        if (!data) continue;
        const auto kv = SysFs::keyValues(*data, '=');
        os.name = kv.value("NAME");
        os.version = kv.value("VERSION_ID");
        if (os.version.isEmpty()) os.version = kv.value("VERSION");
        break;
    }
    if (os.name.isEmpty()) os.name = QStringLiteral("Linux");
    return os;
}

std::optional<QString> LinuxSystemFacts::volumeName(const QString& path) const
{
    auto data = fs_.read("proc/self/mountinfo");
    if (!data) return std::nullopt;
    // mountinfo: id parent major:minor root mountpoint options ... - fstype source superoptions
    // Compared as bytes: the table has a line per mount, and only the best match is decoded.
    QByteArray bestMount, bestSourceBytes;
    const QByteArray target = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    for (const QByteArray& raw : data->split('\n')) {
        const QList<QByteArray> f = raw.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (f.size() < 5 || dash < 0 || dash + 2 >= f.size()) continue;
        QByteArray mount = f[4];
        mount.replace("\\040", " ");
        const bool contains = mount == "/" || target == mount || (target.startsWith(mount) && target.size() > mount.size() &&
                                                                   target[mount.size()] == '/');
        if (contains && mount.size() >= bestMount.size()) {
            bestMount = mount;
            bestSourceBytes = f[dash + 2];
        }
    }
    const QString bestSource = QString::fromUtf8(bestSourceBytes);
    if (bestSource.isEmpty()) return std::nullopt;
    // A file-system label names the volume as the user gave it.
    const QString byLabel = fs_.path("dev/disk/by-label");
    for (const QString& label : fs_.list("dev/disk/by-label")) {
        const QFileInfo link(byLabel + '/' + label);
        if (link.isSymLink() && QFileInfo(link.symLinkTarget()).fileName() == QFileInfo(bestSource).fileName()) {
            QString name = label;
            name.replace("\\x20", " ");
            return name;
        }
    }
    const QString device = QFileInfo(bestSource).fileName();
    if (device.isEmpty()) return std::nullopt;
    return device;
}

std::optional<VolumeCapacity> LinuxSystemFacts::homeVolume() const
{
    struct statvfs st {};
    if (statvfs(QFile::encodeName(home_).constData(), &st) != 0) return std::nullopt;
    VolumeCapacity v;
    const quint64 unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    v.total = qint64(quint64(st.f_blocks) * unit);
    v.available = qint64(quint64(st.f_bavail) * unit);
    v.name = volumeName(home_);
    return v;
}

std::optional<QString> LinuxSystemFacts::cpuVendor() const
{
    const auto info = cpuInfo();
    const QString vendor = info.value("vendor_id");
    if (vendor == "GenuineIntel") return QStringLiteral("Intel");
    if (vendor == "AuthenticAMD") return QStringLiteral("AMD");
    if (vendor == "HygonGenuine") return QStringLiteral("Hygon");
    // Zhaoxin writes "  Shanghai  "; the field reader has already trimmed it.
    if (vendor == "CentaurHauls" || vendor == "Shanghai") return QStringLiteral("Zhaoxin");
    const QString implementer = info.value("CPU implementer").toLower();
    if (!implementer.isEmpty()) {
        bool ok = false;
        const int id = implementer.startsWith(QLatin1String("0x")) ? implementer.mid(2).toInt(&ok, 16) : -1;
        if (ok) return ArmCpuParts::implementerName(id);
    }
    return std::nullopt;
}

QString LinuxSystemFacts::machineArchitecture() const
{
    if (!machine_.isEmpty()) return machine_;
    if (fs_.root() == "/") {
        utsname u{};
        if (uname(&u) == 0) return QString::fromUtf8(u.machine);
    }
    const auto info = cpuInfo();
    if (info.contains("vendor_id")) return QStringLiteral("x86_64");
    if (info.contains("CPU implementer")) return QStringLiteral("aarch64");
    return {};
}

ThermalState readThermalState(const SysFs& fs)
{
    // The worst state over all zones that have a temperature and trip points.
    constexpr qint64 kFairMarginMilliC = 10000;  // within 10 °C of throttling reads warm
    int worst = -1;
    for (const QString& zone : fs.list("sys/class/thermal")) {
        if (!zone.startsWith("thermal_zone")) continue;
        const QString dir = "sys/class/thermal/" + zone + '/';
        auto temp = fs.integer(dir + "temp");
        if (!temp || *temp <= 0) continue;
        std::optional<qint64> passive, active, critical;
        for (int i = 0; i < 32; ++i) {
            auto type = fs.line(dir + QStringLiteral("trip_point_%1_type").arg(i));
            if (!type) break;
            auto t = fs.integer(dir + QStringLiteral("trip_point_%1_temp").arg(i));
            if (!t || *t <= 0) continue;
            auto lower = [&](std::optional<qint64>& slot) { if (!slot || *t < *slot) slot = *t; };
            if (*type == "critical" || *type == "hot") lower(critical);
            else if (*type == "passive") lower(passive);
            else if (*type == "active") lower(active);
        }
        if (!passive && !active && !critical) continue;
        int state = 0;
        if (critical && *temp >= *critical) state = 3;
        else if (passive && *temp >= *passive) state = 2;
        else if ((passive && *temp >= *passive - kFairMarginMilliC) || (active && *temp >= *active)) state = 1;
        else if (!passive && critical && *temp >= *critical - kFairMarginMilliC) state = 2;
        worst = std::max(worst, state);
    }
    return worst < 0 ? ThermalState::Unknown : ThermalState(worst);
}
