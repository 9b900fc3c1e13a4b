// The Linux readers of the live sampler against recorded /proc and /sys trees, the
// parsers against damaged text, and one run against this machine.
#include "monitor/SystemSampler.h"
#include "platform/linux/LinuxSamplerSources.h"

#include "FakeSamplerSources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + name; }

constexpr quint64 kKiB = 1024;

TEST(LinuxSamplerLaptop, ProcessorsWithAGapInTheNumbering)
{
    const LinuxSamplerSources src(fixture("monitor-laptop"), 4096);
    const auto ticks = src.processorTicks();
    ASSERT_TRUE(ticks);
    EXPECT_EQ(ticks->counterBits, 64);
    // cpu0, cpu2, cpu3: the offline cpu1 is simply not there; the sum line is not a processor.
    // Every kind apart: user, system, idle, nice, irq, softirq, steal, iowait.
    EXPECT_EQ(ticks->cores, (QList<CoreTickCounts>{{400, 100, 2000, 10, 5, 5, 0, 50},
                                                   {300, 150, 3000, 10, 3, 10, 2, 25},
                                                   {500, 150, 3000, 10, 2, 5, 0, 25}}));
}

TEST(LinuxSamplerLaptop, MemoryWithoutZswapAndWithoutPressure)
{
    const LinuxSamplerSources src(fixture("monitor-laptop"), 4096);
    EXPECT_EQ(src.physicalMemory(), 8000000 * kKiB);
    // wired = Unevictable + SUnreclaim + KernelStack + PageTables = 120000 kB;
    // active = (MemTotal − MemAvailable) − wired = 2880000 kB.
    EXPECT_EQ(src.memory().pages, (MemoryPages{2880000 / 4, 120000 / 4, 0}));
    EXPECT_EQ(src.memoryPressureLevel(), std::nullopt);
    EXPECT_EQ(src.memory().swapUsed, qint64(1048576 * kKiB));
    EXPECT_EQ(src.pageSize(), 4096);
}

TEST(LinuxSamplerLaptop, InternalBatteryBesideMainsAndAMouse)
{
    const LinuxSamplerSources src(fixture("monitor-laptop"));
    const auto b = SystemSampler::battery(src.powerSourceDescriptions());
    ASSERT_TRUE(b);
    EXPECT_DOUBLE_EQ(b->first, 0.57);  // BAT0, not the mouse's 12 %
    EXPECT_TRUE(b->second);
}

TEST(LinuxSamplerLaptop, ThermalTripPoints)
{
    // One zone far below its trips, one within ten degrees of its passive trip.
    const LinuxSamplerSources src(fixture("monitor-laptop"));
    EXPECT_EQ(src.thermalState(), ThermalState::Fair);
}

TEST(LinuxSamplerLaptop, InterfacesWithFlagsAndWideCounters)
{
    const LinuxSamplerSources src(fixture("monitor-laptop"));
    const auto links = src.interfaceLinks();
    ASSERT_TRUE(links);
    // bonding_masters is a control file, not an interface; the bridge, the container pair
    // and the loopback have their devices under /sys/devices/virtual/net.
    const QList<InterfaceLink> expected{
        {"docker0", true, false, ByteCounters{777, 888, 64}, true},
        {"eth0", false, false, ByteCounters{10, 20, 64}, false},
        {"lo", true, true, ByteCounters{5000, 5000, 64}, true},
        {"veth12ab", true, false, ByteCounters{777, 888, 64}, true},
        {"wlan0", true, false, ByteCounters{18446744073709551000ull, 123456789, 64}, false},
    };
    EXPECT_EQ(*links, expected);
}

TEST(LinuxSamplerServer, ZswapPressureAndNoBattery)
{
    const LinuxSamplerSources src(fixture("monitor-server"), 4096);
    const auto ticks = src.processorTicks();
    ASSERT_TRUE(ticks);
    // A line with only the four oldest fields reads the rest as 0; guest time is already
    // part of user and nice, so the fields after steal are not read.
    EXPECT_EQ(ticks->cores, (QList<CoreTickCounts>{{10, 2, 30, 1, 5, 6, 7, 4}, {1, 3, 4, 2}}));
    // compressed = Zswap (the pool, not what it holds); active = 12000000 − 400000 − 1600000 kB.
    EXPECT_EQ(src.memory().pages, (MemoryPages{10000000 / 4, 400000 / 4, 1600000 / 4}));
    EXPECT_EQ(src.memoryPressureLevel(), 2);
    EXPECT_EQ(src.memory().swapUsed, 0);
    EXPECT_EQ(src.thermalState(), ThermalState::Unknown);
    EXPECT_EQ(SystemSampler::battery(src.powerSourceDescriptions()), std::nullopt);
}

