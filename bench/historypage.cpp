// Opening the history page on a full history (200 scans) and comparing its two newest scans: what
// the main thread pays before the page can show. The history is read before the timing starts.
#include "history/HistoryComparison.h"
#include "history/HistoryView.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Eleven sections of realistic size. With `everything` every value carries the round, so the two
// newest scans differ in every compared item (the most the comparison can have to show); without
// it they differ in a few items, as real scans of one machine do.
QList<CapabilitySection> inspection(int round, bool everything)
{
    const char* titles[] = {"System", "Processor & Memory", "Graphics & Metal", "Apple Intelligence", "Displays",
                            "Hardware Video Acceleration", "Camera & Audio", "Storage", "Power", "Network", "Security"};
    const char* keys[] = {"system", "processor", "graphics", "intelligence", "displays", "video",
                          "cameraAudio", "storage", "power", "network", "security"};
    QList<CapabilitySection> sections;
    for (int s = 0; s < 11; ++s) {
        QList<CapabilityItem> items;
        const int count = s == 5 ? 20 : 12;
        for (int i = 0; i < count; ++i) {
            const bool isVolatile = (s == 0 && i < 2) || (s == 9 && i > 8);
            const bool moves = everything || (i == 3 && s % 3 == 0);
            items << CapabilityItem::make(QStringLiteral("Capability number %1 — “detail”").arg(i),
                                          QStringLiteral("%1 GB/s · /dev/nvme0n1p%2 · build %3").arg(i * 3).arg(i).arg(moves ? round : 0),
                                          CapabilityStatus((i + (moves ? round : 0)) % 4),
                                          QStringLiteral("%1.item%2").arg(QLatin1String(keys[s])).arg(i), isVolatile);
        }
        CapabilitySection section = CapabilitySection::make(QString::fromUtf8(titles[s]), QStringLiteral("cpu"), items);
        section.key = QString::fromLatin1(keys[s]);
        sections << section;
    }
    return sections;
}

DeviceSummary device()
{
    return DeviceSummary{QStringLiteral("workstation"), QStringLiteral("ThinkPad T14 Gen 3"), QStringLiteral("AMD Ryzen 7 PRO 6850U"),
                         QStringLiteral("32 GB"), QStringLiteral("1 TB"), QStringLiteral("Debian GNU/Linux 12 (6.1.0-18-amd64)"), false, true};
}

struct FullHistory {
    QTemporaryDir dir;
    std::unique_ptr<ScanHistory> history;

    explicit FullHistory(bool everything)
    {
        QList<ScanSnapshot> list;
        const QDateTime newest = QDateTime::currentDateTimeUtc();
        for (int i = 0; i < ScanHistory::kLimit; ++i)
            list << ScanSnapshot::make(device(), inspection(ScanHistory::kLimit - i, everything), newest.addSecs(-60 * i), QStringLiteral("en"));
        const QString file = dir.filePath(QStringLiteral("History/snapshots.json"));
        QDir().mkpath(dir.filePath(QStringLiteral("History")));
        QFile f(file);
        if (f.open(QIODevice::WriteOnly)) f.write(*SnapshotCodec::encode(list));
        f.close();
        ScanHistory::Options options;
        options.filePath = file;
        options.languageCode = [] { return QStringLiteral("en"); };
        history = std::make_unique<ScanHistory>(options);
    }
};

// The page built, laid out and painted once at the detail pane's size, the two newest compared.
void openPage(ScanHistory& history, benchmark::State& state)
{
    qsizetype changes = 0;
    for (auto _ : state) {
        HistoryView view(history);
        view.resize(900, 640);
        const QPixmap first = view.grab();
        benchmark::DoNotOptimize(first);
        changes = view.changes() ? view.changes()->size() : 0;
    }
    state.counters["scans"] = double(history.snapshots().size());
    state.counters["changes"] = double(changes);
}

void BM_OpenHistoryPage(benchmark::State& state)
{
    static FullHistory full(false);
    openPage(*full.history, state);
}
BENCHMARK(BM_OpenHistoryPage)->Unit(benchmark::kMillisecond);

void BM_OpenHistoryPageEverythingChanged(benchmark::State& state)
{
    static FullHistory full(true);
    openPage(*full.history, state);
}
BENCHMARK(BM_OpenHistoryPageEverythingChanged)->Unit(benchmark::kMillisecond);

// The comparison alone, as the page makes it (with each side's status).
void BM_CompareTwoNewest(benchmark::State& state)
{
    static FullHistory full(true);
    const QList<ScanSnapshot>& s = full.history->snapshots();
    for (auto _ : state) benchmark::DoNotOptimize(HistoryComparison::compare(s[1], s[0]));
}
BENCHMARK(BM_CompareTwoNewest)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "1");
    QApplication app(argc, argv);
    Theme::setReduceMotion(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
