// Readings of kinds of machine this one is not, through the Linux readers on fixture trees:
// a retail desktop board whose firmware leaves placeholders, an integrated Radeon beside a
// GeForce that drives an HDR monitor and a plain one, a 64 GB server whose memory blocks
// span 66 GiB, an Arm board whose GPU and display controller are separate platform devices
// with a built-in panel that has no EDID.
#include "inspection/DeviceProbe.h"
#include "SectionLookup.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxSamplerSources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>

namespace {
QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + name; }
constexpr quint64 MiB = 1024ull * 1024;
constexpr quint64 GiB = 1024 * MiB;

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

std::optional<QString> model(const LinuxSystemFacts& f)
{
    const auto raw = f.sysctl("hw.model");
    if (!raw) return std::nullopt;
    return QString::fromUtf8(raw->left(raw->indexOf('\0')));
}

std::optional<CapabilityItem> find(const QList<CapabilitySection>& sections, const char* section, const char* key)
{
    return findItem(sections, section, key);
}

QString value(const QList<CapabilitySection>& sections, const char* section, const char* key)
{
    return itemValue(sections, section, key);
}

// One SMBIOS type 17 record of `length` bytes with the size word (and the extended size).
QByteArray memoryDevice(quint16 size, quint32 extended = 0, int length = 0x28)
{
    QByteArray r(length, '\0');
    r[0] = 17;
    r[1] = char(length);
    r[0x0C] = char(size & 0xFF);
    r[0x0D] = char(size >> 8);
    if (length >= 0x20)
        for (int i = 0; i < 4; ++i) r[0x1C + i] = char((extended >> (8 * i)) & 0xFF);
    return r;
}
}  // namespace

TEST(MoreMachines, PlaceholderProductNameFallsBackToTheBoard)
{
    const LinuxPlatform desktop(fixture("desktop-two-gpus"), "/");
    EXPECT_EQ(model(desktop.system), "ASUSTeK COMPUTER INC. ROG STRIX B650E-F GAMING WIFI");
    const Localization L = Localization::english();
    const ProbeContext ctx{desktop.platform(), L};
    EXPECT_EQ(DeviceProbe::summary(ctx).modelIdentifier, "ASUSTeK COMPUTER INC. ROG STRIX B650E-F GAMING WIFI");
    EXPECT_EQ(value(DeviceProbe::sections(ctx, std::nullopt), "system", "modelIdentifier"),
              "ASUSTeK COMPUTER INC. ROG STRIX B650E-F GAMING WIFI");
}

TEST(MoreMachines, NoPlaceholderIsEverAModel)
{
    // Every placeholder the firmware of retail boards is known to leave, in every field read.
    const char* placeholders[] = {"System Product Name", "To be filled by O.E.M.", "To Be Filled By O.E.M.",
                                  "Default string", "Not Applicable", "System Version", "Not Specified", "0123456789",
                                  "", "   ", "default string", "Type1ProductConfigId", "OEM", "0000000000", "xxxxxxxx"};
    for (const char* p : placeholders) {
        SCOPED_TRACE(p);
        EXPECT_TRUE(LinuxSystemFacts::isDmiPlaceholder(QString::fromLatin1(p)));
        const struct {
            const char* what;
            QByteArray boardVendor, boardName, deviceTree;
            std::optional<QString> expected;
        } cases[] = {
            {"the board names the machine", "Micro-Star International Co., Ltd.", "MAG B550 TOMAHAWK (MS-7C91)", {},
             QStringLiteral("Micro-Star International Co., Ltd. MAG B550 TOMAHAWK (MS-7C91)")},
            {"a board name that carries its maker", "Gigabyte", "Gigabyte B650 AORUS", {}, QStringLiteral("Gigabyte B650 AORUS")},
            {"a placeholder board maker is left out", p, "X570 Taichi", {}, QStringLiteral("X570 Taichi")},
            {"placeholders throughout: the device tree", p, p, QByteArray("Pine64 Pinebook Pro\0", 20),
             QStringLiteral("Pine64 Pinebook Pro")},
            {"placeholders and nothing else: absent", p, p, {}, std::nullopt},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            QTemporaryDir root;
            write(root.filePath("sys/devices/virtual/dmi/id/product_name"), QByteArray(p) + "\n");
            write(root.filePath("sys/devices/virtual/dmi/id/board_vendor"), c.boardVendor + "\n");
            write(root.filePath("sys/devices/virtual/dmi/id/board_name"), c.boardName + "\n");
            if (!c.deviceTree.isEmpty()) write(root.filePath("proc/device-tree/model"), c.deviceTree);
            const LinuxSystemFacts f(root.path(), "/");
            EXPECT_EQ(model(f), c.expected);
        }
    }
    for (const char* real : {"ThinkPad X1 Carbon Gen 11", "MS-7C91", "Z790 AORUS ELITE AX", "20XW0055GE", "Latitude 7440"})
        EXPECT_FALSE(LinuxSystemFacts::isDmiPlaceholder(QString::fromLatin1(real))) << real;
}

