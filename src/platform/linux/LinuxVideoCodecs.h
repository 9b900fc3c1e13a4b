#pragma once

#include "platform/VideoCodecs.h"
#include "platform/linux/SysFs.h"

#include <QList>

#include <functional>

// One VA-API profile with the entry points the driver offers for it.
struct VaApi;

struct VaProfileEntrypoints {
    int profile = 0;            // VAProfile
    QList<int> entrypoints;     // VAEntrypoint
};

// Hardware video from VA-API (libva and libva-drm, loaded at run time), asked of every
// render node: a machine with two GPUs has two media engines, and a codec is in hardware
// when either has it. No render node, no library or a driver that does not start: nothing
// in hardware.
class LinuxVideoCodecs : public VideoCodecs {
public:
    // Asks one render node (its /dev path) for its profiles; absent when it does not answer.
    using ProfileQuery = std::function<std::optional<QList<VaProfileEntrypoints>>(const QString& devicePath)>;

    // `query` defaults to asking VA-API (`queryProfiles`).
    explicit LinuxVideoCodecs(QString root = QStringLiteral("/"), ProfileQuery query = {});
    VideoCodecSupport support() const override;

    // "renderD128", "renderD129"...: every render node, in number order.
    QStringList renderNodes() const;
    // The lowest-numbered render node, empty when there is none.
    QString firstRenderNode() const;
    // Absent when the node cannot be opened or the driver does not start.
    static std::optional<QList<VaProfileEntrypoints>> queryProfiles(const QString& devicePath);
    // The same over an open DRM descriptor with the given entry points; the display it
    // makes is always terminated.
    static std::optional<QList<VaProfileEntrypoints>> queryDisplay(const VaApi& api, int fd);
    // Decode = a VLD entry point, encode = EncSlice or EncSliceLP, for any profile of a codec.
    static VideoCodecSupport fromProfiles(const QList<VaProfileEntrypoints>& profiles);

private:
    SysFs fs_;
    ProfileQuery query_;
};
