#pragma once

#include "reports/ReportFormat.h"
#include "shell/TrayHost.h"

#include <QObject>

#include <functional>

class Preferences;
class QMenu;
class QWidget;

// The places where the windows of other parts of the application plug into the main window.
// Each starts empty (nothing shown, nothing done), so the main window works on its own.
struct ShellHooks {
    // The onboarding sheet over `mainWindow`; calls onClosed after it closed, whichever way.
    std::function<void(QWidget* mainWindow, Preferences& preferences, std::function<void()> onClosed)> presentOnboarding;
    // Opens the settings window, or raises it.
    std::function<void()> openSettings;
    // The banner offering an available update, at the top of the detail pane.
    std::function<QWidget*(QWidget* parent)> makeUpdateBanner;
    // The card that covers the whole content while an update is required.
    std::function<QWidget*(QWidget* parent)> makeRequiredOverlay;
    // Answers a user-initiated update check with an alert on the main window.
    std::function<void(std::function<QWidget*()> mainWindow)> attachUpdateAlert;
    // The toolbar's export menu; `run` exports in one format. A plain menu of the formats when empty.
    std::function<QMenu*(std::function<void(ReportFormat)> run, QWidget* parent)> makeExportMenu;
    // The tray item; a plain icon with the application's icon when empty.
    TrayHost::Factory makeTrayItem;
    // "About Quorlent"; a plain message box when empty.
    std::function<void(QWidget* mainWindow)> showAbout;
};
