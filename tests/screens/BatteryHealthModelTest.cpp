// The battery page's model: normalisation, health colours, bar fill and the texts of the page.
#include "screens/BatteryHealthModel.h"

#include "ui/Formatters.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace {

Localization language(const char* code) { return Localization::forCode(QString::fromLatin1(code), QStringLiteral("en_US")); }

// The registry's packed day: years since 1980 in bits 9–15, month in 5–8, day in 0–4.
qint64 packed(int year, int month, int day) { return (qint64(year - 1980) << 9) | (qint64(month) << 5) | qint64(day); }

struct NormalisationCase {
    std::optional<double> given;
    std::optional<double> expected;
};

class BatteryModelNormalisation : public ::testing::TestWithParam<NormalisationCase> {};

TEST_P(BatteryModelNormalisation, HealthAndChargeAboveOneAndAHalfArePercentages)
{
    const NormalisationCase& c = GetParam();
    BatteryHealthReport r;
    r.healthPercent = c.given;
    r.chargePercent = c.given;
    const BatteryModel m(r);
    ASSERT_EQ(m.health.has_value(), c.expected.has_value());
    ASSERT_EQ(m.charge.has_value(), c.expected.has_value());
    if (!c.expected) return;
    EXPECT_DOUBLE_EQ(*m.health, *c.expected);
    EXPECT_DOUBLE_EQ(*m.charge, *c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, BatteryModelNormalisation,
                         ::testing::Values(NormalisationCase{0.84, 0.84}, NormalisationCase{1.2, 1.2}, NormalisationCase{1.5, 1.5},
                                           NormalisationCase{1.51, 0.0151}, NormalisationCase{85.0, 0.85},
                                           NormalisationCase{100.0, 1.0}, NormalisationCase{0.0, 0.0},
                                           NormalisationCase{std::nullopt, std::nullopt},
                                           NormalisationCase{std::nan(""), std::nullopt}));

struct TintCase {
    std::optional<double> health;
    BatteryModel::Tint tint;
};

class BatteryModelTint : public ::testing::TestWithParam<TintCase> {};

TEST_P(BatteryModelTint, FollowsTheHealthFractionAtItsThresholds)
{
    EXPECT_EQ(BatteryModel::tint(GetParam().health), GetParam().tint);
}

INSTANTIATE_TEST_SUITE_P(Table, BatteryModelTint,
                         ::testing::Values(TintCase{1.2, BatteryModel::Tint::supported}, TintCase{0.84, BatteryModel::Tint::supported},
                                           TintCase{0.80, BatteryModel::Tint::supported}, TintCase{0.79, BatteryModel::Tint::warning},
                                           TintCase{0.60, BatteryModel::Tint::warning}, TintCase{0.59, BatteryModel::Tint::unsupported},
                                           TintCase{0.0, BatteryModel::Tint::unsupported},
                                           TintCase{std::nullopt, BatteryModel::Tint::secondary}));

TEST(BatteryModel, TintsResolveToTheThemeColoursOfEachAppearance)
{
    for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        EXPECT_EQ(BatteryModel::color(BatteryModel::Tint::supported, a), Theme::color(Theme::Color::statusSupported, a));
        EXPECT_EQ(BatteryModel::color(BatteryModel::Tint::warning, a), Theme::color(Theme::Color::statusWarning, a));
        EXPECT_EQ(BatteryModel::color(BatteryModel::Tint::unsupported, a), Theme::color(Theme::Color::statusUnsupported, a));
        EXPECT_EQ(BatteryModel::color(BatteryModel::Tint::secondary, a), Theme::foreground(Theme::Level::secondary, a));
    }
}

TEST(BatteryModel, ColourFollowsHealthNotTheConditionText)
{
    BatteryHealthReport r;
    r.healthPercent = 0.95;
    r.condition = QStringLiteral("Service recommended");
    EXPECT_EQ(BatteryModel(r).tint(), BatteryModel::Tint::supported);
}

struct FillCase {
    std::optional<qint64> value;
    std::optional<qint64> reference;
    double fill;
};

class BatteryModelFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(BatteryModelFill, IsValueOverReferenceWithinZeroAndOne)
{
    EXPECT_DOUBLE_EQ(BatteryModel::fillFraction(GetParam().value, GetParam().reference), GetParam().fill);
}

