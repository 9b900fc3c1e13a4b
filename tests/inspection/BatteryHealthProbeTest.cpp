#include "inspection/BatteryHealthProbe.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>


#include <functional>

namespace {

using Map = QVariantMap;

struct Case {
    const char* name;
    std::optional<Map> registry;
    std::optional<Map> powerSource;
    // Turns a report with every reading absent and condition "Unknown" into the expected one.
    std::function<void(BatteryHealthReport&)> expect;
};

const std::function<void(BatteryHealthReport&)> kNoReport;  // empty: no report at all

QDateTime utcMidnight(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC); }

// year field 43 (2023), month 11, day 15
constexpr qint64 kNov15th2023 = (43 << 9) | (11 << 5) | 15;

const Map kInstalled{{"BatteryInstalled", true}};
Map installed(Map m)
{
    m.insert("BatteryInstalled", true);
    return m;
}

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = {
        // Presence
        {"NoSourceAtAll", std::nullopt, std::nullopt, kNoReport},
        {"RegistryWithoutBatteryInstalled", Map{{"CycleCount", 3}}, std::nullopt, kNoReport},
        {"RegistryWithBatteryInstalledFalse", Map{{"BatteryInstalled", false}}, std::nullopt, kNoReport},
        {"BatteryInstalledAsNumberIsNotTrue", Map{{"BatteryInstalled", 1}}, std::nullopt, kNoReport},
        {"RegistryAloneWithBatteryInstalled", installed({{"CycleCount", 3}}), std::nullopt,
         [](BatteryHealthReport& r) { r.cycleCount = 3; }},
        {"PowerSourceAlone", std::nullopt,
         Map{{"Current Capacity", 50}, {"Max Capacity", 100}, {"Is Charging", true}, {"Power Source State", "AC Power"},
             {"DesignCycleCount", 1000}, {"Hardware Serial Number", "D86"}, {"BatteryHealth", "Good"}},
         [](BatteryHealthReport& r) {
             r.chargePercent = 0.5;
             r.isCharging = true;
             r.isPluggedIn = true;
             r.designCycleCount = 1000;
             r.serialNumber = "D86";
             r.condition = "Normal";
         }},
        // Capacities and health
        {"RawMaximumAgainstDesign", installed({{"AppleRawMaxCapacity", 4200}, {"DesignCapacity", 5000}}), std::nullopt,
         [](BatteryHealthReport& r) {
             r.maxCapacity = 4200;
             r.designCapacity = 5000;
             r.healthPercent = 0.84;
             r.condition = "Normal";
         }},
        {"HealthCappedAtOnePointTwo", installed({{"AppleRawMaxCapacity", 6100}, {"DesignCapacity", 5000}}), std::nullopt,
         [](BatteryHealthReport& r) {
             r.maxCapacity = 6100;
             r.designCapacity = 5000;
             r.healthPercent = 1.2;
             r.condition = "Normal";
         }},
        {"PercentMaxCapacityPassedOverForNominal",
         installed({{"MaxCapacity", 100}, {"NominalChargeCapacity", 4100}}), std::nullopt,
         [](BatteryHealthReport& r) { r.maxCapacity = 4100; }},
        {"PercentMaxCapacityAloneIsNoCapacity", installed({{"MaxCapacity", 100}, {"DesignCapacity", 5000}}), std::nullopt,
         [](BatteryHealthReport& r) { r.designCapacity = 5000; }},
        {"MaxCapacityInMilliampHours", installed({{"MaxCapacity", 4500}, {"NominalChargeCapacity", 4100}}), std::nullopt,
         [](BatteryHealthReport& r) { r.maxCapacity = 4500; }},
        {"FullChargeBeforeMaxCapacity", installed({{"FullChargeCapacity", 3900}, {"MaxCapacity", 4500}}), std::nullopt,
         [](BatteryHealthReport& r) { r.maxCapacity = 3900; }},
        {"ZeroRawMaximumEndsTheSearch", installed({{"AppleRawMaxCapacity", 0}, {"FullChargeCapacity", 4000},
                                                   {"DesignCapacity", 5000}}),
         std::nullopt, [](BatteryHealthReport& r) { r.designCapacity = 5000; }},
        {"NegativeMaximumIsNoCapacity", installed({{"FullChargeCapacity", -4000}, {"DesignCapacity", 5000}}), std::nullopt,
         [](BatteryHealthReport& r) { r.designCapacity = 5000; }},
        {"ZeroDesignKeepsTheMaximum", installed({{"AppleRawMaxCapacity", 4200}, {"DesignCapacity", 0}}), std::nullopt,
         [](BatteryHealthReport& r) { r.maxCapacity = 4200; }},
        {"NegativeDesignKeepsTheMaximum", installed({{"AppleRawMaxCapacity", 4200}, {"DesignCapacity", -1}}), std::nullopt,
         [](BatteryHealthReport& r) { r.maxCapacity = 4200; }},
        {"NestedBatteryDataServesMissingKeys",
         installed({{"DesignCapacity", 5000}, {"BatteryData", Map{{"DesignCapacity", 1}, {"CycleCount", 77}}}}),
         std::nullopt,
         [](BatteryHealthReport& r) {
             r.designCapacity = 5000;
             r.cycleCount = 77;
         }},
        {"NumbersOfOtherTypesCountButTextsDoNot",
         installed({{"DesignCapacity", "5000"}, {"CycleCount", 12.9}, {"AppleRawMaxCapacity", true}}), std::nullopt,
         [](BatteryHealthReport& r) { r.cycleCount = 12; }},
        {"NotANumberIsNoReading", installed({{"CycleCount", std::nan("")}, {"Temperature", qInf()}}), std::nullopt,
         [](BatteryHealthReport&) {}},
        {"RatedCyclesFromRegistryFirst", installed({{"DesignCycleCount9C", 1000}}), Map{{"DesignCycleCount", 500}},
         [](BatteryHealthReport& r) { r.designCycleCount = 1000; }},
        // Temperature
        {"Temperature", installed({{"Temperature", 3050}}), std::nullopt,
         [](BatteryHealthReport& r) { r.temperatureCelsius = 30.5; }},
        {"VirtualTemperature", installed({{"VirtualTemperature", 2980}}), std::nullopt,
         [](BatteryHealthReport& r) { r.temperatureCelsius = 29.8; }},
        {"ZeroTemperatureIsAbsentAndVirtualNotAsked", installed({{"Temperature", 0}, {"VirtualTemperature", 2980}}),
         std::nullopt, [](BatteryHealthReport&) {}},
        // Charge
        {"RegistryPercentCharge", installed({{"CurrentCapacity", 87}, {"MaxCapacity", 100}}), std::nullopt,
         [](BatteryHealthReport& r) { r.chargePercent = 0.87; }},
        {"RegistryMilliampHourCharge", installed({{"CurrentCapacity", 3000}, {"MaxCapacity", 4000}}), std::nullopt,
         [](BatteryHealthReport& r) {
             r.chargePercent = 0.75;
             r.maxCapacity = 4000;
         }},
        {"PowerSourceChargeWins", installed({{"CurrentCapacity", 87}}), Map{{"Current Capacity", 50}, {"Max Capacity", 100}},
         [](BatteryHealthReport& r) { r.chargePercent = 0.5; }},
        {"PowerSourceWithZeroMaximumFallsBack", installed({{"CurrentCapacity", 87}}),
         Map{{"Current Capacity", 50}, {"Max Capacity", 0}}, [](BatteryHealthReport& r) { r.chargePercent = 0.87; }},
        {"ChargeAboveMaximumIsFull", std::nullopt, Map{{"Current Capacity", 120}, {"Max Capacity", 100}},
         [](BatteryHealthReport& r) { r.chargePercent = 1.0; }},
        {"NegativeChargeIsEmpty", installed({{"CurrentCapacity", -20}}), std::nullopt,
         [](BatteryHealthReport& r) { r.chargePercent = 0.0; }},
        // Charging, plugged in, adapter
        {"RegistryChargingFlagWins", installed({{"IsCharging", false}}), Map{{"Is Charging", true}},
         [](BatteryHealthReport&) {}},
        {"ExternalConnectedFalseDecidesAlone", installed({{"ExternalConnected", false}, {"AdapterDetails", Map{{"Watts", 96}}}}),
         Map{{"Power Source State", "AC Power"}}, [](BatteryHealthReport&) {}},
        {"AdapterWatts", installed({{"ExternalConnected", true}, {"AdapterDetails", Map{{"Watts", 96}}}}), std::nullopt,
         [](BatteryHealthReport& r) {
             r.isPluggedIn = true;
             r.adapterWatts = 96;
         }},
        {"AdapterOfZeroWatts", installed({{"ExternalConnected", true}, {"AdapterDetails", Map{{"Watts", 0}}}}), std::nullopt,
         [](BatteryHealthReport& r) { r.isPluggedIn = true; }},
        {"AdapterDetailsNotADictionary", installed({{"ExternalConnected", true}, {"AdapterDetails", 96}}), std::nullopt,
         [](BatteryHealthReport& r) { r.isPluggedIn = true; }},
        {"PluggedInFromPowerSourceState", installed({}), Map{{"Power Source State", "AC Power"}},
         [](BatteryHealthReport& r) { r.isPluggedIn = true; }},
        // Serial number
        {"BlankSerialFallsThrough", installed({{"Serial", "   "}}), Map{{"Hardware Serial Number", "F5D"}},
         [](BatteryHealthReport& r) { r.serialNumber = "F5D"; }},
        {"SerialTrimmedOfAllWhiteSpace", installed({{"Serial", " \tABC123\n "}}), std::nullopt,
         [](BatteryHealthReport& r) { r.serialNumber = "ABC123"; }},
        {"SecondRegistrySerial", installed({{"Serial", 5}, {"BatterySerialNumber", "B2"}}), std::nullopt,
         [](BatteryHealthReport& r) { r.serialNumber = "B2"; }},
        // Condition
        {"PermanentFailureBeatsGoodWords", installed({{"PermanentFailureStatus", 1}}), Map{{"BatteryHealth", "Good"}},
         [](BatteryHealthReport& r) { r.condition = "Permanent failure"; }},
        {"ZeroFailureStatusIsNoFailure", installed({{"PermanentFailureStatus", 0}}), Map{{"BatteryHealth", "Good"}},
         [](BatteryHealthReport& r) { r.condition = "Normal"; }},
        {"PermanentBatteryFailureWords", std::nullopt, Map{{"BatteryHealthCondition", "Permanent Battery Failure"}},
         [](BatteryHealthReport& r) { r.condition = "Permanent failure"; }},
        {"CheckBattery", std::nullopt, Map{{"BatteryHealthCondition", "Check Battery"}, {"BatteryHealth", "Good"}},
         [](BatteryHealthReport& r) { r.condition = "Check battery"; }},
        {"OtherConditionWord", std::nullopt, Map{{"BatteryHealthCondition", "Service Battery"}},
         [](BatteryHealthReport& r) { r.condition = "Service recommended"; }},
        {"EmptyConditionSkipsToHealthWord", std::nullopt, Map{{"BatteryHealthCondition", ""}, {"BatteryHealth", "Fair"}},
         [](BatteryHealthReport& r) { r.condition = "Service recommended"; }},
        {"PoorWordBeatsGoodCapacity", installed({{"AppleRawMaxCapacity", 4750}, {"DesignCapacity", 5000}}),
         Map{{"BatteryHealth", "Poor"}},
         [](BatteryHealthReport& r) {
             r.maxCapacity = 4750;
             r.designCapacity = 5000;
             r.healthPercent = 0.95;
             r.condition = "Service recommended";
         }},
        {"LowerCaseWordFallsToCapacity", installed({{"AppleRawMaxCapacity", 3950}, {"DesignCapacity", 5000}}),
         Map{{"BatteryHealth", "good"}},
         [](BatteryHealthReport& r) {
             r.maxCapacity = 3950;
             r.designCapacity = 5000;
             r.healthPercent = 0.79;
             r.condition = "Service recommended";
         }},
        {"ExactlyEightyPercentIsNormal", installed({{"AppleRawMaxCapacity", 4000}, {"DesignCapacity", 5000}}), std::nullopt,
         [](BatteryHealthReport& r) {
             r.maxCapacity = 4000;
             r.designCapacity = 5000;
             r.healthPercent = 0.8;
             r.condition = "Normal";
         }},
        // Manufacture date
        {"ManufactureDate", installed({{"ManufactureDate", kNov15th2023}}), std::nullopt,
         [](BatteryHealthReport& r) { r.manufactureDate = utcMidnight(2023, 11, 15); }},
        {"ManufactureDateHigherBitsIgnored", installed({{"ManufactureDate", kNov15th2023 | (1 << 20)}}), std::nullopt,
         [](BatteryHealthReport& r) { r.manufactureDate = utcMidnight(2023, 11, 15); }},
    };
    return all;
}

