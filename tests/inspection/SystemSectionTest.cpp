#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {
CapabilitySection systemOf(const FakeMachine& m, const Localization& L = Localization::english())
{
    const Platform p = m.platform();
    return DeviceProbe::systemSection({p, L});
}

CapabilityItem item(const CapabilitySection& s, const char* key)
{
    for (const CapabilityItem& i : s.items)
        if (i.key == QString::fromLatin1(key)) return i;
    ADD_FAILURE() << "no item " << key;
    return {};
}
}  // namespace

TEST(SystemSection, SixItemsInOrderWithKeysAndVolatility)
{
    const CapabilitySection s = systemOf(FakeMachine::appleSilicon());
    EXPECT_EQ(s.title, "System");
    EXPECT_EQ(s.symbol, "info.circle");
    EXPECT_FALSE(s.key);
    QStringList keys, labels;
    QList<bool> volatility;
    for (const CapabilityItem& i : s.items) {
        keys << i.key.value_or("");
        labels << i.label;
        volatility << i.isVolatile;
    }
    EXPECT_EQ(keys, (QStringList{"deviceName", "modelIdentifier", "os", "architecture", "uptime", "thermalState"}));
    EXPECT_EQ(labels, (QStringList{"Device name", "Model identifier", "Operating system", "Architecture", "Uptime", "Thermal state"}));
    EXPECT_EQ(volatility, (QList<bool>{false, false, false, false, true, true}));
    EXPECT_EQ(item(s, "deviceName").value, "Test Machine");
    EXPECT_EQ(item(s, "modelIdentifier").value, "Mac14,2");
    EXPECT_EQ(item(s, "os").value, "macOS 14.5 Sonoma (23F79)");
    EXPECT_EQ(item(s, "uptime").value, "1d 2h 3m");
}

TEST(SystemSection, Architecture)
{
    struct Case {
        const char* name;
        FakeMachine machine;
        const char* value;
        CapabilityStatus status;
    };
    FakeMachine translated = FakeMachine::appleSilicon();
    translated.system.setInt32("sysctl.proc_translated", 1);
    FakeMachine intelUnknownVendor = FakeMachine::intelMac();
    intelUnknownVendor.system.vendor.reset();
    FakeMachine arm = FakeMachine::linuxPC();
    arm.system.vendor = "Arm";
    arm.system.machine = "aarch64";
    arm.system.setInt32("hw.optional.arm64", 0);
    const Case cases[] = {
        {"native Apple silicon", FakeMachine::appleSilicon(), "Apple Silicon (arm64)", CapabilityStatus::info},
        {"translated", translated, "Apple Silicon (arm64) — via Rosetta", CapabilityStatus::warning},
        {"Intel Mac", FakeMachine::intelMac(), "Intel (x86_64)", CapabilityStatus::info},
        {"unknown vendor", intelUnknownVendor, "x86_64", CapabilityStatus::info},  // no maker named
        {"AMD PC", FakeMachine::linuxPC(), "AMD (x86_64)", CapabilityStatus::info},
        {"Arm board", arm, "Arm (aarch64)", CapabilityStatus::info},
    };
    for (const Case& c : cases) {
        const CapabilityItem a = item(systemOf(c.machine), "architecture");
        EXPECT_EQ(a.value, QString::fromUtf8(c.value)) << c.name;
        EXPECT_EQ(a.status, c.status) << c.name;
    }
}

TEST(SystemSection, ThermalStates)
{
    struct Case {
        ThermalState state;
        const char* value;
        CapabilityStatus status;
    };
    const Case cases[] = {
        {ThermalState::Nominal, "Normal", CapabilityStatus::supported},
        {ThermalState::Fair, "Warm", CapabilityStatus::info},
        {ThermalState::Serious, "Hot", CapabilityStatus::warning},
        {ThermalState::Critical, "Critical", CapabilityStatus::unsupported},
        {ThermalState::Unknown, "Unknown", CapabilityStatus::info},
        {ThermalState(7), "Unknown", CapabilityStatus::info},
    };
    for (const Case& c : cases) {
        FakeMachine m;
        m.system.thermal = c.state;
        const CapabilityItem t = item(systemOf(m), "thermalState");
        EXPECT_EQ(t.value, c.value);
        EXPECT_EQ(t.status, c.status);
    }
}

TEST(SystemSection, MissingReadingsAndShortUptime)
{
    FakeMachine m;
    m.system.host.reset();
    m.system.uptime = 12;
    const CapabilitySection s = systemOf(m);
    EXPECT_EQ(item(s, "deviceName").value, kMissingValue);
    EXPECT_EQ(item(s, "modelIdentifier").value, kMissingValue);
    EXPECT_EQ(item(s, "uptime").value, "0m");
    m.system.uptime = -5;  // no reading the formatter can use
    EXPECT_EQ(item(systemOf(m), "uptime").value, kMissingValue);
}
