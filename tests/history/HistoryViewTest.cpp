// The history page: picking, comparing, deleting and clearing, driven as the user would, and
// pictures of it with 0, 1, 2 and 200 scans.
#include "history/HistoryView.h"

#include "HistoryViewSamples.h"
#include "support/FileSizeLimit.h"
#include "support/Input.h"
#include "support/Render.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>

#include <gtest/gtest.h>


using namespace history_view_test;

namespace {

QStringList texts(QWidget* root, const QString& name)
{
    // Widgets added to a shown page appear at the next turn of the event loop.
    QApplication::processEvents();
    QStringList out;
    for (QLabel* l : root->findChildren<QLabel*>(name))
        if (l->isVisibleTo(root)) out << l->text();
    return out;
}

// The value texts the comparison shows, old or new, over every section.
QStringList values(QWidget* root, bool old)
{
    QApplication::processEvents();
    QStringList out;
    for (HistoryChangeList* list : root->findChildren<HistoryChangeList*>())
        if (list->isVisibleTo(root))
            for (const HistoryChangeList::Shown& s : list->shownRows())
                if (const auto& v = old ? s.oldValue : s.newValue) out << *v;
    return out;
}

QString subtitle(HistoryView& view)
{
    auto* label = view.findChild<QLabel*>(QStringLiteral("subtitle"));
    return label ? label->text() : QString();
}

// Waits (at most a few seconds) for the store's worker to have written what it was given, so a
// test never leaves a write behind in a folder about to go.
void settle(ScanHistory& h) { h.flush(); }

// Shows the page at the size the tests look at, laid out and painted once.
void present(HistoryView& view)
{
    view.resize(900, 640);
    view.show();
    QApplication::processEvents();
}

class HistoryViewTest : public ::testing::Test {
protected:
    void SetUp() override { Theme::setReduceMotion(true); }
    void TearDown() override
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }
};

TEST_F(HistoryViewTest, EmptyHistoryShowsTheEmptyStateAndNoClearButton)
{
    TempHistory h;
    HistoryView view(*h);
    view.resize(900, 640);
    view.show();
    EXPECT_EQ(subtitle(view), QStringLiteral("0 saved scans · pick two to compare"));
    EXPECT_FALSE(view.clearButton()->isVisible());
    EXPECT_TRUE(view.selection().isEmpty());
    EXPECT_FALSE(view.changes().has_value());
    EXPECT_TRUE(texts(&view, "title").contains(QStringLiteral("No scans yet")));
    EXPECT_FALSE(texts(&view, "title").contains(QStringLiteral("Pick two scans to compare")));
    EXPECT_FALSE(view.timeline()->isVisible());
}

TEST_F(HistoryViewTest, OneScanIsPickedAndAsksForASecond)
{
    TempHistory h(scans(1));
    HistoryView view(*h);
    view.resize(900, 640);
    view.show();
    EXPECT_EQ(subtitle(view), QStringLiteral("1 saved scan · pick two to compare"));
    EXPECT_TRUE(view.clearButton()->isVisible());
    EXPECT_EQ(view.clearButton()->text(), QStringLiteral("Clear History…"));
    QApplication::processEvents();
    auto* card = findByName(&view, QStringLiteral("timelineCard"));
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->width(), HistoryView::kTimelineWidth);
    EXPECT_EQ(HistoryView::kTimelineWidth, 300);
    EXPECT_EQ(view.selection().ids(), QList<QUuid>{h.history->snapshots()[0].id});
    EXPECT_FALSE(view.changes().has_value());
    EXPECT_TRUE(texts(&view, "title").contains(QStringLiteral("Pick two scans to compare")));
    EXPECT_FALSE(texts(&view, "title").contains(QStringLiteral("No scans yet")));
}