class BatteryHealthReportCases : public testing::TestWithParam<Case> {};

TEST_P(BatteryHealthReportCases, Report)
{
    const Case& c = GetParam();
    const auto report = BatteryHealthProbe::report(c.registry, c.powerSource, Localization::english());
    if (!c.expect) {
        EXPECT_FALSE(report.has_value());
        return;
    }
    ASSERT_TRUE(report.has_value());
    BatteryHealthReport expected;
    expected.condition = "Unknown";
    c.expect(expected);
    // Fractions compared with a tolerance, everything else exactly.
    auto near = [](const std::optional<double>& a, const std::optional<double>& b) {
        return a.has_value() == b.has_value() && (!a || std::abs(*a - *b) < 1e-9);
    };
    EXPECT_TRUE(near(report->healthPercent, expected.healthPercent)) << report->healthPercent.value_or(-1);
    EXPECT_TRUE(near(report->chargePercent, expected.chargePercent)) << report->chargePercent.value_or(-1);
    EXPECT_TRUE(near(report->temperatureCelsius, expected.temperatureCelsius)) << report->temperatureCelsius.value_or(-1);
    BatteryHealthReport rest = *report;
    rest.healthPercent = expected.healthPercent;
    rest.chargePercent = expected.chargePercent;
    rest.temperatureCelsius = expected.temperatureCelsius;
    EXPECT_EQ(rest.maxCapacity, expected.maxCapacity);
    EXPECT_EQ(rest.designCapacity, expected.designCapacity);
    EXPECT_EQ(rest.cycleCount, expected.cycleCount);
    EXPECT_EQ(rest.designCycleCount, expected.designCycleCount);
    EXPECT_EQ(rest.condition, expected.condition);
    EXPECT_EQ(rest.isCharging, expected.isCharging);
    EXPECT_EQ(rest.isPluggedIn, expected.isPluggedIn);
    EXPECT_EQ(rest.adapterWatts, expected.adapterWatts);
    EXPECT_EQ(rest.manufactureDate, expected.manufactureDate);
    EXPECT_EQ(rest.serialNumber, expected.serialNumber);
    EXPECT_TRUE(rest == expected);
}

