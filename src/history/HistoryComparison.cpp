#include "history/HistoryComparison.h"

#include "history/ScanHistory.h"

#include <QHash>

bool ChangeRow::isStatusOnly() const
{
    if (!oldValue || !newValue || !oldStatus || !newStatus) return false;
    return *oldStatus != *newStatus
           && (*oldValue == *newValue || oldValue->normalized(QString::NormalizationForm_C) == newValue->normalized(QString::NormalizationForm_C));
}

namespace HistoryComparison {

QList<ChangeRow> compare(const ScanSnapshot& from, const ScanSnapshot& to)
{
    // The store's comparison, with each side's status kept for the rows.
    QList<ChangeRow> rows;
    for (const ScanHistory::ItemChange& c : ScanHistory::diffItems(from, to)) {
        auto value = [](const ScanSnapshot::Item* i) { return i ? std::optional<QString>(i->value) : std::nullopt; };
        auto status = [](const ScanSnapshot::Item* i) { return i ? std::optional(i->status) : std::nullopt; };
        rows.append(ChangeRow{QUuid::createUuid(), c.section, c.label, value(c.before), value(c.after), status(c.before),
                              status(c.after)});
    }
    return rows;
}

QList<ChangeGroup> group(const QList<ChangeRow>& rows)
{
    QList<ChangeGroup> groups;
    QHash<QString, qsizetype> index;
    for (const ChangeRow& row : rows) {
        auto it = index.constFind(row.section);
        if (it == index.cend()) {
            index.insert(row.section, groups.size());
            groups.append(ChangeGroup{row.section, {row}});
        } else {
            groups[*it].rows.append(row);
        }
    }
    return groups;
}

}  // namespace HistoryComparison
