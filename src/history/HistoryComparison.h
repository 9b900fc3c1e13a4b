#pragma once

#include "history/ScanHistory.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One line of the history page's comparison: what ScanHistory::diff reports for one item, with
// the item's status on each side, so that a change of status alone can say what changed instead
// of showing a value next to the same value.
struct ChangeRow {
    QUuid id;  // fresh for every row
    QString section;
    QString label;
    std::optional<QString> oldValue;
    std::optional<QString> newValue;
    std::optional<CapabilityStatus> oldStatus;  // present exactly when oldValue is
    std::optional<CapabilityStatus> newStatus;  // present exactly when newValue is

    SnapshotChange::Kind kind() const
    {
        return !oldValue ? SnapshotChange::Kind::added : !newValue ? SnapshotChange::Kind::removed : SnapshotChange::Kind::changed;
    }
    // Both sides read the same text and only the status moved.
    bool isStatusOnly() const;
};

// The changes of one section, in the order the section first occurs among the changes.
struct ChangeGroup {
    QString section;
    QList<ChangeRow> rows;
};

namespace HistoryComparison {
// The changes from `older` to `newer`, row for row those of ScanHistory::diff in the same order.
QList<ChangeRow> compare(const ScanSnapshot& older, const ScanSnapshot& newer);
// Rows grouped by their section text; two sections of the same title make one group.
QList<ChangeGroup> group(const QList<ChangeRow>& rows);
}  // namespace HistoryComparison