TEST(LinuxSamplerDamaged, EveryReadDegradesToAbsent)
{
    const LinuxSamplerSources src(fixture("monitor-damaged"), 4096);
    EXPECT_EQ(src.processorTicks(), std::nullopt);  // a torn line would misplace every later processor
    EXPECT_EQ(src.memory().pages, std::nullopt);
    EXPECT_EQ(src.physicalMemory(), 0u);
    EXPECT_EQ(src.memory().swapUsed, std::nullopt);  // more free than there is
    EXPECT_EQ(src.memoryPressureLevel(), std::nullopt);
    EXPECT_EQ(SystemSampler::battery(src.powerSourceDescriptions()), std::nullopt);  // no charge reading
    const auto links = src.interfaceLinks();
    ASSERT_TRUE(links);
    const QList<InterfaceLink> expected{{"eth1", true, false, std::nullopt}, {"eth2", true, false, std::nullopt}};
    EXPECT_EQ(*links, expected);
}

TEST(LinuxSamplerMissing, EmptyRootHasNoReadings)
{
    const LinuxSamplerSources src(fixture("monitor-nonexistent"), 4096);
    EXPECT_EQ(src.processorTicks(), std::nullopt);
    EXPECT_EQ(src.memory().pages, std::nullopt);
    EXPECT_EQ(src.memory().swapUsed, std::nullopt);
    EXPECT_EQ(src.memoryPressureLevel(), std::nullopt);
    EXPECT_EQ(src.interfaceLinks(), std::nullopt);
    EXPECT_EQ(src.thermalState(), ThermalState::Unknown);
    EXPECT_EQ(SystemSampler::battery(src.powerSourceDescriptions()), std::nullopt);
}

