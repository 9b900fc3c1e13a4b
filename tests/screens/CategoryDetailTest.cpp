// The category page: its filter, subtitle, rows and dividers, the empty state, and how it
// follows new inspections and other sections.
#include "screens/CategoryDetailView.h"

#include "OverviewFixtures.h"
#include "app/AppRouter.h"
#include "screens/RowList.h"
#include "screens/SegmentedControl.h"
#include "support/Input.h"
#include "ui/CapabilityRowView.h"
#include "ui/Card.h"
#include "ui/Tiles.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

using Kind = ScreenFixtures::Inspection::Kind;
using S = CapabilityStatus;

namespace {
const CapabilitySection& sectionOf(Quorlent& model, const QString& symbol)
{
    for (const CapabilitySection& s : model.sections())
        if (s.symbol == symbol) return s;
    static const CapabilitySection none;
    return none;
}

int countOf(const CapabilitySection& s, S status)
{
    int n = 0;
    for (const CapabilityItem& i : s.items) n += i.status == status;
    return n;
}
}  // namespace

TEST(StatusFilter, RawValuesTitlesAndAdmission)
{
    EXPECT_EQ(StatusFilters::all(), (QList<StatusFilter>{StatusFilter::all, StatusFilter::supported, StatusFilter::warning, StatusFilter::unsupported}));
    const std::pair<const char*, std::optional<StatusFilter>> raws[] = {
        {"all", StatusFilter::all}, {"supported", StatusFilter::supported}, {"warning", StatusFilter::warning},
        {"unsupported", StatusFilter::unsupported}, {"All", std::nullopt}, {"", std::nullopt}, {"info", std::nullopt}};
    for (const auto& [raw, filter] : raws) EXPECT_EQ(StatusFilters::fromRawValue(QString::fromLatin1(raw)), filter) << raw;
    for (StatusFilter f : StatusFilters::all()) EXPECT_EQ(StatusFilters::fromRawValue(StatusFilters::rawValue(f)), f);
    EXPECT_EQ(StatusFilters::title(StatusFilter::all), "All");
    EXPECT_EQ(StatusFilters::title(StatusFilter::warning), "Warnings");
    EXPECT_EQ(StatusFilters::title(StatusFilter::unsupported), "Not supported");
    for (StatusFilter f : StatusFilters::all()) EXPECT_EQ(StatusFilters::admits(f, S::info), f == StatusFilter::all);
    EXPECT_TRUE(StatusFilters::admits(StatusFilter::warning, S::warning));
    EXPECT_FALSE(StatusFilters::admits(StatusFilter::warning, S::unsupported));
}

TEST(CategoryDetail, FilterSubtitleAndRows)
{
    Theme::setReduceMotion(true);
    ScreenFixtures::Inspection inspection(Kind::richLaptop);
    Quorlent& model = inspection.model();
    AppRouter router;
    const QString symbol = QStringLiteral("film");
    CategoryDetailView view(model, router, symbol);
    view.resize(900, 800);
    view.show();
    QApplication::processEvents();
    const CapabilitySection section = sectionOf(model, symbol);  // a copy: a refresh replaces the sections
    ASSERT_FALSE(section.items.isEmpty());
    EXPECT_EQ(view.header()->findChild<QLabel*>("title")->text(), section.title);
    EXPECT_EQ(view.subtitle(), QStringLiteral("%1 supported · %2 warnings · %3 not supported")
                                   .arg(countOf(section, S::supported)).arg(countOf(section, S::warning)).arg(countOf(section, S::unsupported)));
    EXPECT_EQ(view.filter(), StatusFilter::all);
    EXPECT_EQ(view.rowList()->rowCount(), section.items.size());
    EXPECT_EQ(view.rowList()->dividerCount(), section.items.size() - 1);
    EXPECT_EQ(view.filterControl()->titles(), (QStringList{"All", "Supported", "Warnings", "Not supported"}));
    EXPECT_LE(view.filterControl()->width(), CategoryDetailView::kFilterMaxWidth);

    // Clicking the "Not supported" segment.
    click(view.filterControl(), view.filterControl()->segmentRect(3).center());
    EXPECT_EQ(view.filter(), StatusFilter::unsupported);
    const int unsupported = countOf(section, S::unsupported);
    ASSERT_GT(unsupported, 0);
    EXPECT_EQ(view.rowList()->rowCount(), unsupported);
    for (int i = 0; i < view.rowList()->rowCount(); ++i) EXPECT_EQ(view.rowList()->row(i)->item().status, S::unsupported);
    EXPECT_TRUE(view.listCard()->isVisible());
    EXPECT_FALSE(view.emptyCard()->isVisible());

    // A refresh keeps the filter and shows the new inspection's rows.
    model.refresh();
    QApplication::processEvents();
    EXPECT_EQ(view.filter(), StatusFilter::unsupported);
    EXPECT_EQ(view.section()->id, sectionOf(model, symbol).id);
    EXPECT_EQ(view.rowList()->rowCount(), unsupported);

    // No warnings in this section: the empty state.
    view.setFilter(StatusFilter::warning);
    ASSERT_EQ(countOf(section, S::warning), 0);
    EXPECT_FALSE(view.listCard()->isVisible());
    EXPECT_TRUE(view.emptyCard()->isVisible());
    auto* empty = view.emptyCard()->findChild<EmptyStateView*>();
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->findChild<QLabel*>("title")->text(), "No items match this filter");
    EXPECT_EQ(empty->findChild<QLabel*>("message"), nullptr);

    // Another section: the filter starts again at "All".
    router.setSelection(SidebarItem::section(QStringLiteral("lock.shield")));
    EXPECT_EQ(view.symbol(), "lock.shield");
    EXPECT_EQ(view.filter(), StatusFilter::all);
    EXPECT_EQ(view.filterControl()->currentIndex(), 0);
    EXPECT_EQ(view.rowList()->rowCount(), sectionOf(model, "lock.shield").items.size());
    Theme::setReduceMotion(std::nullopt);
}

