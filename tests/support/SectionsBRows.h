#pragma once

// Sections compared row by row: label, value, status, key and volatility in one value, so
// a table of expected rows reads like the section it describes.
#include "inspection/Capability.h"

#include <QList>
#include <QString>

#include <ostream>

struct Row {
    QString label;
    QString value;
    CapabilityStatus status = CapabilityStatus::info;
    QString key;
    bool isVolatile = false;
    bool operator==(const Row&) const = default;
};

inline QList<Row> rowsOf(const CapabilitySection& section)
{
    QList<Row> rows;
    for (const CapabilityItem& i : section.items)
        rows.append(Row{i.label, i.value, i.status, i.key.value_or(QStringLiteral("<no key>")), i.isVolatile});
    return rows;
}

inline void PrintTo(const Row& r, std::ostream* os)
{
    *os << "{\"" << r.label.toStdString() << "\", \"" << r.value.toStdString() << "\", "
        << CapabilityStatusText::raw(r.status).toStdString() << ", " << r.key.toStdString()
        << (r.isVolatile ? ", volatile" : "") << "}";
}

inline void PrintTo(const QList<Row>& rows, std::ostream* os)
{
    *os << "\n";
    for (const Row& r : rows) {
        *os << "  ";
        PrintTo(r, os);
        *os << "\n";
    }
}
