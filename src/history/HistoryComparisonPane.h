#pragma once

#include "history/HistoryComparison.h"

#include <QDateTime>
#include <QWidget>

#include <optional>
#include <utility>

class QVBoxLayout;

// The right side of the history page: the two picked scans' badges and their changes by section
// (each section's changes a HistoryChangeList in a card), or why there is nothing to compare.
class HistoryComparisonPane : public QWidget {
public:
    HistoryComparisonPane();

    // With a pair: its dates and changes; without one: the prompt to pick two scans.
    void show(const std::optional<std::pair<QDateTime, QDateTime>>& dates, const std::optional<QList<ChangeRow>>& changes);

private:
    QVBoxLayout* layout_;
};
