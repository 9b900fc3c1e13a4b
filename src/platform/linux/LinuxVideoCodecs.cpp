#include "platform/linux/LinuxVideoCodecs.h"
#include "platform/linux/LinuxVaApi.h"

#include <QFile>
#include <QRegularExpression>

#include <va/va.h>

#include <algorithm>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace {

quint32 code(const char (&text)[5])
{
    return (quint32(quint8(text[0])) << 24) | (quint32(quint8(text[1])) << 16) | (quint32(quint8(text[2])) << 8) |
           quint32(quint8(text[3]));
}

// The codec (as a FourCC) a VA profile decodes or encodes; 0 for the ones the inspection does not ask about.
quint32 codecOf(int profile)
{
    switch (profile) {
    case VAProfileH264Main: case VAProfileH264High: case VAProfileH264ConstrainedBaseline:
    case VAProfileH264MultiviewHigh: case VAProfileH264StereoHigh:
        return code("avc1");
    case VAProfileHEVCMain: case VAProfileHEVCMain10: case VAProfileHEVCMain12: case VAProfileHEVCMain422_10:
    case VAProfileHEVCMain422_12: case VAProfileHEVCMain444: case VAProfileHEVCMain444_10: case VAProfileHEVCMain444_12:
    case VAProfileHEVCSccMain: case VAProfileHEVCSccMain10: case VAProfileHEVCSccMain444: case VAProfileHEVCSccMain444_10:
        return code("hvc1");
    case VAProfileVP9Profile0: case VAProfileVP9Profile1: case VAProfileVP9Profile2: case VAProfileVP9Profile3:
        return code("vp09");
    case VAProfileAV1Profile0: case VAProfileAV1Profile1:
        return code("av01");
    default: return 0;
    }
}

