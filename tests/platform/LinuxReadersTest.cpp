#include "platform/linux/LinuxCpuTopology.h"
#include "platform/linux/LinuxNetworkInterfaces.h"
#include "platform/linux/LinuxNetworkPathMonitor.h"
#include "platform/linux/LinuxPowerSources.h"
#include "platform/linux/LinuxSamplerSources.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/SysFs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <netinet/in.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {
QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + name; }

std::optional<QString> sysctlText(const SystemFacts& f, const char* name)
{
    auto raw = f.sysctl(name);
    if (!raw) return std::nullopt;
    return QString::fromUtf8(raw->left(raw->indexOf('\0')));
}
}  // namespace

TEST(LinuxSystemFacts, LaptopTree)
{
    const LinuxSystemFacts f(fixture("laptop"), "/home/ada");
    EXPECT_EQ(sysctlText(f, "hw.model"), "21AHCTO1WW");
    EXPECT_EQ(sysctlText(f, "machdep.cpu.brand_string"), "12th Gen Intel(R) Core(TM) i7-1260P");
    EXPECT_EQ(sysctlText(f, "kern.osversion"), "6.1.0-18-amd64");
    EXPECT_FALSE(f.sysctl("hw.optional.arm64"));       // not an arm64 machine
    EXPECT_FALSE(f.sysctl("sysctl.proc_translated"));  // nothing runs translated here
    EXPECT_FALSE(f.sysctl("no.such.name"));
    EXPECT_EQ(f.hostName(), QString::fromUtf8("Ada’s ThinkPad"));
    EXPECT_EQ(f.physicalMemory(), 16093452ull * 1024);
    EXPECT_EQ(f.cpuVendor(), "Intel");
    EXPECT_EQ(f.machineArchitecture(), "x86_64");
    const OperatingSystem os = f.operatingSystem();
    EXPECT_EQ(os.name, "Debian GNU/Linux");
    EXPECT_EQ(os.version, "12");
    EXPECT_EQ(f.volumeName("/home/ada"), "Home Disk");  // the label, not the device
    EXPECT_EQ(f.volumeName("/var/tmp"), "nvme0n1p2");   // no label: the device name
    EXPECT_EQ(f.thermalState(), ThermalState::Nominal);
}

TEST(LinuxSystemFacts, EmptyAndGarbageTreesGiveAbsentReadings)
{
    for (const char* tree : {"vm", "garbage", "does-not-exist"}) {
        SCOPED_TRACE(tree);
        const LinuxSystemFacts f(fixture(tree), "/");
        EXPECT_FALSE(f.sysctl("hw.model"));
        EXPECT_FALSE(f.sysctl("kern.osversion"));
        EXPECT_EQ(f.thermalState(), ThermalState::Unknown);
        EXPECT_FALSE(f.volumeName("/home"));
    }
    const LinuxSystemFacts vm(fixture("vm"));
    EXPECT_EQ(vm.operatingSystem().name, "Linux");
    EXPECT_EQ(vm.cpuVendor(), "AMD");
    EXPECT_EQ(vm.hostName(), "debian");
    const LinuxSystemFacts garbage(fixture("garbage"));
    EXPECT_FALSE(garbage.hostName());
    EXPECT_EQ(garbage.physicalMemory(), 0u);
    EXPECT_FALSE(garbage.cpuVendor());
    EXPECT_EQ(garbage.operatingSystem().name, "Linux");
}

