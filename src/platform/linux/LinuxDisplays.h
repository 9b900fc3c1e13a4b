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
};

// Screens from Qt, completed from the connectors' EDID under /sys/class/drm.
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
    // Built-in panels hang on embedded connectors.
    static bool isBuiltInConnector(const QString& name);

private:
    SysFs fs_;
};
