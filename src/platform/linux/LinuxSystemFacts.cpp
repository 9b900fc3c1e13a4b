#include "platform/linux/LinuxSystemFacts.h"

#include "platform/linux/ArmCpuParts.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
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
    auto data = fs_.read("proc/cpuinfo");
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

std::optional<quint64> onlineMemoryBlocksSize(const SysFs& fs)
{
    const auto sizeText = fs.line(QStringLiteral("sys/devices/system/memory/block_size_bytes"));
    bool ok = false;
    const quint64 blockSize = sizeText ? sizeText->toULongLong(&ok, 16) : 0;  // hexadecimal, without "0x"
    if (!ok || blockSize == 0) return std::nullopt;

    // Hundreds of blocks on an ordinary machine: each state is read with plain system calls.
    const QByteArray dirPath = QFile::encodeName(fs.path(QStringLiteral("sys/devices/system/memory")));
    DIR* dir = opendir(dirPath.constData());
    if (!dir) return std::nullopt;
    quint64 online = 0;
    while (const dirent* e = readdir(dir)) {
        if (std::strncmp(e->d_name, "memory", 6) != 0 || e->d_name[6] == '\0') continue;
        if (!std::all_of(e->d_name + 6, e->d_name + std::strlen(e->d_name), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        char path[NAME_MAX + 16];
        std::snprintf(path, sizeof path, "%s/state", e->d_name);
        const int fd = openat(dirfd(dir), path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) continue;
        struct stat st {};
        char state[16] = {};
        const ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, state, sizeof state - 1) : -1;
        ::close(fd);
        if (n >= 6 && std::strncmp(state, "online", 6) == 0 && (n == 6 || state[6] == '\n')) ++online;
    }
    closedir(dir);
    if (online == 0 || online > std::numeric_limits<quint64>::max() / blockSize) return std::nullopt;
    return online * blockSize;
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

quint64 LinuxSystemFacts::physicalMemory() const
{
    // The installed size, as the memory blocks count it; MemTotal leaves out what the
    // firmware and the kernel keep for themselves (23.5 GB of 24 GiB, say).
    if (const auto installed = onlineMemoryBlocksSize(fs_)) return *installed;
    auto data = fs_.read("proc/meminfo");
    if (!data) return 0;
    const QString total = SysFs::keyValues(*data, ':').value("MemTotal");
    bool ok = false;
    const quint64 kib = total.section(' ', 0, 0).toULongLong(&ok);
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
    QString bestMount, bestSource;
    const QString target = QFileInfo(path).absoluteFilePath();
    for (const QByteArray& raw : data->split('\n')) {
        const QStringList f = QString::fromUtf8(raw).split(' ');
        const qsizetype dash = f.indexOf("-");
        if (f.size() < 5 || dash < 0 || dash + 2 >= f.size()) continue;
        QString mount = f[4];
        mount.replace("\\040", " ");
        const bool contains = mount == "/" || target == mount || target.startsWith(mount + '/');
        if (contains && mount.size() >= bestMount.size()) {
            bestMount = mount;
            bestSource = f[dash + 2];
        }
    }
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
