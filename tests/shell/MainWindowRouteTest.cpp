#include "shell/MainWindowRoute.h"

#include <gtest/gtest.h>

namespace {
QList<CapabilitySection> sections()
{
    return {CapabilitySection::make("System", "info.circle"), CapabilitySection::make("Processor & Memory", "cpu"),
            CapabilitySection::make("Second processor list", "cpu")};
}

struct RouteCase {
    const char* name;
    bool inspected;
    QString search;
    std::optional<CapabilityStatus> focus;
    std::optional<SidebarItem> selection;
    DetailRoute expected;
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

class DetailPaneRoute : public ::testing::TestWithParam<RouteCase> {};
}  // namespace

TEST_P(DetailPaneRoute, FollowsTheOrderOfPrecedence)
{
    const RouteCase& c = GetParam();
    const DetailRoute route = MainWindowRoute::decide(c.inspected, c.search, c.focus, c.selection, sections());
    EXPECT_EQ(int(route.kind), int(c.expected.kind));
    EXPECT_EQ(route.query, c.expected.query);
    EXPECT_EQ(route.status, c.expected.status);
    EXPECT_EQ(route.symbol, c.expected.symbol);
    EXPECT_TRUE(route == c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DetailPaneRoute,
    ::testing::Values(
        // Nothing inspected yet: only the progress message, whatever else is set.
        RouteCase{"loading_beats_search", false, "cpu", CapabilityStatus::warning, SidebarItem::pro(ProFeature::history),
                  DetailRoute::loading()},
        RouteCase{"loading_plain", false, "", std::nullopt, SidebarItem::overview(), DetailRoute::loading()},
        // Three spaces are no search: the selection decides.
        RouteCase{"blank_search_is_no_search", true, "   ", std::nullopt, SidebarItem::section("cpu"),
                  DetailRoute::category("cpu")},
        RouteCase{"blank_search_with_focus", true, "   ", CapabilityStatus::warning, SidebarItem::overview(),
                  DetailRoute::statusList(CapabilityStatus::warning)},
        RouteCase{"tabs_and_wide_spaces_are_blank", true, QString::fromUtf8("\t\u2003\u00a0\u3000"), std::nullopt,
                  SidebarItem::overview(), DetailRoute::overview()},
        // The query goes on as typed, spaces included, and beats a status focus.
        RouteCase{"padded_word_searches", true, "  cpu  ", std::nullopt, SidebarItem::overview(), DetailRoute::search("  cpu  ")},
        RouteCase{"search_beats_focus", true, "  cpu  ", CapabilityStatus::unsupported, SidebarItem::pro(ProFeature::reports),
                  DetailRoute::search("  cpu  ")},
        // Line breaks are not horizontal space.
        RouteCase{"line_break_is_text", true, "\n", std::nullopt, SidebarItem::overview(), DetailRoute::search("\n")},
        RouteCase{"focus_without_search", true, "", CapabilityStatus::supported, SidebarItem::pro(ProFeature::history),
                  DetailRoute::statusList(CapabilityStatus::supported)},
        RouteCase{"no_selection", true, "", std::nullopt, std::nullopt, DetailRoute::overview()},
        RouteCase{"overview", true, "", std::nullopt, SidebarItem::overview(), DetailRoute::overview()},
        RouteCase{"unknown_symbol_falls_back", true, "", std::nullopt, SidebarItem::section("memorychip"), DetailRoute::overview()},
        RouteCase{"symbol_case_matters", true, "", std::nullopt, SidebarItem::section("CPU"), DetailRoute::overview()},
        RouteCase{"section", true, "", std::nullopt, SidebarItem::section("info.circle"), DetailRoute::category("info.circle")},
        RouteCase{"tool", true, "", std::nullopt, SidebarItem::pro(ProFeature::batteryHealth),
                  DetailRoute::tool(ProFeature::batteryHealth)}),
    [](const ::testing::TestParamInfo<RouteCase>& info) { return std::string(info.param.name); });

TEST(DetailPaneRoute, TrimsHorizontalSpaceOnly)
{
    const struct {
        QString in, out;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"\tcpu\t", "cpu"},
        {QString::fromUtf8("\u00a0\u2009cpu\u202f\u3000"), "cpu"},
        {"  two words  ", "two words"},
        {"\ncpu\n", "\ncpu\n"},
        {" \r\n ", "\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(MainWindowRoute::trimHorizontalSpace(c.in), c.out) << c.in.toStdString();
}

TEST(DetailPaneRoute, SearchPagesAreOnePageWhileTheQueryChanges)
{
    EXPECT_TRUE(DetailRoute::search("c").samePage(DetailRoute::search("cp")));
    EXPECT_FALSE(DetailRoute::search("c").samePage(DetailRoute::statusList(CapabilityStatus::info)));
    EXPECT_FALSE(DetailRoute::tool(ProFeature::history).samePage(DetailRoute::tool(ProFeature::reports)));
    EXPECT_TRUE(DetailRoute::category("cpu").samePage(DetailRoute::category("cpu")));
    EXPECT_FALSE(DetailRoute::category("cpu").samePage(DetailRoute::category("display")));
}
