#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList keysOf(const CapabilitySection& s)
{
    QStringList keys;
    for (const CapabilityItem& i : s.items) keys << i.key.value_or("?");
    return keys;
}

const CapabilityItem* find(const CapabilitySection& s, const QString& key)
{
    for (const CapabilityItem& i : s.items)
        if (i.key == key) return &i;
    return nullptr;
}

CapabilitySection build(const FakeMachine& m, const Localization& L = Localization::english())
{
    const Platform p = m.platform();
    return DeviceProbe::processorSection(ProbeContext{p, L});
}

struct Row {
    const char* key;
    const char* value;
    CapabilityStatus status;
};

struct Case {
    const char* name;
    std::function<void(FakeMachine&)> setup;
    QStringList keys;
    std::vector<Row> rows;
};

using S = CapabilityStatus;

FakeMachine bare(const char* machine)
{
    FakeMachine m;
    m.system.machine = QString::fromLatin1(machine);
    m.system.setText("machdep.cpu.brand_string", "Test CPU");
    return m;
}

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = {
        {"AppleSiliconTwoLevelsNoFrequency",
         [](FakeMachine& m) { m = FakeMachine::appleSilicon(); },
         {"processor", "physicalCores", "logicalCores", "performanceCores", "efficiencyCores", "memory", "neuralEngine", "sme",
          "bf16"},
         {{"processor", "Apple M2", S::info},
          {"physicalCores", "8", S::info},
          {"performanceCores", "4", S::info},
          {"efficiencyCores", "4", S::info},
          {"memory", "16 GB", S::info},
          {"neuralEngine", "Available", S::supported},
          {"sme", "Not supported", S::unsupported},
          {"bf16", "Supported", S::supported}}},
        {"IntelOneLevelWithFrequency",
         [](FakeMachine& m) {
             m = FakeMachine::intelMac();
             m.system.setInt64("hw.cpufrequency_max", 2600000000);
         },
         {"processor", "physicalCores", "logicalCores", "maxFrequency", "memory", "neuralEngine", "avx2", "avx512"},
         {{"logicalCores", "16", S::info},
          {"maxFrequency", "2.60 GHz", S::info},
          {"neuralEngine", "Not available", S::unsupported},
          {"avx2", "Supported", S::supported},
          {"avx512", "Not supported", S::unsupported}}},
        {"UnreadableCountsShowZeroAndUnreadableFlagsAreUnsupported",
         [](FakeMachine& m) { m = bare("x86_64"); },
         {"processor", "physicalCores", "logicalCores", "memory", "neuralEngine", "avx2", "avx512"},
         {{"physicalCores", "0", S::info},
          {"logicalCores", "0", S::info},
          {"avx2", "Not supported", S::unsupported},
          {"avx512", "Not supported", S::unsupported}}},
        {"FlagReadingTwoIsUnsupported",
         [](FakeMachine& m) {
             m = bare("x86_64");
             m.system.setInt32("hw.optional.avx2_0", 2);
             m.system.setInt64("hw.optional.avx512f", 1);  // 8-byte 1 counts
         },
         {"processor", "physicalCores", "logicalCores", "memory", "neuralEngine", "avx2", "avx512"},
         {{"avx2", "Not supported", S::unsupported}, {"avx512", "Supported", S::supported}}},
        {"TwoLevelsWithUnreadableLevelCounts",
         [](FakeMachine& m) {
             m = bare("x86_64");
             m.system.setInt32("hw.nperflevels", 2);
         },
         {"processor", "physicalCores", "logicalCores", "performanceCores", "efficiencyCores", "memory", "neuralEngine", "avx2",
          "avx512"},
         {{"performanceCores", "0", S::info}, {"efficiencyCores", "0", S::info}}},
        {"ZeroOrNegativeFrequencyDropsTheRow",
         [](FakeMachine& m) {
             m = bare("x86_64");
             m.system.setInt64("hw.cpufrequency_max", 0);
         },
         {"processor", "physicalCores", "logicalCores", "memory", "neuralEngine", "avx2", "avx512"},
         {}},
        {"NegativeFrequencyDropsTheRow",
         [](FakeMachine& m) {
             m = bare("x86_64");
             m.system.setInt32("hw.cpufrequency_max", -1);
         },
         {"processor", "physicalCores", "logicalCores", "memory", "neuralEngine", "avx2", "avx512"},
         {}},
        {"ArmFromAnotherMakerGetsArmRowsButNoNeuralEngine",
         [](FakeMachine& m) {
             m = bare("aarch64");
             m.system.vendor = QStringLiteral("Arm");
             m.system.setInt32("hw.optional.arm64", 0);
             m.system.setInt32("hw.optional.arm.FEAT_BF16", 1);
             m.system.setInt64("hw.cpufrequency_max", 3050000000);
         },
         {"processor", "physicalCores", "logicalCores", "maxFrequency", "memory", "neuralEngine", "sme", "bf16"},
         {{"maxFrequency", "3.05 GHz", S::info},
          {"neuralEngine", "Not available", S::unsupported},
          {"bf16", "Supported", S::supported}}},
        {"OtherArchitecturesGetTheX86Rows",
         [](FakeMachine& m) { m = bare("riscv64"); },
         {"processor", "physicalCores", "logicalCores", "memory", "neuralEngine", "avx2", "avx512"},
         {{"avx2", "Not supported", S::unsupported}}},
    };
    return all;
}

