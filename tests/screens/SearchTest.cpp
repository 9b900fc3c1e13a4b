// Search results: matching and grouping, the header for a status focus, literal queries,
// no matches, spaces only, and the buttons that navigate.
#include "screens/SearchResultsView.h"

#include "OverviewFixtures.h"
#include "app/AppRouter.h"
#include "screens/RowList.h"
#include "support/Input.h"
#include "ui/CapabilityRowView.h"
#include "ui/Card.h"
#include "ui/Tiles.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

using ScreenFixtures::item;
using S = CapabilityStatus;
using Kind = ScreenFixtures::Inspection::Kind;

namespace {
QList<CapabilitySection> sample()
{
    return {
        CapabilitySection::make("System", "info.circle",
                                {item("Model identifier", "Mac15,8", S::info), item("Thermal state", "Serious", S::warning)}),
        CapabilitySection::make("Graphics & Metal", "square.stack.3d.up",
                                {item("GPU", "Apple M3 Max", S::info), item("Metal 3", "Supported", S::supported),
                                 item("Hardware ray tracing", "Not supported", S::unsupported)}),
        CapabilitySection::make("Hardware Video Acceleration", "film",
                                {item("HEVC (H.265)", "Decode + encode", S::supported), item("AV1", "Software only", S::unsupported),
                                 item("HEVC with alpha", "Not supported", S::warning), item("Caf\u00e9", "hevc", S::info)}),
        CapabilitySection::make("Empty", "network", {}),
    };
}

// "section: label, label | section: label"
QString shape(const QList<SearchGroup>& groups)
{
    QStringList parts;
    for (const SearchGroup& g : groups) {
        QStringList labels;
        for (const CapabilityItem& i : g.items) labels << i.label;
        parts << g.section.title + ": " + labels.join(", ");
    }
    return parts.join(" | ");
}
}  // namespace

