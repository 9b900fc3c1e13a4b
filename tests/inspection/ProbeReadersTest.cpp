#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"

#include <netinet/in.h>

#include <gtest/gtest.h>

namespace {
const Localization& english()
{
    static const Localization L = Localization::english();
    return L;
}
}  // namespace

TEST(ProbeReaders, SysctlTextAndIntegers)
{
    FakeMachine m;
    m.system.sysctls["empty"] = QByteArray();
    m.system.sysctls["no.zero"] = QByteArray("abc");
    m.system.sysctls["bad.utf8"] = QByteArray("a\xff\0tail", 7);
    m.system.setInt32("negative", qint32(0x80000001));
    m.system.setInt64("wide", 1LL << 40);
    m.system.sysctls["odd.size"] = QByteArray(3, '\1');
    const Platform p = m.platform();
    const ProbeContext ctx{p, english()};
    EXPECT_FALSE(DeviceProbe::sysctlString(ctx, "missing"));
    EXPECT_FALSE(DeviceProbe::sysctlInt(ctx, "missing"));
    EXPECT_FALSE(DeviceProbe::sysctlString(ctx, "empty"));
    EXPECT_EQ(DeviceProbe::sysctlString(ctx, "no.zero"), "abc");
    EXPECT_EQ(DeviceProbe::sysctlString(ctx, "bad.utf8"), QString::fromUtf8("a\uFFFD"));
    EXPECT_EQ(DeviceProbe::sysctlInt(ctx, "negative"), qint64(-2147483647));
    EXPECT_EQ(DeviceProbe::sysctlInt(ctx, "wide"), 1LL << 40);
    EXPECT_FALSE(DeviceProbe::sysctlInt(ctx, "odd.size"));
}

TEST(ProbeReaders, OperatingSystemText)
{
    struct Case {
        OperatingSystem os;
        std::optional<QString> build;
        const char* expected;
    };
    const Case cases[] = {
        {{"macOS", 14, 0, 0, {}}, "23A344", "macOS 14.0 Sonoma (23A344)"},
        {{"macOS", 14, 0, 0, {}}, std::nullopt, "macOS 14.0 Sonoma"},
        {{"macOS", 12, 7, 1, {}}, std::nullopt, "macOS 12.7.1"},
        {{"macOS", 13, 6, 1, {}}, "22G313", "macOS 13.6.1 Ventura (22G313)"},
        {{"macOS", 15, 1, 0, {}}, std::nullopt, "macOS 15.1 Sequoia"},
        {{"macOS", 26, 0, 0, {}}, std::nullopt, "macOS 26.0 Tahoe"},
        {{"Debian GNU/Linux", 0, 0, 0, "12"}, "6.1.0-18-amd64", "Debian GNU/Linux 12 (6.1.0-18-amd64)"},
        {{"Arch Linux", 0, 0, 0, {}}, "6.12.1-arch1-1", "Arch Linux (6.12.1-arch1-1)"},
    };
    for (const Case& c : cases) {
        FakeMachine m;
        m.system.os = c.os;
        if (c.build) m.system.setText("kern.osversion", *c.build);
        const Platform p = m.platform();
        EXPECT_EQ(DeviceProbe::osVersionDescription({p, english()}), QString::fromUtf8(c.expected));
    }
}

TEST(ProbeReaders, ChipNameFallbacks)
{
    FakeMachine apple = FakeMachine::appleSilicon();
    apple.system.sysctls.remove("machdep.cpu.brand_string");
    FakeMachine intel = FakeMachine::intelMac();
    intel.system.sysctls.remove("machdep.cpu.brand_string");
    intel.system.vendor.reset();
    FakeMachine amd = FakeMachine::linuxPC();
    amd.system.sysctls.remove("machdep.cpu.brand_string");
    const Platform a = apple.platform(), i = intel.platform(), d = amd.platform();
    EXPECT_EQ(DeviceProbe::chipName({a, english()}), "Apple Silicon");
    EXPECT_EQ(DeviceProbe::chipName({i, english()}), "x86_64");  // no maker reported: none named
    EXPECT_EQ(DeviceProbe::chipName({d, english()}), "AMD");
    const FakeMachine full = FakeMachine::appleSilicon();
    const Platform f = full.platform();
    EXPECT_EQ(DeviceProbe::chipName({f, english()}), "Apple M2");
}

