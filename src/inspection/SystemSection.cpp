#include "inspection/DeviceProbe.h"

#include "platform/i18n/LocaleFormat.h"

namespace DeviceProbe {

namespace {
QString architecture(const ProbeContext& ctx, bool* translated)
{
    QString base;
    if (sysctlInt(ctx, "hw.optional.arm64") == 1) {
        base = QStringLiteral("Apple Silicon (arm64)");
    } else {
        // Off Apple hardware: the processor maker and machine word the machine reports,
        // never a maker it did not name.
        const auto vendor = ctx.platform.system.cpuVendor();
        const QString machine = ctx.platform.system.machineArchitecture();
        if (vendor && !machine.isEmpty()) base = QStringLiteral("%1 (%2)").arg(*vendor, machine);
        else if (!machine.isEmpty()) base = machine;
        else if (vendor) base = *vendor;
        else base = kMissingValue;
    }
    *translated = sysctlInt(ctx, "sysctl.proc_translated") == 1;
    if (*translated) base += QStringLiteral(" \u2014 ") + ctx.L.tr("via Rosetta");
    return base;
}
}  // namespace

CapabilitySection systemSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    const SystemFacts& sys = ctx.platform.system;
    using S = CapabilityStatus;
    QList<CapabilityItem> items;

    items << CapabilityItem::make(L.tr("Device name"), sys.hostName().value_or(kMissingValue), S::info, "deviceName");
    items << CapabilityItem::make(L.tr("Model identifier"), sysctlString(ctx, "hw.model").value_or(kMissingValue), S::info,
                                  "modelIdentifier");
    items << CapabilityItem::make(L.tr("Operating system"), osVersionDescription(ctx), S::info, "os");

    bool translated = false;
    const QString arch = architecture(ctx, &translated);
    items << CapabilityItem::make(L.tr("Architecture"), arch, translated ? S::warning : S::info, "architecture");

    QString uptime = LocaleFormat::abbreviatedDuration(sys.systemUptime(), L);
    if (uptime.isEmpty()) uptime = kMissingValue;
    items << CapabilityItem::make(L.tr("Uptime"), uptime, S::info, "uptime", true);

    QString thermal;
    S thermalStatus = S::info;
    switch (sys.thermalState()) {
    case ThermalState::Nominal: thermal = L.tr(QRL_CTX("Thermal state", "Normal")); thermalStatus = S::supported; break;
    case ThermalState::Fair: thermal = L.tr(QRL_CTX("Thermal state", "Warm")); thermalStatus = S::info; break;
    case ThermalState::Serious: thermal = L.tr(QRL_CTX("Thermal state", "Hot")); thermalStatus = S::warning; break;
    case ThermalState::Critical: thermal = L.tr(QRL_CTX("Thermal state", "Critical")); thermalStatus = S::unsupported; break;
    default: thermal = L.tr(QRL_CTX("Thermal state", "Unknown")); thermalStatus = S::info; break;
    }
    items << CapabilityItem::make(L.tr("Thermal state"), thermal, thermalStatus, "thermalState", true);

    return CapabilitySection::make(L.tr("System"), "info.circle", items);
}

}  // namespace DeviceProbe
