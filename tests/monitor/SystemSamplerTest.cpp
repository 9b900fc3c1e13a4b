// The sampler's arithmetic over hand-set readings: processor shares, memory and its
// pressure bands, network rates, the battery, and how each failed read degrades.
#include "FakeSamplerSources.h"
#include "monitor/SystemSampler.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

CoreTickCounts ticks(quint64 user, quint64 system, quint64 idle, quint64 nice = 0) { return {user, system, idle, nice}; }

struct Fixture {
    FakeSamplerSources sources;
    FakeSamplerClock clock;
};

// ---------------------------------------------------------------- processor

struct CpuCase {
    const char* name;
    QList<CoreTickCounts> before;
    QList<CoreTickCounts> after;
    int bits;
    double overall;
    QList<double> perCore;
};

void PrintTo(const CpuCase& c, std::ostream* os) { *os << c.name; }

class ProcessorShares : public ::testing::TestWithParam<CpuCase> {};

TEST_P(ProcessorShares, BetweenPrimeAndSample)
{
    const CpuCase& c = GetParam();
    Fixture f;
    f.sources.setCores(c.before, c.bits);
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    f.sources.setCores(c.after, c.bits);
    f.clock.advance(1s);
    const MonitorSample s = sampler.sample();
    EXPECT_DOUBLE_EQ(s.cpuUsage, c.overall);
    ASSERT_EQ(s.perCoreUsage.size(), c.perCore.size());
    for (qsizetype i = 0; i < c.perCore.size(); ++i) EXPECT_DOUBLE_EQ(s.perCoreUsage[i], c.perCore[i]) << "core " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProcessorShares,
    ::testing::Values(
        // Weighted by ticks: 50 of 100 and 0 of 300 busy is 50 of 400 overall, not the mean 0.25.
        CpuCase{"weighted_by_ticks", {ticks(0, 0, 0), ticks(0, 0, 0)}, {ticks(30, 10, 50, 10), ticks(0, 0, 300)}, 64, 0.125, {0.5, 0.0}},
        CpuCase{"unchanged_core_is_idle", {ticks(5, 5, 5), ticks(1, 1, 1)}, {ticks(5, 5, 5), ticks(2, 1, 2)}, 64, 0.5, {0.0, 0.5}},
        CpuCase{"nothing_changed_anywhere", {ticks(5, 5, 5)}, {ticks(5, 5, 5)}, 64, 0.0, {0.0}},
        // A 64-bit idle count that went backwards adds nothing; the busy time stands alone.
        CpuCase{"backward_idle_64", {ticks(100, 0, 1000)}, {ticks(110, 0, 990)}, 64, 1.0, {1.0}},
        CpuCase{"backward_user_64", {ticks(100, 0, 1000)}, {ticks(90, 0, 1010)}, 64, 0.0, {0.0}},
        // A 32-bit count that passed 2^32 keeps its true difference.
        CpuCase{"wrapped_user_32", {ticks(4294967000u, 0, 0)}, {ticks(500, 0, 796)}, 32, 0.5, {0.5}},
        // Each kind is clamped on its own before the kinds are summed: an iowait that fell
        // by 60 while idle rose by 50 leaves a half-busy core half busy, not fully busy.
        CpuCase{"falling_iowait_clamped_alone", {{100, 0, 1000, 0, 0, 0, 0, 500}}, {{150, 0, 1050, 0, 0, 0, 0, 440}}, 64, 0.5, {0.5}},
        // irq, softirq and steal are busy time; iowait is idle time.
        CpuCase{"every_kind_counts", {{0, 0, 0, 0, 0, 0, 0, 0}}, {{10, 10, 40, 10, 5, 5, 10, 10}}, 64, 0.5, {0.5}},
        CpuCase{"zero_processors", {}, {}, 64, 0.0, {}},
        // Processors came or went: one sample of zeros, one per processor now.
        CpuCase{"core_added", {ticks(1, 1, 1), ticks(1, 1, 1)}, {ticks(9, 9, 9), ticks(9, 9, 9), ticks(9, 9, 9)}, 64, 0.0, {0, 0, 0}},
        CpuCase{"core_removed", {ticks(1, 1, 1), ticks(1, 1, 1)}, {ticks(9, 9, 9)}, 64, 0.0, {0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProcessorShares, ChangedCountRebasesOnTheNewList)
{
    Fixture f;
    f.sources.setCores({ticks(0, 0, 0)});
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    f.sources.setCores({ticks(10, 0, 10), ticks(10, 0, 10)});
    EXPECT_EQ(sampler.sample().perCoreUsage, (QList<double>{0, 0}));
    f.sources.setCores({ticks(20, 0, 20), ticks(10, 0, 30)});
    EXPECT_EQ(sampler.sample().perCoreUsage, (QList<double>{0.5, 0.0}));
}

TEST(ProcessorShares, FailedReadLeavesTheBaseline)
{
    Fixture f;
    f.sources.setCores({ticks(0, 0, 0)});
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    f.sources.ticks.reset();
    const MonitorSample failed = sampler.sample();
    EXPECT_EQ(failed.cpuUsage, 0.0);
    EXPECT_TRUE(failed.perCoreUsage.isEmpty());
    f.sources.setCores({ticks(30, 0, 10)});
    EXPECT_DOUBLE_EQ(sampler.sample().cpuUsage, 0.75);
}

TEST(ProcessorShares, FailedPrimeGivesZerosOnceThenRealFigures)
{
    Fixture f;
    f.sources.ticks.reset();
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    f.sources.setCores({ticks(10, 0, 10), ticks(10, 0, 10)});
    const MonitorSample first = sampler.sample();
    EXPECT_EQ(first.cpuUsage, 0.0);
    EXPECT_EQ(first.perCoreUsage, (QList<double>{0, 0}));
    f.sources.setCores({ticks(20, 0, 10), ticks(10, 0, 20)});
    EXPECT_DOUBLE_EQ(sampler.sample().cpuUsage, 0.5);
}

// ---------------------------------------------------------------- counters

struct DeltaCase {
    quint64 previous, current;
    int bits;
    quint64 delta;
};

TEST(CounterDelta, OwnWidth)
{
    const DeltaCase cases[] = {
        {100, 250, 64, 150},
        {100, 250, 32, 150},
        {4294967000u, 500, 32, 796},                 // passed 2^32 once
        {5'000'000'000ull, 100, 64, 0},              // a 64-bit counter that went back was reset
        {~0ull - 5, 10, 64, 0},                      // not taken for a wrap either
        {0xFFFFFFFFull, 0x1'0000'0004ull, 32, 5},    // only the low bits of a narrow counter count
        {7, 7, 32, 0},
    };
    for (const DeltaCase& c : cases)
        EXPECT_EQ(SystemSampler::counterDelta(c.previous, c.current, c.bits), c.delta) << c.previous << " → " << c.current << " @" << c.bits;
}

// ---------------------------------------------------------------- memory

struct MemoryCase {
    const char* name;
    MemoryPages pages;
    qint64 pageSize;
    quint64 physical;
    std::optional<int> level;
    qint64 used;
    double pressure;
};

void PrintTo(const MemoryCase& c, std::ostream* os) { *os << c.name; }

class MemoryFigures : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(MemoryFigures, UsedAndPressure)
{
    const MemoryCase& c = GetParam();
    Fixture f;
    f.sources.pages = c.pages;
    f.sources.page = c.pageSize;
    f.sources.physical = c.physical;
    f.sources.pressureLevel = c.level;
    SystemSampler sampler(f.sources, f.clock);
    const MonitorSample s = sampler.sample();
    EXPECT_EQ(s.memoryTotal, qint64(c.physical));
    EXPECT_EQ(s.memoryUsed, c.used);
    EXPECT_NEAR(s.memoryPressure, c.pressure, 1e-12);
}

// 1000 pages of 1000 bytes: a physical memory of 1,000,000 bytes.
INSTANTIATE_TEST_SUITE_P(
    Table, MemoryFigures,
    ::testing::Values(
        // Active pages count toward use but not toward pressure.
        MemoryCase{"no_level_is_unbanded", {400, 200, 100}, 1000, 1'000'000, std::nullopt, 700'000, 0.3},
        MemoryCase{"normal_band", {0, 1000, 0}, 1000, 1'000'000, 1, 1'000'000, 0.6},
        MemoryCase{"warning_band", {0, 250, 250}, 1000, 1'000'000, 2, 500'000, 0.725},
        MemoryCase{"critical_band", {0, 500, 500}, 1000, 1'000'000, 4, 1'000'000, 1.0},
        MemoryCase{"critical_empty", {0, 0, 0}, 1000, 1'000'000, 4, 0, 0.85},
        MemoryCase{"unknown_level_is_unbanded", {0, 300, 0}, 1000, 1'000'000, 3, 300'000, 0.3},
        MemoryCase{"zero_level_is_unbanded", {0, 300, 0}, 1000, 1'000'000, 0, 300'000, 0.3},
        // More in use than there is: capped at the total, and the share at 1.
        MemoryCase{"used_capped", {900, 500, 100}, 1000, 1'000'000, std::nullopt, 1'000'000, 0.6},
        MemoryCase{"share_capped", {0, 2000, 0}, 1000, 1'000'000, 1, 1'000'000, 0.6},
        MemoryCase{"no_physical_memory", {10, 10, 10}, 1000, 0, 1, 0, 0.0},
        // Page counts whose bytes overflow 64 bits saturate instead of turning negative.
        MemoryCase{"huge_counts", {~0ull, ~0ull, ~0ull}, 4096, 1'000'000, std::nullopt, 1'000'000, 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MemoryFigures, FailedStatisticsGiveZerosWithoutAskingThePressure)
{
    Fixture f;
    f.sources.pages.reset();
    f.sources.pressureLevel = 4;
    SystemSampler sampler(f.sources, f.clock);
    const MonitorSample s = sampler.sample();
    EXPECT_EQ(s.memoryUsed, 0);
    EXPECT_EQ(s.memoryPressure, 0.0);
    EXPECT_EQ(f.sources.pressureReads, 0);
    EXPECT_EQ(s.memoryTotal, qint64(16ull << 30));
}

TEST(PressureBands, Formula)
{
    EXPECT_DOUBLE_EQ(SystemSampler::bandedPressure(0.5, 2), 0.725);
    EXPECT_DOUBLE_EQ(SystemSampler::bandedPressure(1.0, 4), 1.0);
    EXPECT_DOUBLE_EQ(SystemSampler::bandedPressure(1.0, 1), 0.6);
    EXPECT_DOUBLE_EQ(SystemSampler::bandedPressure(0.0, 2), 0.6);
    EXPECT_DOUBLE_EQ(SystemSampler::bandedPressure(0.4, std::nullopt), 0.4);
}

// ---------------------------------------------------------------- network

struct IntervalCase {
    std::chrono::nanoseconds interval;
    double inRate, outRate;
};

TEST(NetworkRates, IntervalsAtAndBelowTheMinimumGiveZero)
{
    const IntervalCase cases[] = {
        {1s, 1000, 500},
        {2s, 500, 250},
        {200ms + 1ns, 1000 / 0.200000001, 500 / 0.200000001},
        {200ms, 0, 0},  // exactly the minimum is too short
        {100ms, 0, 0},
        {0ns, 0, 0},
        {-1s, 0, 0},
    };
    for (const IntervalCase& c : cases) {
        Fixture f;
        f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 0, 0)};
        SystemSampler sampler(f.sources, f.clock);
        sampler.prime();
        f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 1000, 500)};
        f.clock.steady += c.interval;
        const MonitorSample s = sampler.sample();
        EXPECT_DOUBLE_EQ(s.networkInPerSecond, c.inRate) << c.interval.count() << " ns";
        EXPECT_DOUBLE_EQ(s.networkOutPerSecond, c.outRate) << c.interval.count() << " ns";
    }
}

TEST(NetworkRates, TooShortAnIntervalRebasesTheCounters)
{
    Fixture f;
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 0, 0)};
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 4000, 0)};
    f.clock.steady += 100ms;
    EXPECT_EQ(sampler.sample().networkInPerSecond, 0.0);
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 5000, 0)};
    f.clock.steady += 1s;
    EXPECT_DOUBLE_EQ(sampler.sample().networkInPerSecond, 1000.0);  // against 4000, not 0
}