// A sample's memory figures and its swap come from one reading of meminfo: the sampler takes
// both from one call, which reads the file once, so the two agree even while the file changes;
// each call reads the file afresh.
TEST(LinuxSamplerKeptFiles, OneSampleReadsMeminfoOnce)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("proc"));
    auto put = [&](quint64 swapFreeKiB) {
        QFile f(dir.filePath("proc/meminfo"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("MemTotal: 4000 kB\nMemAvailable: 3000 kB\nSwapTotal: 100 kB\nSwapFree: " +
                QByteArray::number(swapFreeKiB) + " kB\n");
    };
    // What the sampler is given: the host's readers, counted.
    struct Counted : SamplerSources {
        const LinuxSamplerSources& real;
        mutable int memoryAsked = 0;
        explicit Counted(const LinuxSamplerSources& r) : real(r) {}
        std::optional<ProcessorTicks> processorTicks() const override { return real.processorTicks(); }
        std::optional<int> memoryPressureLevel() const override { return real.memoryPressureLevel(); }
        MemoryReading memory() const override { return ++memoryAsked, real.memory(); }
        ThermalState thermalState() const override { return real.thermalState(); }
        std::optional<QVariantList> powerSourceDescriptions() const override { return real.powerSourceDescriptions(); }
        std::optional<QList<InterfaceLink>> interfaceLinks() const override { return real.interfaceLinks(); }
        quint64 physicalMemory() const override { return 4000 * kKiB; }
        qint64 pageSize() const override { return 1024; }
    };
    const LinuxSamplerSources src(dir.path(), 1024);
    put(40);
    EXPECT_EQ(src.memory(), (MemoryReading{MemoryPages{1000, 0, 0}, qint64(60 * kKiB)}));
    const Counted counted(src);
    FakeSamplerClock clock;
    SystemSampler sampler(counted, clock);
    const MonitorSample s = sampler.sample();
    EXPECT_EQ(counted.memoryAsked, 1) << "a second read of the file for one sample";
    EXPECT_EQ(s.swapUsed, qint64(60 * kKiB));
    EXPECT_EQ(s.memoryUsed, qint64(1000 * kKiB));
    // The next call reads the file as it is now; a file gone reads as absent for both.
    put(10);
    EXPECT_EQ(src.memory().swapUsed, qint64(90 * kKiB));
    QFile::remove(dir.filePath("proc/meminfo"));
    EXPECT_EQ(src.memory(), MemoryReading{});
    EXPECT_EQ(src.memory().pages, std::nullopt);
    put(70);
    EXPECT_EQ(src.memory().swapUsed, qint64(30 * kKiB));
}

// The sampler keeps its files open between readings: what it reads must still be what the
// files say after each is rewritten, removed, put back or replaced by another file.
TEST(LinuxSamplerKeptFiles, ReadingsFollowFilesThatChangeGoAndComeBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("proc/pressure"));
    auto put = [&](const char* relative, const QByteArray& text) {
        QFile f(dir.filePath(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));  // the same file, rewritten
        f.write(text);
    };
    auto replace = [&](const char* relative, const QByteArray& text) {
        // Another file under the name, as an editor or an atomic writer leaves it.
        const QString next = dir.filePath(QString(relative) + ".new");
        QFile f(next);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        ASSERT_EQ(::rename(QFile::encodeName(next).constData(), QFile::encodeName(dir.filePath(relative)).constData()), 0);
    };
    auto remove = [&](const char* relative) { ASSERT_TRUE(QFile::remove(dir.filePath(relative))); };
    auto stat = [](quint64 user) { return QByteArray("cpu  9 0 0 0\ncpu0 ") + QByteArray::number(user) + " 0 5 100\n"; };
    auto meminfo = [](quint64 availableKiB) {
        return QByteArray("MemTotal: 4000 kB\nMemAvailable: ") + QByteArray::number(availableKiB) +
               " kB\nSwapTotal: 100 kB\nSwapFree: 40 kB\n";
    };
    const QByteArray calm = "some avg10=0.00 avg60=0.00 avg300=0.00 total=0\nfull avg10=0.00 avg60=0.00 avg300=0.00 total=0\n";
    const QByteArray stalled = "some avg10=25.00 avg60=0.00 avg300=0.00 total=9\nfull avg10=0.00 avg60=0.00 avg300=0.00 total=0\n";

    const LinuxSamplerSources src(dir.path(), 1024);
    auto user = [&]() -> std::optional<quint64> {
        const auto ticks = src.processorTicks();
        if (!ticks || ticks->cores.isEmpty()) return std::nullopt;
        return ticks->cores.first().user;
    };
    auto active = [&]() -> std::optional<quint64> {
        const auto pages = src.memory().pages;
        if (!pages) return std::nullopt;
        return pages->active;
    };

    put("proc/stat", stat(10));
    put("proc/meminfo", meminfo(3000));
    put("proc/pressure/memory", calm);
    EXPECT_EQ(user(), 10u);
    EXPECT_EQ(active(), 1000u);  // (4000 − 3000) kB in pages of 1 KiB
    EXPECT_EQ(src.memory().swapUsed, qint64(60 * kKiB));
    EXPECT_EQ(src.memoryPressureLevel(), 1);

    // Rewritten in place, and longer than before: read again from the start, whole.
    put("proc/stat", stat(123456789));
    put("proc/meminfo", meminfo(2500) + QByteArray(5000, '\n'));
    put("proc/pressure/memory", stalled);
    EXPECT_EQ(user(), 123456789u);
    EXPECT_EQ(active(), 1500u);
    EXPECT_EQ(src.memoryPressureLevel(), 2);

    // Shorter again: nothing of the longer text is left behind.
    put("proc/stat", stat(7));
    EXPECT_EQ(user(), 7u);

    // Gone: absent, every time it is asked.
    remove("proc/stat");
    remove("proc/meminfo");
    remove("proc/pressure/memory");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(user(), std::nullopt);
        EXPECT_EQ(active(), std::nullopt);
        EXPECT_EQ(src.memory().swapUsed, std::nullopt);
        EXPECT_EQ(src.memoryPressureLevel(), std::nullopt);
    }

    // Back: read at the next reading.
    put("proc/stat", stat(20));
    put("proc/meminfo", meminfo(1000));
    put("proc/pressure/memory", calm);
    EXPECT_EQ(user(), 20u);
    EXPECT_EQ(active(), 3000u);
    EXPECT_EQ(src.memoryPressureLevel(), 1);

    // Replaced by another file under the same name while open: the new one is read.
    replace("proc/stat", stat(30));
    replace("proc/meminfo", meminfo(2000));
    replace("proc/pressure/memory", stalled);
    EXPECT_EQ(user(), 30u);
    EXPECT_EQ(active(), 2000u);
    EXPECT_EQ(src.memoryPressureLevel(), 2);

    // Damaged in place: absent, and right again once mended.
    put("proc/stat", "cpu0 x y z\n");
    EXPECT_EQ(user(), std::nullopt);
    put("proc/stat", stat(40));
    EXPECT_EQ(user(), 40u);
}

