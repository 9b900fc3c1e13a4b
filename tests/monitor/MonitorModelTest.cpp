// The view model of the live figures: points and current values from the samples, the
// thermal titles, the fourth gauge, the texts, and the network chart's scale.
#include "MonitorSamples.h"
#include "monitor/MonitorModel.h"
#include "ui/Formatters.h"
#include "ui/UiLanguage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QDateTime kNoon(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
const Localization kEnglish = Localization::english();

TEST(MonitorModelPoints, OnePerSampleOldestFirstNothingFiltered)
{
    QList<MonitorSample> samples;
    for (int i = 0; i < 3; ++i) {
        MonitorSample s = plainSample(kNoon.addSecs(i), 0.1 * i);
        s.memoryPressure = 1.5;              // not clamped
        s.networkInPerSecond = -4;           // not filtered
        samples << s;
    }
    samples[1].memoryTotal = 0;              // no total: a memory point of 0
    const MonitorModel m(samples, samples.last());
    ASSERT_EQ(m.points.size(), 3);
    EXPECT_EQ(m.points[0].date, kNoon);
    EXPECT_DOUBLE_EQ(m.points[2].cpu, 0.2);
    EXPECT_DOUBLE_EQ(m.points[0].memory, 0.5);
    EXPECT_DOUBLE_EQ(m.points[1].memory, 0.0);
    EXPECT_DOUBLE_EQ(m.points[1].pressure, 1.5);
    EXPECT_DOUBLE_EQ(m.points[1].networkIn, -4);
    EXPECT_EQ(m.lastPoints(2), m.points.mid(1));
    EXPECT_EQ(m.lastPoints(60), m.points);
}

TEST(MonitorModelPoints, CurrentValuesComeFromLatestEvenWhenItIsNotTheLast)
{
    QList<MonitorSample> samples{plainSample(kNoon, 0.1), plainSample(kNoon.addSecs(1), 0.2)};
    MonitorSample latest = plainSample(kNoon.addSecs(5), 0.9, 3);
    latest.thermalState = ThermalState::Serious;
    latest.batteryLevel = 0.3;
    latest.isCharging = false;
    latest.swapUsed = 42;
    latest.networkOutPerSecond = 7;
    const MonitorModel m(samples, latest);
    EXPECT_EQ(m.points.size(), 2);
    EXPECT_DOUBLE_EQ(m.cpu, 0.9);
    EXPECT_EQ(m.perCore, QList<double>(3, 0.9));
    EXPECT_EQ(m.thermal, ThermalState::Serious);
    EXPECT_EQ(m.battery, 0.3);
    EXPECT_EQ(m.charging, false);
    EXPECT_EQ(m.swapUsed, 42);
    EXPECT_DOUBLE_EQ(m.networkOut, 7);
    EXPECT_DOUBLE_EQ(m.memoryFraction(), 0.5);
    EXPECT_DOUBLE_EQ(MonitorModel::memoryFraction(5, 0), 0.0);
}

struct ThermalCase {
    ThermalState state;
    const char* title;
    double value;
    Theme::Tint tint;
};

TEST(ThermalPresentation, Table)
{
    const ThermalCase cases[] = {
        {ThermalState::Nominal, "Normal", 0.25, Theme::Tint(Theme::Color::statusSupported)},
        {ThermalState::Fair, "Warm", 0.5, Theme::Tint(Theme::Color::statusWarning).withOpacity(0.8)},
        {ThermalState::Serious, "Hot", 0.75, Theme::Tint(Theme::Color::statusWarning)},
        {ThermalState::Critical, "Critical", 1.0, Theme::Tint(Theme::Color::statusUnsupported)},
        // No thermal zone with trip points: absent, never "Normal".
        {ThermalState::Unknown, "Unknown", 0.0, Theme::Tint(Theme::Level::secondary)},
        {ThermalState(7), "Unknown", 0.0, Theme::Tint(Theme::Level::secondary)},
    };
    for (const ThermalCase& c : cases) {
        EXPECT_EQ(ThermalPresentation::title(c.state, kEnglish), c.title) << int(c.state);
        EXPECT_DOUBLE_EQ(ThermalPresentation::gaugeValue(c.state), c.value) << int(c.state);
        EXPECT_EQ(ThermalPresentation::tint(c.state), c.tint) << int(c.state);
    }
    const QColor warm = ThermalPresentation::tint(ThermalState::Fair).resolve();
    EXPECT_NEAR(warm.alphaF(), Theme::statusWarning().alphaF() * 0.8, 0.01);
}

