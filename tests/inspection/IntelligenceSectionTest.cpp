#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"
#include "support/SectionsBRows.h"

#include <gtest/gtest.h>

namespace {

using S = CapabilityStatus;
using Reason = LanguageModelAvailability::Reason;

const Row appleSiliconRow{"Hardware requirement", "Apple Silicon", S::supported, "hardwareRequirement"};
const Row noAppleSiliconRow{"Hardware requirement", "Requires Apple Silicon", S::unsupported, "hardwareRequirement"};

TEST(IntelligenceSection, RowsForEverySystemAndModelState)
{
    struct Case {
        const char* name;
        int macOSMajor;
        std::optional<LanguageModelAvailability> model;
        QList<Row> expected;
    };
    const Row tooOld{"Apple Intelligence", "Requires macOS 26", S::unsupported, "appleIntelligence"};
    const QList<Case> cases = {
        {"before macOS 26 the model is not asked", 15, LanguageModelAvailability{true}, {tooOld, appleSiliconRow}},
        {"available", 26, LanguageModelAvailability{true},
         {{"Apple Intelligence", "Ready", S::supported, "appleIntelligence"},
          {"On-device language model", "Available", S::supported, "onDeviceModel"},
          appleSiliconRow}},
        {"not eligible", 26, LanguageModelAvailability{false, Reason::DeviceNotEligible},
         {{"Apple Intelligence", "Device not eligible", S::unsupported, "appleIntelligence"}, appleSiliconRow}},
        {"switched off", 26, LanguageModelAvailability{false, Reason::NotEnabled},
         {{"Apple Intelligence", "Supported but not enabled", S::warning, "appleIntelligence"}, appleSiliconRow}},
        {"downloading", 26, LanguageModelAvailability{false, Reason::ModelNotReady},
         {{"Apple Intelligence", "Supported — model downloading", S::warning, "appleIntelligence"}, appleSiliconRow}},
        {"another reason", 26, LanguageModelAvailability{false, Reason::Other},
         {{"Apple Intelligence", "Not available", S::unsupported, "appleIntelligence"}, appleSiliconRow}},
        {"no model service at all", 26, std::nullopt, {tooOld, appleSiliconRow}},
    };
    for (const Case& c : cases) {
        FakeMachine m = FakeMachine::appleSilicon();
        m.system.os.major = c.macOSMajor;
        m.languageModel.value = c.model;
        const Platform p = m.platform();
        EXPECT_EQ(rowsOf(DeviceProbe::intelligenceSection(ProbeContext{p, Localization::english()})), c.expected) << c.name;
    }
}

TEST(IntelligenceSection, HardwareRowNeedsTheArm64FlagToReadExactlyOne)
{
    struct Case {
        std::optional<qint32> arm64;
        Row expected;
    };
    const Case cases[] = {{1, appleSiliconRow}, {0, noAppleSiliconRow}, {2, noAppleSiliconRow}, {std::nullopt, noAppleSiliconRow}};
    for (const Case& c : cases) {
        FakeMachine m = FakeMachine::linuxPC();
        if (c.arm64) m.system.setInt32("hw.optional.arm64", *c.arm64);
        const Platform p = m.platform();
        const QList<Row> rows = rowsOf(DeviceProbe::intelligenceSection(ProbeContext{p, Localization::english()}));
        ASSERT_EQ(rows.size(), 2);
        EXPECT_EQ(rows[0].value, "Requires macOS 26");  // Linux has no model service
        EXPECT_EQ(rows[1], c.expected) << (c.arm64 ? *c.arm64 : -1);
    }
}

}  // namespace
