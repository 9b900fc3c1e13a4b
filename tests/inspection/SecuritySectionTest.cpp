#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using S = CapabilityStatus;

CapabilitySection build(const FakeMachine& m, const Localization& L = Localization::english())
{
    const Platform p = m.platform();
    return DeviceProbe::securitySection(ProbeContext{p, L});
}

struct Case {
    const char* name;
    BiometricState bio;
    bool enclave;
    std::optional<bool> password;
    QHash<QString, QString> env;
    bool confined;
    // touchID, secureEnclave, devicePassword, appSandbox
    std::array<const char*, 4> values;
    std::array<S, 4> statuses;
};

class SecurityCases : public testing::TestWithParam<Case> {};

TEST_P(SecurityCases, FourRows)
{
    const Case& c = GetParam();
    FakeMachine m;
    m.security.bio = c.bio;
    m.security.enclave = c.enclave;
    m.security.password = c.password;
    m.security.env = c.env;
    m.security.confined = c.confined;
    const CapabilitySection s = build(m);
    ASSERT_EQ(s.items.size(), 4);
    const char* keys[] = {"touchID", "secureEnclave", "devicePassword", "appSandbox"};
    const char* labels[] = {"Touch ID", "Secure Enclave", "Device password", "App Sandbox"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.items[i].key, keys[i]);
        EXPECT_EQ(s.items[i].label, labels[i]);
        EXPECT_EQ(s.items[i].value, QString::fromUtf8(c.values[i])) << keys[i];
        EXPECT_EQ(s.items[i].status, c.statuses[i]) << keys[i];
        EXPECT_FALSE(s.items[i].isVolatile);
    }
}

using BT = BiometryType;
INSTANTIATE_TEST_SUITE_P(
    Machines, SecurityCases,
    testing::Values(
        Case{"EnrolledSensorAndEnclave", {true, BT::touchID}, true, true, {{"APP_SANDBOX_CONTAINER_ID", "x"}}, false,
             {"Available and enabled", "Available", "Set", "Active"}, {S::supported, S::supported, S::info, S::info}},
        Case{"SensorWithoutFingers", {false, BT::touchID}, false, false, {}, false,
             {"Available — not set up", "Not available", "Not set", "Inactive"},
             {S::warning, S::unsupported, S::info, S::info}},
        Case{"NoSensor", {false, BT::none}, false, true, {{"HOME", "/root"}}, false,
             {"Not available", "Not available", "Set", "Inactive"}, {S::unsupported, S::unsupported, S::info, S::info}},
        Case{"AnotherBiometryIsNotTouchID", {false, BT::faceID}, false, true, {}, false,
             {"Not available", "Not available", "Set", "Inactive"}, {S::unsupported, S::unsupported, S::info, S::info}},
        // Unknown password: shown missing rather than claiming "Not set".
        Case{"PasswordUnknown", {false, BT::none}, false, std::nullopt, {}, false,
             {"Not available", "Not available", "\u2014", "Inactive"}, {S::unsupported, S::unsupported, S::info, S::info}},
        Case{"EmptyVariableStillMeansSandboxed", {false, BT::none}, false, true, {{"APP_SANDBOX_CONTAINER_ID", ""}}, false,
             {"Not available", "Not available", "Set", "Active"}, {S::unsupported, S::unsupported, S::info, S::info}},
        Case{"ConfinedBySystemSandbox", {false, BT::none}, false, true, {}, true,
             {"Not available", "Not available", "Set", "Active"}, {S::unsupported, S::unsupported, S::info, S::info}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SecuritySection, TitleAndSymbol)
{
    const CapabilitySection s = build(FakeMachine::appleSilicon());
    EXPECT_EQ(s.title, "Security");
    EXPECT_EQ(s.symbol, "lock.shield");
}

TEST(SecuritySection, LanguageChangesEverythingButTheProductTerms)
{
    const StringTable table = StringTable::fromJson(R"({"Touch ID": "X", "Secure Enclave": "X", "App Sandbox": "X",
        "Device password": "Gerätepasswort", "Set": "Festgelegt", "Available": "Verfügbar",
        "Available and enabled": "Verfügbar und aktiviert", "Inactive": "Inaktiv"})");
    Localization L = Localization::english();
    L.table = &table;
    const CapabilitySection s = build(FakeMachine::appleSilicon(), L);
    ASSERT_EQ(s.items.size(), 4);
    EXPECT_EQ(s.items[0].label, "Touch ID");
    EXPECT_EQ(s.items[1].label, "Secure Enclave");
    EXPECT_EQ(s.items[2].label, QString::fromUtf8("Gerätepasswort"));
    EXPECT_EQ(s.items[3].label, "App Sandbox");
    EXPECT_EQ(s.items[0].value, QString::fromUtf8("Verfügbar und aktiviert"));
    EXPECT_EQ(s.items[1].value, QString::fromUtf8("Verfügbar"));
    EXPECT_EQ(s.items[2].value, "Festgelegt");
    EXPECT_EQ(s.items[3].value, "Inaktiv");
}

}  // namespace
