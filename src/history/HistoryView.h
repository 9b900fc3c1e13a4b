#pragma once

#include "history/HistoryChangeList.h"
#include "history/HistoryComparison.h"
#include "history/HistoryComparisonPane.h"
#include "history/HistorySelection.h"
#include "history/HistoryTimeline.h"
#include "history/ScanHistory.h"

#include <QDateTime>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QMenu;
class QPushButton;
class QScrollArea;
class QStackedLayout;
class ScreenHeader;
class QLabel;

// The history page: the timeline of saved scans (newest first) in a card 300 wide, where two
// scans are picked, and beside it what changed between them, grouped by section. A row's context
// menu deletes its scan; the header's button clears the history after a confirmation. Everything
// shown comes from the store, so a scan recorded while the page is open appears at once.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    // Asks whether to clear every saved scan; calls `clear` only when the user confirms. The
    // default shows a window-modal message box; tests put in their own.
    using ConfirmClear = std::function<void(QWidget* parent, std::function<void()> clear)>;

    static constexpr int kTimelineWidth = HistoryTimeline::kWidth;

    explicit HistoryView(ScanHistory& history, QWidget* parent = nullptr);
    ~HistoryView() override;

    void setConfirmClear(ConfirmClear confirm) { confirmClear_ = std::move(confirm); }

    const HistorySelection& selection() const { return selection_; }
    const QList<HistoryRow>& rows() const { return rows_; }
    // The comparison shown: the changes between the two picked scans, or nothing without a pair.
    const std::optional<QList<ChangeRow>>& changes() const { return changes_; }
    // The picked pair as (older, newer) snapshot identifiers.
    std::optional<std::pair<QUuid, QUuid>> pairIds() const { return pairIds_; }

    // A click on a timeline row.
    void toggle(const QUuid& id);
    // "Delete Scan" of a row's context menu.
    void deleteScan(const QUuid& id);
    // "Clear History…": asks, then empties the selection and the history.
    void requestClear();
    // The context menu of one row (the caller owns it).
    QMenu* rowMenu(const QUuid& id, QWidget* parent = nullptr);

    HistoryTimeline* timeline() const { return timeline_; }
    // The line that says scans are not being saved and why; empty while saves work.
    QString saveErrorText() const;
    QPushButton* clearButton() const { return clearButton_; }

protected:
    void changeEvent(QEvent* e) override;

private:
    void reload();
    void selectionChanged();
    void retranslate();
    QString subtitle() const;
    void showSaveError();

    ScanHistory& history_;
    HistorySelection selection_;
    QList<HistoryRow> rows_;
    QList<QUuid> ids_;
    std::optional<QList<ChangeRow>> changes_;
    std::optional<std::pair<QUuid, QUuid>> pairIds_;
    bool pairShown_ = false;
    ConfirmClear confirmClear_;

    ScreenHeader* header_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QWidget* saveErrorRow_ = nullptr;
    QLabel* saveError_ = nullptr;
    QStackedLayout* stack_ = nullptr;
    QWidget* empty_ = nullptr;
    QWidget* body_ = nullptr;
    HistoryTimeline* timeline_ = nullptr;
    QScrollArea* comparisonScroll_ = nullptr;
    HistoryComparisonPane* comparison_ = nullptr;
};