TEST(NetworkRates, IntervalIsSteadyTimeNotWallTime)
{
    Fixture f;
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 0, 0)};
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 2000, 0)};
    f.clock.wall = f.clock.wall.addSecs(-3600);  // the wall clock was set back
    f.clock.steady += 2s;
    const MonitorSample s = sampler.sample();
    EXPECT_DOUBLE_EQ(s.networkInPerSecond, 1000.0);
    EXPECT_EQ(s.date, f.clock.wall);
}

TEST(NetworkRates, WrapsResetsAndInterfacesThatComeAndGo)
{
    Fixture f;
    using S = FakeSamplerSources;
    f.sources.links = QList<InterfaceLink>{S::link("en0", 4294967000u, 100, 32), S::link("eth0", 9'000'000'000ull, 10),
                                           S::link("gone0", 0, 0)};
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    f.sources.links = QList<InterfaceLink>{
        S::link("en0", 500, 300, 32),          // passed 2^32: 796 in, 200 out
        S::link("eth0", 1000, 20),             // 64-bit counter reset: nothing in, 10 out
        S::link("new0", 1'000'000, 1'000'000)  // new since the last reading: nothing
    };
    f.clock.advance(1s);
    const MonitorSample s = sampler.sample();
    EXPECT_DOUBLE_EQ(s.networkInPerSecond, 796.0);
    EXPECT_DOUBLE_EQ(s.networkOutPerSecond, 210.0);
    // The interface that was new now has a baseline.
    f.sources.links = QList<InterfaceLink>{S::link("en0", 500, 300, 32), S::link("eth0", 1000, 20), S::link("new0", 1'000'100, 1'000'000)};
    f.clock.advance(1s);
    EXPECT_DOUBLE_EQ(sampler.sample().networkInPerSecond, 100.0);
}

TEST(NetworkRates, WhichInterfacesCount)
{
    const char* uncounted[] = {"lo0", "lo", "utun3", "ipsec0", "gif0", "stf0", "awdl0", "llw0", "bridge100", "anpi0", "ap1"};
    // Linux's software links are told apart by the kernel, not by their names.
    const char* counted[] = {"en0", "eth0", "wlan0", "enp3s0", "wlp2s0", "wwan0", "usb0", "Lo0", "eno1", "br0", "veth1a2b3c"};
    for (const char* name : uncounted) EXPECT_FALSE(SystemSampler::countsInterface(name)) << name;
    for (const char* name : counted) EXPECT_TRUE(SystemSampler::countsInterface(name)) << name;

    // Only up, non-loopback links with statistics count, whatever their name.
    Fixture f;
    auto set = [&](quint64 bytes) {
        InterfaceLink down = FakeSamplerSources::link("eth1", bytes, bytes);
        down.up = false;
        InterfaceLink loopback = FakeSamplerSources::link("eth2", bytes, bytes);
        loopback.loopback = true;
        InterfaceLink noStats{"eth3", true, false, std::nullopt};
        InterfaceLink bridge = FakeSamplerSources::link("docker0", bytes, bytes);
        bridge.isVirtual = true;
        f.sources.links = QList<InterfaceLink>{down, loopback, noStats, bridge, FakeSamplerSources::link("wlan0", bytes, 0)};
    };
    set(0);
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    set(3000);
    f.clock.advance(1s);
    const MonitorSample s = sampler.sample();
    EXPECT_DOUBLE_EQ(s.networkInPerSecond, 3000.0);
    EXPECT_DOUBLE_EQ(s.networkOutPerSecond, 0.0);
}

struct VirtualCase {
    const char* name;
    QList<std::pair<const char*, bool>> links;  // name, virtual; each moves 1000 bytes in
    double in;
};

TEST(NetworkRates, VirtualLinksCountOnlyWhereNothingElseIsUp)
{
    const VirtualCase cases[] = {
        // A bridge, a bond, a VLAN and a WireGuard link carry what eth0 carries: counted once.
        {"host_with_software_links", {{"eth0", false}, {"br-4f2a", true}, {"bond0", true}, {"eth0.100", true}, {"wg0", true}}, 1000},
        {"two_physical", {{"eth0", false}, {"wlan0", false}, {"docker0", true}}, 2000},
        // A container's own link is virtual and is its only way out.
        {"container", {{"eth0", true}}, 1000},
        {"container_with_two_links", {{"eth0", true}, {"eth1", true}}, 2000},
        {"nothing_up", {}, 0},
    };
    for (const VirtualCase& c : cases) {
        Fixture f;
        auto set = [&](quint64 bytes) {
            QList<InterfaceLink> links;
            for (const auto& [name, isVirtual] : c.links) {
                InterfaceLink l = FakeSamplerSources::link(name, bytes, 0);
                l.isVirtual = isVirtual;
                links << l;
            }
            f.sources.links = links;
        };
        set(0);
        SystemSampler sampler(f.sources, f.clock);
        sampler.prime();
        set(1000);
        f.clock.advance(1s);
        EXPECT_DOUBLE_EQ(sampler.sample().networkInPerSecond, c.in) << c.name;
    }
}

TEST(NetworkRates, FailedInterfaceListGivesZeroTwice)
{
    Fixture f;
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 0, 0)};
    SystemSampler sampler(f.sources, f.clock);
    sampler.prime();
    f.sources.links.reset();
    f.clock.advance(1s);
    EXPECT_EQ(sampler.sample().networkInPerSecond, 0.0);
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 5000, 5000)};
    f.clock.advance(1s);
    const MonitorSample s = sampler.sample();
    EXPECT_EQ(s.networkInPerSecond, 0.0);
    EXPECT_EQ(s.networkOutPerSecond, 0.0);
}

