#include "platform/linux/LinuxCpuTopology.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace LinuxCpu {

namespace {
constexpr int kMaxCpus = 8192;  // the kernel's own NR_CPUS ceiling
const QString kCpuDir = QStringLiteral("sys/devices/system/cpu/");

QString cpuPath(int cpu, const char* leaf) { return kCpuDir + QStringLiteral("cpu%1/").arg(cpu) + QLatin1String(leaf); }

// A decimal integer alone on the first line of a small file. Topology files are read
// once per CPU, so this avoids the general reader's large buffers.
std::optional<qint64> smallInteger(const SysFs& fs, const QString& relative)
{
    const int fd = SysFs::openRegular(QFile::encodeName(fs.path(relative)));
    if (fd < 0) return std::nullopt;
    char buf[64];
    ssize_t n;
    do { n = ::read(fd, buf, sizeof buf - 1); } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0) return std::nullopt;
    buf[n] = 0;
    bool ok = false;
    const qint64 v = QByteArray(buf, n).split('\n').first().trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return v;
}

// Online CPUs when the "online" list is missing or damaged: every cpuN directory whose
// own "online" file (absent on a CPU that cannot be taken offline) is not 0.
QList<int> scanOnline(const SysFs& fs)
{
    static const QRegularExpression cpuName(QStringLiteral("^cpu(\\d+)$"));
    QList<int> cpus;
    for (const QString& name : fs.list(kCpuDir)) {
        const auto m = cpuName.match(name);
        if (!m.hasMatch()) continue;
        bool ok = false;
        const int cpu = m.captured(1).toInt(&ok);
        if (!ok || cpu >= kMaxCpus || smallInteger(fs, cpuPath(cpu, "online")) == 0) continue;
        cpus << cpu;
    }
    std::sort(cpus.begin(), cpus.end());
    return cpus;
}

// A core is one (package, cluster, core) triple: arm64 firmware numbers cores per cluster,
// so the core id alone repeats across clusters.
struct CoreKey {
    qint64 package, cluster, core;
    bool operator==(const CoreKey&) const = default;
};
size_t qHash(const CoreKey& k, size_t seed = 0) { return qHashMulti(seed, k.package, k.cluster, k.core); }

std::optional<CoreKey> coreOf(const SysFs& fs, int cpu)
{
    const auto package = smallInteger(fs, cpuPath(cpu, "topology/physical_package_id"));
    const auto core = smallInteger(fs, cpuPath(cpu, "topology/core_id"));
    if (!package || !core) return std::nullopt;
    return CoreKey{*package, smallInteger(fs, cpuPath(cpu, "topology/cluster_id")).value_or(-1), *core};
}

std::optional<int> distinctCores(const QList<int>& cpus, const QHash<int, CoreKey>& keys)
{
    QSet<CoreKey> seen;
    for (int cpu : cpus) {
        auto it = keys.constFind(cpu);
        if (it == keys.constEnd()) return std::nullopt;
        seen.insert(it.value());
    }
    return int(seen.size());
}

// The efficiency CPUs among `online`: the hybrid PMU "cpu_atom" list where the kernel
// splits the cores that way (Intel), else the CPUs of the lowest capacity when capacities
// differ (arm64 big.LITTLE, and x86 hybrids on newer kernels). Empty when all are alike.
QList<int> efficiencyCpus(const SysFs& fs, const QList<int>& online)
{
    const QSet<int> onlineSet(online.begin(), online.end());
    const auto coreText = fs.line(QStringLiteral("sys/devices/cpu_core/cpus"));
    const auto atomText = fs.line(QStringLiteral("sys/devices/cpu_atom/cpus"));
    if (coreText && atomText) {
        const auto cores = parseCpuList(*coreText), atoms = parseCpuList(*atomText);
        if (cores && atoms) {
            QList<int> eff;
            bool anyPerformance = false;
            for (int cpu : *cores) anyPerformance |= onlineSet.contains(cpu);
            for (int cpu : *atoms)
                if (onlineSet.contains(cpu)) eff << cpu;
            return anyPerformance ? eff : QList<int>{};
        }
    }
    QHash<int, qint64> capacity;
    qint64 lowest = 0, highest = 0;
    for (int cpu : online) {
        const auto c = smallInteger(fs, cpuPath(cpu, "cpu_capacity"));
        if (!c || *c <= 0) return {};
        if (capacity.isEmpty() || *c < lowest) lowest = *c;
        if (capacity.isEmpty() || *c > highest) highest = *c;
        capacity.insert(cpu, *c);
    }
    if (capacity.isEmpty() || lowest == highest) return {};
    // Two levels, as the section shows them: every class above the lowest counts as performance.
    QList<int> eff;
    for (int cpu : online)
        if (capacity.value(cpu) == lowest) eff << cpu;
    return eff;
}
}  // namespace

