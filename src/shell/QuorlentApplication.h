#pragma once

#include "shell/ShellHooks.h"

#include <QObject>

#include <functional>
#include <memory>

class CheckerUpdateGate;
class MainWindow;
class Quorlent;
class QTranslator;
class SingleInstance;
class TrayHost;
struct Localization;
struct SettingsEnvironment;

// The running application: the update checker and the language manager first, then the
// inspection model (owned here for the whole run), the main window with its menus, and the
// tray item while "menuBarMonitorEnabled" is on and the desktop has a tray. What the first
// picture does not need (the tray, the launch update check) starts once the first page shows.
class QuorlentApplication : public QObject {
    Q_OBJECT
public:
    // `instance` is the guard this copy holds; a relaunch releases it before the new copy starts.
    explicit QuorlentApplication(SingleInstance& instance, QObject* parent = nullptr);
    ~QuorlentApplication() override;

    // Where other windows plug in; set before start().
    ShellHooks& hooks() { return hooks_; }
    // Builds the windows and shows the main window.
    void start();

    Quorlent& model() { return *model_; }
    MainWindow* mainWindow() const { return window_.get(); }
    TrayHost* trayHost() const { return tray_.get(); }

    // Gives every window of ours the language's direction and texts at once.
    static void applyInterfaceLanguage(const Localization& language);
    // One style for Qt's own controls, in the theme's palette.
    static void applyStandardStyle();
    // "About Quorlent": the settings window's About pane (icon, version, maker, links, update
    // status), opened or raised; Linux has no standard about panel to hand this to.
    static std::function<void(QWidget*)> aboutPane(std::function<SettingsEnvironment()> environment);

    // Whether the work held back until the first page shows (the tray, the launch update check)
    // has been let go.
    bool firstPageShown() const { return firstPageShown_; }
    // How long the held-back work waits for the first overview at most, in milliseconds.
    static constexpr int kFirstPageWait = 1500;

private:
    void updateQuitRule();
    void startTray();
    void afterFirstPage();

    SingleInstance& instance_;
    ShellHooks hooks_;
    std::unique_ptr<Quorlent> model_;
    std::unique_ptr<CheckerUpdateGate> gate_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<TrayHost> tray_;
    std::unique_ptr<QTranslator> qtTranslator_;
    std::unique_ptr<QObject> firstPageWatch_;
    bool firstPageShown_ = false;
};