class ProcessorSectionCases : public testing::TestWithParam<Case> {};

TEST_P(ProcessorSectionCases, RowsValuesAndStatuses)
{
    const Case& c = GetParam();
    FakeMachine m;
    c.setup(m);
    const CapabilitySection s = build(m);
    EXPECT_EQ(keysOf(s), c.keys);
    for (const Row& r : c.rows) {
        const CapabilityItem* item = find(s, r.key);
        ASSERT_NE(item, nullptr) << r.key;
        EXPECT_EQ(item->value, QString::fromUtf8(r.value)) << r.key;
        EXPECT_EQ(item->status, r.status) << r.key;
    }
    for (const CapabilityItem& i : s.items) EXPECT_FALSE(i.isVolatile) << i.key.value_or("").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Machines, ProcessorSectionCases, testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProcessorSection, TitleAndSymbol)
{
    const CapabilitySection s = build(FakeMachine::intelMac());
    EXPECT_EQ(s.title, "Processor & Memory");
    EXPECT_EQ(s.symbol, "cpu");
    EXPECT_FALSE(s.key.has_value());
}

TEST(ProcessorSection, FrequencyKeepsAFullStopInEveryLanguage)
{
    FakeMachine m = FakeMachine::intelMac();
    m.system.setInt64("hw.cpufrequency_max", 2600000000);
    const Localization german = Localization::forCode("de", "de_DE");
    const CapabilitySection s = build(m, german);
    const CapabilityItem* f = find(s, "maxFrequency");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->value, "2.60 GHz");
}

TEST(ProcessorSection, LabelsAndWordsComeFromTheStringTable)
{
    const StringTable table = StringTable::fromJson(R"({"Neural Engine": "Neuronale Engine", "Available": "Verfügbar",
        "Processor": "Prozessor", "Supported": "Unterstützt"})");
    Localization L = Localization::english();
    L.table = &table;
    const CapabilitySection s = build(FakeMachine::appleSilicon(), L);
    EXPECT_EQ(s.items[0].label, "Prozessor");
    const CapabilityItem* ne = find(s, "neuralEngine");
    ASSERT_NE(ne, nullptr);
    EXPECT_EQ(ne->label, "Neuronale Engine");
    EXPECT_EQ(ne->value, QString::fromUtf8("Verfügbar"));
    EXPECT_EQ(find(s, "bf16")->value, QString::fromUtf8("Unterstützt"));
}

}  // namespace
