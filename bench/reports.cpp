// Rendering one whole inspection of this machine in every report format.
#include "inspection/DeviceProbe.h"
#include "reports/ReportExporter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {
struct Inspection {
    DeviceSummary summary;
    QList<CapabilitySection> sections;
    QDateTime date = QDateTime::currentDateTime();
};

// Eleven sections of a dozen items, as a well-equipped machine fills them; some values wrap.
const Inspection& inspection()
{
    static const Inspection i = [] {
        const Localization L = Localization::english();
        const ProbeContext ctx{Platform::host(), L};
        Inspection r;
        r.summary = DeviceProbe::summary(ctx);
        const char* titles[] = {"System", "Processor & Memory", "Graphics & Metal", "Artificial Intelligence", "Displays",
                                "Hardware Video Acceleration", "Camera & Audio", "Storage", "Power", "Network", "Security"};
        const CapabilityStatus statuses[] = {CapabilityStatus::supported, CapabilityStatus::supported, CapabilityStatus::info,
                                             CapabilityStatus::warning, CapabilityStatus::unsupported};
        for (int s = 0; s < 11; ++s) {
            QList<CapabilityItem> items;
            for (int n = 0; n < 12; ++n) {
                QString value = QStringLiteral("Value %1 of section %2").arg(n).arg(s);
                if (n % 5 == 4) value += QStringLiteral(", with a longer explanation that wraps onto a second line of the table");
                items << CapabilityItem::make(QStringLiteral("Capability %1").arg(n), value, statuses[(s + n) % 5],
                                              QStringLiteral("key%1").arg(n));
            }
            r.sections << CapabilitySection::make(QString::fromUtf8(titles[s]), QStringLiteral("cpu"), items);
        }
        return r;
    }();
    return i;
}

void BM_Pdf(benchmark::State& state)
{
    const Inspection& i = inspection();
    const Localization L = Localization::english();
    for (auto _ : state) benchmark::DoNotOptimize(ReportExporter::pdf(i.summary, i.sections, i.date, L, QStringLiteral("US")));
}
BENCHMARK(BM_Pdf)->Unit(benchmark::kMillisecond);

void BM_PdfArabic(benchmark::State& state)
{
    const Inspection& i = inspection();
    const Localization L = Localization::forCode(QStringLiteral("ar"), QStringLiteral("ar_EG"));
    for (auto _ : state) benchmark::DoNotOptimize(ReportExporter::pdf(i.summary, i.sections, i.date, L, QStringLiteral("EG")));
}
BENCHMARK(BM_PdfArabic)->Unit(benchmark::kMillisecond);

void BM_Json(benchmark::State& state)
{
    const Inspection& i = inspection();
    const Localization L = Localization::english();
    for (auto _ : state) benchmark::DoNotOptimize(ReportExporter::json(i.summary, i.sections, i.date, L));
}
BENCHMARK(BM_Json)->Unit(benchmark::kMicrosecond);

void BM_Text(benchmark::State& state)
{
    const Inspection& i = inspection();
    const Localization L = Localization::english();
    for (auto _ : state) benchmark::DoNotOptimize(ReportExporter::text(i.sections, i.date, L));
}
BENCHMARK(BM_Text)->Unit(benchmark::kMicrosecond);

void BM_Markdown(benchmark::State& state)
{
    const Inspection& i = inspection();
    const Localization L = Localization::english();
    for (auto _ : state) benchmark::DoNotOptimize(ReportExporter::markdown(i.summary, i.sections, i.date, L));
}
BENCHMARK(BM_Markdown)->Unit(benchmark::kMicrosecond);
}  // namespace

