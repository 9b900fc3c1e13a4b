#pragma once

#include "monitor/MonitorSample.h"
#include "platform/i18n/Localization.h"
#include "ui/Theme.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The live figures as the monitor page and the tray panel show them: chart points for
// every kept sample and the current values of the latest one. A plain value, rebuilt on
// every redraw.
struct MonitorModel {
    struct Point {
        QDateTime date;
        double cpu = 0;         // overall processor load, 0…1
        double memory = 0;      // memory in use as a share of physical memory
        double pressure = 0;    // memory pressure, 0…1
        double networkIn = 0;   // bytes per second
        double networkOut = 0;
        const QDateTime& id() const { return date; }
        bool operator==(const Point&) const = default;
    };

    QList<Point> points;  // one per kept sample, oldest first
    double cpu = 0;
    QList<double> perCore;
    qint64 memoryUsed = 0;
    qint64 memoryTotal = 0;
    double pressure = 0;
    qint64 swapUsed = 0;
    ThermalState thermal = ThermalState::Unknown;
    std::optional<double> battery;
    std::optional<bool> charging;
    double networkIn = 0;
    double networkOut = 0;

    MonitorModel() = default;
    // Nothing is filtered, clamped or reordered; `latest` need not be the last of `samples`.
    MonitorModel(const QList<MonitorSample>& samples, const MonitorSample& latest);

    // used ÷ total when the total is at least one byte, else 0.
    static double memoryFraction(qint64 used, qint64 total);
    double memoryFraction() const { return memoryFraction(memoryUsed, memoryTotal); }
    // The newest `count` points (all of them when there are fewer).
    QList<Point> lastPoints(qsizetype count) const;

    bool operator==(const MonitorModel&) const = default;
};

// The thermal states' titles, gauge levels and tints. A state the machine does not report
// is "Unknown": an empty ring in the secondary colour, never "Normal".
namespace ThermalPresentation {
QString title(ThermalState state, const Localization& l);
QString title(ThermalState state);  // in the interface language
double gaugeValue(ThermalState state);
Theme::Tint tint(ThermalState state);
}  // namespace ThermalPresentation

// What the page's texts and its fourth gauge show for a model.
namespace MonitorTexts {

// The fourth gauge: the battery when there is one, else mains power ("Power", a full
// ring, "Adapter"); the tint does not follow the level.
struct PowerGauge {
    QString title;
    double value = 0;
    QString valueText;
    bool operator==(const PowerGauge&) const = default;
};
PowerGauge powerGauge(const MonitorModel& model, const Localization& l);

// "12.3 GB / 16 GB": memory byte counts joined without a lookup.
QString memoryValue(qint64 used, qint64 total, const Localization& l);
// "Pressure 12% · Swap 1 GB".
QString memoryFootnote(double pressure, qint64 swapUsed, const Localization& l);
// "↓ 1.5 kB/s  ↑ 0 bytes/s", assembled without a lookup.
QString networkValue(double in, double out, const Localization& l);
// "8 cores", in the language's plural form for the count.
QString coresText(qsizetype count, const Localization& l);

}  // namespace MonitorTexts

// The network chart's vertical scale: a top of at least one kilobyte per second (so an
// idle network still has a scale) and two to four round marks from zero to the top, at
// most three steps of 1, 2 or 5 times a power of ten.
namespace NetworkScale {
inline constexpr double kMinimumTop = 1000;  // bytes per second
inline constexpr int kMaximumSteps = 3;
struct Axis {
    double top = kMinimumTop;
    QList<double> ticks;  // from 0 to top
    bool operator==(const Axis&) const = default;
};
// The scale for the largest rate shown; a rate that is negative or not a number counts as 0.
Axis axis(double largest);
}  // namespace NetworkScale
