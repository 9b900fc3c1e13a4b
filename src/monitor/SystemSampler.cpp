#include "monitor/SystemSampler.h"

#include <QMetaType>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// The pressure bands: normal up to 0.6, warning up to 0.85, critical up to 1.
constexpr double kWarningBandStart = 0.6;
constexpr double kCriticalBandStart = 0.85;

// Names of loopbacks, tunnels, bridges and peer links, whose traffic is already counted
// on another interface or never leaves the machine. Linux's own software links are told
// apart by the kernel instead (InterfaceLink::isVirtual), whatever they are called.
constexpr std::array kUncountedPrefixes{
    "lo", "utun", "ipsec", "gif", "stf", "awdl", "llw", "bridge", "anpi", "ap",
};

double share(quint64 part, quint64 whole)
{
    if (whole == 0) return 0;
    return std::min(double(part) / double(whole), 1.0);
}

qint64 saturatingBytes(quint64 pages, qint64 pageSize)
{
    if (pageSize <= 0) return 0;
    quint64 bytes = 0;
    if (__builtin_mul_overflow(pages, quint64(pageSize), &bytes) || bytes > quint64(std::numeric_limits<qint64>::max()))
        return std::numeric_limits<qint64>::max();
    return qint64(bytes);
}

bool isInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

}  // namespace

SystemSampler::SystemSampler(const SamplerSources& sources, const SamplerClock& clock)
    : sources_(sources),
      clock_(clock),
      physicalMemory_(qint64(std::min<quint64>(sources.physicalMemory(), quint64(std::numeric_limits<qint64>::max())))),
      pageSize_(sources.pageSize())
{
}

quint64 SystemSampler::counterDelta(quint64 previous, quint64 current, int bits)
{
    if (bits <= 0 || bits >= 64) return current >= previous ? current - previous : 0;
    const quint64 mask = (quint64(1) << bits) - 1;
    return ((current & mask) - (previous & mask)) & mask;
}

double SystemSampler::bandedPressure(double base, std::optional<int> level)
{
    if (!level) return base;
    switch (*level) {
    case 1: return base * kWarningBandStart;
    case 2: return kWarningBandStart + base * (kCriticalBandStart - kWarningBandStart);
    case 4: return kCriticalBandStart + base * (1.0 - kCriticalBandStart);
    default: return base;
    }
}

bool SystemSampler::countsInterface(const QString& name)
{
    for (const char* prefix : kUncountedPrefixes)
        if (name.startsWith(QLatin1String(prefix))) return false;
    return true;
}

std::optional<std::pair<double, bool>> SystemSampler::battery(const std::optional<QVariantList>& descriptions)
{
    if (!descriptions) return std::nullopt;
    for (const QVariant& entry : *descriptions) {
        if (entry.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap d = entry.toMap();
        const QVariant type = d.value(QStringLiteral("Type"));
        if (type.typeId() != QMetaType::QString || type.toString() != QStringLiteral("InternalBattery")) continue;
        // A battery that gives no charge reading has no level to show.
        const QVariant current = d.value(QStringLiteral("Current Capacity"));
        if (!isInteger(current)) return std::nullopt;
        const double now = current.toDouble();
        const QVariant max = d.value(QStringLiteral("Max Capacity"));
        double level = 0;
        if (isInteger(max)) level = max.toDouble() > 0 ? now / max.toDouble() : 0;
        else level = now / 100.0;
        level = std::clamp(level, 0.0, 1.0);
        const QVariant charging = d.value(QStringLiteral("Is Charging"));
        const bool isCharging = charging.typeId() == QMetaType::Bool && charging.toBool();
        return std::make_pair(level, isCharging);
    }
    return std::nullopt;
}

void SystemSampler::prime()
{
    previousCPU_ = sources_.processorTicks().value_or(ProcessorTicks{});
    previousNetwork_ = networkCounters();
    previousNetworkTime_ = clock_.steadyTime();
}

MonitorSample SystemSampler::sample()
{
    MonitorSample s;
    s.date = clock_.wallTime();
    const std::chrono::nanoseconds now = clock_.steadyTime();
    std::tie(s.cpuUsage, s.perCoreUsage) = cpuUsage();
    const MemoryReading memory = sources_.memory();
    std::tie(s.memoryUsed, s.memoryPressure) = memoryStats(memory.pages);
    s.memoryTotal = physicalMemory_;
    std::tie(s.networkInPerSecond, s.networkOutPerSecond) = networkRates(now);
    if (const auto b = battery(sources_.powerSourceDescriptions())) {
        s.batteryLevel = b->first;
        s.isCharging = b->second;
    }
    s.swapUsed = std::max<qint64>(memory.swapUsed.value_or(0), 0);
    s.thermalState = sources_.thermalState();
    return s;
}

std::pair<double, QList<double>> SystemSampler::cpuUsage()
{
    auto current = sources_.processorTicks();
    if (!current) return {0.0, {}};
    const qsizetype count = current->cores.size();
    if (count != previousCPU_.cores.size()) {
        // Processors came or went: there is nothing to compare this time.
        previousCPU_ = std::move(*current);
        return {0.0, QList<double>(count, 0.0)};
    }
    const int bits = current->counterBits;
    QList<double> perCore;
    perCore.reserve(count);
    quint64 busySum = 0, totalSum = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const CoreTicks& now = current->cores[i];
        const CoreTicks& before = previousCPU_.cores[i];
        // Each kind's difference on its own, so one that went backwards counts 0 and does
        // not take the others with it.
        const quint64 busy = counterDelta(before.user, now.user, bits) + counterDelta(before.system, now.system, bits) +
                             counterDelta(before.nice, now.nice, bits) + counterDelta(before.irq, now.irq, bits) +
                             counterDelta(before.softirq, now.softirq, bits) + counterDelta(before.steal, now.steal, bits);
        const quint64 total = busy + counterDelta(before.idle, now.idle, bits) + counterDelta(before.iowait, now.iowait, bits);
        perCore << share(busy, total);
        busySum += busy;
        totalSum += total;
    }
    previousCPU_ = std::move(*current);
    return {share(busySum, totalSum), perCore};
}

