// The scan history at its largest: 200 snapshots of eleven sections each.
#include "history/ScanHistory.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Eleven sections of realistic size and texts, the values varied by `round`.
QList<CapabilitySection> inspection(int round)
{
    const char* titles[] = {"System", "Processor & Memory", "Graphics & Metal", "Apple Intelligence", "Displays",
                            "Hardware Video Acceleration", "Camera & Audio", "Storage", "Power", "Network", "Security"};
    const char* keys[] = {"system", "processor", "graphics", "intelligence", "displays", "video",
                          "cameraAudio", "storage", "power", "network", "security"};
    QList<CapabilitySection> sections;
    for (int s = 0; s < 11; ++s) {
        QList<CapabilityItem> items;
        const int count = s == 5 ? 20 : 12;  // the codec list is the longest
        for (int i = 0; i < count; ++i) {
            const bool isVolatile = (s == 0 && i < 2) || (s == 9 && i > 8);
            items << CapabilityItem::make(QStringLiteral("Capability number %1 — “detail”").arg(i),
                                          QStringLiteral("%1 GB/s · /dev/nvme0n1p%2 · build %3").arg(i * 3).arg(i).arg(round),
                                          CapabilityStatus(i % 4), QStringLiteral("%1.item%2").arg(QLatin1String(keys[s])).arg(i),
                                          isVolatile);
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

QList<ScanSnapshot> fullHistory()
{
    QList<ScanSnapshot> list;
    const QDateTime start = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < ScanHistory::kLimit; ++i)
        list << ScanSnapshot::make(device(), inspection(i), start.addSecs(-60 * i), QStringLiteral("en"));
    return list;
}

void BM_EncodeFullHistory(benchmark::State& state)
{
    const QList<ScanSnapshot> history = fullHistory();
    qint64 bytes = 0;
    for (auto _ : state) {
        const std::optional<QByteArray> encoded = SnapshotCodec::encode(history);
        bytes = encoded->size();
        benchmark::DoNotOptimize(encoded);
    }
    state.counters["file_bytes"] = double(bytes);
}
BENCHMARK(BM_EncodeFullHistory)->Unit(benchmark::kMillisecond);

void BM_DecodeFullHistory(benchmark::State& state)
{
    const QByteArray file = *SnapshotCodec::encode(fullHistory());
    for (auto _ : state) benchmark::DoNotOptimize(SnapshotCodec::decode(file));
}
BENCHMARK(BM_DecodeFullHistory)->Unit(benchmark::kMillisecond);

// What the first use of the history costs the main thread with a full file: reading, decoding,
// ordering. Nothing is written.
void BM_OpenFullHistory(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("History/snapshots.json"));
    QDir().mkpath(dir.filePath(QStringLiteral("History")));
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(*SnapshotCodec::encode(fullHistory()));
    }
    ScanHistory::Options options;
    options.filePath = file;
    options.languageCode = [] { return QStringLiteral("en"); };
    for (auto _ : state) {
        ScanHistory history(options);
        benchmark::DoNotOptimize(history.snapshots().size());
    }
}
BENCHMARK(BM_OpenFullHistory)->Unit(benchmark::kMillisecond);

// What record costs the main thread with 200 snapshots stored: the comparison, the insertion and
// handing the file to the worker. The writes themselves are waited for outside the timing.
void BM_RecordIntoFullHistory(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("History/snapshots.json"));
    {
        QFile f((QDir().mkpath(dir.filePath(QStringLiteral("History"))), file));
        f.open(QIODevice::WriteOnly);
        f.write(*SnapshotCodec::encode(fullHistory()));
    }
    ScanHistory::Options options;
    options.filePath = file;
    options.languageCode = [] { return QStringLiteral("en"); };
    ScanHistory history(options);
    const DeviceSummary summary = device();
    // The first save encodes the loaded snapshots once; later ones only the new snapshot.
    history.record(summary, inspection(-1));
    history.flush();
    int round = 1000;
    QList<CapabilitySection> next = inspection(round++);
    for (auto _ : state) {
        history.record(summary, next);
        state.PauseTiming();
        history.flush();
        next = inspection(round++);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RecordIntoFullHistory)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
