#include "app/AppRouter.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(AppRouter, StartsAtTheOverviewWithNothingElseAsked)
{
    AppRouter router;
    ASSERT_TRUE(router.selection().has_value());
    EXPECT_EQ(*router.selection(), SidebarItem::overview());
    EXPECT_FALSE(router.showOnboarding());
    EXPECT_FALSE(router.statusFocus().has_value());
}

TEST(AppRouter, AnnouncesEveryAssignmentEvenOfTheSameValue)
{
    AppRouter router;
    QSignalSpy spy(&router, &AppRouter::selectionChanged);
    router.setSelection(SidebarItem::overview());
    router.setSelection(SidebarItem::overview());
    EXPECT_EQ(spy.count(), 2);
}

TEST(SidebarItem, EqualityAndHashFollowKindAndPayload)
{
    EXPECT_EQ(SidebarItem::section("cpu"), SidebarItem::section("cpu"));
    EXPECT_NE(SidebarItem::section("cpu"), SidebarItem::section("CPU"));
    EXPECT_NE(SidebarItem::pro(ProFeature::reports), SidebarItem::section("reports"));
    EXPECT_EQ(SidebarItem::overview(), SidebarItem::overview());
    EXPECT_NE(SidebarItem::overview(), SidebarItem::section(""));
    EXPECT_EQ(qHash(SidebarItem::section("cpu")), qHash(SidebarItem::section("cpu")));
    EXPECT_EQ(qHash(SidebarItem::pro(ProFeature::history)), qHash(SidebarItem::pro(ProFeature::history)));
}

TEST(ProFeature, RawValuesAreExactAndInSidebarOrder)
{
    EXPECT_EQ(ProFeatures::all(), (QList<ProFeature>{ProFeature::reports, ProFeature::liveMonitor, ProFeature::batteryHealth,
                                                     ProFeature::history}));
    EXPECT_EQ(ProFeatures::fromRawValue("liveMonitor"), ProFeature::liveMonitor);
    EXPECT_FALSE(ProFeatures::fromRawValue("LiveMonitor").has_value());
    EXPECT_FALSE(ProFeatures::fromRawValue("").has_value());
    for (ProFeature f : ProFeatures::all()) EXPECT_EQ(ProFeatures::fromRawValue(ProFeatures::rawValue(f)), f);
}
