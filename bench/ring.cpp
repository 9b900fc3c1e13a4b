// What a ring costs on screen: one step of a sweep as the application paints it (the
// stretch around the arc's end, when the event loop gets to it), the whole gauge painted
// at once (an expose), and a gauge of the live page through a tick of new values.
//
//   bench_ring                    the benchmarks
#include "ui/ScoreRing.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

namespace {

// A gauge of the live page (88) on an opaque window, shown.
struct ShownGauge {
    explicit ShownGauge(qreal size = 88)
    {
        window.setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(&window);
        gauge = new RingGauge(QStringLiteral("CPU"), 0.42, QStringLiteral("42%"), Theme::brandPrimary(), size);
        layout->addWidget(gauge);
        window.show();
        QApplication::processEvents();
    }
    QWidget window;
    RingGauge* gauge;
};

// One frame of a sweep: the arc's end moves by about half a pixel (the smallest step the
// ring repaints for) and the event loop paints what changed.
void BM_RingSweepFrame(benchmark::State& state)
{
    Theme::setReduceMotion(true);  // the value is shown at once: the benchmark drives the frames
    ShownGauge shown(double(state.range(0)));
    ScoreRing* ring = shown.gauge->ring();
    int i = 0;
    for (auto _ : state) {
        ring->setProgress(0.42 + 0.002 * (i++ % 60));
        QApplication::processEvents();
    }
    Theme::setReduceMotion(std::nullopt);
}
BENCHMARK(BM_RingSweepFrame)->Arg(88)->Arg(120)->Unit(benchmark::kMicrosecond);

// The whole gauge painted, mid-sweep (an expose, a scroll).
void BM_RingPaintWhole(benchmark::State& state)
{
    Theme::setReduceMotion(true);
    ShownGauge shown(double(state.range(0)));
    ScoreRing* ring = shown.gauge->ring();
    int i = 0;
    for (auto _ : state) {
        ring->setProgress(0.42 + 0.002 * (i++ % 60));
        shown.gauge->repaint();
    }
    Theme::setReduceMotion(std::nullopt);
}
BENCHMARK(BM_RingPaintWhole)->Arg(88)->Arg(120)->Unit(benchmark::kMicrosecond);

// A second of the live page's processor gauge with motion on: a new value and the 0.9 s
// sweep to it, frame by frame (16 ms apart, as Qt's animation timer runs).
void BM_GaugeSecondOfSweep(benchmark::State& state)
{
    Theme::setReduceMotion(false);
    ShownGauge shown;
    auto wait = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    wait(1000);  // the sweep from empty that showing starts
    int i = 0;
    for (auto _ : state) {
        const double value = 0.40 + 0.03 * (i++ % 2);
        shown.gauge->setValue(value, QString::number(int(value * 100)) + QLatin1Char('%'));
        wait(950);
    }
    Theme::setReduceMotion(std::nullopt);
}
BENCHMARK(BM_GaugeSecondOfSweep)->Unit(benchmark::kMillisecond)->Iterations(6)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
