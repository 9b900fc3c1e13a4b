#include "platform/linux/LinuxGraphicsDevices.h"

#include <QRegularExpression>

#define VK_NO_PROTOTYPES
#include <vulkan/vulkan_core.h>

#include <dlfcn.h>
#include <link.h>

#include <set>
#include <string>

#include <vector>

namespace {

std::optional<quint32> hexId(const std::optional<QString>& text)
{
    if (!text) return std::nullopt;
    bool ok = false;
    const uint v = text->toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    return quint32(v);
}

// The loader stays loaded once found: opening it costs more than a whole inspection.
void* vulkanLibrary()
{
    static void* handle = [] {
        void* h = dlopen("libvulkan.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!h) h = dlopen("libvulkan.so", RTLD_NOW | RTLD_LOCAL);
        return h;
    }();
    return handle;
}

std::set<std::string> loadedObjects()
{
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            if (info->dlpi_name && info->dlpi_name[0]) static_cast<std::set<std::string>*>(out)->insert(info->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

// The drivers the loader opened for an instance stay loaded after it is destroyed:
// loading them again (a software renderer pulls in a whole compiler) would cost more
// than the rest of an inspection. Only the libraries are kept; every inspection makes
// a new instance and asks the devices afresh.
void keepLoaded(const std::set<std::string>& before)
{
    static std::set<std::string> kept;
    for (const std::string& name : loadedObjects()) {
        if (before.count(name) || kept.count(name)) continue;
        if (dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD)) kept.insert(name);
    }
}

constexpr quint32 kNvidia = 0x10de;
constexpr quint32 kIntel = 0x8086;

int pciBus(const QString& address)
{
    // "0000:01:00.0": domain, bus, device.function.
    const QStringList parts = address.split(':');
    if (parts.size() != 3) return -1;
    bool ok = false;
    const int bus = parts[1].toInt(&ok, 16);
    return ok ? bus : -1;
}

// What the card itself says about being a discrete GPU, without Vulkan: NVIDIA makes no
// integrated PCI GPUs; Intel's integrated GPUs sit on the root bus; a render-only GPU
// (3D or display-controller class) beside the card the firmware booted on is the offload
// GPU of a hybrid pair. The memory the driver calls VRAM says nothing: an integrated
// Radeon reports its carve-out of system memory there.
std::optional<bool> discreteEvidence(const DrmCardFacts& c, const QList<DrmCardFacts>& cards)
{
    if (c.pciAddress.isEmpty()) return false;  // an SoC's GPU
    if (c.vendorId == kNvidia) return true;
    if (c.vendorId == kIntel) return pciBus(c.pciAddress) != 0;
    const quint32 subclass = (c.pciClass >> 8) & 0xFFFF;
    const bool otherBootCard = std::any_of(cards.begin(), cards.end(), [&](const DrmCardFacts& o) {
        return o.card != c.card && o.hasRenderNode && o.bootVga;
    });
    if (!c.bootVga && otherBootCard && (subclass == 0x0302 || subclass == 0x0380)) return true;
    return std::nullopt;
}

// The default among `candidates` (indices into `cards`): the one that drives the
// connected displays, then the boot card, then the first.
qsizetype preferred(const QList<qsizetype>& candidates, const QList<const DrmCardFacts*>& cards)
{
    for (qsizetype i : candidates)
        if (cards[i] && cards[i]->drivesDisplay) return i;
    for (qsizetype i : candidates)
        if (cards[i] && cards[i]->bootVga) return i;
    return candidates.value(0, 0);
}

QStringList zeroSeparated(const QByteArray& bytes)
{
    QStringList out;
    for (const QByteArray& part : bytes.split('\0')) {
        const QString s = QString::fromLatin1(part).trimmed();
        if (!s.isEmpty()) out << s;
    }
    return out;
}

}  // namespace

QString platformGpuName(const QStringList& compatible, const QString& driver)
{
    static const QRegularExpression agx(QStringLiteral("^apple,agx-(t\\d{4}|g1\\d[a-z]?)$"));
    static const QRegularExpression mali(QStringLiteral("^arm,mali-([tg]\\d{2,3})$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression maliArch(QStringLiteral("^arm,mali-(utgard|midgard|bifrost|valhall)"));
    static const QRegularExpression adreno(QStringLiteral("^qcom,adreno-(\\d{3})"));
    static const QRegularExpression powervr(QStringLiteral("^img,(?:img-|powervr-)?([a-z0-9-]+)$"));
    // Apple's SoCs by their chip number, and the AGX generation each carries.
    static const QHash<QString, QString> appleChips = {
        {"t8103", "G13G (M1)"},  {"t6000", "G13S (M1 Pro)"}, {"t6001", "G13C (M1 Max)"}, {"t6002", "G13D (M1 Ultra)"},
        {"t8112", "G14G (M2)"},  {"t6020", "G14S (M2 Pro)"}, {"t6021", "G14C (M2 Max)"}, {"t6022", "G14D (M2 Ultra)"},
        {"t8122", "G15G (M3)"},  {"t6030", "G15S (M3 Pro)"}, {"t6031", "G15C (M3 Max)"}, {"t6034", "G15C (M3 Max)"},
    };
    // SoCs whose device tree names only the Mali architecture, by the model they carry.
    static const QHash<QString, QString> maliOfSoc = {
        {"rockchip,rk3588-mali", "Mali-G610"}, {"rockchip,rk3568-mali", "Mali-G52"}, {"rockchip,rk3566-mali", "Mali-G52"},
        {"rockchip,rk3399-mali", "Mali-T860"}, {"rockchip,rk3288-mali", "Mali-T760"}, {"amlogic,meson-g12a-mali", "Mali-G31"},
        {"amlogic,meson-g12b-mali", "Mali-G52"}, {"amlogic,meson-sm1-mali", "Mali-G31"}, {"mediatek,mt8183-mali", "Mali-G72"},
        {"mediatek,mt8192-mali", "Mali-G57"}, {"mediatek,mt8195-mali", "Mali-G57"}, {"allwinner,sun50i-h6-mali", "Mali-T720"},
    };
    static const QHash<QString, QString> videoCore = {
        {"brcm,2712-v3d", "VideoCore VII"}, {"brcm,bcm2712-v3d", "VideoCore VII"}, {"brcm,2711-v3d", "VideoCore VI"},
        {"brcm,bcm2711-v3d", "VideoCore VI"}, {"brcm,bcm2835-v3d", "VideoCore IV"}, {"brcm,bcm2835-vc4", "VideoCore IV"},
        {"brcm,7268-v3d", "VideoCore V"}, {"brcm,7278-v3d", "VideoCore V"},
    };
    for (const QString& c : compatible) {
        if (const auto m = agx.match(c); m.hasMatch()) {
            const QString code = m.captured(1);
            if (appleChips.contains(code)) return QStringLiteral("Apple AGX ") + appleChips.value(code);
            if (code.startsWith('g')) return QStringLiteral("Apple AGX ") + code.toUpper();
        }
        if (const auto m = mali.match(c); m.hasMatch()) return QStringLiteral("Arm Mali-") + m.captured(1).toUpper();
        if (maliOfSoc.contains(c)) return QStringLiteral("Arm ") + maliOfSoc.value(c);
        if (const auto m = adreno.match(c); m.hasMatch()) return QStringLiteral("Qualcomm Adreno ") + m.captured(1);
        if (videoCore.contains(c)) return QStringLiteral("Broadcom ") + videoCore.value(c);
    }
    // The families known only by their architecture or maker.
    for (const QString& c : compatible) {
        if (c.startsWith(QLatin1String("apple,agx"))) return QStringLiteral("Apple AGX");
        if (const auto m = maliArch.match(c); m.hasMatch()) {
            QString arch = m.captured(1);
            arch[0] = arch[0].toUpper();
            return QStringLiteral("Arm Mali (%1)").arg(arch);
        }
        if (c.startsWith(QLatin1String("qcom,adreno"))) return QStringLiteral("Qualcomm Adreno");
        if (c.startsWith(QLatin1String("vivante,gc"))) return QStringLiteral("Vivante GC");
        if (const auto m = powervr.match(c); m.hasMatch() || c.contains(QLatin1String("powervr")))
            return QStringLiteral("Imagination PowerVR");
    }
    static const QHash<QString, QString> drivers = {
        {"asahi", "Apple AGX"}, {"panfrost", "Arm Mali"}, {"panthor", "Arm Mali"}, {"lima", "Arm Mali (Utgard)"},
        {"msm", "Qualcomm Adreno"}, {"v3d", "Broadcom VideoCore"}, {"vc4", "Broadcom VideoCore IV"},
        {"etnaviv", "Vivante GC"}, {"powervr", "Imagination PowerVR"}, {"pvrsrvkm", "Imagination PowerVR"},
    };
    return drivers.value(driver);
}

LinuxGraphicsDevices::LinuxGraphicsDevices(QString root, bool useVulkan) : fs_(std::move(root)), useVulkan_(useVulkan) {}

GraphicsInventory LinuxGraphicsDevices::inventory() const
{
    const QList<DrmCardFacts> cards = drmCards();
    // Every GPU driver on Linux sits on a DRM device; without one, Vulkan could only offer
    // a software renderer, which is no GPU, so the loader is not started at all.
    return combine(useVulkan_ && !cards.isEmpty() ? vulkanDevices() : std::nullopt, cards);
}

QString LinuxGraphicsDevices::pciName(quint32 vendor, quint32 device) const
{
    std::optional<QByteArray> ids;
    for (const char* p : {"usr/share/misc/pci.ids", "usr/share/hwdata/pci.ids"})
        if ((ids = fs_.read(QString::fromLatin1(p), 8 << 20))) break;
    if (!ids) return {};
    const QByteArray v = QByteArray::number(vendor, 16).rightJustified(4, '0');
    const QByteArray d = '\t' + QByteArray::number(device, 16).rightJustified(4, '0');
    QString vendorName;
    for (const QByteArray& line : ids->split('\n')) {
        if (vendorName.isEmpty()) {
            if (line.startsWith(v) && line.size() > 6 && line[4] == ' ') vendorName = QString::fromUtf8(line.mid(4)).trimmed();
            continue;
        }
        if (!line.startsWith('\t') && !line.startsWith('#') && !line.isEmpty()) break;  // next vendor
        if (line.startsWith(d) && line.size() > 7 && line[5] == ' ')
            return vendorName + ' ' + QString::fromUtf8(line.mid(5)).trimmed();
    }
    return {};
}

QList<DrmCardFacts> LinuxGraphicsDevices::drmCards() const
{
    static const QRegularExpression cardName(QStringLiteral("^card(\\d+)$"));
    static const QRegularExpression connectorName(QStringLiteral("^(card\\d+)-.+$"));
    QList<QPair<int, QString>> names;
    QHash<QString, QStringList> connectors;
    for (const QString& entry : fs_.list(QStringLiteral("sys/class/drm"))) {
        if (const auto m = cardName.match(entry); m.hasMatch()) names.append({m.captured(1).toInt(), entry});
        else if (const auto c = connectorName.match(entry); c.hasMatch()) connectors[c.captured(1)] << entry;
    }
    std::sort(names.begin(), names.end());

    QList<DrmCardFacts> cards;
    for (const auto& [number, card] : names) {
        const QString dev = QStringLiteral("sys/class/drm/") + card + QStringLiteral("/device/");
        DrmCardFacts c;
        c.card = card;
        QHash<QString, QString> uevent;
        if (auto text = fs_.read(dev + QStringLiteral("uevent"), 64 * 1024)) uevent = SysFs::keyValues(*text, '=');
        c.driver = uevent.value(QStringLiteral("DRIVER"));
        c.pciAddress = uevent.value(QStringLiteral("PCI_SLOT_NAME"));
        for (const QString& node : fs_.list(dev + QStringLiteral("drm")))
            if (node.startsWith(QLatin1String("renderD"))) c.hasRenderNode = true;
        for (const QString& connector : connectors.value(card))
            if (fs_.line(QStringLiteral("sys/class/drm/") + connector + QStringLiteral("/status")) == QStringLiteral("connected"))
                c.drivesDisplay = true;
        if (!c.pciAddress.isEmpty()) {
            c.vendorId = hexId(fs_.line(dev + QStringLiteral("vendor"))).value_or(0);
            c.deviceId = hexId(fs_.line(dev + QStringLiteral("device"))).value_or(0);
            c.pciClass = hexId(fs_.line(dev + QStringLiteral("class"))).value_or(0);
            c.bootVga = fs_.integer(dev + QStringLiteral("boot_vga")) == 1;
            c.removable = fs_.line(dev + QStringLiteral("removable")) == QStringLiteral("removable");
            if (auto vram = fs_.integer(dev + QStringLiteral("mem_info_vram_total")); vram && *vram > 0) c.vram = quint64(*vram);
            if (c.vendorId) c.name = pciName(c.vendorId, c.deviceId);
        } else {
            // Off the PCI bus: the device tree names the hardware.
            if (auto text = fs_.read(dev + QStringLiteral("of_node/compatible"), 4096)) c.compatible = zeroSeparated(*text);
            else if (const QString of = uevent.value(QStringLiteral("OF_COMPATIBLE_0")); !of.isEmpty()) c.compatible << of;
            c.name = platformGpuName(c.compatible, c.driver);
            if (c.name.isEmpty() && !c.compatible.isEmpty()) c.name = c.compatible.first();
        }
        if (c.name.isEmpty()) {
            const QString ids = c.vendorId ? QStringLiteral("%1:%2").arg(c.vendorId, 4, 16, QChar('0')).arg(c.deviceId, 4, 16, QChar('0'))
                                           : QString();
            if (!c.driver.isEmpty() && !ids.isEmpty()) c.name = QStringLiteral("%1 (%2)").arg(c.driver, ids);
            else c.name = !c.driver.isEmpty() ? c.driver : (!ids.isEmpty() ? ids : card);
        }
        cards << c;
    }
    return cards;
}

std::optional<QList<VulkanDeviceFacts>> LinuxGraphicsDevices::vulkanDevices()
{
    void* lib = vulkanLibrary();
    if (!lib) return std::nullopt;
    auto getInstanceProc = reinterpret_cast<PFN_vkGetInstanceProcAddr>(dlsym(lib, "vkGetInstanceProcAddr"));
    if (!getInstanceProc) return std::nullopt;
    auto createInstance = reinterpret_cast<PFN_vkCreateInstance>(getInstanceProc(nullptr, "vkCreateInstance"));
    auto instanceVersion =
        reinterpret_cast<PFN_vkEnumerateInstanceVersion>(getInstanceProc(nullptr, "vkEnumerateInstanceVersion"));
    if (!createInstance) return std::nullopt;

    uint32_t loaderVersion = VK_API_VERSION_1_0;
    if (instanceVersion && instanceVersion(&loaderVersion) != VK_SUCCESS) loaderVersion = VK_API_VERSION_1_0;
    VkApplicationInfo app{};
    app.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
    app.pApplicationName = "Quorlent";
    app.apiVersion = loaderVersion >= VK_API_VERSION_1_1 ? VK_API_VERSION_1_1 : VK_API_VERSION_1_0;
    VkInstanceCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
    info.pApplicationInfo = &app;
    VkInstance instance = VK_NULL_HANDLE;
    const std::set<std::string> before = loadedObjects();
    const VkResult created = createInstance(&info, nullptr, &instance);
    keepLoaded(before);
    if (created != VK_SUCCESS || !instance) return std::nullopt;

    auto proc = [&](const char* name) { return getInstanceProc(instance, name); };
    auto destroy = reinterpret_cast<PFN_vkDestroyInstance>(proc("vkDestroyInstance"));
    auto enumerate = reinterpret_cast<PFN_vkEnumeratePhysicalDevices>(proc("vkEnumeratePhysicalDevices"));
    auto properties = reinterpret_cast<PFN_vkGetPhysicalDeviceProperties>(proc("vkGetPhysicalDeviceProperties"));
    auto properties2 = reinterpret_cast<PFN_vkGetPhysicalDeviceProperties2>(proc("vkGetPhysicalDeviceProperties2"));
    auto memory = reinterpret_cast<PFN_vkGetPhysicalDeviceMemoryProperties>(proc("vkGetPhysicalDeviceMemoryProperties"));
    auto extensions =
        reinterpret_cast<PFN_vkEnumerateDeviceExtensionProperties>(proc("vkEnumerateDeviceExtensionProperties"));

    std::optional<QList<VulkanDeviceFacts>> result;
    uint32_t count = 0;
    if (enumerate && properties && memory && extensions && enumerate(instance, &count, nullptr) == VK_SUCCESS) {
        std::vector<VkPhysicalDevice> devices(count);
        if (count == 0 || enumerate(instance, &count, devices.data()) >= VK_SUCCESS) {
            devices.resize(count);
            result = QList<VulkanDeviceFacts>{};
            for (VkPhysicalDevice pd : devices) {
                VkPhysicalDeviceProperties p{};
                properties(pd, &p);
                VulkanDeviceFacts f;
                f.name = QString::fromUtf8(p.deviceName, int(qstrnlen(p.deviceName, sizeof p.deviceName)));
                switch (p.deviceType) {
                case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU: f.type = VulkanDeviceFacts::Type::Integrated; break;
                case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU: f.type = VulkanDeviceFacts::Type::Discrete; break;
                case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU: f.type = VulkanDeviceFacts::Type::Virtual; break;
                case VK_PHYSICAL_DEVICE_TYPE_CPU: f.type = VulkanDeviceFacts::Type::Cpu; break;
                default: f.type = VulkanDeviceFacts::Type::Other; break;
                }
                f.vendorId = p.vendorID;
                f.deviceId = p.deviceID;

                VkPhysicalDeviceMemoryProperties m{};
                memory(pd, &m);
                for (uint32_t h = 0; h < m.memoryHeapCount && h < VK_MAX_MEMORY_HEAPS; ++h)
                    if (m.memoryHeaps[h].flags & VK_MEMORY_HEAP_DEVICE_LOCAL_BIT)
                        f.deviceLocalHeap = qMax<quint64>(f.deviceLocalHeap, m.memoryHeaps[h].size);

                uint32_t extCount = 0;
                bool pciBusInfo = false;
                if (extensions(pd, nullptr, &extCount, nullptr) == VK_SUCCESS && extCount > 0) {
                    std::vector<VkExtensionProperties> ext(extCount);
                    if (extensions(pd, nullptr, &extCount, ext.data()) >= VK_SUCCESS) {
                        ext.resize(extCount);
                        for (const VkExtensionProperties& e : ext) {
                            const QByteArray name(e.extensionName, int(qstrnlen(e.extensionName, sizeof e.extensionName)));
                            if (name == VK_KHR_RAY_QUERY_EXTENSION_NAME) f.rayQuery = true;
                            else if (name == VK_KHR_RAY_TRACING_PIPELINE_EXTENSION_NAME) f.rayTracingPipeline = true;
                            else if (name == VK_EXT_PCI_BUS_INFO_EXTENSION_NAME) pciBusInfo = true;
                        }
                    }
                }
                if (pciBusInfo && properties2 && app.apiVersion >= VK_API_VERSION_1_1 && p.apiVersion >= VK_API_VERSION_1_1) {
                    VkPhysicalDevicePCIBusInfoPropertiesEXT bus{};
                    bus.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PCI_BUS_INFO_PROPERTIES_EXT;
                    VkPhysicalDeviceProperties2 p2{};
                    p2.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2;
                    p2.pNext = &bus;
                    properties2(pd, &p2);
                    f.pciAddress = QStringLiteral("%1:%2:%3.%4")
                                       .arg(bus.pciDomain, 4, 16, QChar('0'))
                                       .arg(bus.pciBus, 2, 16, QChar('0'))
                                       .arg(bus.pciDevice, 2, 16, QChar('0'))
                                       .arg(bus.pciFunction, 1, 16);
                }
                result->append(f);
            }
        }
    }
    if (destroy) destroy(instance, nullptr);
    return result;
}

GraphicsInventory LinuxGraphicsDevices::combine(const std::optional<QList<VulkanDeviceFacts>>& vulkan,
                                                const QList<DrmCardFacts>& cards)
{
    using T = VulkanDeviceFacts::Type;
    GraphicsInventory inv;
    QList<const VulkanDeviceFacts*> gpus;
    if (vulkan) {
        for (const VulkanDeviceFacts& f : *vulkan) {
            if (f.type == T::Cpu) continue;
            // Two drivers for one card (say two Vulkan drivers installed) list it twice.
            const bool duplicate = std::any_of(gpus.begin(), gpus.end(), [&](const VulkanDeviceFacts* g) {
                if (!f.pciAddress.isEmpty() && !g->pciAddress.isEmpty()) return f.pciAddress == g->pciAddress;
                return g->vendorId == f.vendorId && g->deviceId == f.deviceId;
            });
            if (!duplicate) gpus << &f;
        }
    }

    // Per device: the card it runs on (null when none matched) and whether it is a built-in
    // discrete GPU.
    QList<const DrmCardFacts*> cardOf;
    QList<bool> discrete;
    if (!gpus.isEmpty()) {
        const bool anyDiscrete = std::any_of(gpus.begin(), gpus.end(), [](const VulkanDeviceFacts* g) { return g->type == T::Discrete; });
        QList<bool> taken(cards.size(), false);
        for (const VulkanDeviceFacts* g : gpus) {
            const DrmCardFacts* card = nullptr;
            for (qsizetype i = 0; i < cards.size() && !card; ++i) {
                if (taken[i]) continue;
                const bool same = !g->pciAddress.isEmpty() ? cards[i].pciAddress == g->pciAddress
                                                           : cards[i].vendorId == g->vendorId && cards[i].deviceId == g->deviceId;
                if (same) {
                    taken[i] = true;
                    card = &cards[i];
                }
            }
            GraphicsDevice d;
            d.name = g->name;
            d.hasUnifiedMemory = g->type == T::Integrated;
            d.isLowPower = g->type == T::Integrated && anyDiscrete;
            d.isRemovable = card && card->removable;
            if (g->deviceLocalHeap > 0) d.recommendedMaxWorkingSetSize = g->deviceLocalHeap;
            else if (card && card->vram) d.recommendedMaxWorkingSetSize = card->vram;
            d.supportsRaytracing = g->rayQuery || g->rayTracingPipeline;
            d.hasHardwareRaytracing = d.supportsRaytracing;
            cardOf << card;
            discrete << (g->type == T::Discrete && !d.isRemovable);
            inv.devices << d;
        }
    } else {
        QList<std::optional<bool>> evidence;
        for (const DrmCardFacts& c : cards) {
            if (!c.hasRenderNode) continue;  // display-only controllers and firmware framebuffers
            GraphicsDevice d;
            d.name = c.name;
            d.isRemovable = c.removable;
            d.recommendedMaxWorkingSetSize = c.vram;
            // A GPU off the PCI bus is part of its SoC and shares its memory.
            d.hasUnifiedMemory = c.pciAddress.isEmpty();
            cardOf << &c;
            evidence << discreteEvidence(c, cards);
            discrete << (!c.removable && evidence.last().value_or(false));
            inv.devices << d;
        }
        // An integrated GPU is the low-power one only beside a discrete GPU it is known to be apart from.
        const bool anyDiscrete = discrete.contains(true);
        for (qsizetype i = 0; i < inv.devices.size(); ++i)
            if (anyDiscrete && evidence[i] == false && inv.devices[i].hasUnifiedMemory) inv.devices[i].isLowPower = true;
    }
    // The default device is the one applications are steered to: the built-in discrete GPU
    // where there is one (the firmware may boot on the weaker integrated one), else the GPU
    // that drives the connected displays, else the card the firmware booted on, else the
    // first. Among several discrete GPUs the same order decides.
    if (!inv.devices.isEmpty()) {
        QList<qsizetype> all, discreteOnes;
        for (qsizetype i = 0; i < inv.devices.size(); ++i) {
            all << i;
            if (discrete[i]) discreteOnes << i;
        }
        inv.defaultDevice = inv.devices.value(preferred(discreteOnes.isEmpty() ? all : discreteOnes, cardOf));
    }
    return inv;
}
