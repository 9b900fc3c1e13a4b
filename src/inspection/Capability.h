#pragma once

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

enum class CapabilityStatus { supported, unsupported, warning, info };

namespace CapabilityStatusText {
// The raw word of a status ("supported", ...).
QString raw(CapabilityStatus s);
// Exactly the four raw words, case-sensitively; anything else gives no status.
std::optional<CapabilityStatus> fromRaw(const QString& raw);
// supported, unsupported, warning, info.
const QList<CapabilityStatus>& all();
}  // namespace CapabilityStatusText

struct CapabilityItem {
    QUuid id;
    QString label;
    QString value;
    CapabilityStatus status = CapabilityStatus::info;
    std::optional<QString> key;
    bool isVolatile = false;

    // A new row with a fresh identifier.
    static CapabilityItem make(QString label, QString value, CapabilityStatus status, QString key, bool isVolatile = false);
    bool operator==(const CapabilityItem&) const = default;
};

struct CapabilitySection {
    QUuid id;
    QString title;
    QString symbol;
    QList<CapabilityItem> items;
    std::optional<QString> key;

    // A new section with a fresh identifier and no key.
    static CapabilitySection make(QString title, QString symbol, QList<CapabilityItem> items = {});
    bool operator==(const CapabilitySection&) const = default;
};

struct DeviceSummary {
    QString deviceName;
    QString modelIdentifier;
    QString chip;
    QString memory;
    QString storage;
    QString osVersion;
    bool isAppleSilicon = false;
    bool hasBattery = false;
};

// The missing-reading text: one em dash.
inline const QString kMissingValue = QStringLiteral("\u2014");
