#include "shell/MainWindow.h"

#include "ui/Accessibility.h"
#include "app/LanguageManager.h"
#include "app/LanguagePicker.h"
#include "history/ScanHistory.h"
#include "inspection/Quorlent.h"
#include "platform/Preferences.h"
#include "shell/AppCommands.h"
#include "shell/ExportAction.h"
#include "shell/MainWindowIcons.h"
#include "shell/MainWindowUpdateGate.h"
#include "shell/Sidebar.h"
#include "shell/ToolbarMenuButton.h"
#include "ui/FirstUse.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"

#include "BuildConfig.h"

#include <algorithm>

#include <QApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <QGraphicsBlurEffect>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QSplitter>
#include <QTimer>
#include <QWindow>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// The sidebar draws its own hairline on the detail pane's side; the style's grip dots on the
// handle beside it would stand out as a second, dotted edge. The handle still drags.
class GriplessHandle final : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {}
};

class PaneSplitter final : public QSplitter {
public:
    explicit PaneSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {}

protected:
    QSplitterHandle* createHandle() override { return new GriplessHandle(orientation(), this); }
};
}  // namespace

namespace {
const QString kOnboardingCompleted = QStringLiteral("onboardingCompleted");

// Shown until the first inspection exists: an indeterminate progress bar over the message.
class LoadingPage : public QWidget {
public:
    explicit LoadingPage(QWidget* parent = nullptr) : QWidget(parent)
    {
        setObjectName(QStringLiteral("page.loading"));
        auto* column = new QVBoxLayout(this);
        column->setSpacing(12);
        column->addStretch(1);
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        bar->setFixedSize(160, 6);
        column->addWidget(bar, 0, Qt::AlignHCenter);
        text_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::body), Theme::Level::secondary, this);
        text_->setAlignment(Qt::AlignCenter);
        column->addWidget(text_, 0, Qt::AlignHCenter);
        column->addStretch(1);
        retranslate();
    }

protected:
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::LanguageChange) retranslate();
        QWidget::changeEvent(e);
    }

private:
    void retranslate() { text_->setText(UiLanguage::current().tr("Inspecting your Mac…")); }
    ThemedLabel* text_;
};
}  // namespace

