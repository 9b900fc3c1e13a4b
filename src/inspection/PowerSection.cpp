#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

namespace {
CapabilityItem lowPowerModeRow(const ProbeContext& ctx)
{
    // A machine without any power-saving setting is not saving power.
    const bool on = ctx.platform.powerMode.lowPowerModeEnabled().value_or(false);
    return CapabilityItem::make(ctx.L.tr("Low Power Mode"), on ? ctx.L.tr(QRL_CTX("Low Power Mode", "On")) : ctx.L.tr(QRL_CTX("Low Power Mode", "Off")),
                                on ? CapabilityStatus::warning : CapabilityStatus::info, "lowPowerMode");
}
}  // namespace

CapabilitySection powerSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    QList<CapabilityItem> items;

    const auto battery = batteryInfo(ctx);
    if (!battery) {
        items << CapabilityItem::make(L.tr("Battery"), L.tr("None (desktop Mac)"), S::info, "batteryCharge");
        items << lowPowerModeRow(ctx);
        return CapabilitySection::make(L.tr("Power"), "battery.100", items);
    }

    if (battery->hasLevel) {
        // The raw fraction decides: 0.199 warns although it may show as 20 %.
        items << CapabilityItem::make(L.tr("Battery"), percent(battery->level, L),
                                      battery->level >= 0.2 ? S::supported : S::warning, "batteryCharge", true);
    } else {
        items << CapabilityItem::make(L.tr("Battery"), kMissingValue, S::info, "batteryCharge", true);
    }

    QString source;
    if (battery->isCharging) source = L.tr("Charging");
    else if (battery->onAC) source = L.tr("Plugged in");
    else source = L.tr("On battery");
    items << CapabilityItem::make(L.tr("Power source"), source, S::info, "powerSource", true);

    if (battery->health && !battery->health->isEmpty()) {
        const QString& word = *battery->health;
        QString value = word;  // words the table does not know are shown as the source gives them
        if (word == QLatin1String("Good")) value = L.tr(QRL_CTX("Battery health", "Good"));
        else if (word == QLatin1String("Fair")) value = L.tr(QRL_CTX("Battery health", "Fair"));
        else if (word == QLatin1String("Poor")) value = L.tr(QRL_CTX("Battery health", "Poor"));
        items << CapabilityItem::make(L.tr("Battery health"), value, word == QLatin1String("Good") ? S::supported : S::warning,
                                      "batteryHealth");
    }

    if (battery->cycleCount)
        items << CapabilityItem::make(L.tr("Charge cycles"), QString::number(*battery->cycleCount), S::info, "chargeCycles");

    items << lowPowerModeRow(ctx);
    return CapabilitySection::make(L.tr("Power"), "battery.100", items);
}

}  // namespace DeviceProbe
