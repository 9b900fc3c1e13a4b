#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using S = CapabilityStatus;

CapabilitySection build(const FakeMachine& m, const Localization& L = Localization::english())
{
    const Platform p = m.platform();
    return DeviceProbe::powerSection(ProbeContext{p, L});
}

QStringList keysOf(const CapabilitySection& s)
{
    QStringList keys;
    for (const CapabilityItem& i : s.items) keys << i.key.value_or("?");
    return keys;
}

FakeMachine withBattery(QVariantMap description, std::optional<QVariantMap> registry = std::nullopt)
{
    FakeMachine m;
    description.insert("Type", "InternalBattery");
    m.power.descriptions = QVariantList{description};
    m.power.battery = registry;
    return m;
}

struct ChargeCase {
    const char* name;
    QVariantMap description;
    const char* value;
    S status;
};

class PowerCharge : public testing::TestWithParam<ChargeCase> {};

TEST_P(PowerCharge, BatteryRow)
{
    const ChargeCase& c = GetParam();
    const CapabilitySection s = build(withBattery(c.description));
    ASSERT_FALSE(s.items.isEmpty());
    const CapabilityItem& row = s.items[0];
    EXPECT_EQ(row.key, "batteryCharge");
    EXPECT_EQ(row.label, "Battery");
    EXPECT_EQ(row.value, QString::fromUtf8(c.value));
    EXPECT_EQ(row.status, c.status);
    EXPECT_TRUE(row.isVolatile);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, PowerCharge,
    testing::Values(
        ChargeCase{"ExactlyAFifthIsSupported", {{"Current Capacity", 20}, {"Max Capacity", 100}}, "20%", S::supported},
        // The raw fraction decides although the text rounds to 20 %.
        ChargeCase{"JustBelowAFifthWarns", {{"Current Capacity", 199}, {"Max Capacity", 1000}}, "20%", S::warning},
        ChargeCase{"Full", {{"Current Capacity", 100}, {"Max Capacity", 100}}, "100%", S::supported},
        ChargeCase{"NoMaximumDividesByHundred", {{"Current Capacity", 87}}, "87%", S::supported},
        ChargeCase{"AboveTheMaximumIsCapped", {{"Current Capacity", 130}, {"Max Capacity", 100}}, "100%", S::supported},
        ChargeCase{"NegativeIsCappedAtZero", {{"Current Capacity", -5}, {"Max Capacity", 100}}, "0%", S::warning},
        // No usable charge reading: missing, not an empty battery.
        ChargeCase{"MissingCharge", {{"Max Capacity", 100}}, "\u2014", S::info},
        ChargeCase{"ChargeOfTheWrongType", {{"Current Capacity", "87"}, {"Max Capacity", 100}}, "\u2014", S::info},
        ChargeCase{"MaximumOfZero", {{"Current Capacity", 50}, {"Max Capacity", 0}}, "\u2014", S::info}),
    [](const auto& info) { return std::string(info.param.name); });

struct SourceCase {
    const char* name;
    QVariant charging;
    QVariant state;
    const char* value;
};

class PowerSourceRow : public testing::TestWithParam<SourceCase> {};

TEST_P(PowerSourceRow, ChargingWinsOverMains)
{
    const SourceCase& c = GetParam();
    QVariantMap d{{"Current Capacity", 50}, {"Max Capacity", 100}};
    if (c.charging.isValid()) d["Is Charging"] = c.charging;
    if (c.state.isValid()) d["Power Source State"] = c.state;
    const CapabilitySection s = build(withBattery(d));
    ASSERT_GE(s.items.size(), 2);
    EXPECT_EQ(s.items[1].key, "powerSource");
    EXPECT_EQ(s.items[1].label, "Power source");
    EXPECT_EQ(s.items[1].value, c.value);
    EXPECT_EQ(s.items[1].status, S::info);
    EXPECT_TRUE(s.items[1].isVolatile);
}