TEST(SearchResults, MatchingAndGrouping)
{
    struct Case {
        const char* name;
        QString query;
        std::optional<S> status;
        QString expected;
    };
    const Case cases[] = {
        {"lower case finds any case", "hevc", std::nullopt, "Hardware Video Acceleration: HEVC (H.265), HEVC with alpha, Caf\u00e9"},
        {"part of a section title lists the section", "graph", std::nullopt,
         "Graphics & Metal: GPU, Metal 3, Hardware ray tracing"},
        {"spaces and tabs around a word", " \t metal  ", std::nullopt, "Graphics & Metal: GPU, Metal 3, Hardware ray tracing"},
        {"a line break is not trimmed", "metal\n", std::nullopt, ""},
        {"value matches", "serious", std::nullopt, "System: Thermal state"},
        {"labels and values across sections", "supported", std::nullopt,
         "Graphics & Metal: Metal 3, Hardware ray tracing | Hardware Video Acceleration: HEVC with alpha"},
        {"status focus lists every item of it", "", S::warning, "System: Thermal state | Hardware Video Acceleration: HEVC with alpha"},
        {"status and query", "hevc", S::supported, "Hardware Video Acceleration: HEVC (H.265)"},
        {"status and a matching section title", "graphics", S::unsupported, "Graphics & Metal: Hardware ray tracing"},
        {"info status", "", S::info, "System: Model identifier | Graphics & Metal: GPU | Hardware Video Acceleration: Caf\u00e9"},
        {"no match", "bluetooth", std::nullopt, ""},
        {"canonically equivalent", "cafe\u0301", std::nullopt, "Hardware Video Acceleration: Caf\u00e9"},
        {"only letter case is ignored", "cafe", std::nullopt, ""},
        {"placeholder-looking query", "%1", std::nullopt, ""},
        {"empty query, no status: everything", "", std::nullopt,
         "System: Model identifier, Thermal state | Graphics & Metal: GPU, Metal 3, Hardware ray tracing | "
         "Hardware Video Acceleration: HEVC (H.265), AV1, HEVC with alpha, Caf\u00e9"},
        {"spaces only: everything", "   ", std::nullopt,
         "System: Model identifier, Thermal state | Graphics & Metal: GPU, Metal 3, Hardware ray tracing | "
         "Hardware Video Acceleration: HEVC (H.265), AV1, HEVC with alpha, Caf\u00e9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shape(SearchResults::groups(sample(), c.query, c.status)), c.expected);
    }
    EXPECT_TRUE(SearchResults::groups({}, "x", std::nullopt).isEmpty());
    EXPECT_EQ(SearchResults::term(" \tword \t"), "word");
    EXPECT_EQ(SearchResults::term("\nword\n"), "\nword\n");
}

TEST(SearchResults, TextsAndSymbols)
{
    EXPECT_EQ(SearchResults::title(std::nullopt), "Search Results");
    EXPECT_EQ(SearchResults::title(S::info), "Search Results");
    EXPECT_EQ(SearchResults::title(S::warning), "Warnings");
    EXPECT_EQ(SearchResults::title(S::supported), "Supported");
    EXPECT_EQ(SearchResults::title(S::unsupported), "Not supported");
    EXPECT_EQ(SearchResults::symbol(std::nullopt), "magnifyingglass");
    EXPECT_EQ(SearchResults::symbol(S::warning), "exclamationmark.triangle.fill");
    EXPECT_EQ(SearchResults::symbol(S::info), "circle.fill");
    EXPECT_EQ(SearchResults::resultsText(3), "3 results");
    EXPECT_EQ(SearchResults::emptyTitle(""), "Nothing to show");
    // The query is filled in once: placeholders in it stay as typed, spaces too.
    EXPECT_EQ(SearchResults::emptyTitle("%1"), QString::fromUtf8("No results for “%1”"));
    EXPECT_EQ(SearchResults::emptyTitle("%@ %lld"), QString::fromUtf8("No results for “%@ %lld”"));
    EXPECT_EQ(SearchResults::emptyTitle(" zz "), QString::fromUtf8("No results for “ zz ”"));
}

TEST(SearchResultsView, KeystrokesUpdateThePageInPlace)
{
    ScreenFixtures::Inspection inspection(Kind::richLaptop);
    AppRouter router;
    SearchResultsView view(inspection.model(), router, QStringLiteral("h"), std::nullopt);
    view.resize(900, 800);
    view.show();
    QApplication::processEvents();
    ScreenHeader* header = view.header();
    EXPECT_FALSE(view.backButton()->isVisible());
    EXPECT_EQ(header->findChild<QLabel*>("title")->text(), "Search Results");

    view.setQuery(QStringLiteral("hevc"));
    EXPECT_EQ(view.header(), header);
    ASSERT_EQ(view.visibleBlocks().size(), 1);
    SearchGroupBlock* block = view.visibleBlocks().first();
    EXPECT_EQ(block->section().symbol, "film");
    EXPECT_EQ(block->rows()->rowCount(), view.resultCount());
    EXPECT_EQ(header->findChild<QLabel*>("subtitle")->text(), SearchResults::resultsText(view.resultCount()));
    EXPECT_FALSE(view.emptyCard()->isVisible());

    // A query that matches nothing, with a placeholder in it.
    view.setQuery(QStringLiteral("%1 zz"));
    EXPECT_TRUE(view.visibleBlocks().isEmpty());
    EXPECT_TRUE(view.emptyCard()->isVisible());
    EXPECT_EQ(view.emptyState()->findChild<QLabel*>("title")->text(), QString::fromUtf8("No results for “%1 zz”"));
    EXPECT_EQ(view.emptyState()->findChild<QLabel*>("message")->text(), "Try a different word, such as a codec, a chip or a feature.");
    EXPECT_EQ(header->findChild<QLabel*>("subtitle")->text(), "0 results");

    // Spaces only: no term, so every item.
    view.setQuery(QStringLiteral("   "));
    qint64 all = 0;
    for (const CapabilitySection& s : inspection.model().sections()) all += s.items.size();
    EXPECT_EQ(view.resultCount(), all);
    EXPECT_FALSE(view.emptyCard()->isVisible());

    // Back to the first query: the same block and rows come back.
    view.setQuery(QStringLiteral("hevc"));
    EXPECT_EQ(view.visibleBlocks().value(0), block);

    // A group's button drops a status focus and opens the section.
    router.setStatusFocus(S::supported);
    click(block->button());
    EXPECT_EQ(router.statusFocus(), std::nullopt);
    EXPECT_EQ(router.selection(), SidebarItem::section("film"));
}

TEST(SearchResultsView, StatusFocusWithItsWayBack)
{
    ScreenFixtures::Inspection inspection(Kind::richLaptop);
    AppRouter router;
    router.setSelection(SidebarItem::section("cpu"));
    router.setStatusFocus(S::warning);
    SearchResultsView view(inspection.model(), router, QString(), S::warning);
    view.resize(900, 800);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(view.header()->findChild<QLabel*>("title")->text(), "Warnings");
    const qint64 warnings = inspection.model().count(S::warning);
    EXPECT_EQ(view.resultCount(), warnings);
    for (SearchGroupBlock* b : view.visibleBlocks())
        for (int i = 0; i < b->rows()->rowCount(); ++i) EXPECT_EQ(b->rows()->row(i)->item().status, S::warning);
    ASSERT_TRUE(view.backButton()->isVisible());
    EXPECT_EQ(view.backButton()->text(), "Overview");
    click(view.backButton());
    EXPECT_EQ(router.statusFocus(), std::nullopt);
    EXPECT_EQ(router.selection(), SidebarItem::section("cpu"));  // nothing else changes

    // A status with none of its items: "Nothing to show".
    SearchResultsView none(inspection.model(), router, QString(), S::info);
    none.setQuery(QStringLiteral("no such thing anywhere"));
    EXPECT_TRUE(none.emptyCard()->isVisibleTo(&none));
    none.setQuery(QString());
    EXPECT_FALSE(none.emptyCard()->isVisibleTo(&none));
}

TEST(SearchResultsView, TheQueryIsShownAsPlainTextAndTextsFollowTheLanguage)
{
    ScreenFixtures::Inspection inspection(Kind::richLaptop);
    AppRouter router;
    SearchResultsView view(inspection.model(), router, QStringLiteral("<b>zz</b>"), S::warning);
    QLabel* title = view.emptyState()->findChild<QLabel*>("title");
    EXPECT_EQ(title->textFormat(), Qt::PlainText);
    EXPECT_EQ(title->text(), QString::fromUtf8("No results for “<b>zz</b>”"));

    static const StringTable table = StringTable::fromJson(QString::fromUtf8(R"({
        "Overview": "Übersicht", "Warnings": "Warnungen", "%lld results": "%lld Ergebnisse",
        "No results for “%@”": "Keine Ergebnisse für „%@“"
    })").toUtf8());
    UiLanguage::Override german(Localization{QStringLiteral("de"), &table, QStringLiteral("de_DE")});
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&view, &change);
    EXPECT_EQ(view.backButton()->text(), QString::fromUtf8("Übersicht"));
    EXPECT_EQ(view.header()->findChild<QLabel*>("title")->text(), "Warnungen");
    EXPECT_EQ(view.header()->findChild<QLabel*>("subtitle")->text(), "0 Ergebnisse");
    EXPECT_EQ(view.emptyState()->findChild<QLabel*>("title")->text(), QString::fromUtf8("Keine Ergebnisse für „<b>zz</b>“"));
}