TEST(LinuxSystemFacts, CpuVendorAndMachineFromCpuinfo)
{
    struct Case {
        const char* cpuinfo;
        std::optional<QString> vendor;
        const char* machine;
        std::optional<qint32> arm64;  // "hw.optional.arm64": 1 only on Apple's own arm64 processors
    };
    const Case cases[] = {
        {"processor\t: 0\nvendor_id\t: GenuineIntel\n", QStringLiteral("Intel"), "x86_64", std::nullopt},
        {"processor\t: 0\nvendor_id\t: AuthenticAMD\n", QStringLiteral("AMD"), "x86_64", std::nullopt},
        {"processor\t: 0\nvendor_id\t:   Shanghai  \n", QStringLiteral("Zhaoxin"), "x86_64", std::nullopt},
        {"processor\t: 0\nvendor_id\t: CentaurHauls\n", QStringLiteral("Zhaoxin"), "x86_64", std::nullopt},
        {"processor\t: 0\nvendor_id\t: SomethingNew\n", std::nullopt, "x86_64", std::nullopt},
        {"processor\t: 0\nCPU implementer\t: 0x41\n\nprocessor\t: 1\nCPU implementer\t: 0x41\n", QStringLiteral("Arm"), "aarch64", 0},
        {"processor\t: 0\nCPU implementer\t: 0x61\n", QStringLiteral("Apple"), "aarch64", 1},
        {"processor\t: 0\nCPU implementer\t: zz\n", std::nullopt, "aarch64", 0},
        {"", std::nullopt, "", std::nullopt},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("proc"));
        QFile f(dir.filePath("proc/cpuinfo"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.cpuinfo);
        f.close();
        const LinuxSystemFacts facts(dir.path(), "/");
        EXPECT_EQ(facts.cpuVendor(), c.vendor) << c.cpuinfo;
        EXPECT_EQ(facts.machineArchitecture(), c.machine) << c.cpuinfo;
        const auto flag = facts.sysctl("hw.optional.arm64");
        EXPECT_EQ(flag, c.arm64 ? std::optional<QByteArray>(SysctlValue::int32(*c.arm64)) : std::nullopt) << c.cpuinfo;
    }
}

TEST(LinuxSystemFacts, ThermalStateFromTripPoints)
{
    struct Case {
        int temp;
        const char* trips;  // "type:temp,…"
        ThermalState expected;
    };
    const Case cases[] = {
        {45000, "passive:90000,critical:105000", ThermalState::Nominal},
        {82000, "passive:90000,critical:105000", ThermalState::Fair},
        {91000, "passive:90000,critical:105000", ThermalState::Serious},
        {106000, "passive:90000,critical:105000", ThermalState::Critical},
        {60000, "active:55000", ThermalState::Fair},
        {60000, "", ThermalState::Unknown},
        {98000, "critical:105000", ThermalState::Serious},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString zone = dir.filePath("sys/class/thermal/thermal_zone0");
        QDir().mkpath(zone);
        auto write = [&](const QString& name, const QByteArray& v) {
            QFile f(zone + '/' + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(v + '\n');
        };
        write("temp", QByteArray::number(c.temp));
        int i = 0;
        for (const QString& trip : QString(c.trips).split(',', Qt::SkipEmptyParts)) {
            write(QStringLiteral("trip_point_%1_type").arg(i), trip.section(':', 0, 0).toLatin1());
            write(QStringLiteral("trip_point_%1_temp").arg(i), trip.section(':', 1, 1).toLatin1());
            ++i;
        }
        EXPECT_EQ(readThermalState(SysFs(dir.path())), c.expected) << c.temp << " " << c.trips;
    }
}

TEST(LinuxPowerSources, TheInternalBatteryNotADevicesBattery)
{
    const LinuxPowerSources p(fixture("laptop"));
    EXPECT_EQ(p.internalBattery(), "BAT0");
    const auto list = p.powerSourceDescriptions();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 1);
    const QVariantMap d = list->first().toMap();
    EXPECT_EQ(d.value("Type"), "InternalBattery");
    EXPECT_EQ(d.value("Current Capacity").toLongLong(), 76);
    EXPECT_EQ(d.value("Max Capacity").toLongLong(), 100);
    EXPECT_EQ(d.value("Is Charging"), false);
    EXPECT_EQ(d.value("Power Source State"), "Battery Power");
    EXPECT_FALSE(d.contains("BatteryHealth"));  // the driver's "Good" is no verdict on wear
    EXPECT_EQ(p.smartBatteryProperties()->value("CycleCount").toLongLong(), 412);
}

TEST(LinuxPowerSources, NoBatteryOrAGarbledOne)
{
    const LinuxPowerSources vm(fixture("vm"));
    EXPECT_FALSE(vm.internalBattery());
    EXPECT_FALSE(vm.smartBatteryProperties());
    EXPECT_TRUE(vm.powerSourceDescriptions().value_or(QVariantList{1}).isEmpty());
    const LinuxPowerSources garbage(fixture("garbage"));
    const auto list = garbage.powerSourceDescriptions();
    ASSERT_TRUE(list && list->size() == 1);
    EXPECT_FALSE(list->first().toMap().contains("Current Capacity"));  // "eleventy" is no reading
    EXPECT_FALSE(garbage.smartBatteryProperties()->contains("CycleCount"));
    EXPECT_FALSE(garbage.smartBatteryProperties()->contains("CurrentCapacity"));
}