MainWindow::MainWindow(MainWindowEnvironment environment, QWidget* parent)
    : QMainWindow(parent), env_(std::move(environment)), context_{env_.model, env_.language, env_.router}
{
    setObjectName(QStringLiteral("main"));
    // The menu bar first: it asks the session bus whether the desktop shows menus globally, a wait
    // best spent while the font list still fills, before the first text needs it.
    menuBar();
    // The icon is the application's, given once the first page shows (QuorlentApplication).
    resize(kDefaultSize);

    root_ = new QWidget(this);
    root_->setObjectName(QStringLiteral("root"));
    setCentralWidget(root_);
    auto* rootLayout = new QVBoxLayout(root_);
    rootLayout->setContentsMargins(0, 0, 0, 0);
    content_ = new QWidget(root_);
    content_->setObjectName(QStringLiteral("content"));
    UiAccessibility::makeConcealable(content_);
    rootLayout->addWidget(content_);
    auto* contentLayout = new QVBoxLayout(content_);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);

    buildToolbar();
    contentLayout->addWidget(toolbar_);

    splitter_ = new PaneSplitter(content_);
    splitter_->setObjectName(QStringLiteral("split"));
    splitter_->setChildrenCollapsible(false);
    // The window's own minimum follows from this one plus the menu bar and the toolbar.
    splitter_->setMinimumSize(kMinimumSize);
    contentLayout->addWidget(splitter_, 1);

    sidebar_ = new Sidebar(env_.model, env_.router, splitter_);
    splitter_->addWidget(sidebar_);

    detail_ = new QWidget(splitter_);
    detail_->setObjectName(QStringLiteral("detail"));
    detail_->setMinimumWidth(kDetailMinimumWidth);
    auto* detailLayout = new QVBoxLayout(detail_);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    // The update banner sits at the top of the pane, across its whole width (its own 24-point
    // insets at the sides), with no gap to the page.
    if (env_.hooks.makeUpdateBanner)
        if (QWidget* banner = env_.hooks.makeUpdateBanner(detail_)) {
            banner->setObjectName(banner->objectName().isEmpty() ? QStringLiteral("updateBanner") : banner->objectName());
            detailLayout->addWidget(banner);
        }
    pageLayout_ = new QVBoxLayout;
    pageLayout_->setContentsMargins(0, 0, 0, 0);
    detailLayout->addLayout(pageLayout_, 1);
    splitter_->addWidget(detail_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({Sidebar::kIdealWidth, kDefaultSize.width() - Sidebar::kIdealWidth});

    // The required-update card lies over the whole content, toolbar included.
    if (env_.hooks.makeRequiredOverlay) {
        overlay_ = env_.hooks.makeRequiredOverlay(root_);
        if (overlay_) {
            overlay_->setObjectName(overlay_->objectName().isEmpty() ? QStringLiteral("requiredOverlay") : overlay_->objectName());
            root_->installEventFilter(this);
            placeOverlay();
        }
    }
    if (env_.hooks.attachUpdateAlert) env_.hooks.attachUpdateAlert([this] { return static_cast<QWidget*>(this); });

    AppCommandsEnvironment commands{env_.model, env_.language, env_.updates, env_.router};
    commands.bringForward = [this] { bringForward(); };
    commands.openSettings = [this] {
        if (env_.hooks.openSettings) env_.hooks.openSettings();
    };
    commands.showAbout = [this] {
        if (env_.hooks.showAbout) {
            env_.hooks.showAbout(this);
            return;
        }
        const Localization L = UiLanguage::current();
        QMessageBox::about(this, L.tr("About Quorlent"),
                           L.tr("Quorlent") + QStringLiteral(" ") + QString::fromLatin1(BuildConfig::version));
    };
    commands.quit = [this] {
        if (env_.quit) env_.quit();
        else QApplication::quit();
    };
    commands.sidebarVisible = [this] { return isSidebarVisible(); };
    commands.setSidebarVisible = [this](bool v) { setSidebarVisible(v); };
    commands_ = new AppCommands(menuBar(), std::move(commands), this);

    // Linux desktop habits: F10 opens the first menu, Ctrl+W closes the window, Ctrl+F goes to
    // the search field (where Escape clears it).
    auto* firstMenu = new QShortcut(QKeySequence(Qt::Key_F10), this);
    firstMenu->setObjectName(QStringLiteral("shortcut.firstMenu"));
    connect(firstMenu, &QShortcut::activated, this, [this] {
        const QList<QAction*> menus = menuBar()->actions();
        if (menus.isEmpty()) return;
        menuBar()->setFocus(Qt::ShortcutFocusReason);
        menuBar()->setActiveAction(menus.first());
    });
    auto* closeWindow = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    closeWindow->setObjectName(QStringLiteral("shortcut.closeWindow"));
    connect(closeWindow, &QShortcut::activated, this, &QWidget::close);
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    find->setObjectName(QStringLiteral("shortcut.find"));
    connect(find, &QShortcut::activated, this, &MainWindow::focusSearch);
    searchField()->installEventFilter(this);

    auto record = env_.record;
    if (!record) record = [](const DeviceSummary& s, const QList<CapabilitySection>& sections) { ScanHistory::shared().record(s, sections); };
    snapshot_ = std::make_unique<SnapshotScheduler>(env_.deferrer ? env_.deferrer : SnapshotScheduler::qtTimers(this), [this, record] {
        if (env_.model.summary()) record(*env_.model.summary(), env_.model.sections());
    });

    connect(&env_.model, &Quorlent::summaryChanged, this, &MainWindow::updateRoute);
    connect(&env_.model, &Quorlent::sectionsChanged, this, &MainWindow::updateRoute);
    connect(&env_.model, &Quorlent::lastUpdatedChanged, this, [this] { snapshot_->inspectionChanged(); });
    connect(&env_.router, &AppRouter::selectionChanged, this, &MainWindow::selectionChanged);
    connect(&env_.router, &AppRouter::statusFocusChanged, this, &MainWindow::updateRoute);
    connect(&env_.router, &AppRouter::showOnboardingChanged, this, &MainWindow::presentOnboardingIfAsked);
    connect(searchField(), &QLineEdit::textChanged, this, &MainWindow::updateRoute);
    // Inspections are labelled in the language they ran in: a new language inspects again.
    connect(&env_.language, &LanguageManager::codeChanged, this, [this] {
        retranslate();
        env_.model.refresh();
    });
    connect(&env_.updates, &UpdateGate::changed, this, &MainWindow::applyUpdateGate);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, &MainWindow::recolor);

    retranslate();
    recolor();
    route_ = MainWindowRoute::decide(bool(env_.model.summary()), searchField()->text(), env_.router.statusFocus(),
                                     env_.router.selection(), env_.model.sections());
    page_ = makePage(route_);
    pageLayout_->addWidget(page_);
    // The loading page is the first frame only when the first inspection is late, which is
    // known at the first expose: shown there, its text is not measured (nor its face loaded)
    // before the window maps, for a first frame that is most often the overview instead.
    if (env_.inspectWhenShown && route_.kind == DetailRoute::Kind::loading) page_->hide();
    applyUpdateGate();
}

