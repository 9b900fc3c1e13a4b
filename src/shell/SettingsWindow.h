#pragma once

#include "ui/Buttons.h"
#include "ui/SettingsSwitch.h"
#include "ui/UrlOpener.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class AppRouter;
class LanguageManager;
class LanguagePickerBox;
class LinkButton;
class PlainButton;
class Preferences;
class RelaunchBanner;
class ThemedLabel;
class UpdateChecker;
class UpdateSettingsRow;

// What the settings window works on; the application passes its shared models.
struct SettingsEnvironment {
    LanguageManager* language = nullptr;
    Preferences* preferences = nullptr;
    AppRouter* router = nullptr;
    UpdateChecker* updates = nullptr;
    // Opens the main window, or raises it, and brings the application forward.
    std::function<void()> openMainWindow;
    // Whether the desktop offers a tray for the live monitor.
    std::function<bool()> trayAvailable;
};

// The General pane: the interface language (with the relaunch offer), the live monitor in the
// tray, and showing the welcome sheet again.
class GeneralSettingsPane : public QWidget {
    Q_OBJECT
public:
    explicit GeneralSettingsPane(const SettingsEnvironment& environment, QWidget* parent = nullptr);

    LanguagePickerBox* languagePicker() const { return picker_; }
    RelaunchBanner* relaunchBanner() const { return relaunch_; }
    SettingsSwitch* menuBarSwitch() const { return menuBar_; }
    ThemedLabel* menuBarLabel() const { return menuBarLabel_; }
    // The short explanation shown where the desktop has no tray.
    ThemedLabel* trayNote() const { return trayNote_; }
    PlainButton* showWelcomeButton() const { return showWelcome_; }
    // Re-reads whether a tray exists (the desktop may gain or lose one).
    void refreshTray();

    static inline const QString kMenuBarKey = QStringLiteral("menuBarMonitorEnabled");
    static constexpr int kMinimumHeight = 300;

signals:
    void contentHeightChanged();

protected:
    void changeEvent(QEvent*) override;

private:
    void retranslate();
    bool menuBarEnabled() const;

    SettingsEnvironment env_;
    ThemedLabel* languageLabel_;
    LanguagePickerBox* picker_;
    RelaunchBanner* relaunch_;
    ThemedLabel* menuBarLabel_;
    SettingsSwitch* menuBar_;
    ThemedLabel* trayNote_;
    PlainButton* showWelcome_;
};

// The About pane: icon, name, the selectable version line, the maker, four links and the
// update row.
class AboutSettingsPane : public QWidget {
    Q_OBJECT
public:
    explicit AboutSettingsPane(const SettingsEnvironment& environment, QWidget* parent = nullptr);

    // "2.3 (41)": the short version and the build, each with its own fallback ("1.0", "1").
    static QString versionText(const std::optional<QString>& shortVersion, const std::optional<QString>& build);
    // This build's: from the build configuration; an empty value counts as missing.
    static QString versionText();

    void setOpener(UrlOpener::Function opener) { opener_ = std::move(opener); }
    ThemedLabel* nameLabel() const { return name_; }
    ThemedLabel* versionLabel() const { return version_; }
    ThemedLabel* makerLabel() const { return maker_; }
    QList<LinkButton*> links() const { return links_; }
    UpdateSettingsRow* updateRow() const { return updateRow_; }

protected:
    void changeEvent(QEvent*) override;

private:
    void retranslate();

    UrlOpener::Function opener_;
    ThemedLabel* name_;
    ThemedLabel* version_;
    ThemedLabel* maker_;
    QList<LinkButton*> links_;
    UpdateSettingsRow* updateRow_ = nullptr;
};

// The settings window: General and About, 540 wide, its height following the pane shown.
// One instance: opening it again raises it.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    // "General — Quorlent": the pane shown and the application's name.
    static QString windowTitleFor(const QString& pane, const QString& application);
    // Centred over the main window (when one shows), near its top, on its screen.
    void placeOver(const QWidget* mainWindow);
    static QWidget* mainWindowOnScreen();
    static SettingsWindow* open(const SettingsEnvironment& environment);
    // The window on screen, if any.
    static SettingsWindow* instance();

    explicit SettingsWindow(const SettingsEnvironment& environment, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    enum class Tab { general, about };
    void showTab(Tab tab);
    Tab currentTab() const { return tab_; }
    GeneralSettingsPane* general() const { return general_; }
    AboutSettingsPane* about() const { return about_; }
    QAbstractButton* tabButton(Tab tab) const { return tab == Tab::general ? generalTab_ : aboutTab_; }

    static constexpr int kWidth = 540;

protected:
    void changeEvent(QEvent*) override;

private:
    void retranslate();
    void fitHeight();

    SettingsEnvironment env_;
    Tab tab_ = Tab::general;
    QAbstractButton* generalTab_;
    QAbstractButton* aboutTab_;
    GeneralSettingsPane* general_;
    AboutSettingsPane* about_;
};
