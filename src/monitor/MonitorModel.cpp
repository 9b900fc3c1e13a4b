#include "monitor/MonitorModel.h"

#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "ui/Formatters.h"
#include "ui/UiLanguage.h"

#include <algorithm>
#include <cmath>

MonitorModel::MonitorModel(const QList<MonitorSample>& samples, const MonitorSample& latest)
{
    points.reserve(samples.size());
    for (const MonitorSample& s : samples) {
        points.append(Point{s.date, s.cpuUsage, memoryFraction(s.memoryUsed, s.memoryTotal), s.memoryPressure,
                            s.networkInPerSecond, s.networkOutPerSecond});
    }
    cpu = latest.cpuUsage;
    perCore = latest.perCoreUsage;
    memoryUsed = latest.memoryUsed;
    memoryTotal = latest.memoryTotal;
    pressure = latest.memoryPressure;
    swapUsed = latest.swapUsed;
    thermal = latest.thermalState;
    battery = latest.batteryLevel;
    charging = latest.isCharging;
    networkIn = latest.networkInPerSecond;
    networkOut = latest.networkOutPerSecond;
}

double MonitorModel::memoryFraction(qint64 used, qint64 total)
{
    if (total < 1) return 0;
    return double(used) / double(total);
}

QList<MonitorModel::Point> MonitorModel::lastPoints(qsizetype count) const
{
    if (count >= points.size()) return points;
    return points.mid(points.size() - std::max<qsizetype>(count, 0));
}

namespace ThermalPresentation {

QString title(ThermalState state, const Localization& l)
{
    switch (state) {
    case ThermalState::Nominal: return l.tr(QRL_CTX("Thermal state", "Normal"));
    case ThermalState::Fair: return l.tr(QRL_CTX("Thermal state", "Warm"));
    case ThermalState::Serious: return l.tr(QRL_CTX("Thermal state", "Hot"));
    case ThermalState::Critical: return l.tr(QRL_CTX("Thermal state", "Critical"));
    case ThermalState::Unknown: break;
    }
    return l.tr(QRL_CTX("Thermal state", "Unknown"));
}

QString title(ThermalState state) { return title(state, UiLanguage::current()); }

double gaugeValue(ThermalState state)
{
    switch (state) {
    case ThermalState::Nominal: return 0.25;
    case ThermalState::Fair: return 0.5;
    case ThermalState::Serious: return 0.75;
    case ThermalState::Critical: return 1.0;
    case ThermalState::Unknown: break;
    }
    return 0;
}

Theme::Tint tint(ThermalState state)
{
    switch (state) {
    case ThermalState::Nominal: return Theme::Tint(Theme::Color::statusSupported);
    case ThermalState::Fair: return Theme::Tint(Theme::Color::statusWarning).withOpacity(0.8);
    case ThermalState::Serious: return Theme::Tint(Theme::Color::statusWarning);
    case ThermalState::Critical: return Theme::Tint(Theme::Color::statusUnsupported);
    case ThermalState::Unknown: break;
    }
    return Theme::Tint(Theme::Level::secondary);
}

}  // namespace ThermalPresentation

namespace MonitorTexts {

PowerGauge powerGauge(const MonitorModel& model, const Localization& l)
{
    if (!model.battery) return {l.tr("Power"), 1.0, l.tr("Adapter")};
    return {model.charging.value_or(false) ? l.tr("Battery · charging") : l.tr("Battery"), *model.battery,
            Formatters::percent(*model.battery, l)};
}

QString memoryValue(qint64 used, qint64 total, const Localization& l)
{
    using LocaleFormat::ByteStyle;
    return LocaleFormat::byteCount(used, l, ByteStyle::Memory, false) + QStringLiteral(" / ") +
           LocaleFormat::byteCount(total, l, ByteStyle::Memory, false);
}

QString memoryFootnote(double pressure, qint64 swapUsed, const Localization& l)
{
    return formatString(l.tr("Pressure %@ · Swap %@"),
                        {Formatters::percent(pressure, l),
                         LocaleFormat::byteCount(swapUsed, l, LocaleFormat::ByteStyle::Memory, false)});
}

QString networkValue(double in, double out, const Localization& l)
{
    return QStringLiteral("↓ ") + Formatters::throughput(in, l) + QStringLiteral("  ↑ ") + Formatters::throughput(out, l);
}

QString coresText(qsizetype count, const Localization& l)
{
    return formatString(l.trPlural("%lld cores", double(count)), {LocaleFormat::count(count, l)});
}

}  // namespace MonitorTexts

namespace NetworkScale {

Axis axis(double largest)
{
    if (!std::isfinite(largest) || largest < 0) largest = 0;
    // Beyond any real link; keeps the marks few whatever a damaged counter claims.
    constexpr double kLargestShown = 1e18;
    const double wanted = std::clamp(largest, kMinimumTop, kLargestShown);
    // The smallest round step that reaches the top in at most three steps.
    double step = 1;
    for (double power = 1; power < 1e30; power *= 10) {
        bool found = false;
        for (double m : {1.0, 2.0, 5.0}) {
            if (m * power * kMaximumSteps >= wanted) {
                step = m * power;
                found = true;
                break;
            }
        }
        if (found) break;
    }
    const int steps = std::max(1, int(std::ceil(wanted / step - 1e-9)));
    Axis a;
    a.top = step * steps;
    for (int i = 0; i <= steps; ++i) a.ticks << step * i;
    return a;
}

}  // namespace NetworkScale
