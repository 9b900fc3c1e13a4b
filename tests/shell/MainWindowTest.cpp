#include "shell/ToolbarMenuButton.h"
#include "shell/QuorlentApplication.h"
#include "MainWindowFixture.h"

#include "screens/SearchResultsView.h"
#include "shell/AppCommands.h"
#include "shell/ExportAction.h"
#include "shell/MainWindowPages.h"
#include "shell/QuorlentApplication.h"
#include "shell/Sidebar.h"
#include "support/Input.h"

#include <QLabel>
#include <QGraphicsBlurEffect>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QPointer>
#include <QPainter>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {
// Shows the window and lets the first inspection run.
void showAndInspect(MainWindowFixture& f, MainWindow& w)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.model->summary().has_value(); }, 5000));
    QApplication::processEvents();
}

QListWidgetItem* row(MainWindow& w, const SidebarItem& item) { return w.sidebar()->rowFor(item); }

void clickRow(MainWindow& w, QListWidgetItem* item)
{
    QListWidget* list = w.sidebar()->list();
    list->scrollToItem(item);
    const QRect r = list->visualItemRect(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}
}  // namespace

TEST(MainWindow, TheSplitterHandleBesideTheHairlineDrawsNoGrip)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    w.show();
    QApplication::processEvents();
    QSplitterHandle* handle = w.splitter()->handle(1);
    ASSERT_TRUE(handle);
    ASSERT_GT(handle->width(), 0);
    const QImage shot = w.grab().toImage();
    const QRect r(handle->mapTo(&w, QPoint(0, 0)), handle->size());
    // Down the handle's middle third, where a style draws its dots: one colour throughout.
    const QRgb first = shot.pixel(r.left(), r.top() + r.height() / 3);
    int differing = 0;
    for (int y = r.top() + r.height() / 3; y < r.top() + 2 * r.height() / 3; ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (shot.pixel(x, y) != first) ++differing;
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(handle->cursor().shape(), Qt::SplitHCursor);
}

namespace {
// The empty columns between a toolbar button's icon ink and its label's ink.
int iconGap(QWidget* button)
{
    const QImage img = button->grab().toImage();
    const QRgb background = img.pixel(0, img.height() - 1);
    auto inked = [&](int x) {
        for (int y = 0; y < img.height(); ++y)
            if (qAbs(qGray(img.pixel(x, y)) - qGray(background)) > 24) return true;
        return false;
    };
    int x = 0;
    while (x < img.width() && !inked(x)) ++x;  // before the icon
    while (x < img.width() && inked(x)) ++x;   // the icon
    int gap = 0;
    while (x < img.width() && !inked(x)) ++x, ++gap;
    return gap;
}
}  // namespace

TEST(MainWindow, CopyReportsIconKeepsTheToolbarsGapToItsLabel)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    w.show();
    QApplication::processEvents();
    QToolBar* bar = w.findChild<QToolBar*>();
    ASSERT_TRUE(bar);
    const int refresh = iconGap(bar->widgetForAction(w.refreshAction()));
    const int copy = iconGap(bar->widgetForAction(w.copyAction()));
    EXPECT_GE(refresh, 3);
    EXPECT_LE(qAbs(copy - refresh), 1) << "Refresh " << refresh << ", Copy Report " << copy;
}

TEST(MainWindow, OpensAtTheDefaultSizeWithItsMinimum)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    EXPECT_EQ(w.objectName(), "main");
    EXPECT_EQ(w.size(), QSize(1180, 800));
    // 860 by 580 is the content's minimum, under the menu bar and the toolbar.
    EXPECT_EQ(w.splitter()->minimumSize(), QSize(860, 580));
    EXPECT_EQ(w.minimumSizeHint().width(), 860);
    EXPECT_GT(w.minimumSizeHint().height(), 580);
    EXPECT_EQ(w.windowTitle(), "Quorlent");
    EXPECT_EQ(w.sidebar()->minimumWidth(), 210);
    EXPECT_EQ(w.sidebar()->maximumWidth(), 320);
    w.show();
    QApplication::processEvents();
    auto* split = w.findChild<QSplitter*>("split");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->sizes().first(), 236);
    EXPECT_GE(split->widget(1)->minimumWidth(), 560);
}

