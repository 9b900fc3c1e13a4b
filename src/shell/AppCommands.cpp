#include "shell/AppCommands.h"

#include "app/LanguageManager.h"
#include "inspection/Quorlent.h"
#include "reports/ReportFormat.h"
#include "shell/ExportAction.h"
#include "shell/MainWindowUpdateGate.h"
#include "ui/UiLanguage.h"

#include "platform/i18n/StringFormat.h"

#include <QAction>
#include <QSet>
#include <QMenu>
#include <QMenuBar>

QString AppCommands::withMnemonics(const QStringList& titles, const QStringList& englishTitles, const QString& languageCode,
                                  QStringList* out)
{
    // Chinese, Japanese and Korean menus carry the Latin key after the title, "ファイル(&F)".
    const bool latinKeyAfter = languageCode == QLatin1String("ja") || languageCode == QLatin1String("ko") ||
                               languageCode.startsWith(QLatin1String("zh"));
    QSet<QString> used;
    out->clear();
    for (qsizetype i = 0; i < titles.size(); ++i) {
        QString title = titles[i];
        title.replace(u'&', QStringLiteral("&&"));
        const QString source = latinKeyAfter ? englishTitles.value(i) : titles[i];
        qsizetype at = -1;
        for (qsizetype j = 0; j < source.size(); ++j) {
            const QChar c = source[j];
            if (!c.isLetterOrNumber()) continue;
            const QString key = QString(c).toLower();
            if (used.contains(key)) continue;
            used.insert(key);
            at = j;
            break;
        }
        if (at >= 0) {
            if (latinKeyAfter) {
                title += QStringLiteral("(&") + source[at].toUpper() + u')';
            } else {
                // The same letter's place in the escaped title.
                qsizetype k = 0;
                for (qsizetype j = 0; j < at; ++j) k += source[j] == u'&' ? 2 : 1;
                title.insert(k, u'&');
            }
        }
        out->append(title);
    }
    return out->join(u'|');
}

QString AppCommands::shortcutShown(const QString& text, const QKeySequence& shortcut, bool rightToLeft)
{
    // Right to left, the menu lays "Ctrl+," out as a right-to-left paragraph and reads it
    // ",+Ctrl": the key text is given isolated after the tab, where the menu puts it.
    if (!rightToLeft || shortcut.isEmpty()) return text;
    return text + u'\t' + isolated(shortcut.toString(QKeySequence::NativeText));
}

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
    // Alt and a letter opens each menu (Alt+F the File menu in English).
    QStringList titles;
    withMnemonics({L.tr("File"), L.tr("View"), L.tr("Inspect"), L.tr("Help")}, {"File", "View", "Inspect", "Help"}, L.code, &titles);
    file_->setTitle(titles[0]);
    const bool rtl = L.isRightToLeft();
    auto setText = [rtl](QAction* a, const QString& text) { a->setText(shortcutShown(text, a->shortcut(), rtl)); };
    export_->setTitle(L.tr("Export"));
    for (int i = 0; i < exportActions_.size(); ++i)
        setText(exportActions_[i], ReportFormats::title(ReportFormats::allCases().at(i), L));
    setText(settings_, L.tr("Settings…"));
    setText(quit_, L.tr("Quit"));
    view_->setTitle(titles[1]);
    const bool sidebarShown = env_.sidebarVisible ? env_.sidebarVisible() : true;
    toggleSidebar_->setText(sidebarShown ? L.tr("Hide Sidebar") : L.tr("Show Sidebar"));
    inspect_->setTitle(titles[2]);
    setText(overview_, L.tr("Overview"));
    for (int i = 0; i < tools_.size(); ++i) setText(tools_[i], ProFeatures::sidebarTitle(inspectOrder().at(i)));
    help_->setTitle(titles[3]);
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
