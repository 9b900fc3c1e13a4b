// One whole inspection of this machine: the summary and all eleven sections.
#include "inspection/DeviceProbe.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

static void BM_Inspection(benchmark::State& state)
{
    const Localization L = Localization::english();
    const ProbeContext ctx{Platform::host(), L};
    for (auto _ : state) {
        benchmark::DoNotOptimize(DeviceProbe::summary(ctx));
        benchmark::DoNotOptimize(DeviceProbe::sections(ctx, std::nullopt));
    }
}
BENCHMARK(BM_Inspection)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // displays are read through Qt's screens
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