// The first frame is most often the overview, taken at the first expose: the loading page is
// neither shown nor laid out (its text measured, its face loaded) before then, but it is whole
// by its first paint when the inspection is late, and shown at once when the window does not
// inspect by itself.
TEST(MainWindow, TheLoadingPageIsLaidOutAtTheFirstExposeNotBeforeTheWindowMaps)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    QWidget* loading = w.page();
    ASSERT_EQ(loading->objectName(), "page.loading");
    struct Events : QObject {
        int resizes = 0;
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Resize) ++resizes;
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    } events;
    loading->installEventFilter(&events);
    w.show();
    // The window is made and its map asked for; nothing has been exposed yet.
    EXPECT_TRUE(loading->isHidden());
    EXPECT_EQ(events.resizes, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.paints > 0 || f.model->summary().has_value(); }, 5000));
    // No inspection ahead here: the loading page is the first frame, shown and laid out before
    // it is painted.
    ASSERT_EQ(w.page(), loading);
    EXPECT_GE(events.paints, 1);
    EXPECT_TRUE(loading->isVisible());
    EXPECT_EQ(loading->size(), loading->parentWidget()->contentsRect().size());

    MainWindowFixture still;
    MainWindow& look = still.open({}, false);
    look.show();
    EXPECT_TRUE(look.page()->isVisible());
    EXPECT_EQ(look.page()->size(), look.page()->parentWidget()->contentsRect().size());
}

TEST(MainWindow, PaintsTheProgressMessageThenInspects)
{
    MainWindowFixture f(false);
    int onboarding = 0;
    std::function<void()> closeOnboarding;
    ShellHooks hooks;
    hooks.presentOnboarding = [&](QWidget* main, Preferences& prefs, std::function<void()> onClosed) {
        ++onboarding;
        EXPECT_EQ(main, f.window.get());
        EXPECT_EQ(&prefs, &f.preferences);
        // An inspection has run before the welcome shows.
        EXPECT_TRUE(f.model->summary());
        closeOnboarding = onClosed;
    };
    MainWindow& w = f.open(hooks);
    EXPECT_EQ(w.route().kind, DetailRoute::Kind::loading);
    EXPECT_EQ(w.page()->objectName(), "page.loading");
    EXPECT_FALSE(f.model->summary());  // nothing inspected before the window is painted
    // The progress message has been painted by the time the inspection starts.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    w.page()->installEventFilter(&counter);
    int paintsBeforeInspection = -1;
    QObject::connect(f.model.get(), &Quorlent::summaryChanged, &counter, [&] {
        if (paintsBeforeInspection < 0) paintsBeforeInspection = counter.paints;
    });
    showAndInspect(f, w);
    EXPECT_GE(paintsBeforeInspection, 1);
    EXPECT_EQ(f.refreshes, 1);
    EXPECT_EQ(w.route().kind, DetailRoute::Kind::overview);
    EXPECT_EQ(onboarding, 1);
    EXPECT_TRUE(f.router.showOnboarding());
    closeOnboarding();
    EXPECT_FALSE(f.router.showOnboarding());
    // Asked again later ("Show Welcome Again").
    f.router.setShowOnboarding(true);
    EXPECT_EQ(onboarding, 2);
}

TEST(MainWindow, NoWelcomeOnceCompleted)
{
    MainWindowFixture f(true);
    int onboarding = 0;
    ShellHooks hooks;
    hooks.presentOnboarding = [&](QWidget*, Preferences&, std::function<void()>) { ++onboarding; };
    MainWindow& w = f.open(hooks);
    showAndInspect(f, w);
    EXPECT_EQ(onboarding, 0);
    EXPECT_FALSE(f.router.showOnboarding());
}