TEST(LinuxNetworkPath, DefaultRoutesDecideStatusTypesAndFamilies)
{
    const SysFs fs(fixture("laptop"));
    auto addr = [](const char* name, int family, const char* host, bool up = true) {
        InterfaceAddress a;
        a.name = name; a.family = family; a.numericHost = host; a.up = up;
        return a;
    };
    const QList<InterfaceAddress> both = {addr("lo", AF_INET, "127.0.0.1"), addr("wlp2s0", AF_INET, "192.168.2.10"),
                                          addr("enp3s0", AF_INET, "192.168.1.10"), addr("wlp2s0", AF_INET6, "2001:db8::5")};
    NetworkPath p = LinuxNetworkPathMonitor::currentPath(fs, both);
    EXPECT_EQ(p.status, NetworkPath::Status::Satisfied);
    // Ordered by route metric: the wired link (100) before Wi-Fi (600).
    EXPECT_EQ(p.interfaceTypes, (QList<NetworkPath::InterfaceType>{NetworkPath::InterfaceType::WiredEthernet,
                                                                   NetworkPath::InterfaceType::Wifi}));
    EXPECT_TRUE(p.supportsIPv4);
    EXPECT_TRUE(p.supportsIPv6);
    EXPECT_FALSE(p.isExpensive);

    // Only a link-local IPv6 address, and the wired link down.
    const QList<InterfaceAddress> wifiOnly = {addr("wlp2s0", AF_INET, "192.168.2.10"), addr("wlp2s0", AF_INET6, "fe80::1"),
                                              addr("enp3s0", AF_INET, "192.168.1.10", false)};
    p = LinuxNetworkPathMonitor::currentPath(fs, wifiOnly);
    EXPECT_EQ(p.interfaceTypes, QList<NetworkPath::InterfaceType>{NetworkPath::InterfaceType::Wifi});
    EXPECT_FALSE(p.supportsIPv6);

    p = LinuxNetworkPathMonitor::currentPath(SysFs(fixture("vm")), both);
    EXPECT_EQ(p.status, NetworkPath::Status::Unsatisfied);
    EXPECT_TRUE(p.interfaceTypes.isEmpty());
}

TEST(LinuxNetworkPathMonitor, DeliversOnlyRealChangesInALaterTurnAndNothingAfterCancel)
{
    NetworkPath current;
    LinuxNetworkPathMonitor monitor(nullptr, [&] { return current; });
    QList<NetworkPath> delivered;
    bool onOwnThread = true;
    QObject::connect(&monitor, &NetworkPathMonitor::pathChanged, [&](const NetworkPath& p) {
        delivered << p;
        onOwnThread = onOwnThread && QThread::currentThread() == monitor.thread();
    });
    auto look = [&] {  // start() looks again, as a burst of routing messages does
        monitor.start();
        QCoreApplication::processEvents();
    };

    monitor.start();
    EXPECT_TRUE(delivered.isEmpty());  // the first path comes in a later turn of the loop
    QCoreApplication::processEvents();
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered.last().status, NetworkPath::Status::Unsatisfied);

    look();  // nothing changed: nothing delivered
    EXPECT_EQ(delivered.size(), 1);

    current.status = NetworkPath::Status::Satisfied;
    current.interfaceTypes = {NetworkPath::InterfaceType::Wifi};
    current.supportsIPv4 = true;
    look();
    ASSERT_EQ(delivered.size(), 2);
    EXPECT_EQ(delivered.last(), current);

    current.supportsIPv6 = true;  // one flag is a change too
    look();
    EXPECT_EQ(delivered.size(), 3);

    current = NetworkPath{};
    monitor.start();
    monitor.cancel();  // a look already scheduled delivers nothing once cancelled
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered.size(), 3);
    EXPECT_TRUE(onOwnThread);
}