namespace {
// This machine's inspection in one language, as the application would export it.
Inspection machine(const Localization& L)
{
    const ProbeContext ctx{Platform::host(), L};
    Inspection r;
    r.summary = DeviceProbe::summary(ctx);
    r.sections = DeviceProbe::sections(ctx, std::nullopt);
    return r;
}

// `--once`: what one short-lived process pays to inspect the machine and render every
// format once, cold fonts included; each stage's wall time in milliseconds.
int once()
{
    QElapsedTimer t;
    t.start();
    const Localization L = Localization::english();
    const Inspection i = machine(L);
    const double inspected = double(t.nsecsElapsed()) / 1e6;
    const QString text = ReportExporter::text(i.sections, i.date, L);
    const QString markdown = ReportExporter::markdown(i.summary, i.sections, i.date, L);
    const QByteArray json = ReportExporter::json(i.summary, i.sections, i.date, L);
    const double texts = double(t.nsecsElapsed()) / 1e6;
    const ReportExporter::PdfResult pdf = ReportExporter::pdf(i.summary, i.sections, i.date, L, QStringLiteral("US"));
    const double done = double(t.nsecsElapsed()) / 1e6;
    const QByteArray* bytes = std::get_if<QByteArray>(&pdf);
    std::printf("inspection %.1f ms, text+markdown+json %.1f ms, pdf %.1f ms (%lld bytes), total %.1f ms\n", inspected,
                texts - inspected, done - texts, bytes ? qint64(bytes->size()) : -1LL, done);
    return bytes && !text.isEmpty() && !markdown.isEmpty() && !json.isEmpty() ? 0 : 1;
}

// `--write DIR`: this machine's PDF in English, Arabic, Hindi and Japanese and the benchmark's own, for
// looking at and for comparing one build's pages with another's. With `--prepared`, after
// preparePdf, the way a program that writes only reports makes them.
int write(const QString& dir, bool prepared)
{
    QDir().mkpath(dir);
    if (prepared) ReportExporter::preparePdf(Localization::english());
    // One fixed date, so two builds' documents differ only where the machine's readings did.
    const QDateTime date(QDate(2026, 1, 15), QTime(9, 41));
    const auto save = [&](const QString& name, const Inspection& i, const Localization& L, const QString& region) {
        const ReportExporter::PdfResult r = ReportExporter::pdf(i.summary, i.sections, date, L, region);
        QFile f(dir + '/' + name);
        if (const QByteArray* b = std::get_if<QByteArray>(&r); b && f.open(QIODevice::WriteOnly)) f.write(*b);
    };
    const Localization en = Localization::english();
    const Localization ar = Localization::forCode(QStringLiteral("ar"), QStringLiteral("ar_EG"));
    save(QStringLiteral("machine-en.pdf"), machine(en), en, QStringLiteral("US"));
    save(QStringLiteral("machine-ar.pdf"), machine(ar), ar, QStringLiteral("EG"));
    const Localization hi = Localization::forCode(QStringLiteral("hi"), QStringLiteral("hi_IN"));
    const Localization ja = Localization::forCode(QStringLiteral("ja"), QStringLiteral("ja_JP"));
    save(QStringLiteral("machine-hi.pdf"), machine(hi), hi, QStringLiteral("IN"));
    save(QStringLiteral("machine-ja.pdf"), machine(ja), ja, QStringLiteral("JP"));
    save(QStringLiteral("bench-en.pdf"), inspection(), en, QStringLiteral("US"));
    save(QStringLiteral("bench-ar.pdf"), inspection(), ar, QStringLiteral("EG"));
    save(QStringLiteral("bench-hi.pdf"), inspection(), hi, QStringLiteral("IN"));
    save(QStringLiteral("bench-ja.pdf"), inspection(), ja, QStringLiteral("JP"));
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts, and displays for the inspection
    if (argc >= 2 && std::strcmp(argv[1], "--once") == 0) return once();
    if (argc >= 3 && std::strcmp(argv[1], "--write") == 0)
        return write(QString::fromLocal8Bit(argv[2]), argc >= 4 && std::strcmp(argv[3], "--prepared") == 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
