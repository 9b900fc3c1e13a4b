#include "history/HistorySelection.h"

HistorySelection::HistorySelection(QList<QUuid> ids) : ids_(std::move(ids))
{
    while (ids_.size() > 2) ids_.removeFirst();
}

void HistorySelection::toggle(const QUuid& id)
{
    if (ids_.removeAll(id) > 0) return;
    ids_.append(id);
    while (ids_.size() > 2) ids_.removeFirst();
}

void HistorySelection::remove(const QUuid& id) { ids_.removeAll(id); }

void HistorySelection::repair(const QList<QUuid>& history)
{
    QList<QUuid> kept;
    for (const QUuid& id : ids_)
        if (history.contains(id) && !kept.contains(id)) kept.append(id);
    if (kept.size() >= 2) {
        ids_ = kept;
        return;
    }
    ids_ = history.mid(0, 2);
}

std::optional<HistorySelection::Pair> HistorySelection::pair(const QList<ScanSnapshot>& snapshots) const
{
    if (ids_.size() != 2) return std::nullopt;
    qsizetype found[2] = {-1, -1};
    for (qsizetype i = 0; i < snapshots.size(); ++i) {
        for (int k = 0; k < 2; ++k)
            if (found[k] < 0 && snapshots[i].id == ids_[k]) found[k] = i;
    }
    if (found[0] < 0 || found[1] < 0 || found[0] == found[1]) return std::nullopt;
    qsizetype a = found[0], b = found[1];
    // Oldest first by date; within one date the list (newest first) decides.
    const QDateTime& da = snapshots[a].date;
    const QDateTime& db = snapshots[b].date;
    const bool aIsOlder = da < db || (da == db && a > b);
    return aIsOlder ? Pair{a, b} : Pair{b, a};
}
