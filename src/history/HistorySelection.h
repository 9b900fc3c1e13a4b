#pragma once

#include "history/ScanSnapshot.h"

#include <QList>
#include <QUuid>

#include <optional>

// The scans picked on the history page: at most two identifiers, in the order they were picked.
// Plain value, no widgets, so every rule of picking can be checked on its own.
class HistorySelection {
public:
    // Where the two picked scans stand in the history's list (newest first).
    struct Pair {
        qsizetype older;
        qsizetype newer;
        bool operator==(const Pair&) const = default;
    };

    HistorySelection() = default;
    explicit HistorySelection(QList<QUuid> ids);

    const QList<QUuid>& ids() const { return ids_; }
    bool contains(const QUuid& id) const { return ids_.contains(id); }
    qsizetype size() const { return ids_.size(); }
    bool isEmpty() const { return ids_.isEmpty(); }

    // A click on a row: a picked scan is unpicked; any other is appended, and a third pick drops
    // the one picked earliest (whatever the dates of the scans).
    void toggle(const QUuid& id);
    void remove(const QUuid& id);
    void clear() { ids_.clear(); }

    // Keeps the picks that still name a scan of `history` (identifiers newest first), in their
    // order; with fewer than two left, picks the two newest scans instead (or the only one, or
    // none). Run whenever the list of identifiers changes, not only its length: at the limit a new
    // scan pushes the oldest out while the count stays 200.
    void repair(const QList<QUuid>& history);

    // The two picked scans as (older, newer) positions in `snapshots`; nothing unless exactly two
    // picked scans are in the list. Scans of the same second are told apart by their place in the
    // list: the one further down is the older.
    std::optional<Pair> pair(const QList<ScanSnapshot>& snapshots) const;

    bool operator==(const HistorySelection&) const = default;

private:
    QList<QUuid> ids_;
};