TEST(SearchResultsView, ANewInspectionKeepsTheQuery)
{
    ScreenFixtures::Inspection inspection(Kind::richLaptop);
    AppRouter router;
    SearchResultsView view(inspection.model(), router, QStringLiteral("metal"), std::nullopt);
    const qint64 before = view.resultCount();
    ASSERT_GT(before, 0);
    const QList<SearchGroupBlock*> blocks = view.visibleBlocks();
    inspection.model().refresh();
    EXPECT_EQ(view.resultCount(), before);
    EXPECT_EQ(view.visibleBlocks(), blocks);
    EXPECT_EQ(view.groups().first().section.id, blocks.first()->section().id);
}

TEST(SearchResults, TrimsEveryHorizontalSpaceAsTheWindowDoes)
{
    const struct {
        QString query;
        QString term;
    } cases[] = {
        {QString::fromUtf8("hevc\u3000"), "hevc"},  // left by an input method
        {QString::fromUtf8("\u00a0hevc\u00a0"), "hevc"},
        {QString::fromUtf8("\u2009\u202fhevc\t"), "hevc"},
        {QString::fromUtf8("\nhevc\u3000"), "\nhevc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SearchResults::term(c.query), c.term) << c.query.toStdString();
        EXPECT_EQ(shape(SearchResults::groups(sample(), c.query, std::nullopt)).isEmpty(), c.term.startsWith('\n'))
            << c.query.toStdString();
    }
}

TEST(SearchResults, LetterCaseFollowsTheInterfaceLanguage)
{
    const QList<CapabilitySection> sections{CapabilitySection::make(
        "Sistem", "info.circle",
        {item(QString::fromUtf8("İşlemci"), "Intel", S::info), item(QString::fromUtf8("Bellek"), QString::fromUtf8("DISK ışığı"), S::info)})};
    const QLocale turkish(QStringLiteral("tr-TR"));
    EXPECT_EQ(shape(SearchResults::groups(sections, QString::fromUtf8("işlem"), std::nullopt, turkish)),
              QString::fromUtf8("Sistem: İşlemci"));
    EXPECT_EQ(shape(SearchResults::groups(sections, QString::fromUtf8("İŞLEM"), std::nullopt, turkish)),
              QString::fromUtf8("Sistem: İşlemci"));
    EXPECT_EQ(shape(SearchResults::groups(sections, QString::fromUtf8("IŞIĞI"), std::nullopt, turkish)),
              QString::fromUtf8("Sistem: Bellek"));
    // In Turkish the dotless I is not the dotted one's capital.
    EXPECT_TRUE(SearchResults::groups(sections, QString::fromUtf8("dısk"), std::nullopt, turkish).size() == 1);
    EXPECT_TRUE(SearchResults::groups(sections, QString::fromUtf8("disk"), std::nullopt, turkish).isEmpty());
    // English folds as before.
    EXPECT_EQ(SearchResults::groups(sections, QString::fromUtf8("disk"), std::nullopt, QLocale(QStringLiteral("en-US"))).size(), 1);
}