TEST(MainWindow, RecordsOnceThreeSecondsAfterTheLastOfCloseRefreshes)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    f.clock.advance(1000);
    f.model->refresh();  // 1 s after the first
    EXPECT_TRUE(f.records.isEmpty());
    f.clock.advance(2999);
    EXPECT_TRUE(f.records.isEmpty());
    f.clock.advance(1);
    ASSERT_EQ(f.records.size(), 1);
    EXPECT_EQ(f.records[0].at, 1000 + 3000);
    EXPECT_EQ(f.records[0].model, "Mac14,2");
    EXPECT_EQ(f.records[0].sections, 11);
    f.clock.advance(60000);
    EXPECT_EQ(f.records.size(), 1);
    EXPECT_EQ(f.clock.pendingCount(), 0u);
}

TEST(MainWindow, ClosingTheWindowBeforeTheRecordCancelsIt)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    EXPECT_EQ(f.clock.pendingCount(), 1u);
    f.window.reset();
    EXPECT_EQ(f.clock.pendingCount(), 0u);
}

TEST(MainWindow, SidebarChoosesAndFollowsTheSelection)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    // "Overview", the "Inspection" header, eleven sections, the tools header, four tools.
    EXPECT_EQ(w.sidebar()->list()->count(), 1 + 1 + 11 + 1 + 4);
    clickRow(w, row(w, SidebarItem::pro(ProFeature::history)));
    EXPECT_EQ(f.router.selection(), SidebarItem::pro(ProFeature::history));
    EXPECT_EQ(w.route(), DetailRoute::tool(ProFeature::history));
    EXPECT_EQ(w.page()->objectName(), "page.tool.history");
    clickRow(w, row(w, SidebarItem::section("cpu")));
    EXPECT_EQ(f.router.selection(), SidebarItem::section("cpu"));
    EXPECT_EQ(w.route(), DetailRoute::category("cpu"));

    // A selection made elsewhere highlights its row.
    f.router.setSelection(SidebarItem::pro(ProFeature::liveMonitor));
    EXPECT_EQ(w.sidebar()->list()->currentItem(), row(w, SidebarItem::pro(ProFeature::liveMonitor)));
    EXPECT_TRUE(row(w, SidebarItem::pro(ProFeature::liveMonitor))->isSelected());
    EXPECT_EQ(row(w, SidebarItem::pro(ProFeature::liveMonitor))->text(), "Live Monitor");
    // Headers are not choices.
    for (int i = 0; i < w.sidebar()->list()->count(); ++i) {
        QListWidgetItem* r = w.sidebar()->list()->item(i);
        if (!Sidebar::itemOf(r)) {
            EXPECT_FALSE(r->flags() & Qt::ItemIsSelectable) << r->text().toStdString();
        }
    }
}

