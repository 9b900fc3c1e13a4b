#include "SecuritySectionFakeBus.h"

#include "inspection/BatteryHealthProbe.h"
#include "inspection/DeviceProbe.h"
#include "platform/linux/LinuxBatteryRegistry.h"
#include "platform/linux/LinuxPowerMode.h"
#include "platform/linux/LinuxPowerSources.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + QLatin1String(name); }

void write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A fixture tree read through the Linux power readers, everything else faked.
struct LinuxPowerMachine {
    explicit LinuxPowerMachine(const QString& root, const SystemBus& bus) : sources(root), mode(root, &bus) {}
    LinuxPowerSources sources;
    LinuxPowerMode mode;
    FakeMachine rest;
    Platform platform() const { return rest.platform({.power = &sources, .powerMode = &mode}); }
};

QList<QPair<QString, QString>> rows(const CapabilitySection& s)
{
    QList<QPair<QString, QString>> out;
    for (const CapabilityItem& i : s.items) out.append({i.key.value_or("?"), i.value});
    return out;
}

TEST(PowerLinux, LaptopDescriptionAndRegistry)
{
    const LinuxPowerSources sources(fixture("sa-intel-laptop"));
    // The peripheral's battery (scope Device) is passed over.
    EXPECT_EQ(sources.internalBattery(), "BAT0");
    const auto list = sources.powerSourceDescriptions();
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 1);
    const QVariantMap d = list->first().toMap();
    EXPECT_EQ(d.value("Type"), "InternalBattery");
    EXPECT_EQ(d.value("Current Capacity").toLongLong(), 76);
    EXPECT_EQ(d.value("Max Capacity").toLongLong(), 100);
    EXPECT_EQ(d.value("Is Charging"), true);
    EXPECT_EQ(d.value("Power Source State"), "AC Power");
    EXPECT_FALSE(d.contains("BatteryHealth"));

    const auto registry = sources.smartBatteryProperties();
    ASSERT_TRUE(registry.has_value());
    const QVariantMap expected{
        {"BatteryInstalled", true},
        // µWh over the design voltage: 57 Wh / 11.58 V and 51.3 Wh / 11.58 V.
        {"DesignCapacity", qint64(4922)},
        {"FullChargeCapacity", qint64(4430)},
        {"CycleCount", qint64(142)},
        {"Temperature", qint64(3050)},
        {"IsCharging", true},
        {"Serial", "4521"},
        {"ManufactureDate", qint64((42 << 9) | (3 << 5) | 14)},
        {"ExternalConnected", true},
        // 20 V at 3.25 A from the USB-PD contract.
        {"AdapterDetails", QVariantMap{{"Watts", qint64(65)}}},
    };
    EXPECT_EQ(*registry, expected);
}