MainWindow::~MainWindow()
{
    // Quitting with the window open: keep where it was.
    if (isVisible()) saveFrame();
}

QLineEdit* MainWindow::searchField() const { return sidebar_->searchField(); }

void MainWindow::buildToolbar()
{
    toolbar_ = new QToolBar(content_);
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar_->setIconSize(QSize(16, 16));
    // The items stand at the trailing end, where a window's primary actions go.
    auto* spacer = new QWidget(toolbar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar_->addWidget(spacer);

    refresh_ = toolbar_->addAction(QString());
    refresh_->setObjectName(QStringLiteral("action.refresh"));
    refresh_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(refresh_, &QAction::triggered, this, [this] { env_.model.refresh(); });

    copy_ = toolbar_->addAction(QString());
    copy_->setObjectName(QStringLiteral("action.copyReport"));
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(copy_, &QAction::triggered, this, &MainWindow::copyReport);

    // Export and Language read as one group: a wider gap before them than between them.
    auto* groupGap = new QWidget(toolbar_);
    groupGap->setObjectName(QStringLiteral("toolbar.groupGap"));
    groupGap->setFixedWidth(kToolbarGroupGap);
    toolbar_->addWidget(groupGap);
    exportButton_ = new ToolbarMenuButton(toolbar_);
    exportButton_->setObjectName(QStringLiteral("action.export"));
    toolbar_->addWidget(exportButton_);
    buildExportMenu();

    languageButton_ = new ToolbarMenuButton(toolbar_);
    languageButton_->setObjectName(QStringLiteral("action.language"));
    auto* languageMenu = new QMenu(languageButton_);
    languageMenu->setObjectName(QStringLiteral("menu.language"));
    LanguagePicker::fill(languageMenu, env_.language);
    languageButton_->setMenu(languageMenu);
    toolbar_->addWidget(languageButton_);
    // Room at the trailing edge, so the last button's menu arrow never meets the window's edge
    // (a layout gap, so it follows the direction).
    auto* trailingGap = new QWidget(toolbar_);
    trailingGap->setFixedWidth(8);
    toolbar_->addWidget(trailingGap);
}

void MainWindow::buildExportMenu()
{
    auto run = [this](ReportFormat format) { ExportAction::run(format, env_.model); };
    QMenu* menu = env_.hooks.makeExportMenu ? env_.hooks.makeExportMenu(run, exportButton_) : nullptr;
    if (!menu) {
        menu = new QMenu(exportButton_);
        for (ReportFormat format : ReportFormats::allCases()) {
            QAction* a = menu->addAction(QString());
            a->setObjectName(QStringLiteral("export.") + ReportFormats::rawValue(format));
            a->setData(ReportFormats::rawValue(format));
            connect(a, &QAction::triggered, this, [run, format] { run(format); });
        }
    }
    menu->setObjectName(QStringLiteral("menu.toolbarExport"));
    exportButton_->setMenu(menu);
}

namespace {
QString formatSymbol(ReportFormat f)
{
    switch (f) {
    case ReportFormat::pdf: return QRL_SYMBOL("doc.richtext");
    case ReportFormat::json: return QRL_SYMBOL("curlybraces");
    case ReportFormat::markdown: return QRL_SYMBOL("text.alignleft");
    case ReportFormat::text: return QRL_SYMBOL("doc.plaintext");
    }
    return {};
}
}  // namespace

void MainWindow::retranslate()
{
    const Localization L = UiLanguage::current();
    setWindowTitle(L.tr("Quorlent"));
    refresh_->setText(L.tr("Refresh"));
    refresh_->setToolTip(L.tr("Inspect this Mac again"));
    // The button keeps the width of its longer label, so "Copied" does not move its neighbours.
    if (QWidget* button = toolbar_->widgetForAction(copy_)) {
        int width = 0;
        for (const QString& label : {L.tr("Copied"), L.tr("Copy Report")}) {
            copy_->setText(label);
            width = qMax(width, button->sizeHint().width());
        }
        button->setMinimumWidth(width);
    }
    copy_->setText(copied_ ? L.tr("Copied") : L.tr("Copy Report"));
    copy_->setToolTip(L.tr("Copy a plain-text summary"));
    exportButton_->setText(L.tr("Export"));
    exportButton_->setToolTip(L.tr("Export a report as PDF, JSON, Markdown or text"));
    languageButton_->setText(L.tr("Language"));
    languageButton_->setToolTip(L.tr("Language"));
    if (QMenu* menu = exportButton_->menu())
        for (QAction* a : menu->actions())
            if (const auto f = ReportFormats::fromRaw(a->data().toString())) a->setText(ReportFormats::title(*f, L));
}

void MainWindow::recolor()
{
    const QColor tint = Theme::foreground(Theme::Level::primary);
    refresh_->setIcon(MainWindowIcons::symbol(QRL_SYMBOL("arrow.clockwise"), tint));
    // The two sheets fill their box to its edges; inset, they keep the gap to the label the
    // other toolbar symbols keep.
    copy_->setIcon(copied_ ? MainWindowIcons::symbol(QRL_SYMBOL("checkmark"), tint)
                           : MainWindowIcons::insetSymbol(QRL_SYMBOL("doc.on.doc"), tint, 1));
    exportButton_->setIcon(MainWindowIcons::symbol(QRL_SYMBOL("square.and.arrow.up"), tint));
    languageButton_->setIcon(MainWindowIcons::symbol(QRL_SYMBOL("globe"), tint));
    if (QMenu* menu = exportButton_->menu())
        for (QAction* a : menu->actions())
            if (const auto f = ReportFormats::fromRaw(a->data().toString())) a->setIcon(MainWindowIcons::symbol(formatSymbol(*f), tint));
}

void MainWindow::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    QMainWindow::changeEvent(e);
}