INSTANTIATE_TEST_SUITE_P(States, PowerSourceRow,
                         testing::Values(SourceCase{"ChargingOnAdapter", true, "AC Power", "Charging"},
                                         SourceCase{"FullOnAdapter", false, "AC Power", "Plugged in"},
                                         SourceCase{"OnBattery", false, "Battery Power", "On battery"},
                                         SourceCase{"NothingKnown", {}, {}, "On battery"},
                                         SourceCase{"ChargingAsTextDoesNotCount", "true", "Battery Power", "On battery"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct HealthCase {
    const char* name;
    QVariant word;
    std::optional<const char*> value;  // absent: no health row
    S status;
};

class PowerHealth : public testing::TestWithParam<HealthCase> {};

TEST_P(PowerHealth, WordAndRating)
{
    const HealthCase& c = GetParam();
    QVariantMap d{{"Current Capacity", 50}, {"Max Capacity", 100}};
    if (c.word.isValid()) d["BatteryHealth"] = c.word;
    const StringTable table = StringTable::fromJson(R"({"Good": "Gut", "Fair": "Mittel", "Poor": "Schlecht"})");
    Localization L = Localization::english();
    L.table = &table;
    const CapabilitySection s = build(withBattery(d), L);
    const CapabilityItem* row = nullptr;
    for (const CapabilityItem& i : s.items)
        if (i.key == "batteryHealth") row = &i;
    if (!c.value) {
        EXPECT_EQ(row, nullptr);
        return;
    }
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->value, QString::fromUtf8(*c.value));
    EXPECT_EQ(row->status, c.status);
    EXPECT_FALSE(row->isVolatile);
}

INSTANTIATE_TEST_SUITE_P(Words, PowerHealth,
                         testing::Values(HealthCase{"Good", "Good", "Gut", S::supported},
                                         HealthCase{"Fair", "Fair", "Mittel", S::warning},
                                         HealthCase{"Poor", "Poor", "Schlecht", S::warning},
                                         HealthCase{"LowerCaseIsAnotherWord", "good", "good", S::warning},
                                         HealthCase{"OtherWordShownUnchanged", "Overheat", "Overheat", S::warning},
                                         HealthCase{"NotAText", 3, std::nullopt, S::info},
                                         HealthCase{"Empty", "", std::nullopt, S::info},
                                         HealthCase{"Absent", QVariant(), std::nullopt, S::info}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PowerSection, LaptopRowsInOrder)
{
    const CapabilitySection s = build(FakeMachine::appleSilicon());
    EXPECT_EQ(s.title, "Power");
    EXPECT_EQ(s.symbol, "battery.100");
    EXPECT_EQ(keysOf(s), (QStringList{"batteryCharge", "powerSource", "batteryHealth", "chargeCycles", "lowPowerMode"}));
    EXPECT_EQ(s.items[0].value, "80%");
    EXPECT_EQ(s.items[1].value, "On battery");
    EXPECT_EQ(s.items[3].label, "Charge cycles");
    EXPECT_EQ(s.items[3].value, "123");
    EXPECT_EQ(s.items[3].status, S::info);
    EXPECT_FALSE(s.items[3].isVolatile);
}

TEST(PowerSection, CycleRowOnlyWithAnIntegerCount)
{
    // Counts the row's integer cannot hold are no reading either: 2^31 once showed as "−2147483648".
    for (const QVariant& cycles : {QVariant(), QVariant("12"), QVariant(true), QVariant(qint64(1) << 31),
                                   QVariant(std::numeric_limits<qint64>::max()), QVariant(std::numeric_limits<quint64>::max()),
                                   QVariant(-1)}) {
        QVariantMap registry;
        if (cycles.isValid()) registry["CycleCount"] = cycles;
        const CapabilitySection s = build(withBattery({{"Current Capacity", 50}}, registry));
        EXPECT_FALSE(keysOf(s).contains("chargeCycles")) << cycles.toString().toStdString();
    }
    // No registry entry at all.
    EXPECT_FALSE(keysOf(build(withBattery({{"Current Capacity", 50}}))).contains("chargeCycles"));
    const CapabilitySection largest = build(withBattery({{"Current Capacity", 50}}, QVariantMap{{"CycleCount", qint64(2147483647)}}));
    ASSERT_TRUE(keysOf(largest).contains("chargeCycles"));
    EXPECT_EQ(largest.items[keysOf(largest).indexOf("chargeCycles")].value, "2147483647");
}

TEST(PowerSection, DesktopHasTwoRows)
{
    for (FakeMachine m : {FakeMachine::intelMac(), FakeMachine::linuxPC()}) {
        const CapabilitySection s = build(m);
        ASSERT_EQ(keysOf(s), (QStringList{"batteryCharge", "lowPowerMode"}));
        EXPECT_EQ(s.items[0].label, "Battery");
        EXPECT_EQ(s.items[0].value, "None (desktop Mac)");
        EXPECT_EQ(s.items[0].status, S::info);
        EXPECT_FALSE(s.items[0].isVolatile);
    }
}

TEST(PowerSection, PeripheralBatteriesAndUnreadableListsAreNoBattery)
{
    FakeMachine m;
    m.power.descriptions = QVariantList{QVariantMap{{"Type", "UPS"}, {"Current Capacity", 50}}, QVariant("garbage")};
    EXPECT_EQ(keysOf(build(m)), (QStringList{"batteryCharge", "lowPowerMode"}));
    m.power.descriptions = std::nullopt;
    EXPECT_EQ(keysOf(build(m)), (QStringList{"batteryCharge", "lowPowerMode"}));
}

TEST(PowerSection, LowPowerMode)
{
    struct Case {
        std::optional<bool> flag;
        const char* value;
        S status;
    };
    // A machine without any power-saving setting is not in Low Power Mode.
    for (const Case& c : {Case{true, "On", S::warning}, Case{false, "Off", S::info}, Case{std::nullopt, "Off", S::info}}) {
        for (FakeMachine m : {FakeMachine::appleSilicon(), FakeMachine::intelMac()}) {
            m.powerMode.lowPower = c.flag;
            const CapabilitySection s = build(m);
            const CapabilityItem& row = s.items.last();
            EXPECT_EQ(row.key, "lowPowerMode");
            EXPECT_EQ(row.label, "Low Power Mode");
            EXPECT_EQ(row.value, c.value);
            EXPECT_EQ(row.status, c.status);
            EXPECT_FALSE(row.isVolatile);
        }
    }
}

}  // namespace
