#pragma once

#include "inspection/BatteryHealthProbe.h"
#include "platform/i18n/Localization.h"
#include "ui/Theme.h"

#include <QDate>
#include <QString>

#include <optional>

// The battery page's copy of one reading, with the texts and colours the page shows. A reading
// the machine did not give stays absent and reads "—"; nothing here makes a figure up.
struct BatteryModel {
    // The colour that goes with a health fraction; it follows the fraction, never the condition
    // text. Kept by name so the page resolves it in the appearance of the moment.
    enum class Tint { supported, warning, unsupported, secondary };

    std::optional<double> health;  // fraction (1 = the design capacity)
    std::optional<qint64> maxCapacity;
    std::optional<qint64> designCapacity;
    std::optional<qint64> cycleCount;
    std::optional<qint64> designCycleCount;
    QString condition;  // already in the interface language
    std::optional<double> temperature;  // degrees Celsius
    std::optional<double> charge;       // fraction
    bool isCharging = false;
    bool isPluggedIn = false;
    std::optional<qint64> adapterWatts;
    // The day of manufacture as a calendar day: the probe gives its midnight in UTC, and the day
    // must not move with the viewer's time zone.
    std::optional<QDate> manufactureDate;

    BatteryModel() = default;
    explicit BatteryModel(const BatteryHealthReport& report);
    bool operator==(const BatteryModel&) const = default;

    // A fraction above 1.5 is taken for a percentage (85 → 0.85); other values stay as they are.
    static std::optional<double> normalised(std::optional<double> fraction);
    // At least 0.8 supported, at least 0.6 warning, below that unsupported; absent secondary.
    static Tint tint(std::optional<double> health);
    Tint tint() const { return tint(health); }
    static QColor color(Tint tint, Theme::Appearance appearance);
    static QColor color(Tint tint);
    // How much of a capacity bar is filled: value over reference, within 0…1; 0 unless both are
    // known and the reference is at least 1.
    static double fillFraction(std::optional<qint64> value, std::optional<qint64> reference);

    // The texts of the page, in `l`'s language and locale; "—" for what is absent.
    static QString missing();
    QString healthText(const Localization& l) const;
    static QString capacityText(std::optional<qint64> mAh, const Localization& l);  // "4,200 mAh"
    QString cyclesText(const Localization& l) const;                                 // "312 of 1000"
    QString temperatureText(const Localization& l) const;                            // "30.5°C"
    QString chargeText(const Localization& l) const;
    QString powerText(const Localization& l) const;
    QString powerSymbol() const;
    QString adapterText(const Localization& l) const;       // "96 W"
    QString manufacturedText(const Localization& l) const;  // "Nov 15, 2023"
    // A calendar day in the abbreviated date style of `l`'s locale, the same in every time zone;
    // "—" for a day that is not valid.
    static QString calendarDate(const QDate& day, const Localization& l);
};
