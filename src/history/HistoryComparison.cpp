#include "history/HistoryComparison.h"

#include <QHash>
#include <QSet>

bool ChangeRow::isStatusOnly() const
{
    if (!oldValue || !newValue || !oldStatus || !newStatus) return false;
    return *oldStatus != *newStatus
           && (*oldValue == *newValue || oldValue->normalized(QString::NormalizationForm_C) == newValue->normalized(QString::NormalizationForm_C));
}

namespace {
// The store's comparison reports values only; the page also needs each side's status. The
// matching below keys and pairs items exactly as ScanHistory::diff does (the tests hold the two
// to the same rows), so the statuses belong to the very items the store compared.
QString canonical(const QString& text) { return text.normalized(QString::NormalizationForm_C); }
bool sameText(const QString& a, const QString& b) { return a == b || canonical(a) == canonical(b); }

struct Entry {
    QString key;
    QString section;
    QString label;
    const ScanSnapshot::Item* item;
};

QList<Entry> entries(const ScanSnapshot& snapshot)
{
    QList<Entry> list;
    QHash<QString, int> occurrences;
    QSet<QString> taken;
    for (const ScanSnapshot::Section& section : snapshot.sections) {
        const QString& sectionName = section.key ? *section.key : section.title;
        for (const ScanSnapshot::Item& item : section.items) {
            if (item.isVolatile) continue;
            const QString base = canonical(sectionName + QLatin1Char('/') + (item.key ? *item.key : item.label));
            const int count = ++occurrences[base];
            QString key = count == 1 ? base : base + QLatin1Char('#') + QString::number(count);
            while (taken.contains(key)) key += QLatin1Char('#') + QString::number(++occurrences[key]);
            taken.insert(key);
            list.append(Entry{key, section.title, item.label, &item});
        }
    }
    return list;
}
}  // namespace

namespace HistoryComparison {

QList<ChangeRow> compare(const ScanSnapshot& from, const ScanSnapshot& to)
{
    const bool sameLanguage = (!from.language && !to.language) || (from.language && to.language && sameText(*from.language, *to.language));
    const QList<Entry> oldEntries = entries(from);
    const QList<Entry> newEntries = entries(to);

    QHash<QString, qsizetype> oldIndex;
    oldIndex.reserve(oldEntries.size());
    for (qsizetype i = 0; i < oldEntries.size(); ++i)
        if (!oldIndex.contains(oldEntries[i].key)) oldIndex.insert(oldEntries[i].key, i);
    QSet<QString> newKeys;
    newKeys.reserve(newEntries.size());
    for (const Entry& e : newEntries) newKeys.insert(e.key);

    QList<ChangeRow> rows;
    for (const Entry& e : newEntries) {
        const auto found = oldIndex.constFind(e.key);
        if (found == oldIndex.cend()) {
            rows.append(ChangeRow{QUuid::createUuid(), e.section, e.label, std::nullopt, e.item->value, std::nullopt, e.item->status});
            continue;
        }
        const ScanSnapshot::Item& old = *oldEntries[*found].item;
        const bool unchanged = old.status == e.item->status && (!sameLanguage || sameText(old.value, e.item->value));
        if (!unchanged)
            rows.append(ChangeRow{QUuid::createUuid(), e.section, e.label, old.value, e.item->value, old.status, e.item->status});
    }
    for (const Entry& e : oldEntries) {
        if (!newKeys.contains(e.key))
            rows.append(ChangeRow{QUuid::createUuid(), e.section, e.label, e.item->value, std::nullopt, e.item->status, std::nullopt});
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