TEST(ProbeReaders, BatterySnapshot)
{
    auto info = [](const FakeMachine& m) {
        const Platform p = m.platform();
        return DeviceProbe::batteryInfo({p, english()});
    };
    FakeMachine none = FakeMachine::intelMac();
    EXPECT_FALSE(info(none));
    none.power.descriptions.reset();  // the list cannot be read at all
    EXPECT_FALSE(info(none));

    FakeMachine m;
    m.power.descriptions = QVariantList{
        QVariantMap{{"Type", "UPS"}, {"Current Capacity", 10}},
        QVariantMap{{"Type", "InternalBattery"}, {"Current Capacity", 50}, {"Max Capacity", 0}}};
    EXPECT_EQ(info(m)->level, 0.0);  // max capacity 0: level 0
    m.power.descriptions = QVariantList{QVariantMap{{"Type", "InternalBattery"}, {"Current Capacity", 50}}};
    EXPECT_DOUBLE_EQ(info(m)->level, 0.5);  // no max capacity: out of 100
    m.power.descriptions = QVariantList{QVariantMap{{"Type", "InternalBattery"}, {"Current Capacity", "50"},
                                                    {"Max Capacity", 80}, {"Is Charging", "yes"},
                                                    {"Power Source State", "AC Power"}, {"BatteryHealth", 3}}};
    auto b = info(m);
    EXPECT_EQ(b->level, 0.0);  // a capacity that is not an integer counts as 0
    EXPECT_FALSE(b->isCharging);
    EXPECT_TRUE(b->onAC);
    EXPECT_FALSE(b->health);
    EXPECT_FALSE(b->cycleCount);
    m.power.battery = QVariantMap{{"CycleCount", qint64(7)}};
    EXPECT_EQ(info(m)->cycleCount, 7);
    m.power.battery = QVariantMap{{"CycleCount", "7"}};
    EXPECT_FALSE(info(m)->cycleCount);
}

TEST(ProbeReaders, Ipv4AddressesSkipLoopbackDownAndOtherFamilies)
{
    FakeMachine m;
    auto a = [](const char* name, int family, const char* host, bool up, bool loopback = false) {
        InterfaceAddress x;
        x.name = name; x.family = family; x.numericHost = host; x.up = up; x.loopback = loopback;
        return x;
    };
    m.network.list = QList<InterfaceAddress>{a("lo", AF_INET, "127.0.0.1", true, true), a("en0", AF_INET, "10.0.0.2", true),
                                             a("en0", AF_INET6, "fe80::1", true), a("en1", AF_INET, "10.0.0.3", false),
                                             a("en0", AF_INET, "10.0.0.9", true), a("en2", AF_INET, "", true),
                                             a("en0", AF_INET, "10.0.0.2", true)};
    const Platform p = m.platform();
    const auto list = DeviceProbe::ipv4Addresses({p, english()});
    const QList<QPair<QString, QString>> expected = {{"en0", "10.0.0.2"}, {"en0", "10.0.0.9"}, {"en0", "10.0.0.2"}};
    EXPECT_EQ(list, expected);
    m.network.list.reset();
    EXPECT_TRUE(DeviceProbe::ipv4Addresses({p, english()}).isEmpty());
}

TEST(ProbeReaders, FourCCAndCameraPermissionTexts)
{
    EXPECT_EQ(DeviceProbe::fourCC("avc1"), 0x61766331u);
    EXPECT_EQ(DeviceProbe::fourCC("hvc1"), 0x68766331u);
    const char* texts[] = {"Not requested yet", "Restricted", "Denied", "Allowed", "Unknown", "Unknown"};
    for (int status = 0; status <= 5; ++status)
        EXPECT_EQ(DeviceProbe::describe(status == 5 ? -1 : status, english()), texts[status]) << status;
}