// ---------------------------------------------------------------- priming

TEST(Priming, NeverPrimedSetsBothBaselines)
{
    Fixture f;
    f.sources.setCores({ticks(10, 0, 10), ticks(10, 0, 10)});
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 100, 100)};
    SystemSampler sampler(f.sources, f.clock);
    const MonitorSample first = sampler.sample();
    EXPECT_EQ(first.cpuUsage, 0.0);
    EXPECT_EQ(first.perCoreUsage, (QList<double>{0, 0}));
    EXPECT_EQ(first.networkInPerSecond, 0.0);
    EXPECT_EQ(first.networkOutPerSecond, 0.0);

    f.sources.setCores({ticks(20, 0, 10), ticks(20, 0, 10)});
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 1100, 600)};
    f.clock.advance(1s);
    const MonitorSample second = sampler.sample();
    EXPECT_DOUBLE_EQ(second.cpuUsage, 1.0);
    EXPECT_DOUBLE_EQ(second.networkInPerSecond, 1000.0);
    EXPECT_DOUBLE_EQ(second.networkOutPerSecond, 500.0);
}

TEST(Priming, FirstSampleAfterPrimeHasRealFigures)
{
    Fixture f;
    f.sources.setCores({ticks(100, 100, 100)});
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 100, 100)};
    SystemSampler sampler(f.sources, f.clock);
    sampler.sample();  // an earlier period's baseline
    f.clock.advance(30s);
    sampler.prime();
    f.sources.setCores({ticks(130, 100, 110)});
    f.sources.links = QList<InterfaceLink>{FakeSamplerSources::link("en0", 600, 300)};
    f.clock.advance(1s);
    const MonitorSample s = sampler.sample();
    EXPECT_DOUBLE_EQ(s.cpuUsage, 0.75);
    EXPECT_DOUBLE_EQ(s.networkInPerSecond, 500.0);
    EXPECT_DOUBLE_EQ(s.networkOutPerSecond, 200.0);
}