TEST_F(HistoryViewTest, TwoOrMoreScansCompareTheTwoNewestAtOnce)
{
    TempHistory h(scans(5));
    HistoryView view(*h);
    const auto& s = h.history->snapshots();
    ASSERT_TRUE(view.pairIds());
    EXPECT_EQ(view.pairIds()->first, s[1].id);
    EXPECT_EQ(view.pairIds()->second, s[0].id);
    ASSERT_TRUE(view.changes());
    EXPECT_FALSE(view.changes()->isEmpty());
}

TEST_F(HistoryViewTest, ClickingRowsPicksAndUnpicks)
{
    TempHistory h(scans(4));
    HistoryView view(*h);
    present(view);
    const auto& s = h.history->snapshots();
    HistoryTimeline* t = view.timeline();

    // The two newest are picked; clicking the third drops the earlier pick (the newest).
    click(t, t->rowRect(2).center());
    EXPECT_EQ(view.selection().ids(), (QList<QUuid>{s[1].id, s[2].id}));
    EXPECT_EQ(view.pairIds(), std::make_pair(s[2].id, s[1].id));

    // Unpicking one leaves the prompt, and the single pick stays.
    click(t, t->rowRect(1).center());
    EXPECT_EQ(view.selection().ids(), QList<QUuid>{s[2].id});
    EXPECT_FALSE(view.changes().has_value());
    EXPECT_TRUE(texts(&view, "title").contains(QStringLiteral("Pick two scans to compare")));

    // Newer picked after older, or before: always older → newer.
    click(t, t->rowRect(0).center());
    EXPECT_EQ(view.pairIds(), std::make_pair(s[2].id, s[0].id));
    const QStringList badges = texts(&view, "title");
    EXPECT_TRUE(badges.contains(QStringLiteral("Older")));
    EXPECT_TRUE(badges.contains(QStringLiteral("Newer")));
}

TEST_F(HistoryViewTest, TheKeyboardMovesAndPicks)
{
    TempHistory h(scans(4));
    HistoryView view(*h);
    view.resize(900, 640);
    view.show();
    const auto& s = h.history->snapshots();
    HistoryTimeline* t = view.timeline();
    t->setFocus();
    auto press = [t](int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(t, &down);
    };
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(t->currentRow(), 2);
    press(Qt::Key_Space);
    EXPECT_EQ(view.selection().ids(), (QList<QUuid>{s[1].id, s[2].id}));
    press(Qt::Key_End);
    EXPECT_EQ(t->currentRow(), 3);
    press(Qt::Key_Down);
    EXPECT_EQ(t->currentRow(), 3);
}

TEST_F(HistoryViewTest, ScansOfTheSameSecondKeepOlderAndNewerRight)
{
    // Whole seconds on disk: two scans a few hundred milliseconds apart read back alike.
    const QDateTime moment = utc(2026, 12, 9, 16, 42, 7);
    QList<ScanSnapshot> list{snapshot(inspection(1), moment), snapshot(inspection(0), moment)};
    TempHistory h(list);
    HistoryView view(*h);
    ASSERT_TRUE(view.pairIds());
    EXPECT_EQ(view.pairIds()->first, list[1].id);   // further down the list: older
    EXPECT_EQ(view.pairIds()->second, list[0].id);
    // Older to newer: the item added in the newer scan reads as added, not removed.
    ASSERT_TRUE(view.changes());
    bool added = false;
    for (const ChangeRow& r : *view.changes())
        if (r.label == QStringLiteral("Vulkan")) added = r.kind() == SnapshotChange::Kind::added;
    EXPECT_TRUE(added);
}

TEST_F(HistoryViewTest, DeletingAPickedScanRepairsTheSelection)
{
    TempHistory h(scans(4));
    HistoryView view(*h);
    const QList<ScanSnapshot> before = h.history->snapshots();
    view.toggle(before[3].id);  // picks: [1, 3]
    ASSERT_EQ(view.selection().ids(), (QList<QUuid>{before[1].id, before[3].id}));

    std::unique_ptr<QMenu> menu(view.rowMenu(before[1].id));
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Delete Scan"));
    menu->actions()[0]->trigger();

    ASSERT_EQ(h.history->snapshots().size(), 3);
    EXPECT_EQ(view.selection().ids(), (QList<QUuid>{before[0].id, before[2].id}));
    EXPECT_EQ(view.pairIds(), std::make_pair(before[2].id, before[0].id));
    EXPECT_EQ(subtitle(view), QStringLiteral("3 saved scans · pick two to compare"));

    // An identifier no longer there changes nothing.
    view.deleteScan(before[1].id);
    EXPECT_EQ(h.history->snapshots().size(), 3);
    settle(*h);
}