INSTANTIATE_TEST_SUITE_P(Dictionaries, BatteryHealthReportCases, testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BatteryHealthProbe, ManufactureDateBounds)
{
    auto pack = [](qint64 yearField, qint64 month, qint64 day) { return (yearField << 9) | (month << 5) | day; };
    struct Case {
        std::optional<qint64> packed;
        std::optional<QDateTime> date;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt},
        {0, std::nullopt},
        {-5, std::nullopt},
        {pack(19, 6, 1), std::nullopt},   // 1999
        {pack(20, 1, 1), utcMidnight(2000, 1, 1)},
        {pack(120, 12, 31), utcMidnight(2100, 12, 31)},
        {pack(121, 1, 1), std::nullopt},  // 2101
        {pack(43, 0, 15), std::nullopt},
        {pack(43, 13, 15), std::nullopt},
        {pack(43, 11, 0), std::nullopt},
        // Days its month does not have.
        {pack(43, 2, 30), std::nullopt},
        {pack(43, 4, 31), std::nullopt},
        {pack(43, 2, 29), std::nullopt},  // 2023 is no leap year
        {pack(44, 2, 29), utcMidnight(2024, 2, 29)},
    };
    for (const Case& c : cases) {
        const auto date = BatteryHealthProbe::manufactureDate(c.packed);
        EXPECT_EQ(date, c.date) << c.packed.value_or(-1);
        if (date) EXPECT_EQ(date->timeSpec(), Qt::UTC);
    }
}

