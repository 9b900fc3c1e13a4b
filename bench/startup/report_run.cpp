// One process that does what `inxi -Fxxz` does for the user, the way this application does
// it: inspects this machine once and writes the text, Markdown, JSON and PDF reports into the
// folder given as the first argument (nothing written without one). The PDF's fonts load on a
// second thread while the application is made and the machine is inspected. bench/run-figures.sh times
// whole runs of it, from exec to exit, beside whole runs of inxi.
#include "inspection/DeviceProbe.h"
#include "reports/ReportExporter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <future>
#include <thread>
#include <utility>

namespace {
bool save(const QString& folder, const QString& name, const QByteArray& bytes)
{
    if (folder.isEmpty()) return true;
    QFile f(QDir(folder).filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
}  // namespace

// With QRL_REPORT_RUN_STAGES set, each stage's share of the run goes to standard error:
// the time before main (loading and relocating the libraries) as the process's CPU time so far.
struct Stages {
    const bool on = qEnvironmentVariableIsSet("QRL_REPORT_RUN_STAGES");
    QElapsedTimer t;
    Stages()
    {
        if (!on) return;
        timespec cpu{}, now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        clock_gettime(CLOCK_MONOTONIC, &now);
        rusage use{};
        getrusage(RUSAGE_SELF, &use);
        std::fprintf(stderr, "before main (CPU) %.1f ms, %ld page faults\n", cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6,
                     use.ru_minflt + use.ru_majflt);
        // QRL_REPORT_RUN_STAGES may hold the monotonic clock (ns) of the moment before exec.
        if (const qint64 before = qgetenv("QRL_REPORT_RUN_STAGES").toLongLong(); before > 1)
            std::fprintf(stderr, "exec to main %.1f ms\n", (now.tv_sec * 1e9 + now.tv_nsec - double(before)) / 1e6);
        t.start();
    }
    void operator()(const char* stage)
    {
        if (!on) return;
        std::fprintf(stderr, "%s %.1f ms\n", stage, double(t.nsecsElapsed()) / 1e6);
        t.restart();
    }
};

int main(int argc, char** argv)
{
    Stages stage;
    // A process this short keeps the memory it frees: cutting the fonts down allocates and frees
    // blocks large enough that the allocator would map each afresh and hand it back, and every
    // page mapped again is a page fault again.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    // The PDF is made on a thread of its own, started before anything else: it loads the font
    // configuration while this thread makes the application, then the report's fonts while
    // this one inspects the machine and writes the text reports.
    std::promise<const Localization*> applicationMade;
    std::promise<std::pair<DeviceSummary, QList<CapabilitySection>>> inspected;
    ReportExporter::PdfResult pdf = ReportExporter::ExportError::pdfContext;
    const QDateTime date = QDateTime::currentDateTime();
    std::thread pdfThread([&pdf, &date, &stage, made = applicationMade.get_future(), ready = inspected.get_future()]() mutable {
        QElapsedTimer t;
        t.start();
        ReportExporter::loadFontConfiguration();
        const double configured = double(t.nsecsElapsed()) / 1e6;
        const Localization& L = *made.get();
        const double madeAt = double(t.nsecsElapsed()) / 1e6;
        ReportExporter::preparePdf(L);
        const double prepared = double(t.nsecsElapsed()) / 1e6;
        const auto [summary, sections] = ready.get();
        const double waited = double(t.nsecsElapsed()) / 1e6;
        pdf = ReportExporter::pdf(summary, sections, date, L, QStringLiteral("US"));
        if (stage.on)
            std::fprintf(stderr,
                         "(PDF thread: font configuration at %.1f ms, application there at %.1f ms, fonts loaded at %.1f ms, "
                         "inspection there at %.1f ms, PDF made at %.1f ms)\n",
                         configured, madeAt, prepared, waited, double(t.nsecsElapsed()) / 1e6);
    });

    const Localization L = Localization::english();
    QGuiApplication app(argc, argv);  // fonts for the PDF, and the displays for the inspection
    applicationMade.set_value(&L);
    stage("application");
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    const ProbeContext ctx{Platform::host(), L};
    const DeviceSummary summary = DeviceProbe::summary(ctx);
    const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
    inspected.set_value({summary, sections});
    stage("inspection");
    bool ok = save(folder, QStringLiteral("report.txt"), ReportExporter::text(sections, date, L).toUtf8());
    ok = save(folder, QStringLiteral("report.md"), ReportExporter::markdown(summary, sections, date, L).toUtf8()) && ok;
    ok = save(folder, QStringLiteral("report.json"), ReportExporter::json(summary, sections, date, L)) && ok;
    stage("text, Markdown, JSON");
    pdfThread.join();
    if (const QByteArray* bytes = std::get_if<QByteArray>(&pdf)) ok = save(folder, QStringLiteral("report.pdf"), *bytes) && ok;
    else ok = false;
    stage("PDF");
    // The four files are written and closed: the process ends here, without taking the
    // application, its fonts and its libraries apart first (a few milliseconds that no one
    // waits for the results of).
    std::fflush(nullptr);
    std::_Exit(ok ? 0 : 1);
}
