#include "inspection/DeviceProbe.h"

#include "platform/i18n/LocaleFormat.h"

#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace DeviceProbe {

DeviceSummary summary(const ProbeContext& ctx)
{
    const SystemFacts& sys = ctx.platform.system;
    DeviceSummary s;
    const auto volume = volumeCapacity(ctx);
    s.storage = volume ? LocaleFormat::byteCount(volume->total, ctx.L, LocaleFormat::ByteStyle::File) : kMissingValue;
    s.deviceName = sys.hostName().value_or(QStringLiteral("Mac"));
    s.modelIdentifier = sysctlString(ctx, "hw.model").value_or(kMissingValue);
    s.chip = chipName(ctx);
    s.memory = physicalMemoryText(ctx);
    s.osVersion = osVersionDescription(ctx);
    s.isAppleSilicon = sysctlInt(ctx, "hw.optional.arm64") == 1;
    s.hasBattery = batteryInfo(ctx).has_value();
    return s;
}

QList<CapabilitySection> sections(const ProbeContext& ctx, const std::optional<NetworkPath>& networkPath)
{
    struct Entry {
        const char* key;
        CapabilitySection section;
    };
    // Built in this order, each once; the key is the section's stable word.
    Entry entries[] = {
        {"system", systemSection(ctx)},
        {"processor", processorSection(ctx)},
        {"graphics", graphicsSection(ctx)},
        {"intelligence", intelligenceSection(ctx)},
        {"displays", displaysSection(ctx)},
        {"media", mediaSection(ctx)},
        {"cameraAudio", cameraAudioSection(ctx)},
        {"storage", storageSection(ctx)},
        {"power", powerSection(ctx)},
        {"network", networkSection(ctx, networkPath)},
        {"security", securitySection(ctx)},
    };
    QList<CapabilitySection> result;
    result.reserve(std::size(entries));
    for (Entry& e : entries) {
        e.section.key = QString::fromLatin1(e.key);
        result << std::move(e.section);
    }
    return result;
}

std::optional<QString> sysctlString(const ProbeContext& ctx, const QString& name)
{
    const auto raw = ctx.platform.system.sysctl(name);
    if (!raw || raw->size() < 1) return std::nullopt;
    const qsizetype zero = raw->indexOf('\0');
    // Invalid UTF-8 is repaired with replacement characters.
    return QString::fromUtf8(zero >= 0 ? raw->left(zero) : *raw);
}

std::optional<qint64> sysctlInt(const ProbeContext& ctx, const QString& name)
{
    const auto raw = ctx.platform.system.sysctl(name);
    if (!raw) return std::nullopt;
    if (raw->size() == 8) {
        qint64 v = 0;
        std::memcpy(&v, raw->constData(), 8);
        return v;
    }
    if (raw->size() == 4) {
        qint32 v = 0;
        std::memcpy(&v, raw->constData(), 4);
        return qint64(v);
    }
    return std::nullopt;
}

QString physicalMemoryText(const ProbeContext& ctx)
{
    // No machine has no memory: a size of 0 means the system gave none.
    if (!ctx.physicalMemory) ctx.physicalMemory = ctx.platform.system.physicalMemory();
    const quint64 memory = *ctx.physicalMemory;
    return memory ? LocaleFormat::byteCount(qint64(memory), ctx.L, LocaleFormat::ByteStyle::Memory) : kMissingValue;
}

QString chipName(const ProbeContext& ctx)
{
    if (auto brand = sysctlString(ctx, "machdep.cpu.brand_string")) return *brand;
    if (sysctlInt(ctx, "hw.optional.arm64") == 1) return QStringLiteral("Apple Silicon");
    // Off Apple hardware the fallback names the processor maker the machine reports, else
    // its machine word: never a maker it did not name.
    if (auto vendor = ctx.platform.system.cpuVendor(); vendor && *vendor != "Apple") return *vendor;
    if (const QString machine = ctx.platform.system.machineArchitecture(); !machine.isEmpty()) return machine;
    return kMissingValue;
}