// The kept kernel files and routing socket answer every reading, each with the figures of
// that moment.
TEST(LinuxSamplerKeptFiles, HostReadingsOverKeptFilesAndOneSocket)
{
    const LinuxSamplerSources src;
    const auto ticks = src.processorTicks();
    ASSERT_TRUE(ticks);
    for (int i = 0; i < 3; ++i) {
        QThread::msleep(20);
        const auto later = src.processorTicks();
        ASSERT_TRUE(later);
        ASSERT_EQ(later->cores.size(), ticks->cores.size());
        for (qsizetype k = 0; k < ticks->cores.size(); ++k) {
            const CoreTickCounts& a = ticks->cores[k];
            const CoreTickCounts& b = later->cores[k];
            EXPECT_GE(b.user + b.system + b.nice, a.user + a.system + a.nice) << k;
        }
        EXPECT_TRUE(src.memory().pages);
        EXPECT_TRUE(src.memory().swapUsed);
    }
    const auto first = src.interfaceLinks();
    ASSERT_TRUE(first);
    for (int i = 0; i < 3; ++i) {
        const auto again = src.interfaceLinks();
        ASSERT_TRUE(again);
        ASSERT_EQ(again->size(), first->size());
        for (qsizetype k = 0; k < first->size(); ++k) {
            EXPECT_EQ(again->at(k).name, first->at(k).name);
            EXPECT_EQ(again->at(k).isVirtual, first->at(k).isVirtual);
            // Counters only grow (or wrap, which three readings in a row will not see).
            if (again->at(k).counters && first->at(k).counters) {
                EXPECT_GE(again->at(k).counters->inBytes, first->at(k).counters->inBytes);
            }
        }
    }
    // Each the same as a dump over a socket of its own.
    const auto fresh = LinuxSamplerSources::linksFromNetlink();
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->size(), first->size());
}

struct StatCase {
    const char* name;
    const char* text;
    std::optional<QList<CoreTickCounts>> cores;
};

TEST(ProcessorTicksParser, Table)
{
    const StatCase cases[] = {
        {"no_processor_lines", "cpu  1 2 3 4\nintr 5\n", QList<CoreTickCounts>{}},
        {"empty", "", QList<CoreTickCounts>{}},
        {"no_trailing_newline", "cpu0 1 2 3 4", QList<CoreTickCounts>{{1, 3, 4, 2}}},
        {"extra_spaces_and_guest_fields", "cpu7  1  2 3 4 5 6 7 8 9 10\n", QList<CoreTickCounts>{{1, 3, 4, 2, 6, 7, 8, 5}}},
        {"too_few_fields", "cpu0 1 2 3\n", std::nullopt},
        {"negative", "cpu0 1 -2 3 4\n", std::nullopt},
        {"word", "cpu0 1 2 x 4\n", std::nullopt},
        {"overflowing_number", "cpu0 1 2 3 99999999999999999999999\n", std::nullopt},
        {"cpufreq_line_is_not_a_processor", "cpufreq 1 2 3 4\ncpu0 1 2 3 4\n", QList<CoreTickCounts>{{1, 3, 4, 2}}},
    };
    for (const StatCase& c : cases) {
        const auto ticks = LinuxSamplerSources::parseProcessorTicks(QByteArray(c.text));
        ASSERT_EQ(ticks.has_value(), c.cores.has_value()) << c.name;
        if (ticks) { EXPECT_EQ(ticks->cores, *c.cores) << c.name; }
    }
}

struct PressureCase {
    const char* text;
    std::optional<int> level;
};

