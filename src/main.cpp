#include "app/AppRouter.h"
#include "history/ScanHistory.h"
#include "inspection/Quorlent.h"
#include "app/LanguageManager.h"
#include "monitor/LiveMonitor.h"
#include "monitor/MonitorTrayItem.h"
#include "platform/Preferences.h"
#include "reports/ExportMenu.h"
#include "reports/ReportExporter.h"
#include "shell/ExportAction.h"
#include "shell/MainWindow.h"
#include "shell/MainWindowPaintProbe.h"
#include "shell/OnboardingView.h"
#include "shell/SettingsWindow.h"
#include "updates/UpdateAlertPresenter.h"
#include "updates/UpdateBanner.h"
#include "updates/UpdateChecker.h"
#include "updates/UpdateRequiredOverlay.h"
#include "shell/QuorlentApplication.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSystemTrayIcon>
#include <QTimer>

#include <ctime>

#include "BuildConfig.h"

namespace {
// Measurement runs (bench/shell_startup.sh): with QRL_BENCH_REPORT set, the moment the first
// overview has been painted is written to that file (CLOCK_REALTIME, nanoseconds); with
// QRL_BENCH_TOUR also set, every page is then shown once and the resident memory written,
// and the application quits.
class BenchProbe : public QObject {
public:
    BenchProbe(MainWindow& window, QString report, bool tour)
        : window_(window),
          report_(std::move(report)),
          tour_(tour),
          loading_(window, DetailRoute::Kind::loading, [this] { write("window " + QByteArray::number(now())); }),
          overview_(window, DetailRoute::Kind::overview, [this] {
              write("painted " + QByteArray::number(now()));
              if (tour_) QTimer::singleShot(0, this, &BenchProbe::runTour);
          })
    {
    }

private:
    static qint64 now()
    {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
    }
    void write(const QByteArray& line)
    {
        QFile f(report_);
        if (f.open(QIODevice::Append)) f.write(line + '\n');
    }
    void runTour()
    {
        AppRouter& router = AppRouter::shared();
        auto settle = [] {
            for (int i = 0; i < 3; ++i) QApplication::processEvents();
        };
        QList<SidebarItem> stops{SidebarItem::overview()};
        for (const QString& symbol : sectionSymbols()) stops << SidebarItem::section(symbol);
        for (ProFeature f : ProFeatures::all()) stops << SidebarItem::pro(f);
        for (const SidebarItem& item : stops) {
            router.setSelection(item);
            // The history page reads the stored scans.
            if (item == SidebarItem::pro(ProFeature::history)) ScanHistory::shared();
            settle();
        }
        router.setStatusFocus(CapabilityStatus::warning);
        settle();
        window_.searchField()->setText(QStringLiteral("memory"));
        settle();
        window_.searchField()->clear();
        router.setSelection(SidebarItem::overview());
        settle();
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS:")) write("rss " + line.mid(6).trimmed());
        QApplication::quit();
    }
    QStringList sectionSymbols() const
    {
        QStringList out;
        if (model_)
            for (const CapabilitySection& s : model_->sections()) out << s.symbol;
        return out;
    }

public:
    Quorlent* model_ = nullptr;

private:
    MainWindow& window_;
    QString report_;
    bool tour_;
    MainWindowPaintProbe loading_;
    MainWindowPaintProbe overview_;
};
}  // namespace

namespace {
void mark(const char* stage)
{
    const QString report = qEnvironmentVariable("QRL_BENCH_REPORT");
    if (report.isEmpty()) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    QFile f(report);
    if (f.open(QIODevice::Append)) f.write(QByteArray(stage) + ' ' + QByteArray::number(qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec) + '\n');
}
}  // namespace

int main(int argc, char** argv)
{
    mark("entered");
    QApplication app(argc, argv);
    mark("application");
    QApplication::setApplicationName(QStringLiteral("Quorlent"));
    QApplication::setOrganizationName(QStringLiteral("Lumbrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(BuildConfig::version));
    QApplication::setDesktopFileName(QStringLiteral("com.lumbrel.Quorlent"));

    // One running copy: a second launch brings the first one's window forward and ends.
    SingleInstance instance;
    if (instance.start() == SingleInstance::Outcome::forwarded) return 0;

    QuorlentApplication quorlent(instance);
    // The other windows and views plug into the main window here.
    ShellHooks& hooks = quorlent.hooks();
    hooks.presentOnboarding = [](QWidget* window, Preferences& preferences, std::function<void()> onClosed) {
        OnboardingView::present(window, preferences, std::move(onClosed));
    };
    auto openMainWindow = [&quorlent] {
        if (MainWindow* window = quorlent.mainWindow()) window->bringForward();
    };
    auto settings = [openMainWindow, &quorlent]() -> SettingsEnvironment {
        return {&LanguageManager::shared(), &Preferences::shared(), &AppRouter::shared(), &UpdateChecker::shared(), openMainWindow,
                [&quorlent] { return quorlent.trayHost() && quorlent.trayHost()->trayAvailable(); }};
    };
    hooks.openSettings = [settings] { SettingsWindow::open(settings()); };
    hooks.showAbout = QuorlentApplication::aboutPane(settings);
    hooks.makeUpdateBanner = [](QWidget* parent) -> QWidget* { return new UpdateBanner(UpdateChecker::shared(), parent); };
    hooks.makeRequiredOverlay = [](QWidget* parent) -> QWidget* { return new UpdateRequiredOverlay(UpdateChecker::shared(), parent); };
    hooks.attachUpdateAlert = [](std::function<QWidget*()> window) { UpdateAlert::attach(UpdateChecker::shared(), std::move(window)); };
    hooks.makeExportMenu = [](std::function<void(ReportFormat)> run, QWidget* parent) -> QMenu* { return new ExportMenu(std::move(run), parent); };
    hooks.makeTrayItem = TrayHost::factoryFor<MonitorTrayItem>(
        // Made only once the tray host has seen a tray.
        [](QObject* parent) { return new MonitorTrayItem(LiveMonitor::shared(), [] { return true; }, parent); });
    ExportAction::setSaver(&ReportExporter::save);
    ReportExporter::setMainWindowProvider([&quorlent]() -> QWidget* { return quorlent.mainWindow(); });
    quorlent.start();
    mark("started");

    std::unique_ptr<BenchProbe> probe;
    if (const QString report = qEnvironmentVariable("QRL_BENCH_REPORT"); !report.isEmpty()) {
        probe = std::make_unique<BenchProbe>(*quorlent.mainWindow(), report, qEnvironmentVariableIsSet("QRL_BENCH_TOUR"));
        probe->model_ = &quorlent.model();
    }
    return app.exec();
}
