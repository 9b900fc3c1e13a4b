#pragma once

#include "platform/VideoCodecs.h"
#include "platform/linux/SysFs.h"

#include <QList>

// One VA-API profile with the entry points the driver offers for it.
struct VaApi;

struct VaProfileEntrypoints {
    int profile = 0;            // VAProfile
    QList<int> entrypoints;     // VAEntrypoint
};

// Hardware video from VA-API (libva and libva-drm, loaded at run time) on the first render
// node. No render node, no library or a driver that does not start: nothing in hardware.
class LinuxVideoCodecs : public VideoCodecs {
public:
    explicit LinuxVideoCodecs(QString root = QStringLiteral("/"));
    VideoCodecSupport support() const override;

    // "renderD128" and so on: the lowest-numbered render node, empty when there is none.
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
};
