// Rendering one whole inspection of this machine in every report format.
#include "inspection/DeviceProbe.h"
#include "reports/ReportExporter.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

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

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts, and displays for the inspection
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