// The sidebar's rows are drawn as the style draws a list's rows, pixel for pixel: every row, at
// the sidebar's width and at one that elides, left to right and right to left, at rest,
// selected and selected with the keyboard focus, in a window active and not.
TEST(MainWindow, SidebarRowsAreDrawnAsTheStyleDrawsThem)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    QListWidget* list = w.sidebar()->list();
    QAbstractItemDelegate* ours = list->itemDelegate();
    QStyledItemDelegate standard;
    ASSERT_NE(ours, nullptr);
    int compared = 0;
    for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft})
        for (int width : {Sidebar::kIdealWidth - 16, 90})
            for (int row = 0; row < list->count(); ++row) {
                const QModelIndex index = list->model()->index(row, 0);
                const Qt::ItemFlags flags = list->item(row)->flags();
                for (QStyle::State extra : {QStyle::State(QStyle::State_None), QStyle::State(QStyle::State_Selected),
                                            QStyle::State_Selected | QStyle::State_HasFocus})
                    for (bool active : {true, false}) {
                        QStyleOptionViewItem opt;
                        opt.initFrom(list);
                        opt.widget = list;
                        opt.direction = direction;
                        opt.font = list->font();
                        opt.fontMetrics = QFontMetrics(opt.font);
                        opt.decorationSize = list->iconSize();
                        opt.decorationPosition = QStyleOptionViewItem::Left;
                        opt.decorationAlignment = Qt::AlignCenter;
                        opt.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
                        opt.textElideMode = list->textElideMode();
                        opt.rect = QRect(QPoint(0, 0), QSize(width, list->item(row)->sizeHint().height()));
                        opt.state &= ~(QStyle::State_Enabled | QStyle::State_Active);
                        if (flags & Qt::ItemIsEnabled) opt.state |= QStyle::State_Enabled;
                        if (active) opt.state |= QStyle::State_Active;
                        opt.state |= extra;
                        auto paint = [&](QAbstractItemDelegate& delegate) {
                            QImage image(opt.rect.size(), QImage::Format_ARGB32_Premultiplied);
                            image.fill(Qt::transparent);
                            QPainter p(&image);
                            p.setLayoutDirection(direction);
                            delegate.paint(&p, opt, index);
                            p.end();
                            return image;
                        };
                        EXPECT_EQ(paint(*ours), paint(standard)) << "row " << row << " width " << width << " state " << int(extra)
                                                                 << (direction == Qt::RightToLeft ? " right to left" : "");
                        ++compared;
                    }
            }
    EXPECT_GT(compared, 100);
}

TEST(MainWindow, ARowSelectedByAssistiveTechnologyOpensItsPage)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    // A screen reader selects through the list's selection, leaving the current row alone.
    QListWidget* list = w.sidebar()->list();
    const QModelIndex history = list->indexFromItem(row(w, SidebarItem::pro(ProFeature::history)));
    list->selectionModel()->select(history, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(f.router.selection(), SidebarItem::pro(ProFeature::history));
    EXPECT_EQ(w.route(), DetailRoute::tool(ProFeature::history));
    EXPECT_EQ(list->currentItem(), row(w, SidebarItem::pro(ProFeature::history)));
}

TEST(MainWindow, SectionRowsFollowTheInspectionAndKeepTheirSelection)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    f.router.setSelection(SidebarItem::section("cpu"));
    QListWidgetItem* cpu = row(w, SidebarItem::section("cpu"));
    ASSERT_TRUE(cpu);
    EXPECT_EQ(cpu->toolTip(), cpu->text());
    QPointer<QWidget> page = w.page();
    f.model->refresh();  // new sections with new identifiers
    QApplication::processEvents();
    EXPECT_TRUE(row(w, SidebarItem::section("cpu"))->isSelected());
    // The same category page stays: it follows the model itself.
    EXPECT_EQ(w.page(), page.data());
}

TEST(MainWindow, AClickOnTheSelectedRowLeavesTheStatusList)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    f.router.setStatusFocus(CapabilityStatus::warning);
    EXPECT_EQ(w.route(), DetailRoute::statusList(CapabilityStatus::warning));
    clickRow(w, row(w, SidebarItem::overview()));  // already selected
    EXPECT_FALSE(f.router.statusFocus());
    EXPECT_EQ(w.route(), DetailRoute::overview());
}

TEST(MainWindow, NavigationClearsTheSearchSoTheChosenPageShows)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    w.searchField()->setText("memory");
    EXPECT_EQ(w.route().kind, DetailRoute::Kind::search);
    clickRow(w, row(w, SidebarItem::pro(ProFeature::reports)));
    EXPECT_EQ(w.searchField()->text(), "");
    EXPECT_EQ(w.route(), DetailRoute::tool(ProFeature::reports));

    // From the menus.
    w.searchField()->setText("memory");
    w.commands()->toolAction(ProFeature::history)->trigger();
    EXPECT_EQ(w.searchField()->text(), "");
    EXPECT_EQ(w.route(), DetailRoute::tool(ProFeature::history));

    // From a page (a search result group going to its category).
    w.searchField()->setText("memory");
    f.router.setSelection(SidebarItem::section("cpu"));
    EXPECT_EQ(w.searchField()->text(), "");
    EXPECT_EQ(w.route(), DetailRoute::category("cpu"));
}