TEST(BatteryHealthProbe, ConditionTextsAreTranslated)
{
    const StringTable table = StringTable::fromJson(R"json({"Normal": "Normal (de)", "Unknown": "Unbekannt"})json");
    Localization L = Localization::english();
    L.table = &table;
    EXPECT_EQ(BatteryHealthProbe::report(kInstalled, std::nullopt, L)->condition, "Unbekannt");
    EXPECT_EQ(BatteryHealthProbe::report(std::nullopt, Map{{"BatteryHealth", "Good"}}, L)->condition, "Normal (de)");
}

TEST(BatteryHealthProbe, ReadersTakeTheFirstInternalBattery)
{
    FakeMachine m;
    m.power.descriptions = QVariantList{QVariant("junk"), Map{{"Type", 7}}, Map{{"Type", "UPS"}, {"Current Capacity", 10}},
                                        Map{{"Type", "InternalBattery"}, {"Current Capacity", 40}, {"Max Capacity", 100}},
                                        Map{{"Type", "InternalBattery"}, {"Current Capacity", 90}}};
    m.power.battery = installed({{"CycleCount", 9}});
    const Platform p = m.platform();
    const auto source = BatteryHealthProbe::internalPowerSource(p);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->value("Current Capacity").toInt(), 40);
    const auto report = BatteryHealthProbe::read(p, Localization::english());
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->cycleCount, 9);
    EXPECT_NEAR(report->chargePercent.value_or(-1), 0.4, 1e-9);

    m.power.descriptions = QVariantList{};
    m.power.battery = std::nullopt;
    EXPECT_FALSE(BatteryHealthProbe::internalPowerSource(m.platform()).has_value());
    EXPECT_FALSE(BatteryHealthProbe::read(m.platform(), Localization::english()).has_value());
}

}  // namespace
