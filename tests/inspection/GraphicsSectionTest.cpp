#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"
#include "support/SectionsBRows.h"

#include <gtest/gtest.h>

namespace {

using S = CapabilityStatus;
constexpr quint64 GiB = 1024ull * 1024 * 1024;

GraphicsDevice appleGpu(int family, bool metal3, bool metal4 = false, bool rayTracing = true)
{
    GraphicsDevice d;
    d.name = QStringLiteral("Apple M2");
    d.hasUnifiedMemory = true;
    d.recommendedMaxWorkingSetSize = 16 * GiB;
    for (int n = 1; n <= family; ++n) d.supportedFamilies.insert(1000 + n);
    if (metal3) d.supportedFamilies.insert(5001);
    if (metal4) d.supportedFamilies.insert(5002);
    d.supportsRaytracing = rayTracing;
    return d;
}

QList<Row> graphicsRows(const FakeMachine& m, const Localization& L = Localization::english())
{
    const Platform p = m.platform();
    return rowsOf(DeviceProbe::graphicsSection(ProbeContext{p, L}));
}

TEST(GraphicsSection, NoDefaultDeviceIsOneMetalRowEvenWithDevicesListed)
{
    FakeMachine m = FakeMachine::linuxPC();
    m.graphics.value.devices = {appleGpu(8, true)};
    EXPECT_EQ(graphicsRows(m), (QList<Row>{{"Metal", "Not supported", S::unsupported, "metal"}}));
}

TEST(GraphicsSection, OneUnifiedGpuBeforeMacOS26)
{
    FakeMachine m = FakeMachine::appleSilicon();  // macOS 14
    m.graphics.value.devices = {appleGpu(8, true)};
    m.graphics.value.defaultDevice = m.graphics.value.devices[0];
    EXPECT_EQ(graphicsRows(m), (QList<Row>{
                                   {"GPU", "Apple M2 (unified memory)", S::info, "gpu.1"},
                                   {"Recommended GPU memory", "16 GB", S::info, "recommendedGPUMemory"},
                                   {"Apple GPU family", "Apple 8", S::info, "appleGPUFamily"},
                                   {"Metal 3", "Supported", S::supported, "metal3"},
                                   {"Metal 4", "Requires macOS 26", S::unsupported, "metal4"},
                                   {"Ray tracing", "Supported", S::supported, "rayTracing"},
                                   {"Hardware ray tracing", "Not supported", S::unsupported, "hardwareRayTracing"},
                               }));
}

TEST(GraphicsSection, Metal4RowFollowsTheSystemVersionAndTheDevice)
{
    struct Case {
        int macOSMajor;
        bool deviceHasMetal4;
        QString value;
        S status;
    };
    const Case cases[] = {
        {15, true, "Requires macOS 26", S::unsupported},
        {26, true, "Supported", S::supported},
        {26, false, "Not supported", S::unsupported},
    };
    for (const Case& c : cases) {
        FakeMachine m = FakeMachine::appleSilicon();
        m.system.os.major = c.macOSMajor;
        m.graphics.value.devices = {appleGpu(9, true, c.deviceHasMetal4)};
        m.graphics.value.defaultDevice = m.graphics.value.devices[0];
        const QList<Row> rows = graphicsRows(m);
        const auto metal4 = std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.key == "metal4"; });
        ASSERT_NE(metal4, rows.end());
        EXPECT_EQ(metal4->value, c.value) << c.macOSMajor;
        EXPECT_EQ(metal4->status, c.status) << c.macOSMajor;
    }
}

TEST(GraphicsSection, HardwareRayTracingNeedsFamilyNineOrTheDevicesOwnWord)
{
    struct Case {
        int family;           // 0: no Apple family
        bool deviceHardware;  // the device reports ray tracing hardware itself
        bool expected;
    };
    const Case cases[] = {{8, false, false}, {9, false, true}, {12, false, true}, {0, false, false}, {0, true, true}};
    for (const Case& c : cases) {
        FakeMachine m = FakeMachine::appleSilicon();
        GraphicsDevice d = appleGpu(c.family, false);
        d.hasHardwareRaytracing = c.deviceHardware;
        m.graphics.value.devices = {d};
        m.graphics.value.defaultDevice = d;
        const QList<Row> rows = graphicsRows(m);
        EXPECT_EQ(rows.last(), (Row{"Hardware ray tracing", c.expected ? "Supported" : "Not supported",
                                    c.expected ? S::supported : S::unsupported, "hardwareRayTracing"}))
            << "family " << c.family;
        const bool hasFamilyRow = std::any_of(rows.begin(), rows.end(), [](const Row& r) { return r.key == "appleGPUFamily"; });
        EXPECT_EQ(hasFamilyRow, c.family >= 1);
    }
}

