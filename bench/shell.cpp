// The main window: building it and moving through every page of the detail pane, in-process on
// the offscreen platform. `bench_shell --write-history <file>` writes a full 200-scan history for
// the start-up measurement of shell_startup.sh instead.
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "history/ScanHistory.h"
#include "inspection/Quorlent.h"
#include "platform/Preferences.h"
#include "shell/MainWindow.h"
#include "shell/MainWindowUpdateGate.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

QList<CapabilitySection> inspection(int round)
{
    const char* titles[] = {"System", "Processor & Memory", "Graphics & Metal", "Artificial Intelligence", "Displays",
                            "Hardware Video Acceleration", "Camera & Audio", "Storage", "Power", "Network", "Security"};
    const char* symbols[] = {"info.circle", "cpu", "square.stack.3d.up", "sparkles", "display", "film",
                             "camera", "internaldrive", "battery.100", "network", "lock.shield"};
    QList<CapabilitySection> sections;
    for (int s = 0; s < 11; ++s) {
        QList<CapabilityItem> items;
        for (int i = 0; i < (s == 5 ? 20 : 12); ++i)
            items << CapabilityItem::make(QStringLiteral("Capability number %1").arg(i),
                                          QStringLiteral("%1 GB/s · build %2").arg(i * 3).arg(round), CapabilityStatus(i % 4),
                                          QStringLiteral("item%1.%2").arg(s).arg(i), false);
        sections << CapabilitySection::make(QString::fromUtf8(titles[s]), QString::fromLatin1(symbols[s]), items);
    }
    return sections;
}

int writeHistory(const QString& path)
{
    const DeviceSummary device{QStringLiteral("workstation"), QStringLiteral("Standard PC (Q35 + ICH9, 2009)"),
                               QStringLiteral("AMD EPYC"), QStringLiteral("24 GB"), QStringLiteral("200 GB"),
                               QStringLiteral("Debian GNU/Linux 12 (6.1.0-18-amd64)"), false, false};
    QList<ScanSnapshot> list;
    const QDateTime start = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < ScanHistory::kLimit; ++i)
        list << ScanSnapshot::make(device, inspection(i), start.addSecs(-600 * (i + 1)), QStringLiteral("en"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    f.write(*SnapshotCodec::encode(list));
    return 0;
}

class StillGate : public UpdateGate {
public:
    bool required() const override { return false; }
    bool checking() const override { return false; }
    void checkFromMenu() override {}
};

// Shows every page once: the overview, each section, each tool, a search and a status list.
void BM_VisitEveryPage(benchmark::State& state)
{
    Preferences preferences{QString()};
    LanguageManager language(preferences, [] { return QStringList{QStringLiteral("en")}; });
    AppRouter router;
    StillGate gate;
    Quorlent::Dependencies deps;
    deps.language = [&language] { return language.localization(); };
    Quorlent model(std::move(deps));
    MainWindowEnvironment env{model, language, router, gate, preferences};
    env.record = [](const DeviceSummary&, const QList<CapabilitySection>&) {};
    env.inspectWhenShown = false;
    MainWindow window(std::move(env));
    window.show();
    model.refresh();
    QList<SidebarItem> stops{SidebarItem::overview()};
    for (const CapabilitySection& s : model.sections()) stops << SidebarItem::section(s.symbol);
    for (ProFeature f : ProFeatures::all()) stops << SidebarItem::pro(f);
    for (auto _ : state) {
        for (const SidebarItem& item : stops) {
            router.setSelection(item);
            QApplication::processEvents();
        }
        window.searchField()->setText(QStringLiteral("memory"));
        QApplication::processEvents();
        router.setStatusFocus(CapabilityStatus::warning);
        QApplication::processEvents();
    }
    state.counters["pages"] = double(stops.size() + 2);
}
BENCHMARK(BM_VisitEveryPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--write-history") {
        QCoreApplication app(argc, argv);
        return writeHistory(QString::fromLocal8Bit(argv[2]));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