INSTANTIATE_TEST_SUITE_P(Table, BatteryModelFill,
                         ::testing::Values(FillCase{4200, 5000, 0.84}, FillCase{5000, 5000, 1.0}, FillCase{6100, 5000, 1.0},
                                           FillCase{-300, 5000, 0.0}, FillCase{0, 5000, 0.0}, FillCase{4200, 0, 0.0},
                                           FillCase{4200, -5, 0.0}, FillCase{4200, std::nullopt, 0.0},
                                           FillCase{std::nullopt, 5000, 0.0}, FillCase{1, 1, 1.0}));

TEST(BatteryModel, CopiesEveryReadingButTheSerialNumber)
{
    BatteryHealthReport r;
    r.healthPercent = 0.84;
    r.maxCapacity = 4200;
    r.designCapacity = 5000;
    r.cycleCount = 312;
    r.designCycleCount = 1000;
    r.condition = QStringLiteral("Normal");
    r.temperatureCelsius = 30.5;
    r.chargePercent = 0.87;
    r.isCharging = true;
    r.isPluggedIn = true;
    r.adapterWatts = 96;
    r.manufactureDate = BatteryHealthProbe::manufactureDate(packed(2023, 11, 15));
    r.serialNumber = QStringLiteral("F5D1234");
    const BatteryModel m(r);
    EXPECT_EQ(m.health, 0.84);
    EXPECT_EQ(m.maxCapacity, 4200);
    EXPECT_EQ(m.designCapacity, 5000);
    EXPECT_EQ(m.cycleCount, 312);
    EXPECT_EQ(m.designCycleCount, 1000);
    EXPECT_EQ(m.condition, QStringLiteral("Normal"));
    EXPECT_EQ(m.temperature, 30.5);
    EXPECT_EQ(m.charge, 0.87);
    EXPECT_TRUE(m.isCharging);
    EXPECT_TRUE(m.isPluggedIn);
    EXPECT_EQ(m.adapterWatts, 96);
    EXPECT_EQ(m.manufactureDate, QDate(2023, 11, 15));
}

// ---- Texts ------------------------------------------------------------------------------------

TEST(BatteryModelTexts, AbsentReadingsShowTheDashNeverAFigure)
{
    const BatteryModel m;  // nothing read
    const Localization en = language("en");
    const QString dash = QStringLiteral("—");
    EXPECT_EQ(m.healthText(en), dash);
    EXPECT_EQ(BatteryModel::capacityText(m.maxCapacity, en), dash);
    EXPECT_EQ(m.cyclesText(en), dash);
    EXPECT_EQ(m.temperatureText(en), dash);
    EXPECT_EQ(m.chargeText(en), dash);
    EXPECT_EQ(m.adapterText(en), dash);
    EXPECT_EQ(m.manufacturedText(en), dash);
    EXPECT_EQ(m.powerText(en), QStringLiteral("On battery"));
    EXPECT_EQ(m.powerSymbol(), QStringLiteral("bolt.slash"));
}

TEST(BatteryModelTexts, EnglishFigures)
{
    const Localization en = language("en");
    BatteryModel m;
    m.health = 1.2;
    m.charge = 0.87;
    m.cycleCount = 312;
    m.temperature = 30.5;
    m.adapterWatts = 96;
    EXPECT_EQ(m.healthText(en), QStringLiteral("120%"));
    EXPECT_EQ(m.chargeText(en), QStringLiteral("87%"));
    EXPECT_EQ(m.cyclesText(en), QStringLiteral("312"));
    m.designCycleCount = 1000;
    EXPECT_EQ(m.cyclesText(en), QStringLiteral("312 of 1000"));
    EXPECT_EQ(m.temperatureText(en), QStringLiteral("30.5°C"));
    m.temperature = 29.0;
    EXPECT_EQ(m.temperatureText(en), QStringLiteral("29.0°C"));  // always one fraction digit
    EXPECT_EQ(m.adapterText(en), QStringLiteral("96 W"));
    EXPECT_EQ(BatteryModel::capacityText(4200, en), QStringLiteral("4,200 mAh"));
    EXPECT_EQ(BatteryModel::capacityText(5000, en), QStringLiteral("5,000 mAh"));
}

