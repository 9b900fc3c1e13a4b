// Whole inspections of machines this one is not, through the Linux readers on fixture
// trees: a worn battery whose driver says "Good", an arm64 board of a maker the tables do
// not know, memory blocks that differ from MemTotal, a hybrid-graphics laptop; and once on
// this machine.
#include "inspection/BatteryHealthProbe.h"
#include "SectionLookup.h"
#include "inspection/DeviceProbe.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/FakePlatform.h"

#include <va/va.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + name; }

std::optional<CapabilityItem> find(const QList<CapabilitySection>& sections, const char* section, const char* key)
{
    return findItem(sections, section, key);
}

QString value(const QList<CapabilitySection>& sections, const char* section, const char* key)
{
    return itemValue(sections, section, key);
}

quint32 cc(const char* text) { return DeviceProbe::fourCC(QString::fromLatin1(text)); }
constexpr quint64 GiB = 1024ull * 1024 * 1024;
}  // namespace

TEST(OtherMachines, WornBatteryThatItsDriverCallsGood)
{
    const Localization L = Localization::english();
    const LinuxPlatform m(fixture("worn-battery-laptop"), "/");
    const ProbeContext ctx{m.platform(), L};
    const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
    // The driver's "Good" is no verdict on wear: no health row, rather than a false "Good".
    EXPECT_FALSE(find(sections, "power", "batteryHealth"));
    EXPECT_EQ(value(sections, "power", "batteryCharge"), "64%");
    EXPECT_EQ(value(sections, "power", "chargeCycles"), "873");

    // The battery page judges the measured capacity: 2650 of 5000 mAh.
    const auto report = BatteryHealthProbe::read(m.platform(), L);
    ASSERT_TRUE(report);
    ASSERT_TRUE(report->healthPercent);
    EXPECT_DOUBLE_EQ(*report->healthPercent, 0.53);
    EXPECT_EQ(report->maxCapacity, 2650);
    EXPECT_EQ(report->designCapacity, 5000);
    EXPECT_EQ(report->condition, "Service recommended");

    // The laptop tree's driver also says "Good", without capacities: no verdict either way.
    const LinuxPlatform laptop(fixture("laptop"), "/");
    const ProbeContext laptopCtx{laptop.platform(), L};
    EXPECT_FALSE(find(DeviceProbe::sections(laptopCtx, std::nullopt), "power", "batteryHealth"));
    EXPECT_EQ(BatteryHealthProbe::read(laptop.platform(), L)->condition, "Unknown");
}

TEST(OtherMachines, ArmBoardOfAMakerTheTablesLack)
{
    const Localization L = Localization::english();
    const LinuxPlatform m(fixture("arm64-unlisted-maker"), "/");
    const ProbeContext ctx{m.platform(), L};
    const DeviceSummary s = DeviceProbe::summary(ctx);
    // No maker is named that the machine did not name: the machine word stands alone.
    EXPECT_EQ(s.chip, "aarch64");
    EXPECT_FALSE(s.isAppleSilicon);
    EXPECT_EQ(s.modelIdentifier, "Raspberry Pi 5 Model B Rev 1.0");
    const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
    EXPECT_EQ(value(sections, "system", "architecture"), "aarch64");
    EXPECT_EQ(value(sections, "system", "modelIdentifier"), "Raspberry Pi 5 Model B Rev 1.0");
    EXPECT_EQ(value(sections, "processor", "processor"), "aarch64");
    EXPECT_TRUE(find(sections, "processor", "sme"));  // Arm's extensions, not Intel's
    EXPECT_FALSE(find(sections, "processor", "avx2"));
    for (const CapabilitySection& section : sections)
        for (const CapabilityItem& i : section.items) EXPECT_FALSE(i.value.contains("Intel")) << i.label.toStdString();

    // A board whose cores the tables know is named by them.
    const LinuxPlatform known(fixture("sa-arm64-board"), "/");
    const ProbeContext knownCtx{known.platform(), L};
    EXPECT_EQ(DeviceProbe::summary(knownCtx).chip, "Cortex-A510");
    EXPECT_EQ(value(DeviceProbe::sections(knownCtx, std::nullopt), "system", "architecture"), "Arm (aarch64)");
}

