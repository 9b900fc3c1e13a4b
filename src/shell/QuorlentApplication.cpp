#include "shell/QuorlentApplication.h"

#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "inspection/Quorlent.h"
#include "platform/Preferences.h"
#include "platform/linux/LinuxNetworkPathMonitor.h"
#include "reports/ReportExporter.h"
#include "shell/MainWindow.h"
#include "shell/MainWindowIcons.h"
#include "shell/MainWindowPaintProbe.h"
#include "shell/MainWindowUpdateGate.h"
#include "shell/SettingsWindow.h"
#include "shell/SingleInstance.h"
#include "shell/TrayHost.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"
#include "updates/UpdateChecker.h"

#include <QAccessible>
#include <QApplication>
#include <QLibraryInfo>
#include <QProxyStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTranslator>

namespace {
// The standard controls' style, with the toolbar's overflow button drawn from our symbols: the
// style's own icon is a set of image files, and the first image read loads every image-format
// plugin (and the SVG library with them) before the window can map.
class ShellStyle final : public QProxyStyle {
public:
    ShellStyle() : QProxyStyle(QStringLiteral("Fusion")) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override
    {
        // The chevron turns with the writing direction by itself.
        if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton)
            return MainWindowIcons::symbol(QRL_SYMBOL("chevron.forward"), Theme::foreground(Theme::Level::secondary));
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};
}  // namespace

