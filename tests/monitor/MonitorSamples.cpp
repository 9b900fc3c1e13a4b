#include "MonitorSamples.h"

#include "FakeSamplerSources.h"
#include "monitor/SystemSampler.h"
#include "platform/linux/LinuxSamplerSources.h"

#include <QThread>

#include <cmath>

namespace {

// The fixture tree for everything but the moving counters, which follow a script.
class ScriptedLaptop : public SamplerSources {
public:
    explicit ScriptedLaptop(const QString& root) : tree_(root, 4096) {}
    int tick = 0;

    std::optional<ProcessorTicks> processorTicks() const override
    {
        ProcessorTicks t;
        for (int core = 0; core < 16; ++core) {
            // Each core has its own rhythm; the first few work hardest.
            CoreTickCounts c;
            for (int i = 0; i <= tick; ++i) {
                const double l = std::clamp(0.15 + 0.5 * std::exp(-core / 4.0) + 0.25 * std::sin(i / 9.0 + core), 0.02, 0.98);
                c.user += quint64(l * 80);
                c.system += quint64(l * 20);
                c.idle += quint64((1 - l) * 100);
            }
            t.cores << c;
        }
        return t;
    }
    MemoryReading memory() const override
    {
        // The tree's figures, with a little growth over the minutes.
        MemoryReading m = tree_.memory();
        if (m.pages) m.pages->active += quint64(tick) * 256;
        return m;
    }
    std::optional<int> memoryPressureLevel() const override { return tree_.memoryPressureLevel(); }
    ThermalState thermalState() const override { return tree_.thermalState(); }
    std::optional<QVariantList> powerSourceDescriptions() const override { return tree_.powerSourceDescriptions(); }
    std::optional<QList<InterfaceLink>> interfaceLinks() const override
    {
        // A download that comes and goes, a steady trickle out.
        quint64 in = 0, out = 0;
        for (int i = 0; i <= tick; ++i) {
            in += quint64(1.8e6 * std::max(0.0, std::sin(i / 14.0)) + 40e3);
            out += quint64(120e3 + 60e3 * std::sin(i / 5.0));
        }
        return QList<InterfaceLink>{InterfaceLink{QStringLiteral("wlan0"), true, false, ByteCounters{in, out, 64}}};
    }
    quint64 physicalMemory() const override { return tree_.physicalMemory(); }
    qint64 pageSize() const override { return 4096; }

private:
    LinuxSamplerSources tree_;
};

}  // namespace

QList<MonitorSample> fixtureLaptopSamples(int count, const QDateTime& last)
{
    ScriptedLaptop laptop(QStringLiteral(QRL_FIXTURES_DIR "/monitor-render-laptop"));
    FakeSamplerClock clock;
    clock.wall = last.addSecs(-count);
    SystemSampler sampler(laptop, clock);
    sampler.prime();
    QList<MonitorSample> samples;
    for (int i = 0; i < count; ++i) {
        ++laptop.tick;
        clock.advance(std::chrono::seconds(1));
        samples << sampler.sample();
    }
    return samples;
}

QList<MonitorSample> thisMachineSamples(int count, int intervalMs)
{
    SystemSampler sampler;
    sampler.prime();
    QList<MonitorSample> samples;
    for (int i = 0; i < count; ++i) {
        QThread::msleep(intervalMs);
        samples << sampler.sample();
    }
    return samples;
}

MonitorSample plainSample(const QDateTime& date, double cpu, int cores)
{
    MonitorSample s;
    s.date = date;
    s.cpuUsage = cpu;
    s.perCoreUsage = QList<double>(cores, cpu);
    s.memoryTotal = 16LL << 30;
    s.memoryUsed = 8LL << 30;
    s.memoryPressure = 0.3;
    s.thermalState = ThermalState::Nominal;
    s.networkInPerSecond = 1500;
    s.networkOutPerSecond = 0;
    return s;
}