TEST(OtherMachines, InstalledMemoryFromTheMemoryBlocks)
{
    const Localization L = Localization::english();
    const LinuxPlatform blocks(fixture("memory-blocks"), "/");
    const ProbeContext ctx{blocks.platform(), L};
    EXPECT_EQ(DeviceProbe::summary(ctx).memory, "16 GB");
    EXPECT_EQ(value(DeviceProbe::sections(ctx, std::nullopt), "processor", "memory"), "16 GB");
    // The same MemTotal without blocks reads what the kernel manages.
    const LinuxPlatform laptop(fixture("laptop"), "/");
    const ProbeContext laptopCtx{laptop.platform(), L};
    EXPECT_EQ(DeviceProbe::summary(laptopCtx).memory, "15.35 GB");
}

TEST(OtherMachines, HybridGraphicsDefaultsToTheDiscreteGpu)
{
    using VT = VulkanDeviceFacts::Type;
    const LinuxGraphicsDevices drm(fixture("hybrid-gpu-laptop"), false);
    const QList<DrmCardFacts> cards = drm.drmCards();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_TRUE(cards[0].bootVga);  // the firmware boots on the integrated GPU

    // From /sys alone: the NVIDIA card beside the boot card is the discrete one.
    const GraphicsInventory sysOnly = drm.inventory();
    ASSERT_EQ(sysOnly.devices.size(), 2);
    ASSERT_TRUE(sysOnly.defaultDevice);
    EXPECT_EQ(*sysOnly.defaultDevice, sysOnly.devices[1]);

    // With Vulkan's device types, the discrete device describes the default rows.
    const VulkanDeviceFacts intel{"Intel(R) Graphics (ADL GT2)", VT::Integrated, 0x8086, 0x46a6, "0000:00:02.0", 4 * GiB, false, false};
    const VulkanDeviceFacts nvidia{"NVIDIA GeForce RTX 3050 Ti Laptop GPU", VT::Discrete, 0x10de, 0x25a0, "0000:01:00.0", 4 * GiB, true, true};
    FakeMachine rest = FakeMachine::linuxPC();
    rest.graphics.value = LinuxGraphicsDevices::combine(QList<VulkanDeviceFacts>{intel, nvidia}, cards);
    ASSERT_TRUE(rest.graphics.value.defaultDevice);
    EXPECT_EQ(rest.graphics.value.defaultDevice->name, nvidia.name);
    const Platform p = rest.platform();
    const Localization L = Localization::english();
    const CapabilitySection g = DeviceProbe::graphicsSection(ProbeContext{p, L});
    auto row = [&](const char* key) {
        for (const CapabilityItem& i : g.items)
            if (i.key == QString::fromLatin1(key)) return i.value;
        return QStringLiteral("<none>");
    };
    EXPECT_EQ(row("gpu.1"), "Intel(R) Graphics (ADL GT2) (unified memory, low power)");
    EXPECT_EQ(row("gpu.2"), nvidia.name);
    EXPECT_EQ(row("rayTracing"), "Supported");
    EXPECT_EQ(row("recommendedGPUMemory"), "4 GB");

    // A machine with only integrated graphics keeps its boot card; an external GPU does not
    // take over from the built-in one.
    const VulkanDeviceFacts egpu{"AMD Radeon RX 6600", VT::Discrete, 0x1002, 0x73df, "", 8 * GiB, true, true};
    DrmCardFacts removable;
    removable.card = "card2";
    removable.vendorId = 0x1002;
    removable.deviceId = 0x73df;
    removable.removable = true;
    const GraphicsInventory withEgpu =
        LinuxGraphicsDevices::combine(QList<VulkanDeviceFacts>{intel, egpu}, QList<DrmCardFacts>{cards[0], removable});
    EXPECT_EQ(withEgpu.defaultDevice->name, intel.name);
}

