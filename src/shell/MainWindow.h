#pragma once

#include "inspection/Capability.h"
#include "shell/MainWindowPages.h"
#include "shell/MainWindowRoute.h"
#include "shell/MainWindowSnapshot.h"
#include "shell/ShellHooks.h"

#include <QMainWindow>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AppCommands;
class LanguageManager;
class Preferences;
class QAction;
class QLineEdit;
class QSplitter;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class Quorlent;
class Sidebar;
class UpdateGate;

// What the main window is built with.
struct MainWindowEnvironment {
    Quorlent& model;
    LanguageManager& language;
    AppRouter& router;
    UpdateGate& updates;
    Preferences& preferences;
    ShellHooks hooks = {};
    PageFactories pages = PageFactories::standard();
    // Timers of the snapshot record; Qt's when empty.
    SnapshotScheduler::Deferrer deferrer = {};
    // Hands one inspection to the scan history; the shared history when empty.
    std::function<void(const DeviceSummary&, const QList<CapabilitySection>&)> record = {};
    // The Quit command; QApplication::quit when empty.
    std::function<void()> quit = {};
    // False only to look at the window before its first inspection.
    bool inspectWhenShown = true;
};

// The window "main": the toolbar over the sidebar (with the search field) and the detail
// pane. It inspects once it has been painted, refreshes on a change of language, records
// each inspection three seconds after it was made, and yields to a required update.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowEnvironment environment, QWidget* parent = nullptr);
    ~MainWindow() override;

    static constexpr QSize kDefaultSize{1180, 800};
    // The content's minimum: below the menu bar and the toolbar.
    static constexpr QSize kMinimumSize{860, 580};
    // Where the window's frame is kept between runs: "x y width height" of its normal geometry.
    static inline const QString kFramePreferenceKey = QStringLiteral("mainWindowFrame");
    static constexpr int kDetailMinimumWidth = 560;
    static constexpr int kCopiedMs = 1500;
    // How long the first paint may wait for an inspection ahead to end (it takes a few ms).
    static constexpr std::chrono::milliseconds kAheadWait{30};
    // The gap that sets Export and Language apart from Refresh and Copy Report.
    static constexpr int kToolbarGroupGap = 12;
    static constexpr qreal kBlockedBlurRadius = 6;

    // The page in the detail pane and the route it was built for.
    const DetailRoute& route() const { return route_; }
    QWidget* page() const { return page_; }

    Sidebar* sidebar() const { return sidebar_; }
    QLineEdit* searchField() const;
    QToolBar* toolBar() const { return toolbar_; }
    QAction* refreshAction() const { return refresh_; }
    QAction* copyAction() const { return copy_; }
    QToolButton* exportButton() const { return exportButton_; }
    QToolButton* languageButton() const { return languageButton_; }
    AppCommands* commands() const { return commands_; }
    // Everything under the required-update overlay.
    QWidget* content() const { return content_; }
    bool isCopied() const { return copied_; }

    // The frame to open with: the saved one when there is one, else the default size, centred;
    // either way kept inside `available` (a screen's area less its panels), never below
    // `minimum` (the whole window's minimum).
    static QRect initialFrame(const std::optional<QRect>& saved, const QRect& available, const QSize& minimum);
    static std::optional<QRect> parseFrame(const QString& text);
    // Gives the window its frame on the screen it opens on; start() calls it before showing.
    void placeOnScreen();
    void saveFrame();
    // Ctrl+F: the search field takes the focus with its text selected.
    void focusSearch();
    // The splitter under the toolbar: the content whose minimum is kMinimumSize.
    QSplitter* splitter() const { return splitter_; }

    // Opens or raises the window and asks for the focus.
    void bringForward();
    void setSidebarVisible(bool visible);
    bool isSidebarVisible() const;

signals:
    // A new page went into the detail pane.
    void pageChanged();

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar();
    void buildExportMenu();
    void retranslate();
    void recolor();
    void updateRoute();
    QWidget* makePage(const DetailRoute& route);
    void firstInspection();
    void copyReport();
    void applyUpdateGate();
    void presentOnboardingIfAsked();
    void selectionChanged();
    void placeOverlay();

    MainWindowEnvironment env_;
    PageContext context_;
    QWidget* root_ = nullptr;
    QWidget* content_ = nullptr;
    QWidget* overlay_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QSplitter* splitter_ = nullptr;
    Sidebar* sidebar_ = nullptr;
    QWidget* detail_ = nullptr;
    QVBoxLayout* pageLayout_ = nullptr;
    QWidget* page_ = nullptr;
    DetailRoute route_;
    QAction* refresh_ = nullptr;
    QAction* copy_ = nullptr;
    QToolButton* exportButton_ = nullptr;
    QToolButton* languageButton_ = nullptr;
    AppCommands* commands_ = nullptr;
    std::unique_ptr<SnapshotScheduler> snapshot_;
    bool copied_ = false;
    bool started_ = false;
    bool inspected_ = false;
    bool presentingOnboarding_ = false;
    bool placed_ = false;
};