TEST(PowerLinux, LaptopHealthReport)
{
    const ScriptedBus bus;
    const LinuxPowerMachine m(fixture("sa-intel-laptop"), bus);
    const auto r = BatteryHealthProbe::read(m.platform(), Localization::english());
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->designCapacity, 4922);
    EXPECT_EQ(r->maxCapacity, 4430);
    EXPECT_NEAR(r->healthPercent.value_or(0), 4430.0 / 4922.0, 1e-9);
    EXPECT_EQ(r->condition, "Normal");
    EXPECT_EQ(r->cycleCount, 142);
    EXPECT_EQ(r->designCycleCount, std::nullopt);
    EXPECT_NEAR(r->temperatureCelsius.value_or(0), 30.5, 1e-9);
    EXPECT_NEAR(r->chargePercent.value_or(0), 0.76, 1e-9);
    EXPECT_TRUE(r->isCharging);
    EXPECT_TRUE(r->isPluggedIn);
    EXPECT_EQ(r->adapterWatts, 65);
    EXPECT_EQ(r->manufactureDate, QDateTime(QDate(2022, 3, 14), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(r->serialNumber, "4521");
}

struct SectionCase {
    const char* fixture;
    QList<QPair<QString, QString>> rows;
};

class PowerFixtures : public testing::TestWithParam<SectionCase> {};

TEST_P(PowerFixtures, SectionRows)
{
    const ScriptedBus bus;  // no power-profiles daemon: the firmware profile decides
    const LinuxPowerMachine m(fixture(GetParam().fixture), bus);
    const Platform p = m.platform();
    const Localization L = Localization::english();
    EXPECT_EQ(rows(DeviceProbe::powerSection(ProbeContext{p, L})), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, PowerFixtures,
    testing::Values(
        SectionCase{"sa-intel-laptop",
                    {{"batteryCharge", "76%"}, {"powerSource", "Charging"}, {"chargeCycles", "142"}, {"lowPowerMode", "On"}}},
        SectionCase{"sa-amd-desktop", {{"batteryCharge", "None (desktop Mac)"}, {"lowPowerMode", "Off"}}},
        SectionCase{"sa-vm", {{"batteryCharge", "None (desktop Mac)"}, {"lowPowerMode", "Off"}}},
        // Unreadable charge, "Unknown" health, 0 cycles, an unparsable online flag and profile.
        SectionCase{"sa-garbage", {{"batteryCharge", "\u2014"}, {"powerSource", "On battery"}, {"lowPowerMode", "Off"}}}),
    [](const auto& info) {
        std::string n = info.param.fixture;
        for (char& ch : n)
            if (ch == '-') ch = '_';
        return n;
    });

TEST(PowerLinux, DamagedBatteryStillReportsWithNothingInvented)
{
    const ScriptedBus bus;
    const LinuxPowerMachine m(fixture("sa-garbage"), bus);
    const auto registry = BatteryHealthProbe::registryProperties(m.platform());
    ASSERT_TRUE(registry.has_value());
    EXPECT_EQ(*registry, (QVariantMap{{"BatteryInstalled", true}, {"ExternalConnected", false}}));
    const auto r = BatteryHealthProbe::read(m.platform(), Localization::english());
    ASSERT_TRUE(r.has_value());
    BatteryHealthReport empty;
    empty.condition = "Unknown";
    EXPECT_EQ(*r, empty);
}

TEST(PowerLinux, ChargeCountingBatteryAndPeripheralsFirstInOrder)
{
    QTemporaryDir dir;
    const QString ps = dir.filePath("sys/class/power_supply/");
    // Sorts before the laptop's battery but belongs to a mouse.
    write(ps + "A-mouse/type", "Battery\n");
    write(ps + "A-mouse/scope", "Device\n");
    write(ps + "BAT1/type", "Battery\n");
    write(ps + "BAT1/charge_full_design", "5000000\n");
    write(ps + "BAT1/charge_full", "4100000\n");
    write(ps + "BAT1/charge_now", "2050000\n");
    write(ps + "BAT1/health", "Good\n");
    write(ps + "BAT1/status", "Discharging\n");
    write(ps + "BAT1/manufacture_year", "2021\n");
    write(ps + "BAT1/manufacture_month", "2\n");
    write(ps + "BAT1/manufacture_day", "30\n");  // no such day
    const LinuxPowerSources sources(dir.path());
    EXPECT_EQ(sources.internalBattery(), "BAT1");
    const QVariantMap d = sources.powerSourceDescriptions()->first().toMap();
    EXPECT_EQ(d.value("Current Capacity").toLongLong(), 50);
    EXPECT_FALSE(d.contains("BatteryHealth"));  // "Good" is no fault, and no verdict on wear
    EXPECT_EQ(d.value("Power Source State"), "Battery Power");
    const QVariantMap reg = *sources.smartBatteryProperties();
    EXPECT_EQ(reg.value("DesignCapacity").toLongLong(), 5000);
    EXPECT_EQ(reg.value("FullChargeCapacity").toLongLong(), 4100);
    EXPECT_EQ(reg.value("IsCharging"), false);
    EXPECT_FALSE(reg.contains("ExternalConnected"));
    const auto r = BatteryHealthProbe::report(reg, d, Localization::english());
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->condition, "Normal");  // 4100 of 5000 mAh
    EXPECT_NEAR(r->healthPercent.value_or(0), 0.82, 1e-9);
    EXPECT_EQ(r->manufactureDate, std::nullopt);

    // An energy figure without any voltage cannot become mAh.
    QTemporaryDir energy;
    write(energy.filePath("sys/class/power_supply/BAT0/type"), "Battery\n");
    write(energy.filePath("sys/class/power_supply/BAT0/energy_full_design"), "50000000\n");
    const auto reg2 = LinuxPowerSources(energy.path()).smartBatteryProperties();
    ASSERT_TRUE(reg2.has_value());
    EXPECT_FALSE(reg2->contains("DesignCapacity"));
}

TEST(PowerLinux, FiguresTooLargeToConvertAreNoReading)
{
    // Firmware damage: numbers that fit the file but not the registry's units.
    QTemporaryDir dir;
    const QString ps = dir.filePath("sys/class/power_supply/");
    const QByteArray huge = "9223372036854775807\n";
    write(ps + "BAT0/type", "Battery\n");
    write(ps + "BAT0/temp", huge);
    write(ps + "BAT0/energy_full_design", huge);
    write(ps + "BAT0/energy_full", "40000000\n");
    write(ps + "BAT0/voltage_min_design", "1\n");
    write(ps + "USB0/type", "USB\n");
    write(ps + "USB0/online", "1\n");
    write(ps + "USB0/voltage_max", huge);
    write(ps + "USB0/current_max", huge);
    const QVariantMap reg = *LinuxPowerSources(dir.path()).smartBatteryProperties();
    EXPECT_FALSE(reg.contains("Temperature"));
    EXPECT_FALSE(reg.contains("DesignCapacity"));
    EXPECT_EQ(reg.value("FullChargeCapacity").toLongLong(), 40000000000);
    EXPECT_EQ(reg.value("ExternalConnected"), true);
    EXPECT_FALSE(reg.contains("AdapterDetails"));
}

TEST(PowerLinux, DeadBatteryIsAPermanentFailure)
{
    QTemporaryDir dir;
    write(dir.filePath("sys/class/power_supply/BAT0/type"), "Battery\n");
    write(dir.filePath("sys/class/power_supply/BAT0/health"), "Dead\n");
    const LinuxPowerSources sources(dir.path());
    const auto r = BatteryHealthProbe::report(sources.smartBatteryProperties(),
                                              sources.powerSourceDescriptions()->first().toMap(), Localization::english());
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->condition, "Permanent failure");
}