TEST_F(HistoryViewTest, RowContextMenuOffersDeleteScan)
{
    TempHistory h(scans(3));
    HistoryView view(*h);
    present(view);
    HistoryTimeline* t = view.timeline();
    const QPoint at = t->rowRect(2).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, t->mapToGlobal(at));
    QApplication::sendEvent(t, &event);
    QMenu* menu = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible()) menu = m;
    ASSERT_NE(menu, nullptr);
    const QUuid third = h.history->snapshots()[2].id;
    menu->actions()[0]->trigger();
    menu->close();
    EXPECT_EQ(h.history->snapshots().size(), 2);
    for (const ScanSnapshot& s : h.history->snapshots()) EXPECT_NE(s.id, third);
    settle(*h);
}

TEST_F(HistoryViewTest, ANewScanAtTheLimitRepairsAPickItPushedOut)
{
    // 200 scans, the oldest picked: a new scan keeps the count at 200 but drops that pick.
    QDateTime now = utc(2026, 12, 9, 17, 0, 0);
    TempHistory h(scans(ScanHistory::kLimit), [&now] { return now; });
    HistoryView view(*h);
    const QList<ScanSnapshot> before = h.history->snapshots();
    // The two newest were picked; a third pick drops the earlier one: [second newest, oldest].
    view.toggle(before.last().id);
    ASSERT_EQ(view.selection().ids(), (QList<QUuid>{before[1].id, before.last().id}));

    QList<CapabilitySection> sections;
    sections << CapabilitySection{QUuid::createUuid(), QStringLiteral("System"), QStringLiteral("cpu"),
                                  {CapabilityItem{QUuid::createUuid(), QStringLiteral("Kernel"), QStringLiteral("6.1.0-19"),
                                                  CapabilityStatus::info, QStringLiteral("kernel"), false}},
                                  QStringLiteral("system")};
    h.history->record(DeviceSummary{QStringLiteral("workstation"), QStringLiteral("ThinkPad T14 Gen 3"), QStringLiteral("AMD"),
                                    QStringLiteral("32 GB"), QStringLiteral("1 TB"), QStringLiteral("Debian"), false, true},
                      sections);
    const QList<ScanSnapshot>& after = h.history->snapshots();
    ASSERT_EQ(after.size(), ScanHistory::kLimit);
    EXPECT_EQ(view.rows().size(), ScanHistory::kLimit);
    EXPECT_EQ(view.selection().ids(), (QList<QUuid>{after[0].id, after[1].id}));
    EXPECT_EQ(view.pairIds(), std::make_pair(after[1].id, after[0].id));
    settle(*h);
}

TEST_F(HistoryViewTest, ClearAsksFirstAndOnlyClearsWhenConfirmed)
{
    TempHistory h(scans(3));
    HistoryView view(*h);
    view.resize(900, 640);
    view.show();
    int asked = 0;
    bool confirm = false;
    view.setConfirmClear([&](QWidget* parent, std::function<void()> clear) {
        ++asked;
        EXPECT_EQ(parent, &view);
        if (confirm) clear();
    });

    click(view.clearButton());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(h.history->snapshots().size(), 3);  // dismissed: nothing changes
    EXPECT_EQ(view.selection().size(), 2);

    confirm = true;
    click(view.clearButton());
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(h.history->snapshots().isEmpty());
    EXPECT_TRUE(view.selection().isEmpty());
    EXPECT_FALSE(view.clearButton()->isVisible());
    EXPECT_EQ(subtitle(view), QStringLiteral("0 saved scans · pick two to compare"));
    settle(*h);
}