TEST(MoreMachines, SixtyFourGigabytesWithTwoGibibyteBlocksAndAHole)
{
    // 33 blocks of 2 GiB are listed (66 GiB), the one across the hole only partly filled;
    // the blocks hold no state file, so nothing but the listing can have been read.
    const LinuxPlatform server(fixture("server-64g-blocks"), "/");
    EXPECT_EQ(server.system.physicalMemory(), 64 * GiB);
    const Localization L = Localization::english();
    const ProbeContext ctx{server.platform(), L};
    EXPECT_EQ(DeviceProbe::summary(ctx).memory, "64 GB");
    EXPECT_EQ(value(DeviceProbe::sections(ctx, std::nullopt), "processor", "memory"), "64 GB");
    // The live monitor shows the same total.
    EXPECT_EQ(LinuxSamplerSources(fixture("server-64g-blocks"), 4096).physicalMemory(), 64 * GiB);
}

TEST(MoreMachines, InstalledMemoryNeverExceedsTheBlocksNorFallsBelowMemTotal)
{
    const struct {
        const char* what;
        const char* blockSize;
        int blocks;
        quint64 memTotalKiB;
        std::optional<quint64> expected;
    } cases[] = {
        {"24 GiB with 128 MiB blocks around holes", "8000000", 194, 24682260, 24 * GiB},
        {"64 GiB with 2 GiB blocks, one partial", "80000000", 33, 65617012, 64 * GiB},
        {"16 GiB laptop", "8000000", 131, 16093452, 16 * GiB},
        {"12 GiB", "8000000", 98, 12 * 1024 * 1024 - 400 * 1024, 12 * GiB},
        {"a 23 GiB virtual machine", "8000000", 184, 23 * 1024 * 1024 - 300 * 1024, 23 * GiB},
        {"512 GiB server with 2 GiB blocks", "80000000", 258, 527000000, 512 * GiB},
        {"blocks spanning less than MemTotal", "8000000", 8, 2 * 1024 * 1024, std::nullopt},
        {"blocks far beyond MemTotal (hot-pluggable, offline)", "8000000", 256, 4 * 1024 * 1024, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        write(root.filePath("sys/devices/system/memory/block_size_bytes"), QByteArray(c.blockSize) + "\n");
        for (int i = 0; i < c.blocks; ++i) QDir().mkpath(root.filePath(QStringLiteral("sys/devices/system/memory/memory%1").arg(i * 2)));
        const SysFs fs(root.path());
        const auto installed = installedMemoryFromBlocks(fs, c.memTotalKiB * 1024);
        EXPECT_EQ(installed, c.expected);
        if (installed) {
            EXPECT_GE(*installed, c.memTotalKiB * 1024);
            EXPECT_LE(*installed, quint64(c.blocks) * fs.line("sys/devices/system/memory/block_size_bytes")->toULongLong(nullptr, 16));
        }
    }
}

TEST(MoreMachines, TheFirmwareMemoryTableWinsWhereItCanBeRead)
{
    const struct {
        const char* what;
        QList<QByteArray> records;
        std::optional<quint64> table;
        quint64 installed;  // with MemTotal 60 GiB and no blocks
    } cases[] = {
        {"four 16 GiB modules", {memoryDevice(0x4000), memoryDevice(0x4000), memoryDevice(0x4000), memoryDevice(0x4000)},
         64 * GiB, 64 * GiB},
        {"two filled slots of four", {memoryDevice(0), memoryDevice(0), memoryDevice(0x7FFF, 32 * 1024), memoryDevice(0x7FFF, 32 * 1024)},
         64 * GiB, 64 * GiB},
        {"sizes in KiB", {memoryDevice(0x8000 | 0x7000, 0, 0x15)}, 0x7000ull * 1024, 60 * GiB},
        {"a module of unknown size: no reading", {memoryDevice(0x4000), memoryDevice(0xFFFF)}, std::nullopt, 60 * GiB},
        {"a damaged record: no reading", {memoryDevice(0x4000), QByteArray("\x11\x05", 2)}, std::nullopt, 60 * GiB},
        {"a table below MemTotal is not believed", {memoryDevice(0x2000)}, 8 * GiB, 60 * GiB},
        {"no memory devices", {}, std::nullopt, 60 * GiB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        write(root.filePath("proc/meminfo"), "MemTotal:       62914560 kB\n");
        write(root.filePath("sys/firmware/dmi/entries/16-0/raw"), QByteArray("\x10\x17", 2) + QByteArray(0x15, '\0'));
        for (qsizetype i = 0; i < c.records.size(); ++i)
            write(root.filePath(QStringLiteral("sys/firmware/dmi/entries/17-%1/raw").arg(i)), c.records[i]);
        const LinuxSystemFacts f(root.path(), "/");
        EXPECT_EQ(memoryDeviceTableSize(f.fs()), c.table);
        EXPECT_EQ(f.physicalMemory(), c.installed);
    }
}

TEST(MoreMachines, TheDiscreteCardIsTheDefaultNotTheCarveOut)
{
    const LinuxGraphicsDevices drm(fixture("desktop-two-gpus"), false);
    const QList<DrmCardFacts> cards = drm.drmCards();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_EQ(cards[0].vram, 512 * MiB);  // the integrated Radeon's share of system memory
    EXPECT_FALSE(cards[0].drivesDisplay);
    EXPECT_TRUE(cards[1].drivesDisplay);
    EXPECT_EQ(cards[1].pciClass, 0x030000u);
    const GraphicsInventory inv = drm.inventory();
    ASSERT_EQ(inv.devices.size(), 2);
    EXPECT_EQ(inv.devices[0].name, "Advanced Micro Devices, Inc. [AMD/ATI] Raphael");
    EXPECT_EQ(inv.devices[1].name, "NVIDIA Corporation AD104 [GeForce RTX 4070]");
    ASSERT_TRUE(inv.defaultDevice);
    EXPECT_EQ(inv.defaultDevice->name, inv.devices[1].name);

    const LinuxPlatform desktop(fixture("desktop-two-gpus"), "/");
    const Localization L = Localization::english();
    const QList<CapabilitySection> sections = DeviceProbe::sections(ProbeContext{desktop.platform(), L}, std::nullopt);
    EXPECT_EQ(value(sections, "graphics", "gpu.2"), "NVIDIA Corporation AD104 [GeForce RTX 4070]");
    // NVIDIA's driver publishes no memory size: missing, never the carve-out of the other GPU.
    EXPECT_EQ(value(sections, "graphics", "recommendedGPUMemory"), "—");
}

TEST(MoreMachines, DefaultGpuFromWhatSaysSo)
{
    using VT = VulkanDeviceFacts::Type;
    auto card = [](const char* name, const char* pci, quint32 vendor, quint32 cls, bool boot, bool displays) {
        DrmCardFacts c;
        c.card = QString::fromLatin1(name);
        c.pciAddress = QString::fromLatin1(pci);
        c.vendorId = vendor;
        c.deviceId = 0x1000;
        c.pciClass = cls;
        c.bootVga = boot;
        c.drivesDisplay = displays;
        c.hasRenderNode = true;
        c.vram = 512 * MiB;  // both say so: it decides nothing
        c.name = c.card;
        return c;
    };
    const struct {
        const char* what;
        QList<DrmCardFacts> cards;
        const char* expected;
    } cases[] = {
        {"two Radeons: the one driving the monitor", {card("card0", "0000:0e:00.0", 0x1002, 0x030000, false, false),
                                                     card("card1", "0000:03:00.0", 0x1002, 0x030000, true, true)}, "card1"},
        {"two Radeons, the firmware booted on the integrated one, the monitor on the card",
         {card("card0", "0000:0e:00.0", 0x1002, 0x030000, true, false), card("card1", "0000:03:00.0", 0x1002, 0x030000, false, true)},
         "card1"},
        {"a GeForce beside the boot GPU that drives the panel", {card("card0", "0000:00:02.0", 0x8086, 0x030000, true, true),
                                                                 card("card1", "0000:01:00.0", 0x10de, 0x030200, false, false)}, "card1"},
        {"an Intel Arc card beside Intel's integrated GPU", {card("card0", "0000:00:02.0", 0x8086, 0x030000, true, true),
                                                              card("card1", "0000:03:00.0", 0x8086, 0x030000, false, false)}, "card1"},
        {"a render-only Radeon of a hybrid laptop", {card("card0", "0000:05:00.0", 0x1002, 0x030000, true, true),
                                                      card("card1", "0000:03:00.0", 0x1002, 0x038000, false, false)}, "card1"},
        {"one integrated GPU", {card("card0", "0000:00:02.0", 0x8086, 0x030000, true, true)}, "card0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const GraphicsInventory inv = LinuxGraphicsDevices::combine(std::nullopt, c.cards);
        ASSERT_TRUE(inv.defaultDevice);
        EXPECT_EQ(inv.defaultDevice->name, QString::fromLatin1(c.expected));
    }

    // Where a Vulkan driver answers, its device type decides, whatever the firmware booted on.
    QList<DrmCardFacts> cards = {card("card0", "0000:0e:00.0", 0x1002, 0x030000, true, true),
                                 card("card1", "0000:03:00.0", 0x1002, 0x030000, false, false)};
    VulkanDeviceFacts igpu{"AMD Radeon Graphics (RADV RAPHAEL_MENDOCINO)", VT::Integrated, 0x1002, 0x1000, "0000:0e:00.0", 512 * MiB};
    VulkanDeviceFacts dgpu{"AMD Radeon RX 7800 XT (RADV NAVI32)", VT::Discrete, 0x1002, 0x1000, "0000:03:00.0", 16 * GiB};
    const GraphicsInventory inv = LinuxGraphicsDevices::combine(QList<VulkanDeviceFacts>{igpu, dgpu}, cards);
    ASSERT_TRUE(inv.defaultDevice);
    EXPECT_EQ(inv.defaultDevice->name, dgpu.name);
    EXPECT_TRUE(inv.devices[0].isLowPower);
}

TEST(MoreMachines, ArmSocGpuNamedFromTheDeviceTree)
{
    const LinuxGraphicsDevices drm(fixture("arm-soc-gpu"), false);
    const QList<DrmCardFacts> cards = drm.drmCards();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_TRUE(cards[0].pciAddress.isEmpty());
    EXPECT_FALSE(cards[0].hasRenderNode);  // the display controller
    EXPECT_EQ(cards[1].compatible, (QStringList{"rockchip,rk3588-mali", "arm,mali-valhall-csf"}));
    const GraphicsInventory inv = drm.inventory();
    ASSERT_EQ(inv.devices.size(), 1);  // a display controller renders nothing: no GPU
    EXPECT_EQ(inv.devices[0].name, "Arm Mali-G610");
    EXPECT_TRUE(inv.devices[0].hasUnifiedMemory);
    ASSERT_TRUE(inv.defaultDevice);
    EXPECT_EQ(*inv.defaultDevice, inv.devices[0]);

    const LinuxPlatform board(fixture("arm-soc-gpu"), "/");
    const QList<CapabilitySection> sections = DeviceProbe::sections(ProbeContext{board.platform(), Localization::english()}, std::nullopt);
    EXPECT_EQ(value(sections, "graphics", "gpu.1"), "Arm Mali-G610 (unified memory)");
    EXPECT_EQ(value(DeviceProbe::sections(ProbeContext{board.platform(), Localization::english()}, std::nullopt), "system",
                    "modelIdentifier"),
              "Radxa ROCK 5B");
}

TEST(MoreMachines, GpuFamiliesOffThePciBus)
{
    const struct {
        QStringList compatible;
        const char* driver;
        const char* name;
    } cases[] = {
        {{"apple,agx-t8103", "apple,agx-g13g"}, "asahi", "Apple AGX G13G (M1)"},
        {{"apple,agx-t6001", "apple,agx-g13x"}, "asahi", "Apple AGX G13C (M1 Max)"},
        {{"apple,agx-t8112", "apple,agx-g14g"}, "asahi", "Apple AGX G14G (M2)"},
        {{"apple,agx-g15x"}, "asahi", "Apple AGX G15X"},
        {{"arm,mali-t860", "arm,mali-midgard"}, "panfrost", "Arm Mali-T860"},
        {{"mediatek,mt8183-mali", "arm,mali-bifrost"}, "panfrost", "Arm Mali-G72"},
        {{"vendor,new-soc-mali", "arm,mali-valhall-csf"}, "panthor", "Arm Mali (Valhall)"},
        {{"allwinner,sun8i-h3-mali", "arm,mali-400"}, "lima", "Arm Mali (Utgard)"},
        {{"qcom,adreno-635.0", "qcom,adreno"}, "msm", "Qualcomm Adreno 635"},
        {{"qcom,adreno-690.0"}, "msm", "Qualcomm Adreno 690"},
        {{"brcm,2711-v3d"}, "v3d", "Broadcom VideoCore VI"},
        {{"brcm,2712-v3d"}, "v3d", "Broadcom VideoCore VII"},
        {{"brcm,bcm2835-vc4"}, "vc4", "Broadcom VideoCore IV"},
        {{"ti,am62-gpu", "img,img-axe"}, "powervr", "Imagination PowerVR"},
        {{"fsl,imx8mq-gpu", "vivante,gc"}, "etnaviv", "Vivante GC"},
        {{}, "asahi", "Apple AGX"},
        {{}, "panfrost", "Arm Mali"},
        {{}, "v3d", "Broadcom VideoCore"},
        {{"acme,rocket-gpu"}, "rocket", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platformGpuName(c.compatible, QString::fromLatin1(c.driver)), QString::fromUtf8(c.name)) << c.name;
}

TEST(MoreMachines, DisplaysFromTheConnectorsWithoutADisplayServer)
{
    // The tests run on Qt's offscreen platform: no display server, the kernel's view alone.
    const LinuxDisplays desktop(fixture("desktop-two-gpus"));
    const QList<DrmConnector> connectors = desktop.connectors();
    ASSERT_EQ(connectors.size(), 2);  // the disconnected HDMI port of the integrated GPU is left out
    ASSERT_TRUE(connectors[0].edid);
    EXPECT_EQ(connectors[0].edid->widthCm, 60);
    EXPECT_EQ(connectors[0].modeWidth, 3840);
    EXPECT_EQ(desktop.screens(), (QList<ScreenInfo>{{"Nitro XV275K", 3840, 2160, 1, false, 144, 2.0},
                                                   {"DELL S2721D", 2560, 1440, 1, false, 60, 1.0}}));

    const LinuxPlatform machine(fixture("desktop-two-gpus"), "/");
    const QList<CapabilitySection> sections = DeviceProbe::sections(ProbeContext{machine.platform(), Localization::english()}, std::nullopt);
    EXPECT_EQ(value(sections, "displays", "display.1"), "Nitro XV275K");
    EXPECT_EQ(value(sections, "displays", "display.1.resolution"), "3840 × 2160 @1x");
    EXPECT_EQ(value(sections, "displays", "display.1.refreshRate"), "144 Hz");
    EXPECT_EQ(find(sections, "displays", "display.1.refreshRate")->status, CapabilityStatus::supported);
    EXPECT_EQ(value(sections, "displays", "display.1.hdr"), "Supported");
    EXPECT_EQ(value(sections, "displays", "display.2.resolution"), "2560 × 1440 @1x");
    EXPECT_EQ(value(sections, "displays", "display.2.refreshRate"), "60 Hz");
    EXPECT_EQ(value(sections, "displays", "display.2.hdr"), "Not supported");

    // A built-in panel without an EDID: its connector names it, nothing tells its rate.
    const LinuxPlatform board(fixture("arm-soc-gpu"), "/");
    const QList<CapabilitySection> arm = DeviceProbe::sections(ProbeContext{board.platform(), Localization::english()}, std::nullopt);
    EXPECT_EQ(value(arm, "displays", "display.1"), "eDP-1 (Built-in)");
    EXPECT_EQ(value(arm, "displays", "display.1.resolution"), "1920 × 1200 @1x");
    EXPECT_EQ(value(arm, "displays", "display.1.refreshRate"), "—");
    EXPECT_EQ(find(arm, "displays", "display.1.refreshRate")->status, CapabilityStatus::info);
    EXPECT_EQ(value(arm, "displays", "display.2"), "DELL S2721D");
}

TEST(MoreMachines, DisplayServerScreensMergedWithTheConnectors)
{
    const QList<DrmConnector> connectors = LinuxDisplays(fixture("desktop-two-gpus")).connectors();
    // Qt gives the logical size and the scale; the EDID the name, the rate and HDR.
    const QList<ScreenInfo> merged =
        LinuxDisplays::combine({{"DP-1", "XV275K", 1920, 1080, 2.0, 60}, {"DP-2", "S2721D", 2560, 1440, 1.0, 59.95}}, connectors);
    EXPECT_EQ(merged, (QList<ScreenInfo>{{"Nitro XV275K", 1920, 1080, 2.0, false, 144, 2.0},
                                         {"DELL S2721D", 2560, 1440, 1.0, false, 60, 1.0}}));
    // Qt's exactly 60 Hz is what an X server that reports no rate reads: no reading.
    const QList<ScreenInfo> unknown = LinuxDisplays::combine({{"VGA-1", "", 1024, 768, 1, 60}}, {});
    ASSERT_EQ(unknown.size(), 1);
    EXPECT_EQ(unknown[0].maximumFramesPerSecond, 0);
}

TEST(MoreMachines, InterfacesOfTheTreeNotOfThisMachine)
{
    QTemporaryDir root;
    write(root.filePath("sys/class/net/lo/flags"), "0x9\n");
    write(root.filePath("sys/class/net/enp5s0/flags"), "0x1003\n");
    write(root.filePath("sys/class/net/wlp4s0/flags"), "0x1003\n");
    write(root.filePath("sys/class/net/docker0/flags"), "0x1002\n");  // down
    write(root.filePath("sys/class/net/bonding_masters"), "\n");
    write(root.filePath("proc/net/route"),
          "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
          "enp5s0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
          "enp5s0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
          "wlp4s0\t0000000A\t00000000\t0001\t0\t0\t600\t0000FFFF\t0\t0\t0\n"
          "docker0\t000011AC\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n");
    write(root.filePath("proc/net/fib_trie"),
          "Main:\n  +-- 0.0.0.0/0 3 0 5\n     |-- 0.0.0.0\n        /0 universe UNICAST\n"
          "     +-- 10.0.0.0/16 2 0 2\n        |-- 10.0.12.34\n           /32 host LOCAL\n"
          "     +-- 192.168.1.0/24 2 0 2\n        |-- 192.168.1.20\n           /32 host LOCAL\n"
          "        |-- 192.168.1.255\n           /32 link BROADCAST\n"
          "     |-- 172.17.0.1\n        /32 host LOCAL\n"
          "  +-- 127.0.0.0/8 2 0 2\n     |-- 127.0.0.1\n        /32 host LOCAL\n"
          "Local:\n     |-- 192.168.1.20\n        /32 host LOCAL\n");
    write(root.filePath("proc/net/if_inet6"), "fe80000000000000022186fffe123456 02 40 20 80   enp5s0\n"
                                              "00000000000000000000000000000001 01 80 10 80       lo\n");
    const LinuxNetworkInterfaces interfaces(root.path());
    const auto list = interfaces.addresses();
    ASSERT_TRUE(list);
    QStringList seen;
    for (const InterfaceAddress& a : *list)
        if (a.hasAddress) seen << QStringLiteral("%1 %2 %3 %4").arg(a.name, a.family == AF_INET ? "4" : "6", a.numericHost, a.up ? "up" : "down");
    EXPECT_EQ(seen, (QStringList{"docker0 4 172.17.0.1 down", "enp5s0 4 192.168.1.20 up", "enp5s0 6 fe80::221:86ff:fe12:3456 up",
                                 "lo 6 ::1 up", "wlp4s0 4 10.0.12.34 up"}));

    // The Network rows are the tree's, never this machine's.
    const LinuxPlatform machine(root.path(), "/");
    QStringList rows;
    for (const CapabilityItem& i : DeviceProbe::networkSection(ProbeContext{machine.platform(), Localization::english()}, std::nullopt).items)
        if (i.key.value_or(QString()).startsWith(QLatin1String("interface."))) rows << i.label + QStringLiteral(" = ") + i.value;
    EXPECT_EQ(rows, (QStringList{"Interface enp5s0 = 192.168.1.20", "Interface wlp4s0 = 10.0.12.34"}));
    // A tree without interfaces has none, whatever this machine has.
    const LinuxPlatform empty(fixture("sb-vm"), "/");
    EXPECT_FALSE(empty.network.addresses());
}