TEST(OtherMachines, HardwareVideoAsksEveryRenderNode)
{
    // The integrated GPU's media engine decodes AV1 but encodes none; the discrete one
    // encodes AV1. One node does not answer at all in the second case.
    QStringList asked;
    auto answers = [&](bool secondAnswers) {
        return [&asked, secondAnswers](const QString& path) -> std::optional<QList<VaProfileEntrypoints>> {
            asked << path.section('/', -1);
            if (path.endsWith("renderD128"))
                return QList<VaProfileEntrypoints>{{VAProfileH264High, {VAEntrypointVLD, VAEntrypointEncSliceLP}},
                                                   {VAProfileHEVCMain, {VAEntrypointVLD, VAEntrypointEncSliceLP}},
                                                   {VAProfileAV1Profile0, {VAEntrypointVLD}}};
            if (path.endsWith("renderD129") && secondAnswers)
                return QList<VaProfileEntrypoints>{{VAProfileH264High, {VAEntrypointVLD, VAEntrypointEncSlice}},
                                                   {VAProfileAV1Profile0, {VAEntrypointVLD, VAEntrypointEncSlice}}};
            return std::nullopt;
        };
    };
    const LinuxVideoCodecs both(fixture("hybrid-gpu-laptop"), answers(true));
    EXPECT_EQ(both.renderNodes(), (QStringList{"renderD128", "renderD129"}));
    const VideoCodecSupport s = both.support();
    EXPECT_EQ(asked, (QStringList{"renderD128", "renderD129"}));
    EXPECT_EQ(s.hardwareDecoders, (QSet<quint32>{cc("avc1"), cc("hvc1"), cc("av01")}));
    EXPECT_EQ(s.encoders, (QList<VideoEncoderEntry>{{cc("avc1"), true}, {cc("hvc1"), true}, {cc("av01"), true}}));

    FakeMachine rest = FakeMachine::linuxPC();
    const Platform p{rest.system, rest.power, rest.network, rest.graphics, rest.languageModel, rest.displays, both,
                     rest.capture, rest.powerMode, rest.security};
    const Localization L = Localization::english();
    const CapabilitySection media = DeviceProbe::mediaSection(ProbeContext{p, L});
    auto row = [&](const char* key) {
        for (const CapabilityItem& i : media.items)
            if (i.key == QString::fromLatin1(key)) return i.value;
        return QStringLiteral("<none>");
    };
    EXPECT_EQ(row("codec.AV1"), "Decode + encode");
    EXPECT_EQ(row("codec.H.264"), "Decode + encode");
    EXPECT_EQ(row("codec.VP9"), "Software only");

    asked.clear();
    const VideoCodecSupport oneSilent = LinuxVideoCodecs(fixture("hybrid-gpu-laptop"), answers(false)).support();
    EXPECT_EQ(asked, (QStringList{"renderD128", "renderD129"}));
    EXPECT_EQ(oneSilent.hardwareDecoders, (QSet<quint32>{cc("avc1"), cc("hvc1"), cc("av01")}));
    EXPECT_EQ(oneSilent.encoders, (QList<VideoEncoderEntry>{{cc("avc1"), true}, {cc("hvc1"), true}}));
}

TEST(OtherMachines, RenderNodesInNumberOrder)
{
    // renderD1000 sorts after renderD129 by number, before it by name.
    QTemporaryDir root;
    for (const char* node : {"renderD1000", "renderD129", "renderD128", "renderDx", "card0"})
        QDir().mkpath(root.filePath(QStringLiteral("sys/class/drm/") + node));
    EXPECT_EQ(LinuxVideoCodecs(root.path(), [](const QString&) { return std::nullopt; }).renderNodes(),
              (QStringList{"renderD128", "renderD129", "renderD1000"}));
}

TEST(OtherMachines, ThisMachine)
{
    // Every reading of this machine as the inspection shows it: never a maker the machine
    // did not report, and the installed memory at least what the kernel manages.
    const Localization L = Localization::english();
    const LinuxPlatform here;
    const ProbeContext ctx{here.platform(), L};
    const DeviceSummary s = DeviceProbe::summary(ctx);
    const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
    ASSERT_EQ(sections.size(), 11);
    QFile cpuinfo("/proc/cpuinfo");
    ASSERT_TRUE(cpuinfo.open(QIODevice::ReadOnly));
    const QByteArray info = cpuinfo.readAll();
    if (!info.contains("GenuineIntel")) {
        EXPECT_FALSE(s.chip.startsWith("Intel")) << s.chip.toStdString();
        EXPECT_FALSE(value(sections, "system", "architecture").startsWith("Intel"));
    }
    EXPECT_NE(s.memory, kMissingValue);
    EXPECT_GE(here.system.physicalMemory(), 1ull << 20);
    std::printf("[ this machine ] chip %s | architecture %s | memory %s | model %s\n", qPrintable(s.chip),
                qPrintable(value(sections, "system", "architecture")), qPrintable(s.memory), qPrintable(s.modelIdentifier));
}
