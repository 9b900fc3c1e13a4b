#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

using S = CapabilityStatus;

CapabilitySection build(const std::optional<VolumeCapacity>& volume)
{
    FakeMachine m;
    m.system.volume = volume;
    const Platform p = m.platform();
    const Localization L = Localization::english();
    return DeviceProbe::storageSection(ProbeContext{p, L});
}

struct FreeCase {
    const char* name;
    qint64 total;
    std::optional<qint64> available;
    const char* value;
    S status;
};

class StorageFreeSpace : public testing::TestWithParam<FreeCase> {};

TEST_P(StorageFreeSpace, ValueAndRating)
{
    const FreeCase& c = GetParam();
    const CapabilitySection s = build(VolumeCapacity{QStringLiteral("Data"), c.total, c.available});
    ASSERT_EQ(s.items.size(), 3);
    const CapabilityItem& free = s.items[2];
    EXPECT_EQ(free.key, "availableSpace");
    EXPECT_EQ(free.label, "Available space");
    EXPECT_EQ(free.value, QString::fromUtf8(c.value));
    EXPECT_EQ(free.status, c.status);
    EXPECT_TRUE(free.isVolatile);
}

INSTANTIATE_TEST_SUITE_P(
    Fractions, StorageFreeSpace,
    testing::Values(
        FreeCase{"ExactlyATenthIsSupported", 1000000000000, 100000000000, "100 GB (10%)", S::supported},
        // Rounds to 10 % but is below a tenth.
        FreeCase{"JustBelowATenthWarns", 1000000000000, 99600000000, "99.6 GB (10%)", S::warning},
        FreeCase{"PlentyFree", 500000000000, 250000000000, "250 GB (50%)", S::supported},
        FreeCase{"NothingFreeWarns", 500000000000, 0, "Zero KB (0%)", S::warning},
        FreeCase{"TotalOfZeroGivesZeroPercent", 0, 0, "Zero KB (0%)", S::warning},
        // More free than total is damage: never above 100 %.
        FreeCase{"FreeAboveTotalIsCapped", 1000, 5000, "5 KB (100%)", S::supported},
        // No free-space figure is no reading: shown missing, not as an alarming 0 %.
        FreeCase{"MissingFreeSpaceIsMissing", 500000000000, std::nullopt, "\u2014", S::info}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StorageSection, ThreeRowsInOrderWithOnlyFreeSpaceVolatile)
{
    const CapabilitySection s = build(VolumeCapacity{QStringLiteral("Macintosh HD"), 494384795648, 120000000000});
    EXPECT_EQ(s.title, "Storage");
    EXPECT_EQ(s.symbol, "internaldrive");
    ASSERT_EQ(s.items.size(), 3);
    EXPECT_EQ(s.items[0].key, "disk");
    EXPECT_EQ(s.items[0].label, "Disk");
    EXPECT_EQ(s.items[0].value, "Macintosh HD");
    EXPECT_EQ(s.items[0].status, S::info);
    EXPECT_FALSE(s.items[0].isVolatile);
    EXPECT_EQ(s.items[1].key, "totalCapacity");
    EXPECT_EQ(s.items[1].value, "494.38 GB");
    EXPECT_EQ(s.items[1].status, S::info);
    EXPECT_FALSE(s.items[1].isVolatile);
    EXPECT_EQ(s.items[2].value, "120 GB (24%)");
}

TEST(StorageSection, VolumeWithoutNameShowsTheMissingText)
{
    for (const std::optional<QString>& name : {std::optional<QString>(), std::optional<QString>(QString())}) {
        const CapabilitySection s = build(VolumeCapacity{name, 1000000000, 500000000});
        ASSERT_EQ(s.items.size(), 3);
        EXPECT_EQ(s.items[0].value, kMissingValue);
        EXPECT_EQ(s.items[0].status, S::info);
    }
}

TEST(StorageSection, UnreadableVolumeGivesOneWarning)
{
    // The volume cannot be asked at all, or gives no total.
    for (const std::optional<VolumeCapacity>& v :
         {std::optional<VolumeCapacity>(), std::optional<VolumeCapacity>(VolumeCapacity{QStringLiteral("Data"), {}, 5})}) {
        const CapabilitySection s = build(v);
        ASSERT_EQ(s.items.size(), 1);
        EXPECT_EQ(s.items[0].key, "disk");
        EXPECT_EQ(s.items[0].value, "Unable to read");
        EXPECT_EQ(s.items[0].status, S::warning);
        EXPECT_FALSE(s.items[0].isVolatile);
    }
}

TEST(StorageSection, ThisMachinesHomeVolumeReads)
{
    const Localization L = Localization::english();
    const CapabilitySection s = DeviceProbe::storageSection(ProbeContext{Platform::host(), L});
    ASSERT_EQ(s.items.size(), 3) << "the home directory's volume should be readable";
    EXPECT_NE(s.items[1].value, "Zero KB");
    EXPECT_TRUE(s.items[2].value.endsWith("%)")) << s.items[2].value.toStdString();
}

}  // namespace
