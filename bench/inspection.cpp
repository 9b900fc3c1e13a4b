// One whole inspection of this machine: the summary and all eleven sections (at most 1 ms
// here); the installed memory (at most 0.1 ms: the memory-device table where readable,
// MemTotal and the listing of the memory blocks); every render node's video.
#include "inspection/DeviceProbe.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/LinuxVideoCodecs.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

static void BM_Inspection(benchmark::State& state)
{
    const Localization L = Localization::english();
    for (auto _ : state) {
        const ProbeContext ctx{Platform::host(), L};  // one inspection, as a refresh makes it
        benchmark::DoNotOptimize(DeviceProbe::summary(ctx));
        benchmark::DoNotOptimize(DeviceProbe::sections(ctx, std::nullopt));
    }
}
BENCHMARK(BM_Inspection)->Unit(benchmark::kMillisecond);

// The installed memory: the block directory is listed, never a file per block (196 here).
static void BM_InstalledMemory(benchmark::State& state)
{
    const LinuxSystemFacts facts;
    for (auto _ : state) benchmark::DoNotOptimize(facts.physicalMemory());
}
BENCHMARK(BM_InstalledMemory)->Unit(benchmark::kMicrosecond);

// The hardware video of a machine with two render nodes, both answering.
static void BM_VideoOfEveryRenderNode(benchmark::State& state)
{
    const LinuxVideoCodecs video(QStringLiteral(QRL_BENCH_FIXTURES_DIR "/hybrid-gpu-laptop"), [](const QString&) {
        return std::optional<QList<VaProfileEntrypoints>>(QList<VaProfileEntrypoints>{{7, {1, 6}}, {32, {1}}});
    });
    for (auto _ : state) benchmark::DoNotOptimize(video.support());
}
BENCHMARK(BM_VideoOfEveryRenderNode)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // displays are read through Qt's screens
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