TEST(MainWindow, TypingKeepsTheSearchPageAndHandsItTheQuery)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    f.router.setStatusFocus(CapabilityStatus::info);
    QTest::keyClicks(w.searchField(), " me");
    EXPECT_EQ(w.route(), DetailRoute::search(" me"));
    QPointer<QWidget> page = w.page();
    QTest::keyClicks(w.searchField(), "mory ");
    EXPECT_EQ(w.page(), page.data());
    EXPECT_EQ(w.route().query, " memory ");
    ASSERT_NE(qobject_cast<SearchResultsView*>(w.page()), nullptr);
    EXPECT_EQ(qobject_cast<SearchResultsView*>(w.page())->query(), " memory ");
    // Clearing the text returns to the status list, which is still set.
    w.searchField()->clear();
    EXPECT_EQ(w.route(), DetailRoute::statusList(CapabilityStatus::info));
    // Blank text is no search.
    w.searchField()->setText("   ");
    EXPECT_EQ(w.route(), DetailRoute::statusList(CapabilityStatus::info));
}

TEST(MainWindow, AToolPageStartsFreshEachTimeItIsChosen)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    f.router.setSelection(SidebarItem::pro(ProFeature::history));
    QPointer<QWidget> first = w.page();
    f.router.setSelection(SidebarItem::overview());
    f.router.setSelection(SidebarItem::pro(ProFeature::history));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());  // the old page is gone, a new one was built
    EXPECT_EQ(w.page()->objectName(), "page.tool.history");
}

TEST(MainWindow, ToolbarRefreshesCopiesAndExports)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    EXPECT_EQ(w.refreshAction()->text(), "Refresh");
    EXPECT_EQ(w.refreshAction()->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_EQ(w.refreshAction()->toolTip(), "Inspect this Mac again");
    EXPECT_EQ(w.copyAction()->shortcut(), QKeySequence("Ctrl+Shift+C"));
    EXPECT_EQ(w.copyAction()->toolTip(), "Copy a plain-text summary");
    EXPECT_EQ(w.exportButton()->text(), "Export");
    EXPECT_EQ(w.exportButton()->toolTip(), "Export a report as PDF, JSON, Markdown or text");
    EXPECT_EQ(w.languageButton()->text(), "Language");
    EXPECT_EQ(w.languageButton()->toolTip(), "Language");

    w.refreshAction()->trigger();
    EXPECT_EQ(f.refreshes, 2);

    QWidget* copyButton = w.toolBar()->widgetForAction(w.copyAction());
    const QRect exportPlace = w.exportButton()->geometry();
    w.copyAction()->trigger();
    QApplication::processEvents();
    EXPECT_EQ(f.clipboard.texts, QStringList{"11 sections"});
    EXPECT_EQ(w.copyAction()->text(), "Copied");
    EXPECT_GE(copyButton->width(), copyButton->sizeHint().width());
    EXPECT_EQ(w.exportButton()->geometry(), exportPlace);  // its neighbours stay put
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isCopied(); }, 4000));
    EXPECT_EQ(w.copyAction()->text(), "Copy Report");

    QList<ReportFormat> exported;
    ExportAction::setSaver([&](ReportFormat format, Quorlent& model) {
        EXPECT_EQ(&model, f.model.get());
        exported << format;
    });
    QMenu* menu = w.exportButton()->menu();
    QStringList titles;
    for (QAction* a : menu->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"PDF Report", "JSON", "Markdown", "Plain Text"}));
    menu->actions().at(2)->trigger();
    EXPECT_EQ(exported, QList<ReportFormat>{ReportFormat::markdown});
    ExportAction::setSaver({});

    // The language menu is the picker: "System Default", a separator, the thirteen languages.
    QMenu* languages = w.languageButton()->menu();
    ASSERT_EQ(languages->actions().size(), 15);
    EXPECT_EQ(languages->actions().at(0)->text(), "System Default");
    EXPECT_TRUE(languages->actions().at(0)->isChecked());
    EXPECT_EQ(languages->actions().at(3)->text(), QString::fromUtf8("العربية"));
}