TEST(LinuxReaders, ThisMachine)
{
    const LinuxSystemFacts f;
    EXPECT_GT(f.physicalMemory(), 0u);
    EXPECT_GT(f.systemUptime(), 0);
    EXPECT_FALSE(f.operatingSystem().name.isEmpty());
    EXPECT_TRUE(f.sysctl("kern.osversion"));
    const auto volume = f.homeVolume();
    ASSERT_TRUE(volume);
    EXPECT_GT(volume->total.value_or(0), 0);
    const auto addresses = LinuxNetworkInterfaces().addresses();
    ASSERT_TRUE(addresses);
    bool sawLoopback = false;
    for (const InterfaceAddress& a : *addresses)
        if (a.loopback && a.family == AF_INET) { sawLoopback = true; EXPECT_EQ(a.numericHost, "127.0.0.1"); }
    EXPECT_TRUE(sawLoopback);
    LinuxPowerSources().powerSourceDescriptions();  // must not crash whatever the machine has
    // The machine's own path, once, whether or not the routing socket can be opened.
    LinuxNetworkPathMonitor monitor;
    QSignalSpy paths(&monitor, &NetworkPathMonitor::pathChanged);
    monitor.start();
    QCoreApplication::processEvents();
    EXPECT_EQ(paths.count(), 1);
    monitor.cancel();
}

namespace {
// A small tree in a temporary folder: each entry a path under the root and its contents.
void plant(const QTemporaryDir& dir, const QList<std::pair<QString, QByteArray>>& files)
{
    for (const auto& [relative, bytes] : files) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
}

void plantPipe(const QTemporaryDir& dir, const QString& relative)
{
    const QString path = dir.filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}
}  // namespace

TEST(LinuxReaders, ACycleCountBeyondTheRegistrysIntegerIsNoReading)
{
    struct Case {
        const char* cycles;
        std::optional<qint64> expected;
    };
    const Case cases[] = {
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},           // 2^31
        {"9223372036854775807", std::nullopt},  // 2^63 - 1
        {"9223372036854775808", std::nullopt},  // past any integer
        {"-5", std::nullopt},
        {"0", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cycles);
        QTemporaryDir dir;
        plant(dir, {{"sys/class/power_supply/BAT0/type", "Battery\n"},
                    {"sys/class/power_supply/BAT0/present", "1\n"},
                    {"sys/class/power_supply/BAT0/cycle_count", QByteArray(c.cycles) + '\n'}});
        const auto props = LinuxPowerSources(dir.path()).smartBatteryProperties();
        ASSERT_TRUE(props);
        if (c.expected) EXPECT_EQ(props->value("CycleCount").toLongLong(), *c.expected);
        else EXPECT_FALSE(props->contains("CycleCount"));
    }
}

TEST(LinuxReaders, AMemorySizeBeyondAByteCountIsNoReading)
{
    struct Case {
        const char* memTotal;
        quint64 expected;
    };
    const Case cases[] = {
        {"16093452 kB", 16093452ull * 1024},
        {"9007199254740991 kB", 9007199254740991ull * 1024},  // the largest that fits
        {"9007199254740992 kB", 0},
        {"18446744073709551615 kB", 0},  // 2^64 - 1
        {"18446744073709551616 kB", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.memTotal);
        QTemporaryDir dir;
        plant(dir, {{"proc/meminfo", QByteArray("MemTotal:       ") + c.memTotal + "\nMemAvailable:    1000 kB\n"}});
        EXPECT_EQ(LinuxSystemFacts(dir.path(), "/").physicalMemory(), c.expected);
        EXPECT_EQ(LinuxSamplerSources(dir.path(), 4096).physicalMemory(), c.expected);
    }
}

TEST(LinuxReaders, APipeOrAFolderInPlaceOfAFileIsNeverWaitedOn)
{
    QTemporaryDir dir;
    plant(dir, {{"usr/lib/os-release", "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"}});
    for (const char* file : {"etc/os-release", "proc/meminfo", "proc/cpuinfo", "proc/stat", "etc/hostname",
                             "sys/devices/system/cpu/online"})
        plantPipe(dir, QString::fromLatin1(file));
    QDir().mkpath(dir.filePath("proc/sys/kernel/hostname"));  // a folder where a file belongs
    const LinuxSystemFacts facts(dir.path(), "/");
    // The pipe is passed over for the next place the system keeps its name.
    EXPECT_EQ(facts.operatingSystem().name, "Debian GNU/Linux");
    EXPECT_EQ(facts.physicalMemory(), 0u);
    EXPECT_FALSE(facts.cpuVendor());
    EXPECT_FALSE(facts.hostName());
    const LinuxSamplerSources sampler(dir.path(), 4096);
    EXPECT_FALSE(sampler.processorTicks());
    EXPECT_EQ(sampler.physicalMemory(), 0u);
    const SysFs fs(dir.path());
    EXPECT_FALSE(fs.read("etc/os-release"));
    EXPECT_FALSE(fs.line("proc/sys/kernel/hostname"));
    EXPECT_FALSE(fs.integer("sys/devices/system/cpu/online"));
    EXPECT_FALSE(LinuxCpu::x86Flag(fs, "avx2"));
    EXPECT_FALSE(LinuxCpu::readTopology(fs));
}