TEST_F(HistoryViewTest, TheDefaultConfirmationNamesItsDestructiveButton)
{
    TempHistory h(scans(2));
    HistoryView view(*h);
    view.resize(900, 640);
    view.show();
    view.requestClear();  // window-modal and opened, not run: the test goes on
    QMessageBox* box = view.findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Clear all saved scans?"));
    EXPECT_EQ(box->informativeText(), QStringLiteral("This removes every saved scan from this Mac. It can't be undone."));
    QAbstractButton* destructive = nullptr;
    for (QAbstractButton* b : box->buttons())
        if (box->buttonRole(b) == QMessageBox::DestructiveRole) destructive = b;
    ASSERT_NE(destructive, nullptr);
    EXPECT_EQ(destructive->text(), QStringLiteral("Clear History"));
    box->button(QMessageBox::Cancel)->click();
    QApplication::processEvents();
    EXPECT_EQ(h.history->snapshots().size(), 2);
}

TEST_F(HistoryViewTest, StatusOnlyChangeShowsTheStatuses)
{
    using S = CapabilityStatus;
    const ScanSnapshot older = snapshot({section("Storage", {item("Encryption", "LUKS", S::supported, "encryption")}, "storage")},
                                        utc(2026, 12, 9, 10));
    const ScanSnapshot newer = snapshot({section("Storage", {item("Encryption", "LUKS", S::unsupported, "encryption")}, "storage")},
                                        utc(2026, 12, 9, 11));
    TempHistory h({newer, older});
    HistoryView view(*h);
    ASSERT_TRUE(view.changes());
    ASSERT_EQ(view.changes()->size(), 1);
    EXPECT_TRUE(view.changes()->at(0).isStatusOnly());
    EXPECT_EQ(values(&view, true), QStringList{QStringLiteral("Supported")});
    EXPECT_EQ(values(&view, false), QStringList{QStringLiteral("Not supported")});
    auto* list = view.findChild<HistoryChangeList*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->rowText(0), QStringLiteral("Encryption: Supported → Not supported"));
}

TEST_F(HistoryViewTest, ComparisonGroupsBySectionInFirstOccurrenceOrder)
{
    TempHistory h(scans(2));
    HistoryView view(*h);
    view.resize(900, 900);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(texts(&view, "sectionTitle"),
              (QStringList{QStringLiteral("System"), QStringLiteral("Graphics & Metal"), QStringLiteral("Storage"), QStringLiteral("Network")}));
    // A removed item shows its old value alone; an added one its new value alone.
    EXPECT_TRUE(values(&view, true).contains(QStringLiteral("enp3s0 · 1 Gbit/s")));
    EXPECT_FALSE(values(&view, false).contains(QStringLiteral("enp3s0 · 1 Gbit/s")));
    EXPECT_TRUE(values(&view, false).contains(QStringLiteral("Vulkan 1.3 (RADV)")));
    EXPECT_FALSE(values(&view, true).contains(QStringLiteral("Vulkan 1.3 (RADV)")));
    // A value changed: both, and no statuses in place of the values.
    EXPECT_TRUE(values(&view, true).contains(QStringLiteral("Debian GNU/Linux 12.4")));
    EXPECT_TRUE(values(&view, false).contains(QStringLiteral("Debian GNU/Linux 12.5")));
}

TEST_F(HistoryViewTest, ChangeRowsCopyTheirValues)
{
    TempHistory h(scans(2));
    HistoryView view(*h);
    auto* list = view.findChild<HistoryChangeList*>();
    ASSERT_NE(list, nullptr);
    std::unique_ptr<QMenu> menu(list->contextMenu(0));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copy Value"));
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("Copy Row"));
    EXPECT_EQ(list->rowText(0), QStringLiteral("Operating system: Debian GNU/Linux 12.4 → Debian GNU/Linux 12.5"));
}

