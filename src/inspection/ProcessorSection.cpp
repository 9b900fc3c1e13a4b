#include "inspection/DeviceProbe.h"

#include "platform/i18n/LocaleFormat.h"

namespace DeviceProbe {

namespace {
CapabilityItem featureRow(const ProbeContext& ctx, const QString& label, const char* sysctlName, const char* key)
{
    // Only an exact 1 means the extension is there; unreadable or any other value does not.
    const bool supported = sysctlInt(ctx, QString::fromLatin1(sysctlName)) == 1;
    return CapabilityItem::make(label, supported ? ctx.L.tr("Supported") : ctx.L.tr("Not supported"),
                                supported ? CapabilityStatus::supported : CapabilityStatus::unsupported,
                                QString::fromLatin1(key));
}

QString coreCount(const ProbeContext& ctx, const char* sysctlName)
{
    return QString::number(sysctlInt(ctx, QString::fromLatin1(sysctlName)).value_or(0));
}
}  // namespace

CapabilitySection processorSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    QList<CapabilityItem> items;

    items << CapabilityItem::make(L.tr("Processor"), chipName(ctx), S::info, "processor");
    items << CapabilityItem::make(L.tr("Physical cores"), coreCount(ctx, "hw.physicalcpu"), S::info, "physicalCores");
    items << CapabilityItem::make(L.tr("Logical cores"), coreCount(ctx, "hw.logicalcpu"), S::info, "logicalCores");

    // Level 0 is the performance cluster, level 1 the efficiency cluster.
    if (sysctlInt(ctx, "hw.nperflevels").value_or(0) > 1) {
        items << CapabilityItem::make(L.tr("Performance cores"), coreCount(ctx, "hw.perflevel0.physicalcpu"), S::info,
                                      "performanceCores");
        items << CapabilityItem::make(L.tr("Efficiency cores"), coreCount(ctx, "hw.perflevel1.physicalcpu"), S::info,
                                      "efficiencyCores");
    }

    if (const auto hz = sysctlInt(ctx, "hw.cpufrequency_max"); hz && *hz > 0) {
        // Always with a full stop, whatever the interface language.
        items << CapabilityItem::make(L.tr("Max frequency"), QString::asprintf("%.2f GHz", double(*hz) / 1e9), S::info,
                                      "maxFrequency");
    }

    items << CapabilityItem::make(L.tr("Memory (RAM)"), physicalMemoryText(ctx), S::info, "memory");

    const bool appleSilicon = sysctlInt(ctx, "hw.optional.arm64") == 1;
    items << CapabilityItem::make(L.tr("Neural Engine"), appleSilicon ? L.tr("Available") : L.tr("Not available"),
                                  appleSilicon ? S::supported : S::unsupported, "neuralEngine");

    // The extensions that matter follow the real instruction set: arm64 processors from
    // other makers have SME and BF16 too, and no AVX.
    const QString machine = ctx.platform.system.machineArchitecture();
    if (appleSilicon || machine == QLatin1String("arm64") || machine == QLatin1String("aarch64")) {
        items << featureRow(ctx, L.tr("SME instructions"), "hw.optional.arm.FEAT_SME", "sme");
        items << featureRow(ctx, L.tr("BF16 instructions"), "hw.optional.arm.FEAT_BF16", "bf16");
    } else {
        items << featureRow(ctx, L.tr("AVX2 instructions"), "hw.optional.avx2_0", "avx2");
        items << featureRow(ctx, L.tr("AVX-512 instructions"), "hw.optional.avx512f", "avx512");
    }

    return CapabilitySection::make(L.tr("Processor & Memory"), "cpu", items);
}

}  // namespace DeviceProbe
