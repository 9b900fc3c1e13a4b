#include "inspection/DeviceProbe.h"

#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"

#include <unicode/listformatter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <limits>
#include <vector>

namespace DeviceProbe {

namespace {

constexpr int kMetal3Family = 5001;
constexpr int kMetal4Family = 5002;

bool isMacOS26OrLater(const OperatingSystem& os) { return os.name == QLatin1String("macOS") && os.major >= 26; }

// "a, b and c" in the interface language, narrow width.
QString conjunctionList(const QStringList& parts, const Localization& L)
{
    if (parts.size() <= 1) return parts.value(0);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale(L.localeId.toUtf8().constData());
    std::unique_ptr<icu::ListFormatter> formatter(
        icu::ListFormatter::createInstance(locale, ULISTFMT_TYPE_AND, ULISTFMT_WIDTH_NARROW, status));
    if (U_FAILURE(status) || !formatter) return parts.join(QStringLiteral(", "));
    std::vector<icu::UnicodeString> items;
    items.reserve(parts.size());
    for (const QString& p : parts)
        items.emplace_back(reinterpret_cast<const UChar*>(p.utf16()), int32_t(p.size()));
    icu::UnicodeString out;
    formatter->format(items.data(), int32_t(items.size()), out, status);
    if (U_FAILURE(status)) return parts.join(QStringLiteral(", "));
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}

QString supportedText(bool yes, const Localization& L) { return yes ? L.tr("Supported") : L.tr("Not supported"); }
CapabilityStatus supportedStatus(bool yes) { return yes ? CapabilityStatus::supported : CapabilityStatus::unsupported; }

// The highest n from 12 down to 1 for which the device supports GPU family 1000 + n.
std::optional<int> highestAppleFamily(const GraphicsDevice& device)
{
    for (int n = 12; n >= 1; --n)
        if (device.supportsFamily(1000 + n)) return n;
    return std::nullopt;
}

}  // namespace

CapabilitySection graphicsSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    const GraphicsInventory gpus = ctx.platform.graphics.inventory();
    QList<CapabilityItem> items;

    if (!gpus.defaultDevice) {
        items << CapabilityItem::make(QStringLiteral("Metal"), L.tr("Not supported"), S::unsupported, "metal");
        return CapabilitySection::make(L.tr("Graphics & Metal"), "square.stack.3d.up", items);
    }

    const qsizetype count = gpus.devices.size();
    for (qsizetype i = 0; i < count; ++i) {
        const GraphicsDevice& d = gpus.devices[i];
        QStringList traits;
        if (d.hasUnifiedMemory) traits << L.tr("unified memory");
        if (d.isLowPower) traits << L.tr("low power");
        if (d.isRemovable) traits << L.tr("external eGPU");
        QString value = d.name;
        if (!traits.isEmpty()) value += QStringLiteral(" (") + conjunctionList(traits, L) + QStringLiteral(")");
        const qint64 n = i + 1;
        const QString label = count < 2 ? L.tr("GPU") : formatString(L.tr("GPU %lld"), {LocaleFormat::count(n, L)});
        items << CapabilityItem::make(label, value, S::info, QStringLiteral("gpu.%1").arg(n));
    }

    const GraphicsDevice& def = *gpus.defaultDevice;
    QString workingSet = kMissingValue;
    if (def.recommendedMaxWorkingSetSize) {
        const quint64 size = qMin<quint64>(*def.recommendedMaxWorkingSetSize, quint64(std::numeric_limits<qint64>::max()));
        workingSet = LocaleFormat::byteCount(qint64(size), L, LocaleFormat::ByteStyle::Memory);
    }
    items << CapabilityItem::make(L.tr("Recommended GPU memory"), workingSet, S::info, "recommendedGPUMemory");

    const auto family = highestAppleFamily(def);
    if (family && *family >= 1)
        items << CapabilityItem::make(L.tr("Apple GPU family"), QStringLiteral("Apple %1").arg(*family), S::info,
                                      "appleGPUFamily");

    const bool metal3 = def.supportsFamily(kMetal3Family);
    items << CapabilityItem::make(QStringLiteral("Metal 3"), supportedText(metal3, L), supportedStatus(metal3), "metal3");

    if (isMacOS26OrLater(ctx.platform.system.operatingSystem())) {
        const bool metal4 = def.supportsFamily(kMetal4Family);
        items << CapabilityItem::make(QStringLiteral("Metal 4"), supportedText(metal4, L), supportedStatus(metal4), "metal4");
    } else {
        items << CapabilityItem::make(QStringLiteral("Metal 4"), L.tr("Requires macOS 26"), S::unsupported, "metal4");
    }

    items << CapabilityItem::make(L.tr("Ray tracing"), supportedText(def.supportsRaytracing, L),
                                  supportedStatus(def.supportsRaytracing), "rayTracing");

    // Apple family 9 brought ray tracing hardware; elsewhere the device says so itself.
    const bool hardwareRT = family.value_or(0) >= 9 || def.hasHardwareRaytracing;
    items << CapabilityItem::make(L.tr("Hardware ray tracing"), supportedText(hardwareRT, L), supportedStatus(hardwareRT),
                                  "hardwareRayTracing");

    return CapabilitySection::make(L.tr("Graphics & Metal"), "square.stack.3d.up", items);
}

}  // namespace DeviceProbe