std::optional<QList<int>> parseCpuList(const QString& text)
{
    QList<int> cpus;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return cpus;
    for (const QString& part : trimmed.split(',')) {
        const qsizetype dash = part.indexOf('-');
        bool ok1 = false, ok2 = true;
        const int first = (dash < 0 ? part : part.left(dash)).toInt(&ok1);
        const int last = dash < 0 ? first : part.mid(dash + 1).toInt(&ok2);
        if (!ok1 || !ok2 || first < 0 || last < first || last >= kMaxCpus) return std::nullopt;
        for (int cpu = first; cpu <= last; ++cpu) cpus << cpu;
        if (cpus.size() > kMaxCpus) return std::nullopt;
    }
    std::sort(cpus.begin(), cpus.end());
    cpus.erase(std::unique(cpus.begin(), cpus.end()), cpus.end());
    return cpus;
}

namespace {
std::optional<CpuTopology> readTopologyFrom(const SysFs& fs, const std::optional<QString>& listed)
{
    QList<int> online;
    if (auto parsed = listed ? parseCpuList(*listed) : std::nullopt; parsed && !parsed->isEmpty()) online = *parsed;
    else online = scanOnline(fs);
    if (online.isEmpty()) return std::nullopt;

    CpuTopology t;
    t.logical = int(online.size());
    QHash<int, CoreKey> keys;
    for (int cpu : online)
        if (auto k = coreOf(fs, cpu)) keys.insert(cpu, *k);
    t.physical = distinctCores(online, keys);

    const QList<int> eff = efficiencyCpus(fs, online);
    if (!eff.isEmpty() && eff.size() < online.size()) {
        const QSet<int> effSet(eff.begin(), eff.end());
        QList<int> perf;
        for (int cpu : online)
            if (!effSet.contains(cpu)) perf << cpu;
        t.levels = 2;
        t.levelLogical[0] = int(perf.size());
        t.levelLogical[1] = int(eff.size());
        t.levelPhysical[0] = distinctCores(perf, keys);
        t.levelPhysical[1] = distinctCores(eff, keys);
    } else {
        t.levelLogical[0] = t.logical;
        t.levelPhysical[0] = t.physical;
    }
    return t;
}
}  // namespace

std::optional<CpuTopology> readTopology(const SysFs& fs)
{
    // One inspection asks for several core counts in a row; a reading made moments ago
    // under the same root, with the same CPUs online, serves them all. Core ids and
    // capacities of an online CPU do not change while it stays online.
    constexpr qint64 kReuseMs = 1000;
    static QMutex mutex;
    static QString lastRoot;
    static std::optional<QString> lastOnline;
    static std::optional<CpuTopology> last;
    static QElapsedTimer age;

    const auto listed = fs.line(kCpuDir + QStringLiteral("online"));
    {
        QMutexLocker lock(&mutex);
        if (age.isValid() && age.elapsed() < kReuseMs && lastRoot == fs.root() && lastOnline == listed && listed)
            return last;
    }
    auto t = readTopologyFrom(fs, listed);
    QMutexLocker lock(&mutex);
    lastRoot = fs.root();
    lastOnline = listed;
    last = t;
    age.start();
    return t;
}

std::optional<QByteArray> firstCpuinfoBlock(const SysFs& fs)
{
    // The processors' names, makers and flags do not change while the machine runs.
    constexpr qint64 kReuseMs = 1000;
    static QMutex mutex;
    static QString lastRoot;
    static std::optional<QByteArray> last;
    static QElapsedTimer age;
    {
        QMutexLocker lock(&mutex);
        if (age.isValid() && age.elapsed() < kReuseMs && lastRoot == fs.root()) return last;
    }
    std::optional<QByteArray> data;
    if (const int fd = SysFs::openRegular(QFile::encodeName(fs.path(QStringLiteral("proc/cpuinfo")))); fd >= 0) {
        data = QByteArray();
        char buf[4096];
        while (data->size() < 64 * 1024 && !data->contains("\n\n")) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            data->append(buf, n);
        }
        ::close(fd);
        if (const qsizetype end = data->indexOf("\n\n"); end >= 0) data->truncate(end + 1);
    }
    QMutexLocker lock(&mutex);
    lastRoot = fs.root();
    last = data;
    age.start();
    return data;
}

