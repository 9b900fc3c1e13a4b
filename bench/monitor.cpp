// The live monitor's cost: one sample() of this machine and of a recorded 256-processor
// machine, the memory a full two-minute history holds, and one update of the live page
// (a new sample over a full history, then a repaint) with 8 and with 256 cores.
//
//   bench_monitor                   the benchmarks
//   bench_monitor --idle-seconds=60 runs the live monitor that long and prints the
//                                   process's processor time as a share of one core
//   bench_monitor --page-seconds=60 the same with the live page shown in a window
//   bench_monitor --tray-seconds=60 the same with only the tray item (told a tray exists)
//   --reduce-motion                 (before the others) with the desktop's reduce-motion setting on
// These run in this process on the offscreen platform; bench/live-cpu.sh measures the running
// application on a virtual screen with its own tray, the figures the live page is held to.
#include "monitor/LiveChart.h"
#include "monitor/LiveMonitor.h"
#include "monitor/MonitorModel.h"
#include "monitor/LiveMonitorView.h"
#include "monitor/MonitorTrayItem.h"
#include "monitor/SystemSampler.h"
#include "ui/Theme.h"
#include "platform/linux/LinuxSamplerSources.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include <malloc.h>

#include <sys/resource.h>

// Heap in use, from the allocator itself: Qt's containers allocate with malloc.
static long long heapInUse() { return static_cast<long long>(mallinfo2().uordblks); }

namespace {

void write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(text);
}

// A large server: 256 processors, a dozen interfaces, a battery-backed unit, two thermal zones.
void writeLargeMachine(const QString& root)
{
    QByteArray stat = "cpu  1 2 3 4 5 6 7 8 0 0\n";
    for (int i = 0; i < 256; ++i)
        stat += QStringLiteral("cpu%1 %2 120 %3 %4 40 3 9 0 0 0\n").arg(i).arg(100000 + i * 7).arg(30000 + i).arg(900000 + i * 13).toLatin1();
    stat += "intr 1 2 3\nctxt 42\nbtime 1700000000\nprocesses 9\nprocs_running 1\nprocs_blocked 0\n";
    write(root + "/proc/stat", stat);
    // This machine's own meminfo: the same length and layout as a real one.
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    write(root + "/proc/meminfo", meminfo.open(QIODevice::ReadOnly) ? meminfo.readAll() : QByteArray("MemTotal: 1000000 kB\nMemAvailable: 500000 kB\n"));
    write(root + "/proc/pressure/memory", "some avg10=1.00 avg60=0.50 avg300=0.10 total=1\nfull avg10=0.00 avg60=0.00 avg300=0.00 total=0\n");
    for (int i = 0; i < 12; ++i) {
        const QString dir = root + QStringLiteral("/sys/class/net/%1%2/").arg(i % 3 == 0 ? "veth" : "eth").arg(i);
        write(dir + "flags", "0x1003\n");
        write(dir + "statistics/rx_bytes", QByteArray::number(123456789 + i) + '\n');
        write(dir + "statistics/tx_bytes", QByteArray::number(987654321 + i) + '\n');
    }
    write(root + "/sys/class/net/lo/flags", "0x9\n");
    const QString ps = root + "/sys/class/power_supply/";
    write(ps + "AC/type", "Mains\n");
    write(ps + "AC/online", "1\n");
    write(ps + "BAT0/type", "Battery\n");
    write(ps + "BAT0/capacity", "88\n");
    write(ps + "BAT0/status", "Charging\n");
    for (int z = 0; z < 2; ++z) {
        const QString dir = root + QStringLiteral("/sys/class/thermal/thermal_zone%1/").arg(z);
        write(dir + "temp", "45000\n");
        write(dir + "trip_point_0_type", "passive\n");
        write(dir + "trip_point_0_temp", "90000\n");
        write(dir + "trip_point_1_type", "critical\n");
        write(dir + "trip_point_1_temp", "105000\n");
    }
}

void BM_SampleThisMachine(benchmark::State& state)
{
    SystemSampler sampler;
    sampler.prime();
    for (auto _ : state) benchmark::DoNotOptimize(sampler.sample());
}
BENCHMARK(BM_SampleThisMachine)->Unit(benchmark::kMicrosecond);

