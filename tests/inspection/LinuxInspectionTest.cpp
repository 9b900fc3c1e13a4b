// Whole inspections over the Linux readers on fixture trees: a damaged or empty
// /proc and /sys give the fallback texts, never a crash.
#include "inspection/DeviceProbe.h"
#include "platform/linux/LinuxPlatform.h"

#include <gtest/gtest.h>

namespace {
struct TreeMachine {
    explicit TreeMachine(const char* tree) : linux_(QStringLiteral(QRL_FIXTURES_DIR "/") + tree, QStringLiteral("/")) {}
    const Platform& platform() const { return linux_.platform(); }

private:
    LinuxPlatform linux_;
};

QString valueOf(const QList<CapabilitySection>& sections, const char* key)
{
    for (const CapabilityItem& i : sections.first().items)
        if (i.key == QString::fromLatin1(key)) return i.value;
    return QStringLiteral("<none>");
}
}  // namespace

TEST(LinuxInspection, DamagedAndEmptyTreesGiveFallbacks)
{
    const Localization L = Localization::english();
    for (const char* tree : {"garbage", "vm", "does-not-exist"}) {
        SCOPED_TRACE(tree);
        const TreeMachine m(tree);
        const Platform& p = m.platform();
        const ProbeContext ctx{p, L};
        const DeviceSummary s = DeviceProbe::summary(ctx);
        EXPECT_EQ(s.modelIdentifier, kMissingValue);
        EXPECT_FALSE(s.isAppleSilicon);
        const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
        ASSERT_EQ(sections.size(), 11);
        EXPECT_EQ(valueOf(sections, "modelIdentifier"), kMissingValue);
        EXPECT_EQ(valueOf(sections, "thermalState"), "Unknown");
        EXPECT_EQ(valueOf(sections, "os"), "Linux");
    }
    const TreeMachine garbage("garbage");
    const Platform& p = garbage.platform();
    const ProbeContext ctx{p, L};
    EXPECT_EQ(DeviceProbe::summary(ctx).deviceName, "Mac");  // an empty host name is no name
    EXPECT_EQ(DeviceProbe::summary(ctx).memory, kMissingValue);  // unreadable, not "Zero KB"
    EXPECT_EQ(valueOf(DeviceProbe::sections(ctx, std::nullopt), "deviceName"), kMissingValue);
    // A battery whose capacity is garbage still counts as a battery, at level 0.
    EXPECT_TRUE(DeviceProbe::summary(ctx).hasBattery);
    EXPECT_EQ(DeviceProbe::batteryInfo(ctx)->level, 0.0);
}

TEST(LinuxInspection, LaptopTree)
{
    const Localization L = Localization::english();
    const TreeMachine m("laptop");
    const Platform& p = m.platform();
    const ProbeContext ctx{p, L};
    const DeviceSummary s = DeviceProbe::summary(ctx);
    EXPECT_EQ(s.deviceName, QString::fromUtf8("Ada’s ThinkPad"));
    EXPECT_EQ(s.modelIdentifier, "21AHCTO1WW");
    EXPECT_EQ(s.chip, "12th Gen Intel(R) Core(TM) i7-1260P");
    EXPECT_EQ(s.osVersion, "Debian GNU/Linux 12 (6.1.0-18-amd64)");
    EXPECT_TRUE(s.hasBattery);
    const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
    EXPECT_EQ(valueOf(sections, "architecture"), "Intel (x86_64)");
    EXPECT_EQ(valueOf(sections, "thermalState"), "Normal");
    const auto battery = DeviceProbe::batteryInfo(ctx);
    ASSERT_TRUE(battery);
    EXPECT_DOUBLE_EQ(battery->level, 0.76);
    EXPECT_EQ(battery->cycleCount, 412);
    EXPECT_FALSE(battery->health);  // the driver's "Good" is passed on only as a fault would be
}

TEST(LinuxInspection, HybridLaptopTreeThroughEveryReader)
{
    const Localization L = Localization::english();
    const TreeMachine m("sa-intel-laptop");
    const ProbeContext ctx{m.platform(), L};
    const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
    ASSERT_EQ(sections.size(), 11);
    // 88 °C is within 10 °C of the package's 95 °C throttling point: warm, not yet hot.
    EXPECT_EQ(valueOf(sections, "thermalState"), "Warm");
    auto item = [&](const char* section, const char* key) {
        for (const CapabilitySection& s : sections)
            if (s.key == QString::fromLatin1(section))
                for (const CapabilityItem& i : s.items)
                    if (i.key == QString::fromLatin1(key)) return i;
        ADD_FAILURE() << section << "." << key;
        return CapabilityItem{};
    };
    EXPECT_EQ(item("power", "lowPowerMode").value, "On");  // platform_profile low-power
    EXPECT_EQ(item("power", "lowPowerMode").status, CapabilityStatus::warning);
    EXPECT_TRUE(DeviceProbe::summary(ctx).hasBattery);
    EXPECT_FALSE(item("processor", "performanceCores").value.isEmpty());
}