std::optional<qint64> maxFrequencyHz(const SysFs& fs)
{
    // One policy per group of CPUs that share a clock; per-CPU directories on old kernels.
    qint64 bestKHz = 0;
    const QString policies = kCpuDir + QStringLiteral("cpufreq/");
    for (const QString& name : fs.list(policies)) {
        if (!name.startsWith(QLatin1String("policy"))) continue;
        if (auto khz = smallInteger(fs, policies + name + QStringLiteral("/cpuinfo_max_freq"))) bestKHz = std::max(bestKHz, *khz);
    }
    if (bestKHz <= 0) {
        const auto listed = fs.line(kCpuDir + QStringLiteral("online"));
        const auto online = listed ? parseCpuList(*listed) : std::nullopt;
        for (int cpu : online ? *online : scanOnline(fs))
            if (auto khz = smallInteger(fs, cpuPath(cpu, "cpufreq/cpuinfo_max_freq"))) bestKHz = std::max(bestKHz, *khz);
    }
    // kHz to Hz; a value that would overflow is damage, not a frequency.
    if (bestKHz <= 0 || bestKHz > std::numeric_limits<qint64>::max() / 1000) return std::nullopt;
    return bestKHz * 1000;
}

namespace {
// The words of one "name : words" line of the first processor block of /proc/cpuinfo.
std::optional<QStringList> cpuinfoWords(const SysFs& fs, const QString& field)
{
    const auto block = firstCpuinfoBlock(fs);
    if (!block) return std::nullopt;
    const QByteArray& data = *block;
    for (const QByteArray& raw : data.split('\n')) {
        if (raw.trimmed().isEmpty()) break;
        const qsizetype colon = raw.indexOf(':');
        if (colon <= 0 || raw.left(colon).trimmed() != field.toLatin1()) continue;
        return QString::fromUtf8(raw.mid(colon + 1)).split(' ', Qt::SkipEmptyParts);
    }
    return std::nullopt;
}

// The auxiliary vector's AT_HWCAP and AT_HWCAP2 words, as the kernel gave them to this process.
std::optional<std::pair<quint64, quint64>> hwcaps(const SysFs& fs)
{
    constexpr quint64 kAtNull = 0, kAtHwcap = 16, kAtHwcap2 = 26;
    const auto data = fs.read(QStringLiteral("proc/self/auxv"), 64 * 1024);
    if (!data) return std::nullopt;
    std::optional<quint64> cap, cap2;
    // Pairs of native 64-bit words; a truncated last pair is ignored.
    for (qsizetype at = 0; at + 16 <= data->size(); at += 16) {
        quint64 type = 0, value = 0;
        std::memcpy(&type, data->constData() + at, 8);
        std::memcpy(&value, data->constData() + at + 8, 8);
        if (type == kAtNull) break;
        if (type == kAtHwcap) cap = value;
        if (type == kAtHwcap2) cap2 = value;
    }
    if (!cap) return std::nullopt;
    return std::pair{*cap, cap2.value_or(0)};
}
}  // namespace

std::optional<bool> x86Flag(const SysFs& fs, const QString& flag)
{
    const auto words = cpuinfoWords(fs, QStringLiteral("flags"));
    if (!words) return std::nullopt;
    return words->contains(flag);
}

std::optional<bool> armFeature(const SysFs& fs, ArmFeature feature)
{
    // Bits of AT_HWCAP2 on arm64.
    constexpr quint64 kHwcap2Bf16 = 1ull << 14, kHwcap2Sme = 1ull << 23;
    if (const auto caps = hwcaps(fs)) return (caps->second & (feature == ArmFeature::BF16 ? kHwcap2Bf16 : kHwcap2Sme)) != 0;
    const auto words = cpuinfoWords(fs, QStringLiteral("Features"));
    if (!words) return std::nullopt;
    return words->contains(feature == ArmFeature::BF16 ? QStringLiteral("bf16") : QStringLiteral("sme"));
}

}  // namespace LinuxCpu
