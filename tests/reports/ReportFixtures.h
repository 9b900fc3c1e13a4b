#pragma once

// Inspections the report tests render: one in English, the same machine inspected in
// Japanese, an empty one, and generators for long tables.
#include "inspection/Capability.h"
#include "platform/i18n/Localization.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace ReportFixtures {

struct Inspection {
    DeviceSummary summary;
    QList<CapabilitySection> sections;
};

// 9 December 2026, 15:04:05 UTC: the date every golden is made with.
QDateTime reportDate();

Inspection english();
Inspection japanese();
Inspection arabic();
Inspection empty();
// `sections` sections of `rows` items each; every third value wraps over several lines.
Inspection longTables(int sections, int rows);

CapabilitySection section(const QString& title, const QString& symbol, const std::optional<QString>& key,
                          QList<CapabilityItem> items);
CapabilityItem item(const QString& label, const QString& value, CapabilityStatus status,
                    const std::optional<QString>& key = std::nullopt, bool isVolatile = false);

// The golden file's bytes; with QRL_UPDATE_GOLDENS=1 in the environment the file is
// (re)written from `actual` first, so a deliberate change is one run away.
QByteArray golden(const QString& name, const QByteArray& actual);

}  // namespace ReportFixtures
