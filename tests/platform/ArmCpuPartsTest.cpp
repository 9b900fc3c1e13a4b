// Arm processors named from the numbers in /proc/cpuinfo.
#include "platform/linux/ArmCpuParts.h"

#include <gtest/gtest.h>

namespace {
// A /proc/cpuinfo of one block per (implementer, part) pair, in order.
QByteArray cpuinfo(std::initializer_list<std::pair<const char*, const char*>> cores)
{
    QByteArray text;
    int n = 0;
    for (const auto& [implementer, part] : cores) {
        text += "processor\t: " + QByteArray::number(n++) + "\nBogoMIPS\t: 108.00\nFeatures\t: fp asimd\n";
        if (implementer) text += QByteArray("CPU implementer\t: ") + implementer + "\n";
        text += "CPU architecture: 8\nCPU variant\t: 0x4\n";
        if (part) text += QByteArray("CPU part\t: ") + part + "\n";
        text += "CPU revision\t: 1\n\n";
    }
    return text;
}
}  // namespace

TEST(ArmCpuParts, ImplementersAndParts)
{
    const struct {
        int implementer;
        const char* name;
    } makers[] = {{0x41, "Arm"}, {0x51, "Qualcomm"}, {0x61, "Apple"}, {0xc0, "Ampere"}, {0x48, "HiSilicon"},
                  {0x4e, "NVIDIA"}, {0x46, "Fujitsu"}, {0x6d, "Microsoft"}, {0x70, "Phytium"}, {0x56, "Marvell"}};
    for (const auto& m : makers) EXPECT_EQ(ArmCpuParts::implementerName(m.implementer), QString::fromLatin1(m.name));
    EXPECT_FALSE(ArmCpuParts::implementerName(0x6a));
    EXPECT_FALSE(ArmCpuParts::implementerName(0));

    const struct {
        int implementer, part;
        const char* name;
    } parts[] = {{0x41, 0xd0b, "Cortex-A76"}, {0x41, 0xd05, "Cortex-A55"}, {0x41, 0xd0c, "Neoverse-N1"},
                 {0x41, 0xd40, "Neoverse-V1"}, {0x41, 0xd4f, "Neoverse-V2"}, {0x41, 0xd03, "Cortex-A53"},
                 {0x41, 0xd08, "Cortex-A72"}, {0x41, 0xd46, "Cortex-A510"}, {0x41, 0xd81, "Cortex-A720"},
                 {0x61, 0x023, "Apple M1"}, {0x61, 0x022, "Apple M1"}, {0xc0, 0xac3, "AmpereOne"},
                 {0x51, 0x001, "Oryon"}, {0x48, 0xd01, "Kunpeng 920"}};
    for (const auto& p : parts) EXPECT_EQ(ArmCpuParts::partName(p.implementer, p.part), QString::fromLatin1(p.name));
    // A part number means something only together with its maker.
    EXPECT_FALSE(ArmCpuParts::partName(0x51, 0xd0b));
    EXPECT_FALSE(ArmCpuParts::partName(0x41, 0xfff));
}

TEST(ArmCpuParts, CoreNamesOfWholeCpuinfoTexts)
{
    static const char junk[] = "\0\xff\n:\n::::\nCPU part:\n";
    const struct {
        const char* what;
        QByteArray text;
        const char* names;
    } cases[] = {
        {"four alike (a Raspberry Pi 5)", cpuinfo({{"0x41", "0xd0b"}, {"0x41", "0xd0b"}, {"0x41", "0xd0b"}, {"0x41", "0xd0b"}}),
         "Cortex-A76"},
        {"big.LITTLE, little cores first", cpuinfo({{"0x41", "0xd05"}, {"0x41", "0xd05"}, {"0x41", "0xd0b"}, {"0x41", "0xd0b"}}),
         "Cortex-A55 + Cortex-A76"},
        {"a server", cpuinfo({{"0x41", "0xd0c"}, {"0x41", "0xd0c"}}), "Neoverse-N1"},
        {"both core kinds of one Apple chip", cpuinfo({{"0x61", "0x022"}, {"0x61", "0x023"}}), "Apple M1"},
        {"an implementer the table lacks", cpuinfo({{"0x6a", "0x001"}}), ""},
        {"a part the table lacks beside a known one", cpuinfo({{"0x41", "0xd0b"}, {"0x41", "0xabc"}}), ""},
        {"no part line", cpuinfo({{"0x41", nullptr}}), ""},
        {"a part before any implementer", cpuinfo({{nullptr, "0xd0b"}}), ""},
        {"garbage numbers", cpuinfo({{"0xzz", "0xd0b"}}), ""},
        {"an x86 text", "processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Xeon(R)\n\n", ""},
        {"empty", "", ""},
        {"binary junk", QByteArray(junk, sizeof junk - 1), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ArmCpuParts::coreNames(c.text), QString::fromLatin1(c.names)) << c.what;
}
