#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// One graphics processor as the inspection sees it.
struct GraphicsDevice {
    QString name;
    bool hasUnifiedMemory = false;  // shares system memory (an integrated GPU)
    bool isLowPower = false;        // the integrated GPU of a machine that also has a discrete one
    bool isRemovable = false;       // attached through a removable link (an external GPU)
    // The memory the device can use without slowing down; absent when the machine does not say.
    std::optional<quint64> recommendedMaxWorkingSetSize;
    // GPU family numbers the device supports: 1000 + n for Apple family n, 5001 Metal 3, 5002 Metal 4.
    QSet<int> supportedFamilies;
    bool supportsRaytracing = false;
    // Ray tracing done by dedicated hardware, where the machine reports it apart from the family.
    bool hasHardwareRaytracing = false;

    bool supportsFamily(int family) const { return supportedFamilies.contains(family); }
    bool operator==(const GraphicsDevice&) const = default;
};

struct GraphicsInventory {
    QList<GraphicsDevice> devices;           // in the machine's order
    std::optional<GraphicsDevice> defaultDevice;  // absent when the machine has no usable GPU
    bool operator==(const GraphicsInventory&) const = default;
};

class GraphicsDevices {
public:
    virtual ~GraphicsDevices() = default;
    // Reads the machine afresh.
    virtual GraphicsInventory inventory() const = 0;
};