// ---------------------------------------------------------------- battery

struct BatteryCase {
    const char* name;
    std::optional<QVariantList> descriptions;
    std::optional<double> level;
    std::optional<bool> charging;
};

QVariantMap battery(QVariant current, QVariant max, QVariant charging = true)
{
    QVariantMap d{{"Type", "InternalBattery"}};
    if (current.isValid()) d["Current Capacity"] = current;
    if (max.isValid()) d["Max Capacity"] = max;
    if (charging.isValid()) d["Is Charging"] = charging;
    return d;
}

void PrintTo(const BatteryCase& c, std::ostream* os) { *os << c.name; }

class BatteryReading : public ::testing::TestWithParam<BatteryCase> {};

TEST_P(BatteryReading, LevelAndCharging)
{
    const BatteryCase& c = GetParam();
    Fixture f;
    f.sources.power = c.descriptions;
    SystemSampler sampler(f.sources, f.clock);
    const MonitorSample s = sampler.sample();
    ASSERT_EQ(s.batteryLevel.has_value(), c.level.has_value());
    EXPECT_EQ(s.isCharging.has_value(), s.batteryLevel.has_value());
    if (c.level) { EXPECT_DOUBLE_EQ(*s.batteryLevel, *c.level); }
    EXPECT_EQ(s.isCharging, c.charging);
}

