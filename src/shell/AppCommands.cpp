#include "shell/AppCommands.h"

#include "app/LanguageManager.h"
#include "inspection/Quorlent.h"
#include "reports/ReportFormat.h"
#include "shell/ExportAction.h"
#include "shell/MainWindowUpdateGate.h"
#include "ui/UiLanguage.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

const QList<ProFeature>& AppCommands::inspectOrder()
{
    static const QList<ProFeature> order{ProFeature::liveMonitor, ProFeature::batteryHealth, ProFeature::history,
                                         ProFeature::reports};
    return order;
}

AppCommands::AppCommands(QMenuBar* bar, AppCommandsEnvironment environment, QObject* parent)
    : QObject(parent), env_(std::move(environment))
{
    file_ = bar->addMenu(QString());
    file_->setObjectName(QStringLiteral("menu.file"));
    export_ = file_->addMenu(QString());
    export_->setObjectName(QStringLiteral("menu.export"));
    for (ReportFormat format : ReportFormats::allCases()) {
        QAction* a = export_->addAction(QString());
        a->setObjectName(QStringLiteral("command.export.") + ReportFormats::rawValue(format));
        if (format == ReportFormat::pdf) a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
        connect(a, &QAction::triggered, this, [this, format] {
            if (env_.bringForward) env_.bringForward();
            ExportAction::run(format, env_.model);
        });
        exportActions_.append(a);
    }
    file_->addSeparator();
    settings_ = file_->addAction(QString());
    settings_->setObjectName(QStringLiteral("command.settings"));
    settings_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings_->setMenuRole(QAction::PreferencesRole);
    connect(settings_, &QAction::triggered, this, [this] {
        if (env_.openSettings) env_.openSettings();
    });
    file_->addSeparator();
    quit_ = file_->addAction(QString());
    quit_->setObjectName(QStringLiteral("command.quit"));
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit_->setMenuRole(QAction::QuitRole);
    connect(quit_, &QAction::triggered, this, [this] {
        if (env_.quit) env_.quit();
    });

    view_ = bar->addMenu(QString());
    view_->setObjectName(QStringLiteral("menu.view"));
    toggleSidebar_ = view_->addAction(QString());
    toggleSidebar_->setObjectName(QStringLiteral("command.toggleSidebar"));
    connect(toggleSidebar_, &QAction::triggered, this, [this] {
        if (env_.setSidebarVisible && env_.sidebarVisible) env_.setSidebarVisible(!env_.sidebarVisible());
        retranslate();
    });
    // The title says what a choice will do, so it is set each time the menu opens.
    connect(view_, &QMenu::aboutToShow, this, &AppCommands::retranslate);

    inspect_ = bar->addMenu(QString());
    inspect_->setObjectName(QStringLiteral("menu.inspect"));
    overview_ = inspect_->addAction(QString());
    overview_->setObjectName(QStringLiteral("command.overview"));
    overview_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(overview_, &QAction::triggered, this, [this] { select(SidebarItem::overview()); });
    inspect_->addSeparator();
    int position = 0;
    for (ProFeature feature : inspectOrder()) {
        ++position;
        QAction* a = inspect_->addAction(QString());
        a->setObjectName(QStringLiteral("command.tool.") + ProFeatures::rawValue(feature));
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key(Qt::Key_0 + position)));
        connect(a, &QAction::triggered, this, [this, feature] { select(SidebarItem::pro(feature)); });
        tools_.append(a);
    }

    help_ = bar->addMenu(QString());
    help_->setObjectName(QStringLiteral("menu.help"));
    about_ = help_->addAction(QString());
    about_->setObjectName(QStringLiteral("command.about"));
    about_->setMenuRole(QAction::AboutRole);
    connect(about_, &QAction::triggered, this, [this] {
        if (env_.showAbout) env_.showAbout();
    });
    checkForUpdates_ = help_->addAction(QString());
    checkForUpdates_->setObjectName(QStringLiteral("command.checkForUpdates"));
    checkForUpdates_->setMenuRole(QAction::ApplicationSpecificRole);
    connect(checkForUpdates_, &QAction::triggered, this, [this] {
        if (env_.bringForward) env_.bringForward();
        env_.updates.checkFromMenu();
    });

    connect(&env_.language, &LanguageManager::codeChanged, this, &AppCommands::retranslate);
    connect(&env_.updates, &UpdateGate::changed, this, &AppCommands::syncEnabled);
    retranslate();
    syncEnabled();
}

QAction* AppCommands::toolAction(ProFeature feature) const
{
    const qsizetype i = inspectOrder().indexOf(feature);
    return i >= 0 ? tools_.at(i) : nullptr;
}

void AppCommands::select(const SidebarItem& item)
{
    if (env_.bringForward) env_.bringForward();
    env_.router.setStatusFocus(std::nullopt);
    env_.router.setSelection(item);
}

void AppCommands::retranslate()
{
    const Localization L = UiLanguage::current();
    file_->setTitle(L.tr("File"));
    export_->setTitle(L.tr("Export"));
    for (int i = 0; i < exportActions_.size(); ++i)
        exportActions_[i]->setText(ReportFormats::title(ReportFormats::allCases().at(i), L));
    settings_->setText(L.tr("Settings…"));
    quit_->setText(L.tr("Quit"));
    view_->setTitle(L.tr("View"));
    const bool sidebarShown = env_.sidebarVisible ? env_.sidebarVisible() : true;
    toggleSidebar_->setText(sidebarShown ? L.tr("Hide Sidebar") : L.tr("Show Sidebar"));
    inspect_->setTitle(L.tr("Inspect"));
    overview_->setText(L.tr("Overview"));
    for (int i = 0; i < tools_.size(); ++i) tools_[i]->setText(ProFeatures::sidebarTitle(inspectOrder().at(i)));
    help_->setTitle(L.tr("Help"));
    about_->setText(L.tr("About Quorlent"));
    checkForUpdates_->setText(L.tr("Check for Updates…"));
}

void AppCommands::syncEnabled()
{
    const bool open = !env_.updates.required();
    // The submenu and its items both, so that Ctrl+E is off as well.
    export_->menuAction()->setEnabled(open);
    for (QAction* a : exportActions_) a->setEnabled(open);
    overview_->setEnabled(open);
    for (QAction* a : tools_) a->setEnabled(open);
    checkForUpdates_->setEnabled(!env_.updates.checking());
}