TEST(MainWindow, ARequiredUpdateBlocksAndBlursTheContent)
{
    MainWindowFixture f;
    QWidget* overlay = nullptr;
    ShellHooks hooks;
    hooks.makeRequiredOverlay = [&](QWidget* parent) { return overlay = new QWidget(parent); };
    QWidget* banner = nullptr;
    hooks.makeUpdateBanner = [&](QWidget* parent) { return banner = new QWidget(parent); };
    int alerts = 0;
    std::function<QWidget*()> alertWindow;
    hooks.attachUpdateAlert = [&](std::function<QWidget*()> main) {
        ++alerts;
        alertWindow = main;
    };
    MainWindow& w = f.open(hooks);
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(alertWindow(), &w);
    showAndInspect(f, w);
    ASSERT_TRUE(overlay && banner);
    EXPECT_EQ(overlay->geometry(), w.centralWidget()->rect());
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(w.content()->isAncestorOf(w.toolBar()));
    EXPECT_TRUE(w.content()->isAncestorOf(banner));
    EXPECT_FALSE(w.content()->isAncestorOf(overlay));
    EXPECT_FALSE(w.content()->graphicsEffect());

    f.updates.set(true, false);
    EXPECT_FALSE(w.content()->isEnabled());
    EXPECT_FALSE(w.refreshAction()->isEnabled());
    EXPECT_FALSE(w.copyAction()->isEnabled());
    auto* blur = qobject_cast<QGraphicsBlurEffect*>(w.content()->graphicsEffect());
    ASSERT_TRUE(blur);
    EXPECT_EQ(blur->blurRadius(), 6);
    EXPECT_FALSE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));
    // Clicks on the sidebar do nothing.
    clickRow(w, row(w, SidebarItem::pro(ProFeature::history)));
    EXPECT_EQ(f.router.selection(), SidebarItem::overview());

    f.updates.set(false, false);
    EXPECT_TRUE(w.content()->isEnabled());
    EXPECT_TRUE(w.refreshAction()->isEnabled());
    EXPECT_FALSE(w.content()->graphicsEffect());
}