void MainWindow::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (started_ || !env_.inspectWhenShown) return;
    started_ = true;
    // The first inspection runs synchronously and takes a moment: paint the progress message
    // first, then inspect. Should no paint come (a window that is never exposed), inspect anyway.
    if (page_) page_->installEventFilter(this);
    // An inspection started ahead on another thread costs nothing here: taken as soon as it
    // is done, often before the first paint, so the overview is the first page painted.
    connect(&env_.model, &Quorlent::inspectionAheadFinished, this, &MainWindow::firstInspection, Qt::UniqueConnection);
    if (env_.model.inspectionAheadReady()) QTimer::singleShot(0, this, &MainWindow::firstInspection);
    QTimer::singleShot(500, this, &MainWindow::firstInspection);
    if (QWindow* w = windowHandle()) {
        w->installEventFilter(this);
        FirstUse::prepareUntilExposed(*w);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == searchField() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && !searchField()->text().isEmpty()) {
            searchField()->clear();
            return true;
        }
    }
    if (watched == root_ && event->type() == QEvent::Resize) placeOverlay();
    if (event->type() == QEvent::Expose && watched == windowHandle()) {
        watched->removeEventFilter(this);
        FirstUse::prepareWindowBuffer(*this);
        // An inspection ahead that ends in a moment is waited for and taken before the window
        // paints: its first picture is then the first page, not the loading page replaced a
        // frame later. The rest of the first inspection's turn (onboarding) comes as before.
        bool ready = false;
        if (started_ && !inspected_ && env_.model.inspectionAheadPending()) {
            // Rather than waited through, the moment goes to loading the first page's faces.
            while (!(ready = env_.model.waitForInspectionAhead(std::chrono::milliseconds(0))) && FirstUse::prepareNext()) {}
            if (!ready) ready = env_.model.waitForInspectionAhead(kAheadWait);
        }
        if (ready) env_.model.refresh();
        // The page taken here, or the loading page kept, is laid out before the first paint.
        if (page_ && page_->isHidden()) {
            page_->show();
            pageLayout_->activate();
        }
    }
    if (watched == page_ && event->type() == QEvent::Paint && started_ && !inspected_) {
        page_->removeEventFilter(this);
        QTimer::singleShot(0, this, &MainWindow::firstInspection);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::firstInspection()
{
    if (inspected_) return;
    inspected_ = true;
    // A network path that came first has inspected already: once is enough for the first page.
    if (!env_.model.summary()) env_.model.refresh();
    // A window not exposed yet (a minimised start) still has its page, whatever the inspection gave.
    if (page_ && page_->isHidden()) page_->show();
    if (!env_.preferences.boolValue(kOnboardingCompleted).value_or(false)) env_.router.setShowOnboarding(true);
}

void MainWindow::presentOnboardingIfAsked()
{
    if (!env_.router.showOnboarding() || presentingOnboarding_ || !env_.hooks.presentOnboarding) return;
    presentingOnboarding_ = true;
    env_.hooks.presentOnboarding(this, env_.preferences, [this] {
        presentingOnboarding_ = false;
        env_.router.setShowOnboarding(false);
        // The keyboard comes back to the window the sheet lay over (a desktop without a window
        // manager would leave it nowhere).
        if (isVisible()) activateWindow();
    });
}

void MainWindow::selectionChanged()
{
    // Any navigation leaves a status list and a search, so the chosen page shows.
    if (env_.router.statusFocus()) env_.router.setStatusFocus(std::nullopt);
    if (!searchField()->text().isEmpty()) searchField()->clear();
    updateRoute();
}

void MainWindow::updateRoute()
{
    const DetailRoute next = MainWindowRoute::decide(bool(env_.model.summary()), searchField()->text(), env_.router.statusFocus(),
                                                     env_.router.selection(), env_.model.sections());
    if (next.samePage(route_) && page_) {
        if (next.kind == DetailRoute::Kind::search && next.query != route_.query && env_.pages.setSearchQuery)
            env_.pages.setSearchQuery(page_, next.query);
        route_ = next;
        return;
    }
    route_ = next;
    QWidget* old = page_;
    page_ = makePage(route_);
    pageLayout_->addWidget(page_);
    if (old) {
        // The old page may be the one whose signal led here: let it finish first.
        old->hide();
        pageLayout_->removeWidget(old);
        old->deleteLater();
    }
    emit pageChanged();
}

QWidget* MainWindow::makePage(const DetailRoute& route)
{
    QWidget* page = nullptr;
    switch (route.kind) {
    case DetailRoute::Kind::loading: page = new LoadingPage; break;
    case DetailRoute::Kind::search:
        if (env_.pages.search) page = env_.pages.search(context_, route.query, std::nullopt);
        break;
    case DetailRoute::Kind::statusList:
        if (env_.pages.search) page = env_.pages.search(context_, QString(), route.status);
        break;
    case DetailRoute::Kind::overview:
        if (env_.pages.overview) page = env_.pages.overview(context_);
        break;
    case DetailRoute::Kind::category:
        if (env_.pages.category) page = env_.pages.category(context_, route.symbol);
        break;
    case DetailRoute::Kind::tool:
        if (env_.pages.tool) page = env_.pages.tool(context_, route.feature);
        break;
    }
    if (!page) page = new QWidget;
    page->setParent(detail_);
    return page;
}

void MainWindow::copyReport()
{
    env_.model.copyReport();
    copied_ = true;
    retranslate();
    recolor();
    // Each press schedules its own reset; an earlier one is not cancelled.
    QTimer::singleShot(kCopiedMs, this, [this] {
        copied_ = false;
        retranslate();
        recolor();
    });
}

void MainWindow::applyUpdateGate()
{
    const bool blocked = env_.updates.required();
    content_->setEnabled(!blocked);
    // Under the required card the content is out of reach for the reader too.
    UiAccessibility::setHidden(content_, blocked);
    refresh_->setEnabled(!blocked);
    copy_->setEnabled(!blocked);
    if (blocked && !content_->graphicsEffect()) {
        auto* blur = new QGraphicsBlurEffect(content_);
        blur->setBlurRadius(kBlockedBlurRadius);
        content_->setGraphicsEffect(blur);
    } else if (!blocked && content_->graphicsEffect()) {
        // The blur re-renders the content on every repaint: only while it is needed.
        content_->setGraphicsEffect(nullptr);
    }
    if (overlay_) {
        overlay_->setAttribute(Qt::WA_TransparentForMouseEvents, !blocked);
        overlay_->raise();
    }
}

void MainWindow::placeOverlay()
{
    if (!overlay_) return;
    overlay_->setGeometry(root_->rect());
    overlay_->raise();
}

void MainWindow::bringForward()
{
    if (isMinimized()) showNormal();
    else show();
    raise();
    activateWindow();
}

void MainWindow::focusSearch()
{
    if (!isSidebarVisible()) setSidebarVisible(true);
    searchField()->setFocus(Qt::ShortcutFocusReason);
    searchField()->selectAll();
}

std::optional<QRect> MainWindow::parseFrame(const QString& text)
{
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 4) return std::nullopt;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].toInt(&ok);
        if (!ok) return std::nullopt;
    }
    if (v[2] <= 0 || v[3] <= 0 || v[2] > 100000 || v[3] > 100000) return std::nullopt;
    return QRect(v[0], v[1], v[2], v[3]);
}

