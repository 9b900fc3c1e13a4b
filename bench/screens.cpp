// The overview built and painted for a large inspection, one search keystroke until the
// page is painted again, and a new inspection reaching an overview on screen.
#include "../tests/support/FakePlatform.h"
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "inspection/Quorlent.h"
#include "screens/CategoryCard.h"
#include "screens/OverviewView.h"
#include "screens/SearchResultsView.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <sys/socket.h>

#include <benchmark/benchmark.h>

namespace {
// A well-equipped laptop with three displays, two GPUs, several cameras, microphones and
// network addresses, so every section holds about a dozen items.
FakeMachine bigMachine()
{
    FakeMachine m;
    m.system.setText("hw.model", "Mac15,8");
    m.system.setText("machdep.cpu.brand_string", "Apple M3 Max");
    m.system.setInt32("hw.optional.arm64", 1);
    m.system.setInt32("sysctl.proc_translated", 0);
    m.system.setText("kern.osversion", "25B78");
    m.system.os = OperatingSystem{QStringLiteral("macOS"), 26, 1, 0, {}};
    m.system.vendor = QStringLiteral("Apple");
    m.system.setInt32("hw.physicalcpu", 16);
    m.system.setInt32("hw.logicalcpu", 16);
    m.system.setInt32("hw.nperflevels", 2);
    m.system.setInt32("hw.perflevel0.physicalcpu", 12);
    m.system.setInt32("hw.perflevel1.physicalcpu", 4);
    m.power.addBattery(80, false, false);
    m.power.battery = QVariantMap{{"CycleCount", qint64(123)}};
    m.languageModel.value = LanguageModelAvailability{true, LanguageModelAvailability::Reason::None};
    for (int g = 0; g < 4; ++g) {
        GraphicsDevice gpu;
        gpu.name = QStringLiteral("GPU %1").arg(g + 1);
        gpu.recommendedMaxWorkingSetSize = 11453251584ull;
        for (int n = 1; n <= 9; ++n) gpu.supportedFamilies.insert(1000 + n);
        gpu.supportedFamilies.insert(5001);
        gpu.supportsRaytracing = true;
        m.graphics.value.devices.append(gpu);
    }
    m.graphics.value.defaultDevice = m.graphics.value.devices.first();
    for (int d = 0; d < 9; ++d)
        m.displays.list.append(ScreenInfo{QStringLiteral("Display %1").arg(d + 1), 1728, 1117, 2, d == 0, 120, 16});
    const quint32 avc1 = 0x61766331, hvc1 = 0x68766331, apcn = 0x6170636e, av01 = 0x61763031;
    m.video.value = VideoCodecSupport{{avc1, hvc1, apcn, av01}, QList<VideoEncoderEntry>{{avc1, true}, {hvc1, true}, {apcn, true}}};
    for (int c = 0; c < 12; ++c) {
        m.capture.cameras.append({QStringLiteral("Camera %1").arg(c + 1), CaptureDeviceType::External});
        m.capture.microphones.append({QStringLiteral("Microphone %1").arg(c + 1), CaptureDeviceType::Microphone});
    }
    QList<InterfaceAddress> addresses;
    for (int i = 0; i < 24; ++i)
        addresses.append({QStringLiteral("en%1").arg(i), true, true, false, AF_INET, QStringLiteral("192.168.1.%1").arg(10 + i)});
    m.network.list = addresses;
    m.security.bio = BiometricState{true, BiometryType::touchID};
    m.security.enclave = true;
    return m;
}

struct Fixture {
    Fixture() : platform(machine.platform()), language(prefs, [] { return QStringList{"en_US"}; })
    {
        Theme::setReduceMotion(true);
        Quorlent::Dependencies deps{platform, {}, nullptr, nullptr, {}, {}};
        model = std::make_unique<Quorlent>(std::move(deps));
        model->refresh();
    }
    FakeMachine machine = bigMachine();
    Platform platform;
    Preferences prefs;
    LanguageManager language;
    AppRouter router;
    std::unique_ptr<Quorlent> model;

    qint64 items() const
    {
        qint64 n = 0;
        for (const CapabilitySection& s : model->sections()) n += s.items.size();
        return n;
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// The window the pages live in, shown once.
QWidget& window()
{
    static QWidget* w = [] {
        auto* host = new QWidget;
        host->resize(1180, 800);
        host->show();
        QApplication::processEvents();
        return host;
    }();
    return *w;
}

// Lays out what changed and paints the page once, whole, into an image the size of the
// window (the window's own update waits for an event loop turn the benchmark never gives).
void layOutAndPaint(QWidget& page)
{
    static QImage target(1180, 800, QImage::Format_ARGB32_Premultiplied);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QPainter p(&target);
    page.render(&p);
}

void BM_OverviewBuildAndPaint(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        auto* view = new OverviewView(*f.model, f.language, f.router, &window());
        view->resize(1180, 800);
        view->show();
        layOutAndPaint(*view);
        state.PauseTiming();  // taking the page down is not part of showing it
        delete view;
        state.ResumeTiming();
    }
    state.counters["sections"] = double(f.model->sections().size());
    state.counters["items"] = double(f.items());
    QStringList perSection;
    for (const CapabilitySection& s : f.model->sections()) perSection << QString::number(s.items.size());
    state.SetLabel(perSection.join(QLatin1Char(',')).toStdString());
}
BENCHMARK(BM_OverviewBuildAndPaint)->Unit(benchmark::kMillisecond);

void BM_SearchKeystroke(benchmark::State& state)
{
    Fixture& f = fixture();
    SearchResultsView view(*f.model, f.router, QStringLiteral("s"), std::nullopt, &window());
    view.resize(1180, 800);
    view.show();
    layOutAndPaint(view);
    // Typing one more letter, then taking it back: each is one keystroke.
    const QString queries[] = {QStringLiteral("su"), QStringLiteral("s")};
    int n = 0;
    for (auto _ : state) {
        view.setQuery(queries[n++ % 2]);
        layOutAndPaint(view);
    }
    state.counters["items"] = double(f.items());
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

void BM_OverviewNewInspection(benchmark::State& state)
{
    Fixture& f = fixture();
    OverviewView view(*f.model, f.language, f.router, &window());
    view.resize(1180, 800);
    view.show();
    layOutAndPaint(view);
    for (auto _ : state) {
        f.model->refresh();
        layOutAndPaint(view);
    }
}
BENCHMARK(BM_OverviewNewInspection)->Unit(benchmark::kMillisecond);


// The inspection alone, to read the page's share of the line above.
void BM_InspectionAlone(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) f.model->refresh();
}
BENCHMARK(BM_InspectionAlone)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A fixed number of iterations, for counting instructions (valgrind --tool=callgrind):
    // on a loaded machine the difference of two counts says more than any clock.
    if (const int n = qEnvironmentVariableIntValue("QRL_BENCH_ITERATIONS"); n > 0) {
        benchmark::RegisterBenchmark("Fixed/OverviewBuildAndPaint", BM_OverviewBuildAndPaint)->Iterations(n);
        benchmark::RegisterBenchmark("Fixed/SearchKeystroke", BM_SearchKeystroke)->Iterations(n);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
