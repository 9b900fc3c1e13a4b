#pragma once

#include <QList>
#include <QString>

// One attached screen.
struct ScreenInfo {
    QString name;
    double frameWidth = 0;   // device-independent pixels
    double frameHeight = 0;
    double backingScaleFactor = 1;
    bool isBuiltIn = false;
    int maximumFramesPerSecond = 0;
    // Brightness headroom above standard dynamic range; 1.0 means none.
    double maximumPotentialEdr = 1.0;
    bool operator==(const ScreenInfo&) const = default;
};

class DisplayList {
public:
    virtual ~DisplayList() = default;
    // The screens in the platform's order; empty when none is attached.
    virtual QList<ScreenInfo> screens() const = 0;
};
