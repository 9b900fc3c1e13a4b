#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

namespace {
bool isMacOS26OrLater(const OperatingSystem& os) { return os.name == QLatin1String("macOS") && os.major >= 26; }
}  // namespace

CapabilitySection intelligenceSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    using Reason = LanguageModelAvailability::Reason;
    QList<CapabilityItem> items;

    // Without a model service the row reads as on a system too old to have one.
    std::optional<LanguageModelAvailability> availability;
    if (isMacOS26OrLater(ctx.platform.system.operatingSystem())) availability = ctx.platform.languageModel.availability();

    bool modelAvailable = false;
    if (!availability) {
        items << CapabilityItem::make(L.tr("Apple Intelligence"), L.tr("Requires macOS 26"), S::unsupported,
                                      "appleIntelligence");
    } else if (availability->available) {
        modelAvailable = true;
        items << CapabilityItem::make(L.tr("Apple Intelligence"), L.tr(QRL_CTX("Apple Intelligence", "Ready")), S::supported, "appleIntelligence");
    } else {
        QString value;
        S status = S::unsupported;
        switch (availability->reason) {
        case Reason::DeviceNotEligible: value = L.tr("Device not eligible"); break;
        case Reason::NotEnabled: value = L.tr("Supported but not enabled"); status = S::warning; break;
        case Reason::ModelNotReady: value = L.tr("Supported — model downloading"); status = S::warning; break;
        default: value = L.tr("Not available"); break;
        }
        items << CapabilityItem::make(L.tr("Apple Intelligence"), value, status, "appleIntelligence");
    }

    if (modelAvailable)
        items << CapabilityItem::make(L.tr("On-device language model"), L.tr("Available"), S::supported, "onDeviceModel");

    if (sysctlInt(ctx, "hw.optional.arm64") == 1)
        items << CapabilityItem::make(L.tr("Hardware requirement"), QStringLiteral("Apple Silicon"), S::supported,
                                      "hardwareRequirement");
    else
        items << CapabilityItem::make(L.tr("Hardware requirement"), L.tr("Requires Apple Silicon"), S::unsupported,
                                      "hardwareRequirement");

    return CapabilitySection::make(L.tr("Artificial Intelligence"), "sparkles", items);
}

}  // namespace DeviceProbe