void BM_Sample256Processors(benchmark::State& state)
{
    QTemporaryDir dir;
    writeLargeMachine(dir.path());
    const LinuxSamplerSources sources(dir.path(), 4096);
    SystemSampler sampler(sources);
    sampler.prime();
    for (auto _ : state) {
        const MonitorSample s = sampler.sample();
        if (s.perCoreUsage.size() != 256) state.SkipWithError("the recorded machine did not read as 256 processors");
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_Sample256Processors)->Unit(benchmark::kMicrosecond);

// The heap a full history holds: 120 samples, each with its own per-core list.
void BM_HistoryMemory(benchmark::State& state)
{
    const int cores = int(state.range(0));
    long long bytes = 0;
    for (auto _ : state) {
        const long long before = heapInUse();
        {
            QList<MonitorSample> history;
            for (qsizetype i = 0; i < LiveMonitor::kHistoryLength; ++i) {
                MonitorSample s;
                s.date = QDateTime::currentDateTimeUtc();
                s.perCoreUsage = QList<double>(cores, 0.5);
                history.append(s);
            }
            bytes = heapInUse() - before;
            benchmark::DoNotOptimize(history);
        }
    }
    state.counters["history_bytes"] = double(bytes);
    state.counters["per_sample_bytes"] = double(bytes) / double(LiveMonitor::kHistoryLength);
}
BENCHMARK(BM_HistoryMemory)->Arg(8)->Arg(256)->Iterations(3);

// A loop that samples only when the benchmark says so.
class BenchLoop : public SamplingLoop {
public:
    quint64 generation = 0;
    void begin(quint64 g) override { generation = g; }
    void end() override {}
    void deliver(const MonitorSample& s) { emit sampled(s, generation); }
};

MonitorSample benchSample(const QDateTime& date, int cores, int i)
{
    MonitorSample s;
    s.date = date;
    s.cpuUsage = 0.3 + 0.2 * std::sin(i / 7.0);
    s.perCoreUsage.resize(cores);
    for (int c = 0; c < cores; ++c) s.perCoreUsage[c] = 0.5 + 0.5 * std::sin(c / 5.0 + i);
    s.memoryTotal = 16LL << 30;
    s.memoryUsed = (8LL << 30) + i * 4096;
    s.memoryPressure = 0.3;
    s.thermalState = ThermalState::Fair;
    s.batteryLevel = 0.63;
    s.isCharging = false;
    s.networkInPerSecond = 1.2e6 * (0.5 + 0.5 * std::sin(i / 11.0));
    s.networkOutPerSecond = 120e3;
    return s;
}

// The live page shown over a full history of 120 samples, fed by hand.
struct FullPage {
    explicit FullPage(int cores)
        : cores(cores), loop(new BenchLoop),
          monitor(LiveMonitor::Dependencies{std::unique_ptr<SamplingLoop>(loop), [this] { return now; }}), page(monitor)
    {
        page.resize(940, 800);
        page.show();
        for (; i < LiveMonitor::kHistoryLength; ++i) next();
        QApplication::processEvents();
    }
    void next()
    {
        now = now.addSecs(1);
        loop->deliver(benchSample(now, cores, i++));
    }
    int cores;
    int i = 0;
    QDateTime now{QDate(2026, 12, 10), QTime(12, 0), Qt::UTC};
    BenchLoop* loop;
    LiveMonitor monitor;
    LiveMonitorView page;
};

// One tick of the page: a new sample over a full history of 120, the page rebuilt from
// it and painted whole (the animations that follow are not part of the tick).
void BM_PageUpdate(benchmark::State& state)
{
    FullPage f(int(state.range(0)));
    f.page.repaint();
    for (auto _ : state) {
        f.next();
        QApplication::sendPostedEvents();
        f.page.repaint();
    }
}
BENCHMARK(BM_PageUpdate)->Arg(8)->Arg(256)->Unit(benchmark::kMillisecond);

// The same tick as the application paints it: only what changed is repainted, when the
// event loop gets to it.
void BM_PageTick(benchmark::State& state)
{
    FullPage f(int(state.range(0)));
    for (auto _ : state) {
        f.next();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_PageTick)->Arg(8)->Arg(256)->Unit(benchmark::kMillisecond);

// The three charts painted for a new sample over a full history, at the page's sizes (the
// processor chart across the column, memory and network side by side): the part of a
// second's repaint that grows with the samples.
void BM_ChartsPaint(benchmark::State& state)
{
    const QDateTime start(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    auto points = [&](int shift) {
        QList<MonitorSample> samples;
        for (int i = 0; i < LiveMonitor::kHistoryLength; ++i) {
            // An idle machine's jitter: a load of a few percent, memory all but flat, a
            // trickle of network traffic with the odd burst.
            const int k = i + shift;
            const quint32 noise = quint32(k) * 2654435761u;
            MonitorSample s = benchSample(start.addSecs(k), 8, k);
            s.cpuUsage = 0.01 + 0.04 * double(noise % 1000) / 1000.0;
            s.memoryUsed = (8LL << 30) + (noise % 7) * 4096;
            s.networkInPerSecond = (noise % 13 == 0) ? 2.0e5 : 300.0 + double(noise % 500);
            s.networkOutPerSecond = (noise % 17 == 0) ? 5.0e4 : 100.0 + double(noise % 200);
            samples << s;
        }
        return MonitorModel(samples, samples.constLast()).points;
    };
    const QList<MonitorModel::Point> a = points(0), b = points(1);
    struct Chart {
        LiveChart::Kind kind;
        int width;
    };
    std::vector<std::unique_ptr<LiveChart>> charts;
    QList<QImage> images;
    // Arg 0, 1 or 2: that chart alone; 3: all three.
    const QList<Chart> all{Chart{LiveChart::Kind::processor, 846}, Chart{LiveChart::Kind::memory, 401},
                           Chart{LiveChart::Kind::network, 401}};
    const QList<Chart> chosen = state.range(0) < 3 ? QList<Chart>{all[state.range(0)]} : all;
    for (const Chart& c : chosen) {
        auto chart = std::make_unique<LiveChart>(c.kind);
        chart->setSurface(Theme::Color::surfaceElevated);
        chart->resize(c.width, 140);
        images << QImage(chart->size(), QImage::Format_ARGB32_Premultiplied);
        charts.push_back(std::move(chart));
    }
    int n = 0;
    for (auto _ : state) {
        const QList<MonitorModel::Point>& shown = (n++ % 2) ? b : a;
        for (size_t i = 0; i < charts.size(); ++i) {
            charts[i]->setPoints(shown);
            charts[i]->render(&images[qsizetype(i)]);
        }
        benchmark::DoNotOptimize(images.constFirst().constBits());
    }
    int backgrounds = 0;
    for (const auto& chart : charts) backgrounds += chart->backgroundPaints();
    state.counters["backgrounds"] = backgrounds;
}
BENCHMARK(BM_ChartsPaint)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The tray item's icon for a new load: the six sizes desktops ask for.
void BM_TrayIcon(benchmark::State& state)
{
    int load = 0;
    for (auto _ : state) {
        QIcon icon;
        for (int size : MonitorTrayItem::kIconSizes) icon.addPixmap(QPixmap::fromImage(MonitorTrayItem::iconImage(load, size)));
        load = (load + 7) % 101;
        benchmark::DoNotOptimize(icon);
    }
}
BENCHMARK(BM_TrayIcon)->Unit(benchmark::kMicrosecond);

double processorSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

enum class Watcher { none, page, tray };

// With --events: which objects get which events while measuring (to see what wakes up).
class EventCount : public QObject {
public:
    QHash<QString, int> counts;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Timer || e->type() == QEvent::Paint || e->type() == QEvent::UpdateRequest ||
            e->type() == QEvent::MetaCall || e->type() == QEvent::LayoutRequest)
            ++counts[QStringLiteral("%1 %2 %3").arg(int(e->type())).arg(QString::fromLatin1(o->metaObject()->className()), o->objectName())];
        return false;
    }
};
bool gCountEvents = false;

int runIdle(int seconds, Watcher watcher)
{
    LiveMonitor& monitor = LiveMonitor::shared();
    int samples = 0;
    QObject::connect(&monitor, &LiveMonitor::latestChanged, [&] { ++samples; });
    std::unique_ptr<LiveMonitorView> page;
    std::unique_ptr<MonitorTrayItem> tray;
    if (watcher == Watcher::page) {
        page = std::make_unique<LiveMonitorView>(monitor);
        page->resize(940, 800);
        page->show();
    } else if (watcher == Watcher::tray) {
        tray = std::make_unique<MonitorTrayItem>(monitor, [] { return true; });
    } else {
        monitor.start();
    }
    // Start measuring once the sampling thread is up and the first sample is in.
    double startCpu = 0;
    QElapsedTimer wall;
    QObject::connect(&monitor, &LiveMonitor::latestChanged, [&] {
        if (samples != 1) return;
        startCpu = processorSeconds();
        wall.start();
        QTimer::singleShot(seconds * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
    });
    EventCount events;
    if (gCountEvents) qApp->installEventFilter(&events);
    QCoreApplication::exec();
    const double cpu = processorSeconds() - startCpu;
    if (gCountEvents) {
        QList<std::pair<int, QString>> top;
        for (auto it = events.counts.cbegin(); it != events.counts.cend(); ++it) top.append({it.value(), it.key()});
        std::sort(top.begin(), top.end(), std::greater<>());
        for (qsizetype i = 0; i < std::min<qsizetype>(top.size(), 25); ++i)
            std::printf("%8d  %s\n", top[i].first, qPrintable(top[i].second));
    }
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const char* what = watcher == Watcher::page ? "the live page shown" : watcher == Watcher::tray ? "only the tray item" : "the live monitor running";
    std::printf("idle with %s: %.3f s of processor time in %.1f s (%.4f %% of one core), %d samples\n", what, cpu, elapsed,
                100.0 * cpu / elapsed, samples);
    page.reset();
    tray.reset();
    if (watcher == Watcher::none) monitor.stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // Widgets without a display: the page is painted into memory.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--reduce-motion") Theme::setReduceMotion(true);
        if (arg == "--events") gCountEvents = true;
        if (arg.startsWith("--idle-seconds=")) return runIdle(std::max(1, arg.mid(15).toInt()), Watcher::none);
        if (arg.startsWith("--page-seconds=")) return runIdle(std::max(1, arg.mid(15).toInt()), Watcher::page);
        if (arg.startsWith("--tray-seconds=")) return runIdle(std::max(1, arg.mid(15).toInt()), Watcher::tray);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
