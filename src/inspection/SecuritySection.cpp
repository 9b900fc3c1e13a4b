#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

CapabilitySection securitySection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    const SecurityFacts& security = ctx.platform.security;
    using S = CapabilityStatus;
    QList<CapabilityItem> items;

    // "Touch ID", "Secure Enclave" and "App Sandbox" are product terms, the same in every language.
    const BiometricState bio = security.biometrics();
    if (bio.canEvaluate)
        items << CapabilityItem::make(QStringLiteral("Touch ID"), L.tr("Available and enabled"), S::supported, "touchID");
    else if (bio.type == BiometryType::touchID)
        items << CapabilityItem::make(QStringLiteral("Touch ID"), L.tr("Available — not set up"), S::warning, "touchID");
    else
        items << CapabilityItem::make(QStringLiteral("Touch ID"), L.tr("Not available"), S::unsupported, "touchID");

    const bool enclave = security.secureEnclaveAvailable();
    items << CapabilityItem::make(QStringLiteral("Secure Enclave"), enclave ? L.tr("Available") : L.tr("Not available"),
                                  enclave ? S::supported : S::unsupported, "secureEnclave");

    // When no account service answers, the password is unknown: shown as missing, not as "Not set".
    const auto password = security.devicePasswordSet();
    const QString passwordText = !password ? kMissingValue : *password ? L.tr("Set") : L.tr("Not set");
    items << CapabilityItem::make(L.tr("Device password"), passwordText, S::info, "devicePassword");

    const bool sandboxed = security.environment().contains(QStringLiteral("APP_SANDBOX_CONTAINER_ID")) ||
                           security.sandboxConfined();
    items << CapabilityItem::make(QStringLiteral("App Sandbox"), sandboxed ? L.tr("Active") : L.tr("Inactive"), S::info,
                                  "appSandbox");

    return CapabilitySection::make(L.tr("Security"), "lock.shield", items);
}

}  // namespace DeviceProbe
