#pragma once

#include "monitor/MonitorSample.h"
#include "platform/SamplerSources.h"

#include <QHash>

#include <chrono>
#include <optional>
#include <utility>

// Turns the machine's raw counters into one MonitorSample. Rates and shares are taken
// between two readings, so the sampler remembers the previous processor ticks and
// interface counters. Not safe for concurrent use: one thread owns it.
class SystemSampler {
public:
    using CoreTicks = CoreTickCounts;

    // Network rates over a shorter interval than this are too noisy to show.
    static constexpr std::chrono::nanoseconds kMinimumRateInterval = std::chrono::milliseconds(200);

    // The sources and the clock must outlive the sampler.
    explicit SystemSampler(const SamplerSources& sources = SamplerSources::host(),
                           const SamplerClock& clock = SamplerClock::system());

    // Seeds the baselines, so that the next sample shows real rates.
    void prime();
    MonitorSample sample();

    // Difference of a counter `bits` wide: modulo 2^bits for narrow counters (which do
    // wrap); a 64-bit counter never wraps, so one that went backwards was reset and counts 0.
    static quint64 counterDelta(quint64 previous, quint64 current, int bits);
    // The unbanded share mapped into the band of the kernel's pressure level.
    static double bandedPressure(double base, std::optional<int> level);
    // Whether an interface's name leaves it out (loopbacks, tunnels, bridges, peer links).
    // Virtual links are left out too while a physical interface is up; where every
    // interface is virtual (a container), the virtual ones count.
    static bool countsInterface(const QString& name);
    // Level and charging flag of the first internal battery among the power sources.
    static std::optional<std::pair<double, bool>> battery(const std::optional<QVariantList>& descriptions);

private:
    std::pair<double, QList<double>> cpuUsage();
    std::pair<qint64, double> memoryStats(const std::optional<MemoryPages>& pages) const;
    QHash<QString, ByteCounters> networkCounters() const;
    std::pair<double, double> networkRates(std::chrono::nanoseconds now);

    const SamplerSources& sources_;
    const SamplerClock& clock_;
    ProcessorTicks previousCPU_;
    QHash<QString, ByteCounters> previousNetwork_;
    std::optional<std::chrono::nanoseconds> previousNetworkTime_;
    qint64 physicalMemory_;
    qint64 pageSize_;
};
