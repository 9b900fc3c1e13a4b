#pragma once

#include "app/AppRouter.h"

#include <QKeySequence>
#include <QObject>

#include <functional>

class LanguageManager;
class QAction;
class QMenu;
class QMenuBar;
class Quorlent;
class UpdateGate;

// What the menu commands act on.
struct AppCommandsEnvironment {
    Quorlent& model;
    LanguageManager& language;
    UpdateGate& updates;
    AppRouter& router;
    std::function<void()> bringForward = {};     // opens or raises the main window
    std::function<void()> openSettings = {};
    std::function<void()> showAbout = {};
    std::function<void()> quit = {};
    std::function<bool()> sidebarVisible = {};
    std::function<void(bool)> setSidebarVisible = {};
};

// The application's menus in the main window's menu bar. Linux has no application menu, so
// its items sit where Linux users look for them: Settings… and Quit in File, About and the
// update check in Help.
//
//   File:    Export ▸ (PDF Report Ctrl+E, JSON, Markdown, Plain Text) | Settings… Ctrl+, | Quit Ctrl+Q
//   View:    Hide Sidebar / Show Sidebar
//   Inspect: Overview Ctrl+0 | Live Monitor, Battery Health, History, Reports (Ctrl+Alt+1…4)
//   Help:    About Quorlent, Check for Updates…
//
// Export and the Inspect commands are disabled while an update is required; "Check for
// Updates…" while a check runs. Titles follow the interface language at once.
class AppCommands : public QObject {
    Q_OBJECT
public:
    AppCommands(QMenuBar* menuBar, AppCommandsEnvironment environment, QObject* parent = nullptr);

    // The menu titles with a mnemonic each, no letter used twice ("&File", "&View", "&Inspect",
    // "&Help"); joined with "|" for tests.
    static QString withMnemonics(const QStringList& titles, const QStringList& englishTitles, const QString& languageCode,
                                 QStringList* out);
    // A command's menu text with its key sequence, kept in reading order right to left.
    static QString shortcutShown(const QString& text, const QKeySequence& shortcut, bool rightToLeft);

    QMenu* fileMenu() const { return file_; }
    QMenu* exportMenu() const { return export_; }
    QMenu* viewMenu() const { return view_; }
    QMenu* inspectMenu() const { return inspect_; }
    QMenu* helpMenu() const { return help_; }
    QAction* checkForUpdatesAction() const { return checkForUpdates_; }
    QAction* overviewAction() const { return overview_; }
    QAction* toolAction(ProFeature feature) const;

    // The tools in the Inspect menu's own order, numbered 1 to 4 in their shortcuts.
    static const QList<ProFeature>& inspectOrder();

    // Brings the main window forward, leaves any status list, selects `item`.
    void select(const SidebarItem& item);

    void retranslate();
    void syncEnabled();

private:
    AppCommandsEnvironment env_;
    QMenu* file_;
    QMenu* export_;
    QMenu* view_;
    QMenu* inspect_;
    QMenu* help_;
    QList<QAction*> exportActions_;
    QAction* settings_;
    QAction* quit_;
    QAction* toggleSidebar_;
    QAction* overview_;
    QList<QAction*> tools_;
    QAction* about_;
    QAction* checkForUpdates_;
};