QString osVersionDescription(const ProbeContext& ctx)
{
    const OperatingSystem os = ctx.platform.system.operatingSystem();
    QString text;
    if (os.name == "macOS") {
        text = QStringLiteral("macOS %1.%2").arg(os.major).arg(os.minor);
        if (os.patch >= 1) text += QStringLiteral(".%1").arg(os.patch);
        static const QHash<int, QString> names = {{13, "Ventura"}, {14, "Sonoma"}, {15, "Sequoia"}, {26, "Tahoe"}};
        if (names.contains(os.major)) text += ' ' + names.value(os.major);
    } else {
        // The distribution's name and version.
        text = os.name;
        if (!os.version.isEmpty()) text += ' ' + os.version;
    }
    if (auto build = sysctlString(ctx, "kern.osversion")) text += QStringLiteral(" (%1)").arg(*build);
    return text;
}

std::optional<Volume> volumeCapacity(const ProbeContext& ctx)
{
    const auto v = ctx.platform.system.homeVolume();
    if (!v || !v->total) return std::nullopt;
    return Volume{v->name.value_or(kMissingValue), *v->total, v->available};
}

namespace {
std::optional<qint64> integerValue(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort:
        return v.toLongLong();
    default: return std::nullopt;
    }
}
}  // namespace

std::optional<BatteryInfo> batteryInfo(const ProbeContext& ctx)
{
    const auto list = ctx.platform.power.powerSourceDescriptions();
    if (!list) return std::nullopt;
    for (const QVariant& entry : *list) {
        if (entry.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap d = entry.toMap();
        const QVariant type = d.value("Type");
        if (type.typeId() != QMetaType::QString || type.toString() != "InternalBattery") continue;
        BatteryInfo info;
        const auto current = integerValue(d.value("Current Capacity"));
        const auto max = integerValue(d.value("Max Capacity"));
        // A missing charge or a capacity of 0 or less is no reading, not an empty battery.
        info.hasLevel = current && (!max || *max > 0);
        if (info.hasLevel) info.level = std::clamp(double(*current) / double(max.value_or(100)), 0.0, 1.0);
        const QVariant charging = d.value("Is Charging");
        info.isCharging = charging.typeId() == QMetaType::Bool && charging.toBool();
        const QVariant state = d.value("Power Source State");
        info.onAC = state.typeId() == QMetaType::QString && state.toString() == "AC Power";
        const QVariant health = d.value("BatteryHealth");
        if (health.typeId() == QMetaType::QString) info.health = health.toString();
        info.cycleCount = batteryCycleCount(ctx);
        return info;
    }
    return std::nullopt;
}

std::optional<int> batteryCycleCount(const ProbeContext& ctx)
{
    const auto props = ctx.platform.power.smartBatteryProperties();
    if (!props) return std::nullopt;
    const auto n = integerValue(props->value("CycleCount"));
    // A count the result cannot hold (or below zero) is no reading, never a wrapped-around figure.
    if (!n || *n < 0 || *n > std::numeric_limits<int>::max()) return std::nullopt;
    return int(*n);
}

QList<QPair<QString, QString>> ipv4Addresses(const ProbeContext& ctx)
{
    QList<QPair<QString, QString>> out;
    const auto list = ctx.platform.network.addresses();
    if (!list) return out;
    for (const InterfaceAddress& a : *list) {
        if (!a.hasAddress || !a.up || a.loopback || a.family != AF_INET) continue;
        if (a.numericHost.isEmpty()) continue;
        out.append({a.name, a.numericHost});
    }
    return out;
}

QString describe(int authorizationStatus, const Localization& L)
{
    switch (authorizationStatus) {
    case 0: return L.tr(QRL_CTX("Camera permission", "Not requested yet"));
    case 1: return L.tr(QRL_CTX("Camera permission", "Restricted"));
    case 2: return L.tr(QRL_CTX("Camera permission", "Denied"));
    case 3: return L.tr(QRL_CTX("Camera permission", "Allowed"));
    default: return L.tr(QRL_CTX("Camera permission", "Unknown"));
    }
}

QString percent(double fraction, const Localization& L) { return LocaleFormat::percent(fraction, L); }

quint32 fourCC(const QString& text)
{
    quint32 code = 0;
    for (char c : text.toLatin1()) code = (code << 8) + quint32(quint8(c));
    return code;
}

}  // namespace DeviceProbe