const QVariant kNone;

INSTANTIATE_TEST_SUITE_P(
    Table, BatteryReading,
    ::testing::Values(
        BatteryCase{"of_its_maximum", QVariantList{battery(qint64(45), qint64(90))}, 0.5, true},
        BatteryCase{"no_maximum_reads_against_100", QVariantList{battery(qint64(57), kNone, false)}, 0.57, false},
        BatteryCase{"maximum_not_an_integer", QVariantList{battery(qint64(57), QString("90"), false)}, 0.57, false},
        BatteryCase{"maximum_zero", QVariantList{battery(qint64(57), qint64(0))}, 0.0, true},
        BatteryCase{"maximum_negative", QVariantList{battery(qint64(57), qint64(-5))}, 0.0, true},
        BatteryCase{"above_maximum_caps", QVariantList{battery(qint64(120), qint64(100))}, 1.0, true},
        BatteryCase{"negative_charge_floors", QVariantList{battery(qint64(-3), qint64(100))}, 0.0, true},
        BatteryCase{"int_typed_values", QVariantList{battery(int(30), int(60))}, 0.5, true},
        BatteryCase{"charging_missing_is_false", QVariantList{battery(qint64(10), qint64(100), kNone)}, 0.1, false},
        BatteryCase{"charging_not_a_boolean_is_false", QVariantList{battery(qint64(10), qint64(100), QString("Yes"))}, 0.1, false},
        // A battery that gives no charge reading shows no level rather than an invented 0 %.
        BatteryCase{"no_current_capacity", QVariantList{battery(kNone, qint64(100))}, std::nullopt, std::nullopt},
        BatteryCase{"current_not_an_integer", QVariantList{battery(QString("57"), qint64(100))}, std::nullopt, std::nullopt},
        BatteryCase{"first_internal_battery_wins",
                    QVariantList{QVariant(QString("junk")), QVariantMap{{"Type", "UPS"}, {"Current Capacity", qint64(90)}},
                                 battery(qint64(20), qint64(100), false), battery(qint64(80), qint64(100))},
                    0.2, false},
        BatteryCase{"no_internal_battery", QVariantList{QVariantMap{{"Type", "UPS"}, {"Current Capacity", qint64(90)}}},
                    std::nullopt, std::nullopt},
        BatteryCase{"empty_list", QVariantList{}, std::nullopt, std::nullopt},
        BatteryCase{"unreadable_list", std::nullopt, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- the whole sample

TEST(Sample, CarriesEveryReading)
{
    Fixture f;
    f.sources.setCores({ticks(1, 1, 1)});
    f.sources.pages = MemoryPages{10, 20, 30};
    f.sources.page = 4096;
    f.sources.pressureLevel = 1;
    f.sources.swap = 123456789;
    f.sources.thermal = ThermalState::Serious;
    f.sources.power = QVariantList{battery(qint64(50), qint64(100), true)};
    SystemSampler sampler(f.sources, f.clock);
    const MonitorSample s = sampler.sample();
    EXPECT_EQ(s.date, f.clock.wall);
    EXPECT_EQ(s.memoryUsed, 60 * 4096);
    EXPECT_EQ(s.swapUsed, 123456789);
    EXPECT_EQ(s.thermalState, ThermalState::Serious);
    EXPECT_EQ(s.batteryLevel, 0.5);
    EXPECT_EQ(s.isCharging, true);

    MonitorSample other = s;
    EXPECT_EQ(other, s);
    other.swapUsed += 1;
    EXPECT_NE(other, s);
}

TEST(Sample, FailedSwapAndThermalReadsAreNeutral)
{
    Fixture f;
    f.sources.swap.reset();
    f.sources.thermal = ThermalState::Unknown;
    SystemSampler sampler(f.sources, f.clock);
    const MonitorSample s = sampler.sample();
    EXPECT_EQ(s.swapUsed, 0);
    EXPECT_EQ(s.thermalState, ThermalState::Unknown);  // no zone to read: not made up as nominal
}

}  // namespace