TEST_F(HistoryViewTest, ChangeRowsWrapLongValuesInANarrowPane)
{
    using S = CapabilityStatus;
    const QString longValue = QStringLiteral("H.264 decode + encode, HEVC decode only, AV1 decode only, VP9 none, ProRes none, /dev/dri/renderD128");
    const ScanSnapshot older = snapshot({section("Video", {item("Codecs", "H.264", S::supported, "codecs")})}, utc(2026, 12, 9, 10));
    const ScanSnapshot newer = snapshot({section("Video", {item("Codecs", longValue, S::supported, "codecs")})}, utc(2026, 12, 9, 11));
    HistoryChangeList list(HistoryComparison::compare(older, newer));
    // Narrower rows need more lines, never fewer; every width gets a height that holds the row.
    const int wide = list.heightForWidth(900);
    const int narrow = list.heightForWidth(300);
    EXPECT_GT(wide, 0);
    EXPECT_GT(narrow, wide);

    TempHistory h({newer, older});
    HistoryView view(*h);
    EXPECT_FALSE(QImage(renderToPng(view, QSize(720, 420), QStringLiteral("en"), Theme::Appearance::Light,
                                    QStringLiteral("history-long-values"))).isNull());
}

TEST_F(HistoryViewTest, ALanguageSwitchRedatesTheTimeline)
{
    TempHistory h(scans(2));
    HistoryView view(*h);
    const QString english = view.timeline()->dateText(0);
    EXPECT_EQ(english, QStringLiteral("Dec 9, 2026, 4:42\u202FPM"));
    UiLanguage::Override language(Localization::forCode(QStringLiteral("de"), QStringLiteral("de_DE")));
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&view, &change);
    QApplication::sendEvent(view.timeline(), &change);
    EXPECT_EQ(view.timeline()->dateText(0), QStringLiteral("9. Dez. 2026, 16:42"));
    EXPECT_TRUE(view.pairIds().has_value());  // the picks stay
}

TEST_F(HistoryViewTest, RowsCountStatusesOverAllSections)
{
    using S = CapabilityStatus;
    const ScanSnapshot s = snapshot({section("A", {item("a", "1", S::supported), item("b", "2", S::warning), item("c", "3", S::info)}),
                                     section("B", {item("d", "4", S::unsupported), item("e", "5", S::supported, std::nullopt, true)})},
                                    utc(2026, 1, 2, 3));
    const HistoryRow row = HistoryRow::make(s);
    EXPECT_EQ(row.supported, 2);  // the volatile one too
    EXPECT_EQ(row.warnings, 1);
    EXPECT_EQ(row.unsupported, 1);
    EXPECT_EQ(row.detail, QStringLiteral("AMD Ryzen 7 PRO 6850U · Debian GNU/Linux 12 (6.1.0-18-amd64)"));
}

// ---- The page's comparison matches the store's, row for row ----------------------------------

struct ParityCase {
    const char* name;
    ScanSnapshot older;
    ScanSnapshot newer;
};

std::vector<ParityCase> parityCases()
{
    using S = CapabilityStatus;
    const QDateTime t0 = utc(2026, 1, 1), t1 = utc(2026, 1, 2);
    auto dup = [](int n) {
        QList<ScanSnapshot::Item> items;
        for (int i = 0; i < n; ++i) items << item("Port", QStringLiteral("USB %1").arg(i));
        return items;
    };
    return {
        {"Showcase", snapshot(inspection(0), t0), snapshot(inspection(1), t1)},
        {"Identical", snapshot(inspection(0), t0), snapshot(inspection(0), t1)},
        {"OtherLanguage", snapshot(inspection(0), t0, QStringLiteral("de")), snapshot(inspection(1), t1)},
        {"NoLanguage", snapshot(inspection(0), t0, std::nullopt), snapshot(inspection(1), t1)},
        {"RepeatedLabels", snapshot({section("USB", dup(3))}, t0), snapshot({section("USB", dup(2))}, t1)},
        {"LabelEndingInNumber",
         snapshot({section("S", {item("X", "1"), item("X", "2"), item("X#2", "3")})}, t0),
         snapshot({section("S", {item("X#2", "3"), item("X", "1")})}, t1)},
        {"VolatileInOneOnly", snapshot({section("S", {item("Charge", "50%", S::info, "charge", true)})}, t0),
         snapshot({section("S", {item("Charge", "60%", S::info, "charge", false)})}, t1)},
        {"SectionTitleChanged", snapshot({section("Power", {item("a", "1")})}, t0), snapshot({section("Energy", {item("a", "1")})}, t1)},
        {"DecomposedText", snapshot({section("S", {item("Name", QString::fromUtf8("Cafe\xCC\x81"))})}, t0),
         snapshot({section("S", {item("Name", QString::fromUtf8("Caf\xC3\xA9"), S::warning)})}, t1)},
        {"Empty", snapshot({}, t0), snapshot({section("Empty", {})}, t1)},
    };
}

