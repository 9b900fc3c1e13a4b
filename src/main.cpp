#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "monitor/LiveMonitor.h"
#include "monitor/MonitorTrayItem.h"
#include "platform/Preferences.h"
#include "platform/linux/LinuxSystemBus.h"
#include "reports/ExportMenu.h"
#include "reports/ReportExporter.h"
#include "shell/DisplaySessionBus.h"
#include "shell/ExportAction.h"
#include "shell/FontconfigWarmup.h"
#include "shell/MainWindow.h"
#include "shell/OnboardingView.h"
#include "shell/SessionBusWarmup.h"
#include "shell/SettingsWindow.h"
#include "updates/UpdateAlertPresenter.h"
#include "updates/UpdateBanner.h"
#include "updates/UpdateChecker.h"
#include "updates/UpdateRequiredOverlay.h"
#include "shell/QuorlentApplication.h"
#include "shell/SingleInstance.h"
#include "ui/DeferredWidget.h"
#include "ui/FirstUse.h"
#include "ui/Symbols.h"
#include "ui/TextFamily.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QSystemTrayIcon>
#include <QThread>
#include <QThreadPool>

#include <malloc.h>

#include <thread>

#include "BuildConfig.h"

int main(int argc, char** argv)
{
    // Before the first thread: each thread that allocates would otherwise get a malloc arena of
    // its own (the start's warm-up workers and Qt's pooled painting threads, one per core), each
    // keeping its own touched pages; two arenas serve a process whose work is on the main thread.
    mallopt(M_ARENA_MAX, 2);
    // Where no session bus is named, the display is asked for its own, before any thread reads the
    // environment: the first connection then needs no launcher process, and the window no wait.
    DisplaySessionBus::adopt();
    // Qt takes the first thread that asks for its thread data as the main one: this one, before
    // any worker below touches an object of Qt's.
    QThread::currentThread();
    FontconfigWarmup fonts;  // beside the display connection and the settings, below
    // And the interface's string table for the system's language (the interface language unless
    // another was chosen in the settings) is read and parsed beside them: the language manager,
    // the first thing made after the application object, then finds it loaded.
    std::jthread strings([] { StringTable::forCode(LanguageManager::systemLanguage(LanguageManager::environmentLanguages(), StringTable::availableCodes())); });
    QApplication app(argc, argv);
    // Qt's raster engine spreads large fills over the global pool, which otherwise grows to a
    // thread per core at the first painted window and keeps them idle for half a minute, each
    // with its stack's touched pages: one helper beside the main thread maps and paints the
    // first overview as soon, side by side.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    // Qt's font list fills on a worker from here, the symbols' face registered first; then the
    // fallback faces of the standard controls' font are chosen there too (a sort of every
    // installed face, kept for the whole process; the first line edit would do it on this thread).
    FontListWarmup fontList(fonts, &Symbols::loadedFamily, [] {
        TextFamily::family();
        QFontMetricsF(QFont()).height();
        FirstUse::matchFacesAhead();
    });
    // And the session bus connects, for the first widget shown (a copy that only forwards to the
    // running one waits for it at its end: only as long as the connection takes); the system
    // bus of the machine's readers first, which the main thread asks for while it builds the
    // models, and would otherwise wait out the session bus's launch for.
    SessionBusWarmup bus([] { LinuxSystemBus::shared(); });
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
    // The banner and the required-update card are made when the checker first has something
    // for them, not at start: most runs never show either.
    hooks.makeUpdateBanner = [](QWidget* parent) -> QWidget* {
        auto* host = new DeferredWidget([](QWidget* p) -> QWidget* { return new UpdateBanner(UpdateChecker::shared(), p); }, parent);
        UpdateChecker& checker = UpdateChecker::shared();
        auto wake = [host, &checker] {
            if (checker.showsBanner() && checker.state().isAvailable()) host->build();
        };
        QObject::connect(&checker, &UpdateChecker::stateChanged, host, wake);
        QObject::connect(&checker, &UpdateChecker::showsBannerChanged, host, wake);
        wake();
        return host;
    };
    hooks.makeRequiredOverlay = [](QWidget* parent) -> QWidget* {
        auto* host = new DeferredWidget([](QWidget* p) -> QWidget* { return new UpdateRequiredOverlay(UpdateChecker::shared(), p); }, parent);
        UpdateChecker& checker = UpdateChecker::shared();
        auto wake = [host, &checker] {
            if (UpdateRequiredOverlay::isRequired(checker.state())) host->build();
        };
        QObject::connect(&checker, &UpdateChecker::stateChanged, host, wake);
        wake();
        return host;
    };
    hooks.attachUpdateAlert = [](std::function<QWidget*()> window) { UpdateAlert::attach(UpdateChecker::shared(), std::move(window)); };
    hooks.makeExportMenu = [](std::function<void(ReportFormat)> run, QWidget* parent) -> QMenu* { return new ExportMenu(std::move(run), parent); };
    hooks.makeTrayItem = TrayHost::factoryFor<MonitorTrayItem>(
        // Made only once the tray host has seen a tray.
        [](QObject* parent) { return new MonitorTrayItem(LiveMonitor::shared(), [] { return true; }, parent); });
    ExportAction::setSaver(&ReportExporter::save);
    ReportExporter::setMainWindowProvider([&quorlent]() -> QWidget* { return quorlent.mainWindow(); });
    fontList.waitForRegistered();  // the window's first widget asks for a font
    quorlent.start();

    return app.exec();
}
