#include "inspection/DeviceProbe.h"

#include "platform/i18n/LocaleFormat.h"

#include <algorithm>

namespace DeviceProbe {

CapabilitySection storageSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    QList<CapabilityItem> items;

    const auto volume = volumeCapacity(ctx);
    if (!volume) {
        items << CapabilityItem::make(L.tr("Disk"), L.tr("Unable to read"), S::warning, "disk");
        return CapabilitySection::make(L.tr("Storage"), "internaldrive", items);
    }

    const QString name = volume->name.isEmpty() ? kMissingValue : volume->name;
    items << CapabilityItem::make(L.tr("Disk"), name, S::info, "disk");
    items << CapabilityItem::make(L.tr("Total capacity"),
                                  LocaleFormat::byteCount(volume->total, L, LocaleFormat::ByteStyle::File), S::info,
                                  "totalCapacity");

    if (!volume->available) {
        // No free-space figure is no reading, not a full disk.
        items << CapabilityItem::make(L.tr("Available space"), kMissingValue, S::info, "availableSpace", true);
    } else {
        const qint64 available = *volume->available;
        const double fraction =
            volume->total >= 1 ? std::clamp(double(available) / double(volume->total), 0.0, 1.0) : 0.0;
        const QString value = LocaleFormat::byteCount(available, L, LocaleFormat::ByteStyle::File) + QStringLiteral(" (") +
                              percent(fraction, L) + QStringLiteral(")");
        // The raw fraction decides, not the rounded percentage.
        items << CapabilityItem::make(L.tr("Available space"), value, fraction >= 0.1 ? S::supported : S::warning,
                                      "availableSpace", true);
    }
    return CapabilitySection::make(L.tr("Storage"), "internaldrive", items);
}

}  // namespace DeviceProbe