TEST(LinuxSamplerLinks, CountersOfTheNetDevTable)
{
    const QByteArray table =
        "Inter-|   Receive                                                |  Transmit\n"
        " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
        "    lo: 1234567      10    0    0    0     0          0         0  1234567      10    0    0    0     0       0          0\n"
        "  eth0:18446744073709551615 5 0 0 0 0 0 0 42 7 0 0 0 0 0 0\n"
        "wlan0: 99 1 0 0 0 0 0 0\n"                // cut short: left out
        "br-1a2b: x 1 0 0 0 0 0 0 5 1 0 0 0 0 0 0\n"  // garbage: left out
        "  veth%1: 5 1 0 0 0 0 0 0 6 1 0 0 0 0 0 0\n";
    const QHash<QString, ByteCounters> parsed = LinuxSamplerSources::parseNetDev(table);
    EXPECT_EQ(parsed.size(), 3);
    EXPECT_EQ(parsed.value("lo"), (ByteCounters{1234567, 1234567, 64}));
    EXPECT_EQ(parsed.value("eth0"), (ByteCounters{18446744073709551615ull, 42, 64}));
    EXPECT_EQ(parsed.value("veth%1"), (ByteCounters{5, 6, 64}));

    // Where the table has an interface, its counters; where not, the statistics files.
    QTemporaryDir dir;
    plant(dir, {{"proc/net/dev", table},
                {"sys/class/net/eth0/flags", "0x1003\n"},
                {"sys/class/net/eth0/statistics/rx_bytes", "1\n"},
                {"sys/class/net/eth0/statistics/tx_bytes", "2\n"},
                {"sys/class/net/usb0/flags", "0x1003\n"},
                {"sys/class/net/usb0/statistics/rx_bytes", "300\n"},
                {"sys/class/net/usb0/statistics/tx_bytes", "400\n"},
                {"sys/devices/virtual/net/usb0/.keep", ""}});
    const auto links = LinuxSamplerSources(dir.path(), 4096).interfaceLinks();
    ASSERT_TRUE(links && links->size() == 2);
    EXPECT_EQ((*links)[0].counters, (ByteCounters{18446744073709551615ull, 42, 64}));
    EXPECT_FALSE((*links)[0].isVirtual);
    EXPECT_EQ((*links)[1].counters, (ByteCounters{300, 400, 64}));
    EXPECT_TRUE((*links)[1].isVirtual);
}

TEST(LinuxSamplerLinks, ThisMachinesLinkDumpAgreesWithItsFiles)
{
    const auto links = LinuxSamplerSources::linksFromNetlink();
    ASSERT_TRUE(links) << "the routing socket did not answer";
    ASSERT_FALSE(links->isEmpty());
    bool sawLoopback = false;
    for (const InterfaceLink& link : *links) {
        SCOPED_TRACE(link.name.toStdString());
        EXPECT_TRUE(link.counters);
        sawLoopback = sawLoopback || link.loopback;
        const auto flags = SysFs().line(QStringLiteral("sys/class/net/%1/flags").arg(link.name));
        if (!flags) continue;  // sysfs may show another network namespace
        const uint bits = QString(*flags).remove(QStringLiteral("0x")).toUInt(nullptr, 16);
        EXPECT_EQ(link.up, (bits & 0x1) != 0);
        EXPECT_EQ(link.loopback, (bits & 0x8) != 0);
    }
    EXPECT_TRUE(sawLoopback);
    // The host's reading is the dump, with the virtual links marked from /sys.
    const auto host = LinuxSamplerSources().interfaceLinks();
    ASSERT_TRUE(host);
    QStringList a, b;
    for (const InterfaceLink& l : *links) a << l.name;
    for (const InterfaceLink& l : *host) b << l.name;
    EXPECT_EQ(a, b);
}