std::pair<qint64, double> SystemSampler::memoryStats(const std::optional<MemoryPages>& pages) const
{
    if (!pages) return {0, 0.0};
    const qint64 active = saturatingBytes(pages->active, pageSize_);
    const qint64 wired = saturatingBytes(pages->wired, pageSize_);
    const qint64 compressed = saturatingBytes(pages->compressed, pageSize_);
    // Summed in floating point: three saturated figures must not overflow.
    const double inUse = double(active) + double(wired) + double(compressed);
    const qint64 used = inUse >= double(physicalMemory_) ? physicalMemory_ : active + wired + compressed;
    double base = 0;
    if (physicalMemory_ >= 1) {
        base = (double(wired) + double(compressed)) / double(physicalMemory_);
        base = std::isnan(base) ? 0 : std::clamp(base, 0.0, 1.0);
    }
    return {used, bandedPressure(base, sources_.memoryPressureLevel())};
}

QHash<QString, ByteCounters> SystemSampler::networkCounters() const
{
    QHash<QString, ByteCounters> counters, virtualOnly;
    const auto links = sources_.interfaceLinks();
    if (!links) return counters;
    for (const InterfaceLink& link : *links) {
        if (!link.up || link.loopback || !link.counters || !countsInterface(link.name)) continue;
        (link.isVirtual ? virtualOnly : counters).insert(link.name, *link.counters);
    }
    // Inside a container every link is virtual, and its own link is the way out.
    return counters.isEmpty() ? virtualOnly : counters;
}

std::pair<double, double> SystemSampler::networkRates(std::chrono::nanoseconds now)
{
    QHash<QString, ByteCounters> current = networkCounters();
    const std::optional<std::chrono::nanoseconds> before = previousNetworkTime_;
    const QHash<QString, ByteCounters> previous = std::exchange(previousNetwork_, std::move(current));
    previousNetworkTime_ = now;
    if (!before) return {0.0, 0.0};
    const std::chrono::nanoseconds interval = now - *before;
    if (interval <= kMinimumRateInterval) return {0.0, 0.0};
    quint64 inSum = 0, outSum = 0;
    for (auto it = previousNetwork_.cbegin(); it != previousNetwork_.cend(); ++it) {
        const auto old = previous.constFind(it.key());
        if (old == previous.cend()) continue;  // new since the last reading
        inSum += counterDelta(old->inBytes, it->inBytes, it->counterBits);
        outSum += counterDelta(old->outBytes, it->outBytes, it->counterBits);
    }
    const double seconds = std::chrono::duration<double>(interval).count();
    return {double(inSum) / seconds, double(outSum) / seconds};
}
