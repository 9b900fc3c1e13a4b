#include "inspection/DeviceProbe.h"

#include "platform/i18n/StringFormat.h"

namespace DeviceProbe {

CapabilitySection networkSection(const ProbeContext& ctx, const std::optional<NetworkPath>& path)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    using T = NetworkPath::InterfaceType;
    QList<CapabilityItem> items;

    if (!path) {
        items << CapabilityItem::make(L.tr("Internet connection"), L.tr("Checking…"), S::info, "internet", true);
    } else {
        const bool connected = path->status == NetworkPath::Status::Satisfied;
        items << CapabilityItem::make(L.tr("Internet connection"), connected ? L.tr("Connected") : L.tr("Not connected"),
                                      connected ? S::supported : S::unsupported, "internet", true);

        QStringList kinds;
        if (path->usesInterfaceType(T::Wifi)) kinds << QStringLiteral("Wi-Fi");
        if (path->usesInterfaceType(T::WiredEthernet)) kinds << QStringLiteral("Ethernet");
        if (path->usesInterfaceType(T::Cellular)) kinds << L.tr("Cellular");
        if (path->usesInterfaceType(T::Other)) kinds << L.tr("Other");
        if (!kinds.isEmpty())
            items << CapabilityItem::make(L.tr("Connection type"), kinds.join(QStringLiteral(" + ")), S::info,
                                          "connectionType");

        items << CapabilityItem::make(QStringLiteral("IPv4"), path->supportsIPv4 ? L.tr("Supported") : L.tr("Not supported"),
                                      path->supportsIPv4 ? S::supported : S::unsupported, "ipv4");
        items << CapabilityItem::make(QStringLiteral("IPv6"), path->supportsIPv6 ? L.tr("Supported") : L.tr("Not supported"),
                                      path->supportsIPv6 ? S::supported : S::info, "ipv6");
        if (path->isExpensive)
            items << CapabilityItem::make(L.tr("Expensive connection"), L.tr("Yes (hotspot)"), S::warning,
                                          "expensiveConnection");
        if (path->isConstrained)
            items << CapabilityItem::make(L.tr("Low Data Mode"), L.tr(QRL_CTX("Low Data Mode", "On")), S::warning, "lowDataMode");
    }

    // Interface names are data: they fill the placeholder once and are never read as a format.
    for (const auto& [name, address] : ipv4Addresses(ctx))
        items << CapabilityItem::make(formatString(L.tr("Interface %@"), {name}), address, S::info,
                                      QStringLiteral("interface.") + name, true);

    return CapabilitySection::make(L.tr("Network"), "network", items);
}

}  // namespace DeviceProbe