TEST(HistoryComparison, SameRowsAsTheStore)
{
    for (const ParityCase& c : parityCases()) {
        SCOPED_TRACE(c.name);
        const QList<SnapshotChange> store = ScanHistory::diff(c.older, c.newer);
        const QList<ChangeRow> page = HistoryComparison::compare(c.older, c.newer);
        ASSERT_EQ(page.size(), store.size());
        for (qsizetype i = 0; i < page.size(); ++i) {
            EXPECT_EQ(page[i].section, store[i].section);
            EXPECT_EQ(page[i].label, store[i].label);
            EXPECT_EQ(page[i].oldValue, store[i].oldValue);
            EXPECT_EQ(page[i].newValue, store[i].newValue);
            EXPECT_EQ(page[i].oldStatus.has_value(), page[i].oldValue.has_value());
            EXPECT_EQ(page[i].newStatus.has_value(), page[i].newValue.has_value());
        }
    }
}

TEST(HistoryComparison, StatusOnlyMeansTheSameTextAndAnotherStatus)
{
    using S = CapabilityStatus;
    struct Case {
        std::optional<QString> oldValue, newValue;
        std::optional<S> oldStatus, newStatus;
        bool statusOnly;
    };
    const Case cases[] = {
        {"LUKS", "LUKS", S::supported, S::unsupported, true},
        {QString::fromUtf8("Cafe\xCC\x81"), QString::fromUtf8("Caf\xC3\xA9"), S::supported, S::warning, true},
        {"LUKS", "None", S::supported, S::unsupported, false},
        {"Ja", "Yes", S::supported, S::supported, false},  // another language, same status
        {std::nullopt, "LUKS", std::nullopt, S::supported, false},
        {"LUKS", std::nullopt, S::supported, std::nullopt, false},
    };
    for (const Case& c : cases) {
        const ChangeRow row{QUuid::createUuid(), "S", "L", c.oldValue, c.newValue, c.oldStatus, c.newStatus};
        EXPECT_EQ(row.isStatusOnly(), c.statusOnly) << c.oldValue.value_or("-").toStdString();
    }
}

TEST(HistoryComparison, GroupsBySectionTextInFirstOccurrenceOrder)
{
    auto row = [](const char* section, const char* label) {
        return ChangeRow{QUuid::createUuid(), section, label, std::nullopt, QStringLiteral("v"), std::nullopt, CapabilityStatus::info};
    };
    const QList<ChangeGroup> groups = HistoryComparison::group({row("B", "1"), row("A", "2"), row("B", "3"), row("C", "4"), row("A", "5")});
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups[0].section, "B");
    EXPECT_EQ(groups[1].section, "A");
    EXPECT_EQ(groups[2].section, "C");
    ASSERT_EQ(groups[0].rows.size(), 2);
    EXPECT_EQ(groups[0].rows[1].label, "3");
    EXPECT_EQ(groups[1].rows[1].label, "5");
}

// ---- Accessibility ------------------------------------------------------------------------------