TEST(BatteryModelTexts, CelsiusInEveryLocale)
{
    BatteryModel m;
    m.temperature = 30.5;
    // German writes the decimal comma; no locale converts to Fahrenheit.
    EXPECT_EQ(m.temperatureText(Localization::forCode(QStringLiteral("de"), QStringLiteral("de_DE"))), QStringLiteral("30,5 °C"));
    EXPECT_TRUE(m.temperatureText(Localization::forCode(QStringLiteral("en"), QStringLiteral("en_US"))).contains(QStringLiteral("C")));
}

struct PowerCase {
    bool charging;
    bool plugged;
    const char* text;
    const char* symbol;
};

TEST(BatteryModelTexts, PowerSourceAndItsSymbol)
{
    const PowerCase cases[] = {{true, true, "Charging", "powerplug"},
                               {false, true, "Plugged in", "powerplug"},
                               {false, false, "On battery", "bolt.slash"}};
    for (const PowerCase& c : cases) {
        BatteryModel m;
        m.isCharging = c.charging;
        m.isPluggedIn = c.plugged;
        EXPECT_EQ(m.powerText(language("en")), QString::fromLatin1(c.text));
        EXPECT_EQ(m.powerSymbol(), QString::fromLatin1(c.symbol));
    }
}

// ---- The day of manufacture -------------------------------------------------------------------

struct ManufactureCase {
    qint64 packedDay;
    const char* english;  // nullptr: no date, "—"
};

class BatteryModelManufactured : public ::testing::TestWithParam<ManufactureCase> {};

TEST_P(BatteryModelManufactured, IsACalendarDayOrTheDash)
{
    BatteryHealthReport r;
    r.manufactureDate = BatteryHealthProbe::manufactureDate(GetParam().packedDay);
    const QString text = BatteryModel(r).manufacturedText(language("en"));
    EXPECT_FALSE(text.isEmpty());
    EXPECT_EQ(text, GetParam().english ? QString::fromUtf8(GetParam().english) : QStringLiteral("—"));
}

INSTANTIATE_TEST_SUITE_P(Table, BatteryModelManufactured,
                         ::testing::Values(ManufactureCase{packed(2023, 11, 15), "Nov 15, 2023"},
                                           ManufactureCase{packed(2024, 2, 29), "Feb 29, 2024"},
                                           ManufactureCase{packed(2000, 1, 1), "Jan 1, 2000"},
                                           ManufactureCase{packed(2100, 12, 31), "Dec 31, 2100"},
                                           // Days their month does not have never print an empty date.
                                           ManufactureCase{packed(2023, 2, 31), nullptr}, ManufactureCase{packed(2023, 4, 31), nullptr},
                                           ManufactureCase{packed(2023, 2, 29), nullptr}, ManufactureCase{0, nullptr}));

TEST(BatteryModel, ManufactureDayIsTheSameInEveryZone)
{
    BatteryHealthReport r;
    r.manufactureDate = BatteryHealthProbe::manufactureDate(packed(2023, 11, 15));
    ASSERT_TRUE(r.manufactureDate);
    // Whatever zone the date arrives in, the day is the UTC day the probe meant.
    r.manufactureDate = r.manufactureDate->toTimeZone(QTimeZone("Pacific/Honolulu"));
    EXPECT_EQ(BatteryModel(r).manufactureDate, QDate(2023, 11, 15));
    EXPECT_EQ(BatteryModel::calendarDate(QDate(2023, 11, 15), language("de")), QStringLiteral("15. Nov. 2023"));
    EXPECT_EQ(BatteryModel::calendarDate(QDate(), language("en")), QStringLiteral("—"));
}

// West of Greenwich midnight UTC is still the day before: a date-and-time formatter would print
// 14 November. The page must print the 15th.
TEST(BatteryModel, ManufactureDayInNewYork)
{
    const QByteArray previous = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "America/New_York");
    tzset();
    BatteryHealthReport r;
    r.manufactureDate = BatteryHealthProbe::manufactureDate(packed(2023, 11, 15));
    const QString naive = Formatters::date(*r.manufactureDate, false, language("en"));
    const QString shown = BatteryModel(r).manufacturedText(language("en"));
    if (hadZone) qputenv("TZ", previous);
    else qunsetenv("TZ");
    tzset();
    EXPECT_EQ(naive, QStringLiteral("Nov 14, 2023")) << "the zone did not take effect, so this run proves nothing";
    EXPECT_EQ(shown, QStringLiteral("Nov 15, 2023"));
}

}  // namespace
