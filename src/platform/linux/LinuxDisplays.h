#pragma once

#include "platform/Displays.h"
#include "platform/linux/Edid.h"
#include "platform/linux/SysFs.h"

// A screen as Qt reports it.
struct QtScreenFacts {
    QString name;          // the output name ("eDP-1", "HDMI-A-1")
    QString model;         // from the monitor, may be empty
    double width = 0;      // device-independent pixels
    double height = 0;
    double devicePixelRatio = 1;
    double refreshRate = 0;
};

// A connected DRM connector and what its EDID says.
struct DrmConnector {
    QString name;                  // "eDP-1", without the card prefix
    std::optional<EdidInfo> edid;  // absent when unreadable or not an EDID
    int modeWidth = 0;             // the first mode the kernel lists (the preferred one), 0 when none
    int modeHeight = 0;
};

// The physical displays: the connected DRM connectors under /sys/class/drm (mode, EDID,
// connector type), merged with Qt's screens (logical size, scale) where a display server runs.
class LinuxDisplays : public DisplayList {
public:
    explicit LinuxDisplays(QString root = QStringLiteral("/"));
    QList<ScreenInfo> screens() const override;

    // The connected connectors of every card, in card and connector order.
    QList<DrmConnector> connectors() const;
    // Qt's screens; none on the offscreen and minimal platforms, which have no real display.
    static QList<QtScreenFacts> qtScreens();
    // Matches each screen to its connector (by output name, then by monitor name, then the
    // only one of each) and fills in built-in, maximum refresh rate and HDR.
    static QList<ScreenInfo> combine(const QList<QtScreenFacts>& screens, const QList<DrmConnector>& connectors);
    // The displays as the connectors alone describe them (no display server): the preferred
    // mode at scale 1, the EDID's name, refresh rate and HDR; the connector name where the
    // EDID gives no name; no refresh rate where nothing reports one.
    static QList<ScreenInfo> fromConnectors(const QList<DrmConnector>& connectors);
    // Built-in panels hang on embedded connectors.
    static bool isBuiltInConnector(const QString& name);

private:
    SysFs fs_;
};
