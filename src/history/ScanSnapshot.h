#pragma once

#include "inspection/Capability.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One recorded inspection, as the history file keeps it: the headline facts of the machine, every
// section with every item, the interface language the texts were written in, an identifier and the
// recording time. Plain values; equality compares every field, identifier and date included.
struct ScanSnapshot {
    // A capability item without its identifier.
    struct Item {
        QString label;
        QString value;
        CapabilityStatus status = CapabilityStatus::info;
        std::optional<QString> key;
        bool isVolatile = false;
        bool operator==(const Item&) const = default;
    };
    // A capability section without its identifier.
    struct Section {
        QString title;
        QString symbol;
        QList<Item> items;
        std::optional<QString> key;
        bool operator==(const Section&) const = default;
    };

    QUuid id;
    QDateTime date;
    QString deviceName;
    QString modelIdentifier;
    QString chip;
    QString osVersion;
    QList<Section> sections;
    std::optional<QString> language;

    bool operator==(const ScanSnapshot&) const = default;

    // A new snapshot of one inspection: fresh identifier, the given date and language; the summary's
    // memory, storage and flags are not kept, nor the identifiers of sections and items.
    static ScanSnapshot make(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
                             const std::optional<QString>& language);
};

// The history file's JSON form: a compact array, keys in field order, optional fields left out when
// absent, "/" escaped, identifiers as upper-case hyphenated text, dates as whole-second UTC
// ("2026-03-01T09:15:42Z").
namespace SnapshotCodec {
// One snapshot as a JSON object; nothing when it cannot be written (a date that is not valid or
// lies outside the years 0001 to 9999).
std::optional<QByteArray> encode(const ScanSnapshot& snapshot);
// The whole list as one array; nothing when any snapshot cannot be written.
std::optional<QByteArray> encode(const QList<ScanSnapshot>& snapshots);
// Joins already encoded snapshots into the file's array.
QByteArray joinArray(const QList<QByteArray>& encodedSnapshots);

// Reads a whole file, all or nothing: any required member missing or of the wrong type, a status
// other than the four words, an identifier or date not in its exact form makes the read fail.
// Members may come in any order; unknown members are ignored; an optional member holding null is
// absent.
std::optional<QList<ScanSnapshot>> decode(const QByteArray& json);

// The exact text forms, exposed for the reader's tests and for other readers of the same file.
QString formatDate(const QDateTime& date);  // empty when it cannot be written
// "yyyy-MM-ddTHH:mm:ss" then "Z" or "+HH:MM"/"-HH:MM"; no fractions, no other separators.
std::optional<QDateTime> parseDate(QStringView text);
QString formatIdentifier(const QUuid& id);
// Exactly 8-4-4-4-12 hexadecimal digits (either case), no braces.
std::optional<QUuid> parseIdentifier(QStringView text);
}  // namespace SnapshotCodec