TEST_F(HistoryViewTest, EachTimelineRowIsOneListItemWithItsNameAndSelectedState)
{
    TempHistory h(scans(3));
    HistoryView view(*h);
    present(view);
    HistoryTimeline* t = view.timeline();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(t);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    ASSERT_EQ(list->childCount(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        QAccessibleInterface* row = list->child(i);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->role(), QAccessible::ListItem);
        EXPECT_EQ(row->parent(), list);
        EXPECT_EQ(list->indexOfChild(row), i);
        EXPECT_EQ(row->childCount(), 0);  // one element: nothing inside is read again
        const QString name = row->text(QAccessible::Name);
        EXPECT_TRUE(name.startsWith(t->dateText(i))) << name.toStdString();
        EXPECT_TRUE(name.contains(QStringLiteral("AMD Ryzen 7 PRO 6850U · Debian GNU/Linux 12 (6.1.0-18-amd64)"))) << name.toStdString();
        EXPECT_TRUE(name.contains(QStringLiteral(" supported · "))) << name.toStdString();
        EXPECT_TRUE(row->state().selectable);
        EXPECT_EQ(row->state().selected, i < 2);  // the two newest are picked
        EXPECT_EQ(row->rect(), QRect(t->mapToGlobal(t->rowRect(i).topLeft()), t->rowRect(i).size()));
        EXPECT_EQ(list->childAt(row->rect().center().x(), row->rect().center().y()), row);
    }
    // A click changes what is read as selected.
    click(t, t->rowRect(2).center());
    EXPECT_FALSE(list->child(0)->state().selected);
    EXPECT_TRUE(list->child(2)->state().selected);
    // The row's action picks it, as a click does.
    QAccessibleActionInterface* action = list->child(0)->actionInterface();
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    action->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(view.selection().ids(), (QList<QUuid>{h.history->snapshots()[2].id, h.history->snapshots()[0].id}));
    EXPECT_TRUE(list->child(0)->state().selected);
    // The keyboard's row is the focused one.
    t->setFocus();
    t->setCurrentRow(1);
    QApplication::processEvents();
    if (t->hasFocus()) {
        EXPECT_EQ(list->focusChild(), list->child(1));
        EXPECT_TRUE(list->child(1)->state().focused);
    }
    // A scan deleted: the list shrinks with it.
    view.deleteScan(h.history->snapshots()[1].id);
    settle(*h);
    EXPECT_EQ(list->childCount(), 2);
}

TEST_F(HistoryViewTest, EachChangeRowIsOneListItemNamedByWhatItShows)
{
    TempHistory h(scans(2));
    HistoryView view(*h);
    present(view);
    QStringList names;
    for (HistoryChangeList* changes : view.findChildren<HistoryChangeList*>()) {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(changes);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->role(), QAccessible::List);
        ASSERT_EQ(list->childCount(), changes->shownRows().size());
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface* row = list->child(i);
            EXPECT_EQ(row->role(), QAccessible::ListItem);
            EXPECT_FALSE(row->state().selectable);
            EXPECT_TRUE(QRect(changes->mapToGlobal(QPoint(0, 0)), changes->size()).contains(row->rect())) << i;
            names << row->text(QAccessible::Name);
        }
    }
    EXPECT_TRUE(names.contains(QStringLiteral("Changed, Operating system, Debian GNU/Linux 12.4, Debian GNU/Linux 12.5")))
        << names.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("Added, Vulkan, Vulkan 1.3 (RADV)"))) << names.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("Removed, Ethernet, enp3s0 · 1 Gbit/s"))) << names.join(QStringLiteral(" | ")).toStdString();
}

// ---- Saving that fails ----------------------------------------------------------------------------

