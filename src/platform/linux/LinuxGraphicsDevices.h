#pragma once

#include "platform/GraphicsDevices.h"
#include "platform/linux/SysFs.h"

// A physical device as the Vulkan loader lists it.
struct VulkanDeviceFacts {
    enum class Type { Other, Integrated, Discrete, Virtual, Cpu };
    QString name;
    Type type = Type::Other;
    quint32 vendorId = 0;
    quint32 deviceId = 0;
    QString pciAddress;            // "0000:01:00.0", empty when the driver does not say
    quint64 deviceLocalHeap = 0;   // the largest device-local memory heap
    bool rayQuery = false;
    bool rayTracingPipeline = false;
};

// A DRM card under /sys/class/drm.
struct DrmCardFacts {
    QString card;                  // "card0"
    QString pciAddress;            // empty for devices off the PCI bus
    quint32 vendorId = 0;
    quint32 deviceId = 0;
    QString driver;
    bool bootVga = false;          // the card the firmware set the console up on
    bool removable = false;        // behind a removable link (Thunderbolt)
    bool hasRenderNode = false;    // can render, not just drive a display
    std::optional<quint64> vram;   // memory the driver calls VRAM (an integrated GPU's carve-out too)
    QString name;                  // from the PCI id list, the device tree, else the driver with the ids
    quint32 pciClass = 0;          // 0x030000 VGA, 0x030200 3D controller, 0x038000 display controller
    QStringList compatible;        // device-tree compatible strings of a GPU off the PCI bus
    bool drivesDisplay = false;    // one of its connectors has a display connected
};

// The GPU family a device tree's compatible strings name ("Apple AGX G13 (M1)", "Arm Mali-G610"),
// or, failing those, the family the driver serves; empty when neither is known.
QString platformGpuName(const QStringList& compatible, const QString& driver);

// GPUs from the Vulkan loader (loaded at run time), tied to /sys/class/drm for what Vulkan
// does not tell; from /sys/class/drm alone when Vulkan is missing or lists no GPU.
// Software renderers (CPU devices) are not GPUs.
class LinuxGraphicsDevices : public GraphicsDevices {
public:
    explicit LinuxGraphicsDevices(QString root = QStringLiteral("/"), bool useVulkan = true);
    GraphicsInventory inventory() const override;

    QList<DrmCardFacts> drmCards() const;
    // Absent when the Vulkan library or an instance is not available.
    static std::optional<QList<VulkanDeviceFacts>> vulkanDevices();
    static GraphicsInventory combine(const std::optional<QList<VulkanDeviceFacts>>& vulkan,
                                     const QList<DrmCardFacts>& cards);

private:
    QString pciName(quint32 vendor, quint32 device) const;

    SysFs fs_;
    bool useVulkan_;
};
