#pragma once

#include "inspection/Capability.h"
#include "platform/NetworkPath.h"
#include "platform/Platform.h"
#include "platform/i18n/Localization.h"

#include <QPair>

// What one inspection reads with: the machine's readers and the interface language,
// both fixed for the whole inspection.
struct ProbeContext {
    const Platform& platform;
    const Localization& L;
    // The installed memory, read once per inspection: the summary and the Processor &
    // Memory section show the same figure.
    mutable std::optional<quint64> physicalMemory = std::nullopt;
};

namespace DeviceProbe {

// Entry points of an inspection.
DeviceSummary summary(const ProbeContext& ctx);
QList<CapabilitySection> sections(const ProbeContext& ctx, const std::optional<NetworkPath>& networkPath);

// The internal battery as the power-source list describes it.
struct BatteryInfo {
    double level = 0;  // 0 to 1
    bool hasLevel = true;  // false when the source gave no usable charge reading
    bool isCharging = false;
    bool onAC = false;
    std::optional<QString> health;
    std::optional<int> cycleCount;
};

struct Volume {
    QString name;
    qint64 total = 0;
    std::optional<qint64> available;  // absent when the system gave no free-space figure
};

// Shared machine-fact readers of the section builders.
std::optional<QString> sysctlString(const ProbeContext& ctx, const QString& name);
std::optional<qint64> sysctlInt(const ProbeContext& ctx, const QString& name);
QString chipName(const ProbeContext& ctx);
// The physical memory size in the memory style; "—" when the system gives none.
QString physicalMemoryText(const ProbeContext& ctx);
QString osVersionDescription(const ProbeContext& ctx);
std::optional<Volume> volumeCapacity(const ProbeContext& ctx);
std::optional<BatteryInfo> batteryInfo(const ProbeContext& ctx);
std::optional<int> batteryCycleCount(const ProbeContext& ctx);
QList<QPair<QString, QString>> ipv4Addresses(const ProbeContext& ctx);
// Camera authorisation status (0 not determined, 1 restricted, 2 denied, 3 authorised) as text.
QString describe(int authorizationStatus, const Localization& L);
QString percent(double fraction, const Localization& L);
quint32 fourCC(const QString& text);

// The eleven section builders, in inspection order. They leave the section key empty.
CapabilitySection systemSection(const ProbeContext& ctx);
CapabilitySection processorSection(const ProbeContext& ctx);
CapabilitySection graphicsSection(const ProbeContext& ctx);
CapabilitySection intelligenceSection(const ProbeContext& ctx);
CapabilitySection displaysSection(const ProbeContext& ctx);
CapabilitySection mediaSection(const ProbeContext& ctx);
CapabilitySection cameraAudioSection(const ProbeContext& ctx);
CapabilitySection storageSection(const ProbeContext& ctx);
CapabilitySection powerSection(const ProbeContext& ctx);
CapabilitySection networkSection(const ProbeContext& ctx, const std::optional<NetworkPath>& path);
CapabilitySection securitySection(const ProbeContext& ctx);

}  // namespace DeviceProbe
