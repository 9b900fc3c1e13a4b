#pragma once

// Fixed data for showing every screen in every language: live monitor samples and a worn battery.
#include "inspection/BatteryHealthProbe.h"
#include "monitor/MonitorSample.h"
#include "platform/i18n/Localization.h"

namespace translated {

inline const QStringList kAllLanguages = {"en", "ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"};

inline MonitorSample sample(const QDateTime& date, int i)
{
    MonitorSample s;
    s.date = date;
    s.cpuUsage = 0.2 + 0.05 * (i % 7);
    for (int c = 0; c < 8; ++c) s.perCoreUsage << 0.1 * ((i + c) % 10);
    s.memoryTotal = 16LL << 30;
    s.memoryUsed = 9LL << 30;
    s.memoryPressure = 0.3;
    s.swapUsed = 512LL << 20;
    s.thermalState = i % 2 ? ThermalState::Fair : ThermalState::Nominal;
    s.batteryLevel = 0.64;
    s.isCharging = false;
    s.networkInPerSecond = 120'000 + 1000 * i;
    s.networkOutPerSecond = 24'000;
    return s;
}

inline BatteryHealthReport worn(const Localization& l)
{
    BatteryHealthReport r;
    r.healthPercent = 0.78;
    r.maxCapacity = 4100;
    r.designCapacity = 5250;
    r.cycleCount = 612;
    r.designCycleCount = 1000;
    r.condition = l.tr("Service recommended");
    r.temperatureCelsius = 31.5;
    r.chargePercent = 0.64;
    r.isCharging = true;
    r.isPluggedIn = true;
    r.adapterWatts = 96;
    r.manufactureDate = QDateTime(QDate(2023, 4, 17), QTime(0, 0), Qt::UTC);
    r.serialNumber = QStringLiteral("F5D1234ABC");
    return r;
}

}  // namespace translated