TEST(CategoryDetail, InfoItemsOnlyUnderAll)
{
    ScreenFixtures::Inspection inspection(Kind::richLaptop);
    AppRouter router;
    // The system section of the fake machine: mostly details.
    CategoryDetailView view(inspection.model(), router, QStringLiteral("info.circle"));
    const CapabilitySection& section = sectionOf(inspection.model(), "info.circle");
    ASSERT_GT(countOf(section, S::info), 0);
    for (StatusFilter f : StatusFilters::all()) {
        view.setFilter(f);
        for (const CapabilityItem& i : view.items()) EXPECT_TRUE(f == StatusFilter::all || i.status != S::info);
    }
    view.setFilter(StatusFilter::all);
    EXPECT_EQ(view.items().size(), section.items.size());
}

TEST(CategoryDetail, TextsFollowTheLanguage)
{
    ScreenFixtures::Inspection inspection(Kind::richLaptop);
    AppRouter router;
    CategoryDetailView view(inspection.model(), router, QStringLiteral("film"));
    static const StringTable table = StringTable::fromJson(QString::fromUtf8(R"({
        "All": "Alle", "Supported": "Unterstützt", "Warnings": "Warnungen", "Not supported": "Nicht unterstützt",
        "Show": "Anzeigen", "%lld supported": "%lld unterstützt", "%lld warnings": "%lld mit Warnung", "%lld not supported": "%lld nicht unterstützt"
    })").toUtf8());
    UiLanguage::Override german(Localization{QStringLiteral("de"), &table, QStringLiteral("de_DE")});
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&view, &change);
    EXPECT_EQ(view.filterControl()->titles(), (QStringList{"Alle", QString::fromUtf8("Unterstützt"), "Warnungen", QString::fromUtf8("Nicht unterstützt")}));
    EXPECT_EQ(view.filterControl()->accessibleName(), "Anzeigen");
    EXPECT_TRUE(view.header()->findChild<QLabel*>("subtitle")->text().endsWith(QString::fromUtf8("nicht unterstützt")));
}

TEST(RowList, DividersAndKeptRows)
{
    using ScreenFixtures::item;
    RowList list;
    list.setItems({item("a", "1", S::supported)});
    EXPECT_EQ(list.dividerCount(), 0);
    const QList<CapabilityItem> three{item("a", "1", S::supported), item("b", "2", S::warning), item("c", "3", S::info)};
    list.setItems(three);
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.dividerCount(), 2);
    CapabilityRowView* b = list.row(1);
    // A newer inspection with the same contents (new identifiers) keeps the rows.
    list.setItems({item("a", "1", S::supported), item("b", "2", S::warning), item("c", "changed", S::info)});
    EXPECT_EQ(list.row(1), b);
    EXPECT_EQ(list.row(2)->item().value, "changed");
    // Narrowed and widened again: the hidden row comes back.
    list.setItems({three[0]});
    list.setItems(three.mid(0, 2));
    EXPECT_EQ(list.row(1), b);
    list.dropHidden();
    EXPECT_EQ(list.findChildren<CapabilityRowView*>().size(), 2);
}