// The libraries stay loaded once found; the facts are asked afresh each time.
const VaApi& vaApi()
{
    static const VaApi api = [] {
        VaApi a;
        a.va = dlopen("libva.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!a.va) return a;
        a.drm = dlopen("libva-drm.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!a.drm) return a;
        auto sym = [&](void* lib, const char* name) { return dlsym(lib, name); };
        a.initialize = reinterpret_cast<decltype(a.initialize)>(sym(a.va, "vaInitialize"));
        a.terminate = reinterpret_cast<decltype(a.terminate)>(sym(a.va, "vaTerminate"));
        a.maxProfiles = reinterpret_cast<decltype(a.maxProfiles)>(sym(a.va, "vaMaxNumProfiles"));
        a.maxEntrypoints = reinterpret_cast<decltype(a.maxEntrypoints)>(sym(a.va, "vaMaxNumEntrypoints"));
        a.queryProfiles = reinterpret_cast<decltype(a.queryProfiles)>(sym(a.va, "vaQueryConfigProfiles"));
        a.queryEntrypoints = reinterpret_cast<decltype(a.queryEntrypoints)>(sym(a.va, "vaQueryConfigEntrypoints"));
        a.setErrorCallback = reinterpret_cast<decltype(a.setErrorCallback)>(sym(a.va, "vaSetErrorCallback"));
        a.setInfoCallback = reinterpret_cast<decltype(a.setInfoCallback)>(sym(a.va, "vaSetInfoCallback"));
        a.getDisplayDrm = reinterpret_cast<decltype(a.getDisplayDrm)>(sym(a.drm, "vaGetDisplayDRM"));
        return a;
    }();
    return api;
}

void quiet(void*, const char*) {}

}  // namespace

LinuxVideoCodecs::LinuxVideoCodecs(QString root, ProfileQuery query)
    : fs_(std::move(root)), query_(query ? std::move(query) : ProfileQuery(&LinuxVideoCodecs::queryProfiles))
{
}

QStringList LinuxVideoCodecs::renderNodes() const
{
    static const QRegularExpression node(QStringLiteral("^renderD(\\d+)$"));
    QList<QPair<int, QString>> numbered;
    for (const QString& entry : fs_.list(QStringLiteral("sys/class/drm"))) {
        const auto m = node.match(entry);
        if (m.hasMatch()) numbered.append({m.captured(1).toInt(), entry});
    }
    // By number: renderD129 comes before renderD1000, which a sort by name would not give.
    std::sort(numbered.begin(), numbered.end());
    QStringList nodes;
    for (const auto& n : numbered) nodes << n.second;
    return nodes;
}

QString LinuxVideoCodecs::firstRenderNode() const { return renderNodes().value(0); }

std::optional<QList<VaProfileEntrypoints>> LinuxVideoCodecs::queryProfiles(const QString& devicePath)
{
    const VaApi& api = vaApi();
    if (!api.usable()) return std::nullopt;
    const int fd = ::open(QFile::encodeName(devicePath).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    auto result = queryDisplay(api, fd);
    ::close(fd);
    return result;
}

std::optional<QList<VaProfileEntrypoints>> LinuxVideoCodecs::queryDisplay(const VaApi& api, int fd)
{
    if (!api.usable()) return std::nullopt;
    VADisplay dpy = api.getDisplayDrm(fd);
    if (!dpy) return std::nullopt;
    // The library reports to stderr by default; the inspection shows its own outcome.
    if (api.setErrorCallback) api.setErrorCallback(dpy, quiet, nullptr);
    if (api.setInfoCallback) api.setInfoCallback(dpy, quiet, nullptr);

    std::optional<QList<VaProfileEntrypoints>> result;
    int major = 0, minor = 0;
    if (api.initialize(dpy, &major, &minor) == VA_STATUS_SUCCESS) {
        const int maxProfiles = api.maxProfiles(dpy);
        const int maxEntrypoints = api.maxEntrypoints(dpy);
        if (maxProfiles > 0 && maxEntrypoints > 0) {
            std::vector<VAProfile> profiles(static_cast<size_t>(maxProfiles));
            int count = 0;
            if (api.queryProfiles(dpy, profiles.data(), &count) == VA_STATUS_SUCCESS) {
                result = QList<VaProfileEntrypoints>{};
                std::vector<VAEntrypoint> entrypoints(static_cast<size_t>(maxEntrypoints));
                for (int i = 0; i < qBound(0, count, maxProfiles); ++i) {
                    int n = 0;
                    if (api.queryEntrypoints(dpy, profiles[size_t(i)], entrypoints.data(), &n) != VA_STATUS_SUCCESS) continue;
                    VaProfileEntrypoints pe;
                    pe.profile = int(profiles[size_t(i)]);
                    for (int e = 0; e < qBound(0, n, maxEntrypoints); ++e) pe.entrypoints << int(entrypoints[size_t(e)]);
                    result->append(pe);
                }
            }
        }
    }
    // The display holds the library's state whether or not the driver started; only
    // terminating it frees that.
    api.terminate(dpy);
    return result;
}

VideoCodecSupport LinuxVideoCodecs::fromProfiles(const QList<VaProfileEntrypoints>& profiles)
{
    VideoCodecSupport support;
    QSet<quint32> encode;
    for (const VaProfileEntrypoints& p : profiles) {
        const quint32 codec = codecOf(p.profile);
        if (!codec) continue;
        for (int e : p.entrypoints) {
            if (e == VAEntrypointVLD) support.hardwareDecoders.insert(codec);
            else if (e == VAEntrypointEncSlice || e == VAEntrypointEncSliceLP) encode.insert(codec);
        }
    }
    QList<VideoEncoderEntry> list;
    for (quint32 c : {code("avc1"), code("hvc1"), code("vp09"), code("av01")})
        if (encode.contains(c)) list << VideoEncoderEntry{c, true};
    support.encoders = list;
    return support;
}

VideoCodecSupport LinuxVideoCodecs::support() const
{
    // The profiles of all media engines together: a codec any of them has is in hardware.
    QList<VaProfileEntrypoints> all;
    for (const QString& node : renderNodes())
        if (const auto profiles = query_(fs_.path(QStringLiteral("dev/dri/") + node))) all += *profiles;
    return fromProfiles(all);
}