TEST(PowerLinux, PackedDates)
{
    using LinuxBatteryRegistry::packDate;
    EXPECT_EQ(packDate(2023, 11, 15), (43 << 9) | (11 << 5) | 15);
    EXPECT_EQ(packDate(1980, 1, 1), (0 << 9) | (1 << 5) | 1);
    EXPECT_EQ(packDate(2107, 15, 31), (127 << 9) | (15 << 5) | 31);
    for (auto [y, m, d] : {std::tuple{1979, 1, 1}, {2108, 1, 1}, {2023, 0, 1}, {2023, 16, 1}, {2023, 1, 0}, {2023, 1, 32}})
        EXPECT_EQ(packDate(y, m, d), std::nullopt) << y << '-' << m << '-' << d;
}

// Low Power Mode: the daemon first, under either of its names, then the firmware profile.
struct ModeCase {
    const char* name;
    std::function<void(ScriptedBus&)> script;
    const char* profileFile;  // the ACPI platform_profile contents, or null
    std::optional<bool> expected;
    int calls;                // bus calls made
};

const QString kUpower = QStringLiteral("org.freedesktop.UPower.PowerProfiles");
const QString kUpowerPath = QStringLiteral("/org/freedesktop/UPower/PowerProfiles");
const QString kHadess = QStringLiteral("net.hadess.PowerProfiles");
const QString kHadessPath = QStringLiteral("/net/hadess/PowerProfiles");

