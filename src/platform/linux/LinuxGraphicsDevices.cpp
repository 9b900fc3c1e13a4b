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

// Without Vulkan's device type: on a machine with several rendering cards, the one that is
// not the boot card and carries its own memory (or is NVIDIA's, whose drivers do not publish
// it) is the discrete GPU of a hybrid pair.
bool looksDiscrete(const DrmCardFacts& c, const QList<DrmCardFacts>& cards)
{
    constexpr quint32 kNvidia = 0x10de;
    const bool otherBootCard = std::any_of(cards.begin(), cards.end(), [&](const DrmCardFacts& o) {
        return o.card != c.card && o.hasRenderNode && o.bootVga;
    });
    return !c.bootVga && otherBootCard && (c.vram || c.vendorId == kNvidia);
}

}  // namespace

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
    QList<QPair<int, QString>> names;
    for (const QString& entry : fs_.list(QStringLiteral("sys/class/drm"))) {
        const auto m = cardName.match(entry);
        if (m.hasMatch()) names.append({m.captured(1).toInt(), entry});
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
        c.vendorId = hexId(fs_.line(dev + QStringLiteral("vendor"))).value_or(0);
        c.deviceId = hexId(fs_.line(dev + QStringLiteral("device"))).value_or(0);
        c.bootVga = fs_.integer(dev + QStringLiteral("boot_vga")) == 1;
        c.removable = fs_.line(dev + QStringLiteral("removable")) == QStringLiteral("removable");
        for (const QString& node : fs_.list(dev + QStringLiteral("drm")))
            if (node.startsWith(QLatin1String("renderD"))) c.hasRenderNode = true;
        if (auto vram = fs_.integer(dev + QStringLiteral("mem_info_vram_total")); vram && *vram > 0) c.vram = quint64(*vram);
        if (c.vendorId) c.name = pciName(c.vendorId, c.deviceId);
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

    std::optional<qsizetype> bootIndex, discreteIndex;
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
            if (card && card->bootVga && !bootIndex) bootIndex = inv.devices.size();
            if (g->type == T::Discrete && !discreteIndex && !d.isRemovable) discreteIndex = inv.devices.size();
            inv.devices << d;
        }
    } else {
        for (const DrmCardFacts& c : cards) {
            if (!c.hasRenderNode) continue;  // display-only controllers and firmware framebuffers
            GraphicsDevice d;
            d.name = c.name;
            d.isRemovable = c.removable;
            d.recommendedMaxWorkingSetSize = c.vram;
            if (c.bootVga && !bootIndex) bootIndex = inv.devices.size();
            if (!discreteIndex && !c.removable && looksDiscrete(c, cards)) discreteIndex = inv.devices.size();
            inv.devices << d;
        }
    }
    // The default device is the one applications are steered to: the built-in discrete GPU
    // where there is one (the firmware usually boots on the weaker integrated one), else the
    // card the firmware booted on, else the first.
    if (!inv.devices.isEmpty()) inv.defaultDevice = inv.devices.value(discreteIndex.value_or(bootIndex.value_or(0)));
    return inv;
}