QuorlentApplication::QuorlentApplication(SingleInstance& instance, QObject* parent) : QObject(parent), instance_(instance)
{
    // The update checker restores its state and queues the launch check, held until the first
    // page shows; it is the language manager's first user.
    UpdateChecker::shared().holdAutomaticChecks();
    LanguageManager& language = LanguageManager::shared();
    UiLanguage::setProvider([&language] { return language.localization(); });
    QApplication::setLayoutDirection(language.layoutDirection());
    applyStandardStyle();

    // Qt's own dialogs and context menus follow the language the application was launched in.
    qtTranslator_ = std::make_unique<QTranslator>();
    const QString qtLocaleName = language.code() == QLatin1String("zh-Hans") ? QStringLiteral("zh_CN") : language.code();
    if (qtTranslator_->load(QLocale(qtLocaleName), QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTranslator_.get());

    // A relaunch lets go of the one-copy guard first, so the new copy is not sent back here.
    language.setLauncher([this] { instance_.releaseAndStart(QCoreApplication::applicationFilePath()); });
    connect(&language, &LanguageManager::codeChanged, this, [&language] { applyInterfaceLanguage(language.localization()); });
}

QuorlentApplication::~QuorlentApplication()
{
    tray_.reset();
    window_.reset();
    gate_.reset();
    model_.reset();
}

void QuorlentApplication::start()
{
    // The window's first widgets ask the accessibility bridge whether a screen reader listens, and
    // the bridge asks the session bus and the display before it answers: asked now, those waits
    // fall while the font list still fills on its worker, which the first text waits for anyway.
    QAccessible::isActive();
    LanguageManager& language = LanguageManager::shared();
    Quorlent::Dependencies deps;
    deps.language = [&language] { return language.localization(); };
    deps.monitor = new LinuxNetworkPathMonitor;
    deps.reportText = &ReportExporter::text;
    model_ = std::make_unique<Quorlent>(std::move(deps));
    gate_ = std::make_unique<CheckerUpdateGate>(UpdateChecker::shared());

    window_ = std::make_unique<MainWindow>(
        MainWindowEnvironment{*model_, language, AppRouter::shared(), *gate_, Preferences::shared(), hooks_});
    connect(&instance_, &SingleInstance::activationRequested, window_.get(), &MainWindow::bringForward);

    updateQuitRule();
    // The windows take the interface language's locale and direction from the start.
    applyInterfaceLanguage(language.localization());
    window_->placeOnScreen();
    window_->show();
    // The machine is read on a worker while the window maps and paints its first frame; the
    // first page takes it. Started any earlier, its library loads and page faults slow the
    // window's own build by more than the inspection costs on this thread.
    model_->inspectAhead();

    // The first overview painted, the rest may start. Should the first page be another one, or
    // never be painted (a minimised start), a moment later does as well.
    firstPageWatch_ = std::make_unique<MainWindowPaintProbe>(*window_, DetailRoute::Kind::overview, [this] {
        QMetaObject::invokeMethod(this, [this] { afterFirstPage(); }, Qt::QueuedConnection);
    });
    QTimer::singleShot(kFirstPageWait, this, &QuorlentApplication::afterFirstPage);
}

void QuorlentApplication::afterFirstPage()
{
    if (firstPageShown_) return;
    firstPageShown_ = true;
    firstPageWatch_.reset();
    // Every window shows the application's icon; made from its drawing at each size the desktop
    // asks for, it waits for the first picture too.
    QApplication::setWindowIcon(MainWindowIcons::application());
    startTray();
    UpdateChecker::shared().releaseAutomaticChecks();
}

void QuorlentApplication::startTray()
{
    LanguageManager& language = LanguageManager::shared();
    TrayActions actions;
    MainWindow* window = window_.get();
    actions.openMainWindow = [window] { window->bringForward(); };
    actions.openLiveMonitor = [window] {
        window->bringForward();
        AppRouter::shared().setStatusFocus(std::nullopt);
        AppRouter::shared().setSelection(SidebarItem::pro(ProFeature::liveMonitor));
    };
    actions.checkForUpdates = [window, gate = gate_.get()] {
        window->bringForward();
        gate->checkFromMenu();
    };
    actions.openSettings = [this] {
        if (hooks_.openSettings) hooks_.openSettings();
    };
    actions.quit = [] { QApplication::quit(); };
    // The tray may come later, or go and come back: the item and the quit rule follow it.
    tray_ = std::make_unique<TrayHost>(Preferences::shared(), std::make_unique<DesktopTrayPresence>(),
                                       hooks_.makeTrayItem ? hooks_.makeTrayItem : TrayHost::plainIcon(), actions);
    connect(&language, &LanguageManager::codeChanged, tray_.get(), &TrayHost::retranslate);
    connect(tray_.get(), &TrayHost::quitRuleChanged, this, &QuorlentApplication::updateQuitRule);
    connect(gate_.get(), &UpdateGate::changed, tray_.get(), [this] { tray_->setCheckingForUpdates(gate_->checking()); });
    connect(&Preferences::shared(), &Preferences::changed, this, [this](const QString& key) {
        if (key == TrayHost::kPreferenceKey) updateQuitRule();
    });
    tray_->setCheckingForUpdates(gate_->checking());
    updateQuitRule();
}

void QuorlentApplication::updateQuitRule()
{
    QApplication::setQuitOnLastWindowClosed(!tray_ || tray_->quitsOnLastWindowClosed());
}

void QuorlentApplication::applyInterfaceLanguage(const Localization& language)
{
    const Qt::LayoutDirection direction = language.layoutDirection();
    QApplication::setLayoutDirection(direction);
    const QLocale locale = language.qlocale();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->setLayoutDirection(direction);
        window->setLocale(locale);
        // Reaches the window's children as well; each retranslates its fixed texts.
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(window, &change);
    }
}

void QuorlentApplication::applyStandardStyle()
{
    Theme::applyStandardControls();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || dynamic_cast<ShellStyle*>(QApplication::style())) return;
    QApplication::setStyle(new ShellStyle);
}

std::function<void(QWidget*)> QuorlentApplication::aboutPane(std::function<SettingsEnvironment()> environment)
{
    return [environment = std::move(environment)](QWidget*) {
        if (SettingsWindow* window = SettingsWindow::open(environment())) window->showTab(SettingsWindow::Tab::about);
    };
}