QRect MainWindow::initialFrame(const std::optional<QRect>& saved, const QRect& available, const QSize& minimum)
{
    if (!available.isValid()) return saved ? *saved : QRect(QPoint(0, 0), kDefaultSize);
    const QSize wanted = saved ? saved->size() : kDefaultSize;
    // Never larger than the area, never below the minimum (a screen smaller than the minimum
    // keeps the minimum: the content cannot be smaller).
    const QSize size = wanted.boundedTo(available.size()).expandedTo(minimum);
    QPoint origin = saved ? saved->topLeft()
                          : QPoint(available.x() + (available.width() - size.width()) / 2,
                                   available.y() + (available.height() - size.height()) / 2);
    origin.setX(std::clamp(origin.x(), available.left(), std::max(available.left(), available.right() + 1 - size.width())));
    origin.setY(std::clamp(origin.y(), available.top(), std::max(available.top(), available.bottom() + 1 - size.height())));
    return QRect(origin, size);
}

void MainWindow::placeOnScreen()
{
    placed_ = true;
    const std::optional<QRect> saved = parseFrame(env_.preferences.stringValue(kFramePreferenceKey).value_or(QString()));
    QScreen* target = saved ? QGuiApplication::screenAt(saved->center()) : nullptr;
    if (!target) target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!target) return;
    // The frame is the window's outer size here; decorations added by the desktop are
    // outside of it and small.
    const QRect frame = initialFrame(saved, target->availableGeometry(), minimumSizeHint().expandedTo(minimumSize()));
    resize(frame.size());
    move(frame.topLeft());
}

void MainWindow::saveFrame()
{
    if (!placed_) return;
    // The position as move() takes it (the frame's corner), the size as resize() takes it.
    const QRect r = isMaximized() || isFullScreen() ? normalGeometry() : QRect(pos(), size());
    if (!r.isValid()) return;
    const QString text = QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    if (env_.preferences.stringValue(kFramePreferenceKey) != text) env_.preferences.setValue(kFramePreferenceKey, text);
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    saveFrame();
    QMainWindow::closeEvent(e);
}

void MainWindow::setSidebarVisible(bool visible) { sidebar_->setVisible(visible); }
bool MainWindow::isSidebarVisible() const { return !sidebar_->isHidden(); }
