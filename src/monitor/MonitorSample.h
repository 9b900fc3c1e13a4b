#pragma once

#include "platform/SystemFacts.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>

#include <optional>

// One live reading of the machine. Its date is also its identity.
struct MonitorSample {
    QDateTime date;                   // when the sample was taken (wall time)
    double cpuUsage = 0;              // busy share of all processors since the previous reading, 0…1
    QList<double> perCoreUsage;       // the same per logical processor, in host order
    qint64 memoryUsed = 0;            // bytes in use, at most memoryTotal
    qint64 memoryTotal = 0;           // bytes of physical memory
    double memoryPressure = 0;        // 0…1, banded by the kernel's pressure level
    qint64 swapUsed = 0;              // bytes
    ThermalState thermalState = ThermalState::Nominal;
    std::optional<double> batteryLevel;  // 0…1; absent without a readable internal battery
    std::optional<bool> isCharging;      // absent exactly when batteryLevel is
    double networkInPerSecond = 0;    // bytes per second over the counted interfaces
    double networkOutPerSecond = 0;

    const QDateTime& id() const { return date; }
    bool operator==(const MonitorSample&) const = default;
};

Q_DECLARE_METATYPE(MonitorSample)