TEST_F(HistoryViewTest, WhileScansCannotBeSavedThePageSaysSoWithTheReason)
{
    for (const char* code : {"en", "de", "ar"}) {
        SCOPED_TRACE(code);
        UiLanguage::Override language(Localization::forCode(QString::fromLatin1(code), QStringLiteral("en_US")));
        TempHistory h(scans(3));
        HistoryView view(*h);
        view.resize(900, 640);
        view.show();
        QApplication::processEvents();
        auto* line = view.findChild<QLabel*>(QStringLiteral("saveError"));
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(line->isVisibleTo(&view));
        EXPECT_TRUE(view.saveErrorText().isEmpty());
        {
            FileSizeLimit limit(64);
            ASSERT_TRUE(limit.ok());
            view.deleteScan(h.history->snapshots()[2].id);
            settle(*h);
        }
        QApplication::processEvents();
        EXPECT_TRUE(line->isVisibleTo(&view));
        const QHash<QString, QString> expected = {
            {QStringLiteral("en"), QString::fromUtf8("New scans aren’t being saved: The file is too large.")},
            {QStringLiteral("de"), QString::fromUtf8("Neue Scans werden nicht gespeichert: Die Datei ist zu groß.")},
            {QStringLiteral("ar"), QString::fromUtf8("لا يتم حفظ الفحوصات الجديدة: الملف كبير جدًا.")},
        };
        EXPECT_EQ(line->text(), expected.value(QString::fromLatin1(code)));
        EXPECT_EQ(h.history->saveFailure(), AtomicWrite::Reason::tooLarge);
        if (QString::fromLatin1(code) != QStringLiteral("de")) {
            const bool arabic = QString::fromLatin1(code) == QStringLiteral("ar");
            renderToPng(view, QSize(900, 640), QString::fromLatin1(code), arabic ? Theme::Appearance::Dark : Theme::Appearance::Light,
                        QStringLiteral("history-unsaved"));
            // One line under the header, inside the page's margins, beside its warning sign.
            const QRect r(line->mapTo(&view, QPoint(0, 0)), line->size());
            EXPECT_GE(r.left(), 24);
            EXPECT_LE(r.right(), view.width() - 24);
            EXPECT_LE(r.height(), QFontMetrics(line->font()).height() * 3 / 2);
        }
        // The next save that works takes the line away.
        view.deleteScan(h.history->snapshots()[1].id);
        settle(*h);
        QApplication::processEvents();
        EXPECT_FALSE(line->isVisibleTo(&view));
        EXPECT_EQ(ScanHistory::load(h.history->filePath()).value_or(QList<ScanSnapshot>{}).size(), 1);
    }
}

// ---- Pictures ---------------------------------------------------------------------------------

struct RenderCase {
    int scans;
    const char* language;
    Theme::Appearance appearance;
};

class HistoryViewRender : public HistoryViewTest, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(HistoryViewRender, Renders)
{
    const RenderCase& c = GetParam();
    TempHistory h(scans(c.scans));
    const Localization l = Localization::forCode(c.language, QStringLiteral("en_US"));
    UiLanguage::Override language(l);
    HistoryView view(*h);
    const QString name = QStringLiteral("history-%1").arg(c.scans);
    const QString path = renderToPng(view, QSize(900, 640), c.language, c.appearance, name);
    EXPECT_FALSE(QImage(path).isNull());
}

INSTANTIATE_TEST_SUITE_P(Pictures, HistoryViewRender,
                         ::testing::Values(RenderCase{0, "en", Theme::Appearance::Light}, RenderCase{0, "ar", Theme::Appearance::Dark},
                                           RenderCase{1, "en", Theme::Appearance::Light}, RenderCase{1, "ar", Theme::Appearance::Dark},
                                           RenderCase{2, "en", Theme::Appearance::Light}, RenderCase{2, "en", Theme::Appearance::Dark},
                                           RenderCase{2, "ar", Theme::Appearance::Light}, RenderCase{2, "ar", Theme::Appearance::Dark},
                                           RenderCase{200, "en", Theme::Appearance::Light},
                                           RenderCase{200, "ar", Theme::Appearance::Dark}),
                         [](const auto& info) {
                             return std::to_string(info.param.scans) + "_" + info.param.language +
                                    (info.param.appearance == Theme::Appearance::Dark ? "_dark" : "_light");
                         });

}  // namespace