TEST(PressureLevelParser, Thresholds)
{
    const PressureCase cases[] = {
        {"some avg10=0.00 avg60=0.00 avg300=0.00 total=0\nfull avg10=0.00 avg60=0.00 avg300=0.00 total=0\n", 1},
        {"some avg10=9.99 avg60=0 avg300=0 total=1\nfull avg10=9.99 avg60=0 avg300=0 total=1\n", 1},
        {"some avg10=10.00 avg60=0 avg300=0 total=1\nfull avg10=2.00 avg60=0 avg300=0 total=1\n", 2},
        {"some avg10=80.00 avg60=0 avg300=0 total=1\nfull avg10=10.00 avg60=0 avg300=0 total=1\n", 4},
        {"some avg10=12.00 avg60=0 avg300=0 total=1\n", 2},  // older kernels: no "full" line
        {"full avg10=50.00 avg60=0 avg300=0 total=1\n", std::nullopt},
        {"some avg10=abc avg60=0\n", std::nullopt},
        {"some avg10=-1.00 avg60=0\n", std::nullopt},
        {"some avg10=inf avg60=0\n", std::nullopt},
        {"some avg60=1.00\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const PressureCase& c : cases)
        EXPECT_EQ(LinuxSamplerSources::parsePressureLevel(QByteArray(c.text)), c.level) << c.text;
}

TEST(MemoryParser, Damage)
{
    // Without MemAvailable (old kernels) the active list stands in.
    EXPECT_EQ(LinuxSamplerSources::parseMemoryPages("MemTotal: 4096 kB\nActive: 2048 kB\nZswap: 1024 kB\n", 1024),
              (MemoryPages{2048, 0, 1024}));
    EXPECT_EQ(LinuxSamplerSources::parseMemoryPages("MemTotal: 4096 kB\n", 1024), std::nullopt);
    // More available than in total: nothing in use beyond what is accounted for.
    EXPECT_EQ(LinuxSamplerSources::parseMemoryPages("MemTotal: 100 kB\nMemAvailable: 200 kB\nPageTables: 4 kB\n", 1024),
              (MemoryPages{0, 4, 0}));
    EXPECT_EQ(LinuxSamplerSources::parseMemoryPages("MemTotal: 100 kB\nMemAvailable: 50 kB\n", 0), std::nullopt);
    // A value too large for bytes saturates instead of wrapping.
    const auto huge = LinuxSamplerSources::parseMemoryPages("MemTotal: 18446744073709551615 kB\nMemAvailable: 0 kB\n", 1);
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->active, ~0ull);
    EXPECT_EQ(LinuxSamplerSources::parseSwapUsed("SwapTotal: 10 kB\n"), std::nullopt);
    EXPECT_EQ(LinuxSamplerSources::parseSwapUsed("SwapTotal: 10 kB\nSwapFree: 4 kB\n"), qint64(6 * kKiB));
}

TEST(LinuxSamplerZfs, ArcAboveItsMinimumIsCache)
{
    const LinuxSamplerSources src(fixture("monitor-zfs"), 4096);
    // in use = 32000000 − 8000000 kB, less the ARC above its minimum (13312000000 −
    // 1024000000 bytes = 12000000 kB); wired = 300000 kB.
    EXPECT_EQ(src.memory().pages, (MemoryPages{(24000000 - 12000000 - 300000) / 4, 300000 / 4, 0}));
}

struct MemoryCase {
    const char* name;
    const char* meminfo;
    std::optional<QByteArray> arcstats;
    std::optional<MemoryPages> pages;  // in KiB pages
};

TEST(MemoryParser, AvailableAndArc)
{
    const char* normal = "MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 600 kB\nBuffers: 50 kB\nCached: 300 kB\n"
                         "SReclaimable: 80 kB\nShmem: 30 kB\nPageTables: 10 kB\n";
    const QByteArray arc = "name type data\nc_min 4 102400\nsize 4 307200\n";  // 200 KiB above the minimum
    const MemoryCase cases[] = {
        {"mem_available", normal, std::nullopt, MemoryPages{1000 - 600 - 10, 10, 0}},
        // 0 and beyond the total are not readings: free + buffers + cached + reclaimable slab − shared.
        {"mem_available_zero", "MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 0 kB\nBuffers: 50 kB\nCached: 300 kB\n"
                               "SReclaimable: 80 kB\nShmem: 30 kB\n", std::nullopt, MemoryPages{1000 - 500, 0, 0}},
        {"mem_available_beyond_total", "MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 4000 kB\nCached: 300 kB\n",
         std::nullopt, MemoryPages{600, 0, 0}},
        {"no_mem_available", "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 300 kB\n", std::nullopt,
         MemoryPages{550, 0, 0}},
        // More shared memory than the rest: nothing is available.
        {"shmem_beyond_the_rest", "MemTotal: 1000 kB\nMemFree: 10 kB\nMemAvailable: 0 kB\nShmem: 500 kB\n", std::nullopt,
         MemoryPages{1000, 0, 0}},
        // More free than in total: capped at the total.
        {"free_beyond_total", "MemTotal: 1000 kB\nMemFree: 3000 kB\nMemAvailable: 0 kB\n", std::nullopt, MemoryPages{0, 0, 0}},
        {"arc", normal, arc, MemoryPages{1000 - 600 - 200 - 10, 10, 0}},
        {"arc_at_its_minimum", normal, QByteArray("c_min 4 307200\nsize 4 307200\n"), MemoryPages{390, 10, 0}},
        {"arc_below_its_minimum", normal, QByteArray("c_min 4 409600\nsize 4 307200\n"), MemoryPages{390, 10, 0}},
        // An ARC larger than all use leaves nothing but the wired pages.
        {"arc_beyond_use", normal, QByteArray("c_min 4 0\nsize 4 10240000\n"), MemoryPages{0, 10, 0}},
        {"arc_without_minimum", normal, QByteArray("size 4 307200\n"), MemoryPages{390, 10, 0}},
        {"arc_garbage", normal, QByteArray("c_min 4 abc\nsize four 307200\n\x01\x02"), MemoryPages{390, 10, 0}},
        {"arc_empty", normal, QByteArray(), MemoryPages{390, 10, 0}},
    };
    for (const MemoryCase& c : cases)
        EXPECT_EQ(LinuxSamplerSources::parseMemoryPages(QByteArray(c.meminfo), 1024, c.arcstats), c.pages) << c.name;
}

// ---------------------------------------------------------------- this machine

TEST(LinuxSamplerHost, ReadsThisMachine)
{
    const LinuxSamplerSources src;
    const auto ticks = src.processorTicks();
    ASSERT_TRUE(ticks);
    EXPECT_GE(ticks->cores.size(), 1);
    // Online processors, not the ones this process may run on (CI may pin it to a few).
    EXPECT_LE(ticks->cores.size(), qsizetype(sysconf(_SC_NPROCESSORS_CONF)));
    EXPECT_GT(src.physicalMemory(), 0u);
    EXPECT_GT(src.pageSize(), 0);
    EXPECT_TRUE(src.memory().pages);
    const auto links = src.interfaceLinks();
    ASSERT_TRUE(links);
    const auto lo = std::find_if(links->cbegin(), links->cend(), [](const InterfaceLink& l) { return l.name == "lo"; });
    ASSERT_NE(lo, links->cend());
    EXPECT_TRUE(lo->loopback);

    // The fallback list for machines without /sys/class/net.
    const auto packetLinks = LinuxSamplerSources::linksFromInterfaceAddresses();
    ASSERT_TRUE(packetLinks);
    for (const InterfaceLink& l : *packetLinks)
        if (l.counters) { EXPECT_EQ(l.counters->counterBits, 32) << l.name.toStdString(); }

    SystemSampler sampler(src);
    sampler.prime();
    QThread::msleep(250);
    const MonitorSample s = sampler.sample();
    EXPECT_EQ(s.perCoreUsage.size(), ticks->cores.size());
    EXPECT_GE(s.cpuUsage, 0.0);
    EXPECT_LE(s.cpuUsage, 1.0);
    for (double c : s.perCoreUsage) EXPECT_TRUE(c >= 0.0 && c <= 1.0) << c;
    EXPECT_GT(s.memoryUsed, 0);
    EXPECT_LE(s.memoryUsed, s.memoryTotal);
    EXPECT_GE(s.memoryPressure, 0.0);
    EXPECT_LE(s.memoryPressure, 1.0);
    EXPECT_GE(s.networkInPerSecond, 0.0);
    EXPECT_GE(s.networkOutPerSecond, 0.0);
    EXPECT_EQ(s.batteryLevel.has_value(), s.isCharging.has_value());
}

}  // namespace

TEST(LinuxSamplerMemory, TotalIsTheInstalledSizeTheInspectionShows)
{
    // The memory blocks say 16 GiB while MemTotal is smaller: the monitor's total agrees with the overview.
    const LinuxSamplerSources src(QStringLiteral(QRL_FIXTURES_DIR "/memory-blocks"), 4096);
    EXPECT_EQ(src.physicalMemory(), 16ull * 1024 * 1024 * 1024);
}
