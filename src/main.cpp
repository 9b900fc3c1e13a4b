#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "monitor/LiveMonitor.h"
#include "monitor/MonitorTrayItem.h"
#include "platform/Preferences.h"
#include "reports/ExportMenu.h"
#include "reports/ReportExporter.h"
#include "shell/ExportAction.h"
#include "shell/MainWindow.h"
#include "shell/OnboardingView.h"
#include "shell/SettingsWindow.h"
#include "updates/UpdateAlertPresenter.h"
#include "updates/UpdateBanner.h"
#include "updates/UpdateChecker.h"
#include "updates/UpdateRequiredOverlay.h"
#include "shell/QuorlentApplication.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include "BuildConfig.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
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
    auto settings = [openMainWindow]() -> SettingsEnvironment {
        return {&LanguageManager::shared(), &Preferences::shared(), &AppRouter::shared(), &UpdateChecker::shared(), openMainWindow,
                [] { return QSystemTrayIcon::isSystemTrayAvailable(); }};
    };
    hooks.openSettings = [settings] { SettingsWindow::open(settings()); };
    hooks.showAbout = QuorlentApplication::aboutPane(settings);
    hooks.makeUpdateBanner = [](QWidget* parent) -> QWidget* { return new UpdateBanner(UpdateChecker::shared(), parent); };
    hooks.makeRequiredOverlay = [](QWidget* parent) -> QWidget* { return new UpdateRequiredOverlay(UpdateChecker::shared(), parent); };
    hooks.attachUpdateAlert = [](std::function<QWidget*()> window) { UpdateAlert::attach(UpdateChecker::shared(), std::move(window)); };
    hooks.makeExportMenu = [](std::function<void(ReportFormat)> run, QWidget* parent) -> QMenu* { return new ExportMenu(std::move(run), parent); };
    hooks.makeTrayItem = TrayHost::factoryFor<MonitorTrayItem>(
        [](QObject* parent) { return new MonitorTrayItem(LiveMonitor::shared(), parent); });
    ExportAction::setSaver(&ReportExporter::save);
    ReportExporter::setMainWindowProvider([&quorlent]() -> QWidget* { return quorlent.mainWindow(); });
    quorlent.start();

    return app.exec();
}