struct PowerCase {
    const char* name;
    std::optional<double> battery;
    std::optional<bool> charging;
    MonitorTexts::PowerGauge gauge;
};

TEST(PowerGauge, Table)
{
    const PowerCase cases[] = {
        // No battery: mains power, whatever the charging flag says.
        {"no_battery", std::nullopt, std::nullopt, {"Power", 1.0, "Adapter"}},
        {"no_battery_charging_flag", std::nullopt, true, {"Power", 1.0, "Adapter"}},
        {"discharging", 0.63, false, {"Battery", 0.63, "63%"}},
        {"charging_unknown", 0.5, std::nullopt, {"Battery", 0.5, "50%"}},
        {"charging", 0.07, true, {"Battery · charging", 0.07, "7%"}},
        {"empty", 0.0, false, {"Battery", 0.0, "0%"}},
    };
    for (const PowerCase& c : cases) {
        MonitorModel m;
        m.battery = c.battery;
        m.charging = c.charging;
        EXPECT_EQ(MonitorTexts::powerGauge(m, kEnglish), c.gauge) << c.name;
    }
}

TEST(MonitorTexts, ValuesAndCounts)
{
    EXPECT_EQ(MonitorTexts::networkValue(1500, 0, kEnglish),
              QStringLiteral("↓ ") + Formatters::throughput(1500, kEnglish) + QStringLiteral("  ↑ ") + Formatters::throughput(0, kEnglish));
    const QString text = MonitorTexts::networkValue(1500, 0, kEnglish);
    EXPECT_TRUE(text.startsWith(QStringLiteral("↓ "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/s  ↑ "))) << text.toStdString();
    EXPECT_FALSE(text.contains('\n'));
    EXPECT_EQ(MonitorTexts::memoryValue(8LL << 30, 16LL << 30, kEnglish), QStringLiteral("8 GB / 16 GB"));
    EXPECT_EQ(MonitorTexts::memoryFootnote(0.12, 0, kEnglish).left(13), QStringLiteral("Pressure 12% "));
    EXPECT_TRUE(MonitorTexts::memoryFootnote(0.12, 1LL << 30, kEnglish).endsWith(QStringLiteral(" · Swap 1 GB")));
    EXPECT_EQ(MonitorTexts::coresText(0, kEnglish), QStringLiteral("0 cores"));
    EXPECT_EQ(MonitorTexts::coresText(256, kEnglish), QStringLiteral("256 cores"));
}

struct ScaleCase {
    const char* name;
    double largest;
    double top;
    QList<double> ticks;
};

TEST(NetworkScale, Table)
{
    const ScaleCase cases[] = {
        // An idle network still has a scale of a kilobyte per second.
        {"idle", 0, 1000, {0, 500, 1000}},
        {"not_a_number", std::nan(""), 1000, {0, 500, 1000}},
        {"negative", -5, 1000, {0, 500, 1000}},
        {"a_few_bytes", 40, 1000, {0, 500, 1000}},
        {"one_kilobyte", 1000, 1000, {0, 500, 1000}},
        {"just_over", 1001, 1500, {0, 500, 1000, 1500}},
        {"twelve_megabytes", 12e6, 15e6, {0, 5e6, 10e6, 15e6}},
        {"six_megabytes", 6e6, 6e6, {0, 2e6, 4e6, 6e6}},
        {"one_point_two_gigabytes", 1.2e9, 1.5e9, {0, 5e8, 1e9, 1.5e9}},
        {"infinite", INFINITY, 1000, {0, 500, 1000}},
        {"absurd", 1e300, 1e18, {0, 5e17, 1e18}},
    };
    for (const ScaleCase& c : cases) {
        const NetworkScale::Axis a = NetworkScale::axis(c.largest);
        EXPECT_DOUBLE_EQ(a.top, c.top) << c.name;
        ASSERT_EQ(a.ticks.size(), c.ticks.size()) << c.name;
        for (qsizetype i = 0; i < a.ticks.size(); ++i) EXPECT_DOUBLE_EQ(a.ticks[i], c.ticks[i]) << c.name << " " << i;
        EXPECT_GE(a.top, std::isfinite(c.largest) ? std::min(c.largest, 1e18) : 0) << c.name;
    }
}

}  // namespace