TEST(MainWindow, ALanguageSwitchRelaysEveryWindowAndInspectsOnce)
{
    MainWindowFixture f;
    MainWindow& w = f.open();
    showAndInspect(f, w);
    QWidget other;  // another window of ours
    other.show();
    const int before = f.refreshes;
    f.language.select(QStringLiteral("ar"));
    QuorlentApplication::applyInterfaceLanguage(f.language.localization());
    QApplication::processEvents();
    EXPECT_EQ(f.refreshes, before + 1);
    EXPECT_EQ(QApplication::layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.sidebar()->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(other.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.locale().language(), QLocale::Arabic);
    // The sidebar sits on the right.
    EXPECT_GT(w.sidebar()->mapTo(&w, QPoint(0, 0)).x(), w.width() / 2);

    f.language.select(QStringLiteral("en"));
    QuorlentApplication::applyInterfaceLanguage(f.language.localization());
    QApplication::processEvents();
    EXPECT_EQ(f.refreshes, before + 2);
    EXPECT_EQ(w.layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(other.layoutDirection(), Qt::LeftToRight);
    EXPECT_LT(w.sidebar()->mapTo(&w, QPoint(0, 0)).x(), w.width() / 2);
    QApplication::setLayoutDirection(Qt::LeftToRight);
}

TEST(MainWindow, FixedTextsFollowALanguageSwitchAtOnce)
{
    MainWindowFixture f;
    f.tables.insert("de", StringTable::fromJson(R"({"Refresh": "Aktualisieren", "Overview": "Übersicht",
        "Search capabilities": "Fähigkeiten suchen", "Inspection": "Prüfung", "History": "Verlauf",
        "Copy Report": "Bericht kopieren", "Export": "Exportieren", "Language": "Sprache", "PDF Report": "PDF-Bericht"})"));
    MainWindow& w = f.open();
    showAndInspect(f, w);
    f.language.select(QStringLiteral("de"));
    QuorlentApplication::applyInterfaceLanguage(f.language.localization());
    QApplication::processEvents();
    EXPECT_EQ(w.refreshAction()->text(), "Aktualisieren");
    EXPECT_EQ(w.copyAction()->text(), "Bericht kopieren");
    EXPECT_EQ(w.exportButton()->text(), "Exportieren");
    EXPECT_EQ(w.exportButton()->menu()->actions().at(0)->text(), "PDF-Bericht");
    EXPECT_EQ(w.languageButton()->text(), "Sprache");
    EXPECT_EQ(w.searchField()->placeholderText(), "Fähigkeiten suchen");
    EXPECT_EQ(row(w, SidebarItem::overview())->text(), QString::fromUtf8("Übersicht"));
    EXPECT_EQ(row(w, SidebarItem::pro(ProFeature::history))->text(), "Verlauf");
    EXPECT_EQ(w.sidebar()->list()->item(1)->text(), QString::fromUtf8("Prüfung"));
    EXPECT_EQ(w.page()->objectName(), "page.overview");
    QApplication::setLayoutDirection(Qt::LeftToRight);
}

// The update banner runs across the whole detail pane (its content keeps its own insets).
TEST(MainWindow, TheUpdateBannerSpansTheDetailPane)
{
    MainWindowFixture f;
    ShellHooks hooks;
    QWidget* banner = nullptr;
    hooks.makeUpdateBanner = [&](QWidget* parent) { return banner = new QLabel(QStringLiteral("Quorlent 2.0 is available"), parent); };
    MainWindow& w = f.open(hooks);
    w.resize(1180, 800);
    showAndInspect(f, w);
    ASSERT_TRUE(banner);
    QWidget* pane = banner->parentWidget();
    EXPECT_EQ(pane->objectName(), "detail");
    EXPECT_EQ(banner->x(), 0);
    EXPECT_EQ(banner->width(), pane->width());
    EXPECT_GT(banner->width(), banner->sizeHint().width() * 2);
}

// Right to left, the menu buttons' chevrons keep clear of their titles; Export and Language
// stand apart from the first two buttons as one group.
TEST(MainWindow, ToolbarMenuChevronsKeepClearOfTheTitlesInBothDirections)
{
    for (const char* code : {"en", "ar"}) {
        SCOPED_TRACE(code);
        MainWindowFixture f;
        f.language.select(QString::fromLatin1(code));
        MainWindow& w = f.open();
        QuorlentApplication::applyInterfaceLanguage(f.language.localization());
        w.show();
        QApplication::processEvents();
        for (QToolButton* button : {w.exportButton(), w.languageButton()}) {
            auto* menuButton = qobject_cast<ToolbarMenuButton*>(button);
            ASSERT_NE(menuButton, nullptr);
            const QFontMetrics fm(button->font());
            const int content = button->iconSize().width() + 4 + fm.horizontalAdvance(button->text());
            const QRect chevron = menuButton->chevronRect();
            // The title and icon fit in the part of the button before the chevron.
            EXPECT_GE(button->width() - chevron.width(), content);
            if (button->layoutDirection() == Qt::RightToLeft) EXPECT_LT(chevron.left(), button->width() / 3);
            else EXPECT_GT(chevron.left(), button->width() * 2 / 3);
        }
        const int between = std::abs(w.languageButton()->geometry().center().x() - w.exportButton()->geometry().center().x()) -
                            (w.languageButton()->width() + w.exportButton()->width()) / 2;
        QWidget* copy = w.toolBar()->widgetForAction(w.copyAction());
        const int before = std::abs(w.exportButton()->geometry().center().x() - copy->geometry().center().x()) -
                           (w.exportButton()->width() + copy->width()) / 2;
        EXPECT_GE(before, between + MainWindow::kToolbarGroupGap - 2);
    }
}
