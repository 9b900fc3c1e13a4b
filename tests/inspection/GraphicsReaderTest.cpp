#include "platform/linux/LinuxGraphicsDevices.h"

#include <gtest/gtest.h>

namespace {

using VT = VulkanDeviceFacts::Type;
constexpr quint64 GiB = 1024ull * 1024 * 1024;

const QString laptop = QStringLiteral(QRL_FIXTURES_DIR "/sb-laptop");

TEST(GraphicsReader, DrmCardsOfTheLaptopTree)
{
    const QList<DrmCardFacts> cards = LinuxGraphicsDevices(laptop, false).drmCards();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_EQ(cards[0].card, "card0");
    EXPECT_EQ(cards[0].pciAddress, "0000:00:02.0");
    EXPECT_EQ(cards[0].vendorId, 0x8086u);
    EXPECT_EQ(cards[0].deviceId, 0x9a49u);
    EXPECT_TRUE(cards[0].bootVga);
    EXPECT_FALSE(cards[0].removable);
    EXPECT_TRUE(cards[0].hasRenderNode);
    EXPECT_FALSE(cards[0].vram);
    EXPECT_EQ(cards[0].name, "Intel Corporation TigerLake-LP GT2 [Iris Xe Graphics]");  // from the PCI id list
    EXPECT_EQ(cards[1].driver, "amdgpu");
    EXPECT_TRUE(cards[1].removable);
    EXPECT_EQ(cards[1].vram, 8573157376ull);
    EXPECT_EQ(cards[1].name, "amdgpu (1002:73df)");  // not in the list: the driver and the ids
}

TEST(GraphicsReader, WithoutVulkanTheCardsAnswerAlone)
{
    const GraphicsInventory inv = LinuxGraphicsDevices(laptop, false).inventory();
    ASSERT_EQ(inv.devices.size(), 2);
    EXPECT_EQ(inv.devices[1].isRemovable, true);
    EXPECT_EQ(inv.devices[1].recommendedMaxWorkingSetSize, 8573157376ull);
    EXPECT_FALSE(inv.devices[0].hasUnifiedMemory);  // /sys does not say
    ASSERT_TRUE(inv.defaultDevice);
    EXPECT_EQ(*inv.defaultDevice, inv.devices[0]);  // the card the console runs on
}

TEST(GraphicsReader, VmAndGarbageTrees)
{
    EXPECT_EQ(LinuxGraphicsDevices(QStringLiteral(QRL_FIXTURES_DIR "/sb-vm"), false).inventory(), GraphicsInventory{});
    EXPECT_EQ(LinuxGraphicsDevices(QStringLiteral(QRL_FIXTURES_DIR "/no-such-tree"), false).inventory(), GraphicsInventory{});
    const QList<DrmCardFacts> garbage = LinuxGraphicsDevices(QStringLiteral(QRL_FIXTURES_DIR "/sb-garbage"), false).drmCards();
    ASSERT_EQ(garbage.size(), 1);  // "cardX" is no card
    EXPECT_EQ(garbage[0].vendorId, 0u);
    EXPECT_FALSE(garbage[0].name.isEmpty());
}

TEST(GraphicsReader, VulkanDevicesAreCombinedWithTheCards)
{
    const QList<DrmCardFacts> cards = LinuxGraphicsDevices(laptop, false).drmCards();
    VulkanDeviceFacts intel{"Intel(R) Xe Graphics (TGL GT2)", VT::Integrated, 0x8086, 0x9a49, "0000:00:02.0", 4 * GiB, false, false};
    VulkanDeviceFacts amd{"AMD Radeon RX 6600 (RADV NAVI23)", VT::Discrete, 0x1002, 0x73df, "", 8 * GiB, true, true};
    VulkanDeviceFacts cpu{"llvmpipe (LLVM 15.0.6, 256 bits)", VT::Cpu, 0x10005, 0, "", 2 * GiB, false, false};
    VulkanDeviceFacts amdAgain = amd;  // a second driver for the same card
    amdAgain.name = "AMD Radeon RX 6600";

    const GraphicsInventory inv = LinuxGraphicsDevices::combine(QList<VulkanDeviceFacts>{cpu, intel, amd, amdAgain}, cards);
    ASSERT_EQ(inv.devices.size(), 2);
    const GraphicsDevice& i = inv.devices[0];
    EXPECT_EQ(i.name, intel.name);
    EXPECT_TRUE(i.hasUnifiedMemory);
    EXPECT_TRUE(i.isLowPower);  // integrated beside a discrete GPU
    EXPECT_FALSE(i.isRemovable);
    EXPECT_EQ(i.recommendedMaxWorkingSetSize, 4 * GiB);
    EXPECT_FALSE(i.supportsRaytracing);
    const GraphicsDevice& a = inv.devices[1];
    EXPECT_FALSE(a.hasUnifiedMemory);
    EXPECT_FALSE(a.isLowPower);
    EXPECT_TRUE(a.isRemovable);  // matched to card1 by its ids
    EXPECT_TRUE(a.supportsRaytracing);
    EXPECT_TRUE(a.hasHardwareRaytracing);
    EXPECT_TRUE(a.supportedFamilies.isEmpty());
    ASSERT_TRUE(inv.defaultDevice);
    EXPECT_EQ(inv.defaultDevice->name, intel.name);
}

TEST(GraphicsReader, SoftwareRenderersAreNoGpus)
{
    VulkanDeviceFacts cpu{"llvmpipe (LLVM 15.0.6, 256 bits)", VT::Cpu, 0x10005, 0, "", 2 * GiB, false, false};
    // Vulkan sees only the software renderer and there is no card: no GPU, no default device.
    EXPECT_EQ(LinuxGraphicsDevices::combine(QList<VulkanDeviceFacts>{cpu}, {}), GraphicsInventory{});
    // With a card Vulkan has no driver for, the card answers.
    const GraphicsInventory inv =
        LinuxGraphicsDevices::combine(QList<VulkanDeviceFacts>{cpu}, LinuxGraphicsDevices(laptop, false).drmCards());
    EXPECT_EQ(inv.devices.size(), 2);
}

TEST(GraphicsReader, ASingleIntegratedGpuIsNotLowPowerAndVramFillsAnEmptyHeap)
{
    DrmCardFacts card;
    card.card = "card0";
    card.vendorId = 0x1002;
    card.deviceId = 0x1638;
    card.vram = 512ull * 1024 * 1024;
    card.hasRenderNode = true;
    VulkanDeviceFacts apu{"AMD Radeon Graphics (RADV RENOIR)", VT::Integrated, 0x1002, 0x1638, "", 0, false, false};
    const GraphicsInventory inv = LinuxGraphicsDevices::combine(QList<VulkanDeviceFacts>{apu}, {card});
    ASSERT_EQ(inv.devices.size(), 1);
    EXPECT_TRUE(inv.devices[0].hasUnifiedMemory);
    EXPECT_FALSE(inv.devices[0].isLowPower);
    EXPECT_EQ(inv.devices[0].recommendedMaxWorkingSetSize, 512ull * 1024 * 1024);
}

TEST(GraphicsReader, ThisMachine)
{
    // A VM: at most the software renderer through Vulkan, which does not count.
    const auto vulkan = LinuxGraphicsDevices::vulkanDevices();
    if (vulkan)
        for (const VulkanDeviceFacts& d : *vulkan) EXPECT_FALSE(d.name.isEmpty());
    const GraphicsInventory inv = LinuxGraphicsDevices().inventory();
    for (const GraphicsDevice& d : inv.devices) EXPECT_FALSE(d.name.startsWith("llvmpipe")) << d.name.toStdString();
    EXPECT_EQ(inv.defaultDevice.has_value(), !inv.devices.isEmpty());
}

}  // namespace