TEST(GraphicsSection, TwoGpusAreNumberedAndCarryTheirTraits)
{
    FakeMachine m = FakeMachine::linuxPC();
    GraphicsDevice igpu;
    igpu.name = QStringLiteral("Intel(R) UHD Graphics 630");
    igpu.hasUnifiedMemory = true;
    igpu.isLowPower = true;
    GraphicsDevice egpu;
    egpu.name = QStringLiteral("AMD Radeon RX 6600");
    egpu.isRemovable = true;
    egpu.recommendedMaxWorkingSetSize = 8 * GiB;
    GraphicsDevice plain;
    plain.name = QStringLiteral("NVIDIA GeForce RTX 3060");
    m.graphics.value.devices = {igpu, egpu, plain};
    m.graphics.value.defaultDevice = egpu;
    const QList<Row> rows = graphicsRows(m);
    ASSERT_GE(rows.size(), 4);
    EXPECT_EQ(rows[0], (Row{"GPU 1", "Intel(R) UHD Graphics 630 (unified memory, low power)", S::info, "gpu.1"}));
    EXPECT_EQ(rows[1], (Row{"GPU 2", "AMD Radeon RX 6600 (external eGPU)", S::info, "gpu.2"}));
    EXPECT_EQ(rows[2], (Row{"GPU 3", "NVIDIA GeForce RTX 3060", S::info, "gpu.3"}));
    EXPECT_EQ(rows[3], (Row{"Recommended GPU memory", "8 GB", S::info, "recommendedGPUMemory"}));
}

TEST(GraphicsSection, ALinuxGpuShowsTheFallbacksOfWhatItCannotAnswer)
{
    FakeMachine m = FakeMachine::linuxPC();  // Debian: no Metal, no Apple families
    GraphicsDevice d;
    d.name = QStringLiteral("amdgpu (1002:73df)");
    m.graphics.value.devices = {d};
    m.graphics.value.defaultDevice = d;
    EXPECT_EQ(graphicsRows(m), (QList<Row>{
                                   {"GPU", "amdgpu (1002:73df)", S::info, "gpu.1"},
                                   {"Recommended GPU memory", "\u2014", S::info, "recommendedGPUMemory"},
                                   {"Metal 3", "Not supported", S::unsupported, "metal3"},
                                   {"Metal 4", "Requires macOS 26", S::unsupported, "metal4"},
                                   {"Ray tracing", "Not supported", S::unsupported, "rayTracing"},
                                   {"Hardware ray tracing", "Not supported", S::unsupported, "hardwareRayTracing"},
                               }));
}

TEST(GraphicsSection, ADefaultDeviceWithAnEmptyListStillHasTheMetalRows)
{
    FakeMachine m = FakeMachine::appleSilicon();
    m.graphics.value = GraphicsInventory{{}, appleGpu(7, true)};
    const QList<Row> rows = graphicsRows(m);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.first().key, "recommendedGPUMemory");
    EXPECT_EQ(rows.size(), 6);
}

TEST(GraphicsSection, ProductTermsStayAndTraitsFollowTheLanguage)
{
    FakeMachine m = FakeMachine::appleSilicon();
    GraphicsDevice d = appleGpu(8, true);
    d.isLowPower = true;
    m.graphics.value.devices = {d};
    m.graphics.value.defaultDevice = d;
    const Localization de = Localization::forCode("de", "de_DE");
    const QList<Row> rows = graphicsRows(m, de);
    const auto metal3 = std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.key == "metal3"; });
    ASSERT_NE(metal3, rows.end());
    EXPECT_EQ(metal3->label, "Metal 3");
    EXPECT_TRUE(rows[0].value.startsWith("Apple M2 ("));
}

}  // namespace

namespace {

// The preset Mac through the whole inspection: every row of these sections carries its key.
TEST(GraphicsSection, PresetMacThroughTheWholeInspection)
{
    const FakeMachine m = FakeMachine::appleSilicon();
    const Platform p = m.platform();
    const QList<CapabilitySection> sections = DeviceProbe::sections(ProbeContext{p, Localization::english()}, std::nullopt);
    ASSERT_EQ(sections.size(), 11);
    const QStringList mine{"graphics", "intelligence", "displays", "media", "cameraAudio", "network"};
    for (const CapabilitySection& s : sections) {
        if (!mine.contains(*s.key)) continue;
        EXPECT_FALSE(s.items.isEmpty()) << s.key->toStdString();
        for (const CapabilityItem& i : s.items) EXPECT_TRUE(i.key && !i.key->isEmpty()) << i.label.toStdString();
    }
    EXPECT_EQ(rowsOf(sections[2]).first(), (Row{"GPU", "Apple M2 (unified memory)", CapabilityStatus::info, "gpu.1"}));
}

}  // namespace
