// Picking scans on the history page: the rules of the selection, one table per rule.
#include "history/HistorySelection.h"

#include "HistoryViewSamples.h"

#include <gtest/gtest.h>

using namespace history_view_test;

namespace {
// Five fixed identifiers, A newest … E oldest where a history is involved.
QUuid id(int n) { return QUuid(QStringLiteral("{00000000-0000-0000-0000-00000000000%1}").arg(n)); }
const QUuid A = id(1), B = id(2), C = id(3), D = id(4), E = id(5);

struct ToggleCase {
    const char* name;
    QList<QUuid> start;
    QList<QUuid> clicks;
    QList<QUuid> expected;
};

class SelectionToggle : public ::testing::TestWithParam<ToggleCase> {};

TEST_P(SelectionToggle, FollowsTheClicks)
{
    const ToggleCase& c = GetParam();
    HistorySelection s(c.start);
    for (const QUuid& click : c.clicks) s.toggle(click);
    EXPECT_EQ(s.ids(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectionToggle,
    ::testing::Values(ToggleCase{"FirstPick", {}, {A}, {A}},
                      ToggleCase{"SecondPickKeepsOrder", {}, {C, A}, {C, A}},
                      // A third pick drops the one picked earliest, not the oldest scan.
                      ToggleCase{"ThirdPickDropsTheEarliestPick", {}, {B, E, A}, {E, A}},
                      ToggleCase{"ThirdPickDropsEarliestEvenWhenItIsNewest", {}, {A, E, C}, {E, C}},
                      ToggleCase{"UnpickSecond", {A, B}, {B}, {A}},
                      ToggleCase{"UnpickFirst", {A, B}, {A}, {B}},
                      ToggleCase{"UnpickThenPickAgainGoesLast", {A, B}, {A, A}, {B, A}},
                      ToggleCase{"UnpickOnlyOne", {C}, {C}, {}},
                      ToggleCase{"ManyPicksKeepTheLastTwo", {}, {A, B, C, D, E}, {D, E}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RepairCase {
    const char* name;
    QList<QUuid> start;
    QList<QUuid> history;  // newest first
    QList<QUuid> expected;
};

class SelectionRepair : public ::testing::TestWithParam<RepairCase> {};

TEST_P(SelectionRepair, KeepsAValidPairOrPicksTheTwoNewest)
{
    const RepairCase& c = GetParam();
    HistorySelection s(c.start);
    s.repair(c.history);
    EXPECT_EQ(s.ids(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectionRepair,
    ::testing::Values(RepairCase{"EmptyHistory", {A, B}, {}, {}},
                      RepairCase{"FirstShowPicksTheTwoNewest", {}, {A, B, C}, {A, B}},
                      RepairCase{"OneScanPicksIt", {}, {A}, {A}},
                      RepairCase{"ValidPairStaysInPickOrder", {C, B}, {A, B, C, D}, {C, B}},
                      // A deleted pick leaves one: the two newest replace it.
                      RepairCase{"DeletedPickRepairs", {C, B}, {A, C, D}, {A, C}},
                      RepairCase{"SinglePickIsReplaced", {D}, {A, B, C, D}, {A, B}},
                      RepairCase{"BothPicksGone", {D, E}, {A, B}, {A, B}},
                      // At the limit a new scan pushes the oldest out: the same count, another list.
                      RepairCase{"TrimAtTheCapDropsTheOldestPick", {A, E}, {id(6), A, B, C, D}, {id(6), A}},
                      RepairCase{"TrimAtTheCapKeepsAPairStillThere", {A, B}, {id(6), A, B, C, D}, {A, B}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PairCase {
    const char* name;
    // The history newest first: (identifier, seconds after a fixed moment).
    QList<std::pair<QUuid, int>> history;
    QList<QUuid> picks;
    std::optional<std::pair<QUuid, QUuid>> expected;  // (older, newer)
};

class SelectionPair : public ::testing::TestWithParam<PairCase> {};

TEST_P(SelectionPair, OrdersOldestFirst)
{
    const PairCase& c = GetParam();
    QList<ScanSnapshot> snapshots;
    for (const auto& [identifier, seconds] : c.history) {
        ScanSnapshot s = snapshot({}, utc(2026, 3, 1, 9, 0, 0).addSecs(seconds));
        s.id = identifier;
        snapshots << s;
    }
    const std::optional<HistorySelection::Pair> pair = HistorySelection(c.picks).pair(snapshots);
    ASSERT_EQ(pair.has_value(), c.expected.has_value());
    if (!pair) return;
    EXPECT_EQ(snapshots[pair->older].id, c.expected->first);
    EXPECT_EQ(snapshots[pair->newer].id, c.expected->second);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectionPair,
    ::testing::Values(PairCase{"OlderPickedFirst", {{A, 30}, {B, 20}, {C, 10}}, {C, A}, std::make_pair(C, A)},
                      PairCase{"NewerPickedFirstStillOldestFirst", {{A, 30}, {B, 20}, {C, 10}}, {A, C}, std::make_pair(C, A)},
                      // Whole-second dates from the file: the list (newest first) breaks the tie.
                      PairCase{"SameSecondNewerPickedFirst", {{A, 10}, {B, 10}}, {A, B}, std::make_pair(B, A)},
                      PairCase{"SameSecondOlderPickedFirst", {{A, 10}, {B, 10}}, {B, A}, std::make_pair(B, A)},
                      PairCase{"OnePick", {{A, 10}, {B, 0}}, {A}, std::nullopt},
                      PairCase{"NoPick", {{A, 10}}, {}, std::nullopt},
                      PairCase{"PickNotInHistory", {{A, 10}, {B, 0}}, {A, D}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