class LowPowerModeCases : public testing::TestWithParam<ModeCase> {};

TEST_P(LowPowerModeCases, Reading)
{
    const ModeCase& c = GetParam();
    QTemporaryDir dir;
    if (c.profileFile) write(dir.filePath("sys/firmware/acpi/platform_profile"), c.profileFile);
    ScriptedBus bus;
    c.script(bus);
    const LinuxPowerMode mode(dir.path(), &bus);
    EXPECT_EQ(mode.lowPowerModeEnabled(), c.expected);
    EXPECT_EQ(bus.calls.size(), c.calls) << bus.calls.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Sources, LowPowerModeCases,
    testing::Values(
        ModeCase{"DaemonPowerSaver", [](ScriptedBus& b) { b.replyProperty(kUpower, kUpowerPath, kUpower, "ActiveProfile", "power-saver"); },
                 "performance\n", true, 1},
        ModeCase{"OlderDaemonNameBalancedWinsOverFirmware",
                 [](ScriptedBus& b) { b.replyProperty(kHadess, kHadessPath, kHadess, "ActiveProfile", "balanced"); },
                 "low-power\n", false, 2},
        ModeCase{"NoDaemonFirmwareLowPower", [](ScriptedBus&) {}, "low-power\n", true, 2},
        ModeCase{"NoDaemonFirmwareBalanced", [](ScriptedBus&) {}, "balanced\n", false, 2},
        ModeCase{"StalledDaemonIsNotAskedTwice",
                 [](ScriptedBus& b) { b.failProperty(kUpower, kUpowerPath, kUpower, "ActiveProfile", BusError::kNoReply); },
                 "low-power\n", true, 1},
        ModeCase{"DaemonAnswerOfTheWrongTypeFallsBack",
                 [](ScriptedBus& b) { b.replyProperty(kUpower, kUpowerPath, kUpower, "ActiveProfile", 3); }, "low-power\n",
                 true, 1},
        ModeCase{"UnknownDaemonWordFallsBack",
                 [](ScriptedBus& b) { b.replyProperty(kUpower, kUpowerPath, kUpower, "ActiveProfile", "turbo"); },
                 "quiet\n", false, 1},
        ModeCase{"NoBusReadsOnlyTheFirmware", [](ScriptedBus& b) { b.connected = false; }, "low-power\n", true, 0},
        ModeCase{"UnknownFirmwareWordIsNoReading", [](ScriptedBus& b) { b.connected = false; }, "turbo-ish\n",
                 std::nullopt, 0},
        ModeCase{"NothingAnywhere", [](ScriptedBus&) {}, nullptr, std::nullopt, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PowerLinux, ProfileClassInterface)
{
    QTemporaryDir dir;
    write(dir.filePath("sys/class/platform-profile/platform-profile-0/profile"), "low-power\n");
    ScriptedBus bus;
    bus.connected = false;
    EXPECT_EQ(LinuxPowerMode(dir.path(), &bus).lowPowerModeEnabled(), true);
}

TEST(PowerLinux, ThisMachine)
{
    const LinuxPowerSources sources;
    const Platform& host = Platform::host();
    const Localization L = Localization::english();
    const bool hasBattery = DeviceProbe::batteryInfo(ProbeContext{host, L}).has_value();
    EXPECT_EQ(hasBattery, sources.internalBattery().has_value());
    EXPECT_EQ(BatteryHealthProbe::read(host, L).has_value(), hasBattery);
    const CapabilitySection s = DeviceProbe::powerSection(ProbeContext{host, L});
    ASSERT_GE(s.items.size(), 2);
    EXPECT_EQ(s.items.last().key, "lowPowerMode");
}

}  // namespace
