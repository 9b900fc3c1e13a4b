#pragma once

#include "history/HistoryComparison.h"
#include "history/HistorySelection.h"
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
class HistoryTimeline;
class HistoryComparisonPane;

// One line of the timeline, made from a snapshot: its date, "chip · system" and how many items
// were supported, warnings and unsupported (volatile items counted too, info items not at all).
struct HistoryRow {
    QUuid id;
    QDateTime date;
    QString deviceName;
    QString detail;
    int supported = 0;
    int warnings = 0;
    int unsupported = 0;

    static HistoryRow make(const ScanSnapshot& snapshot);
    bool operator==(const HistoryRow&) const = default;
};

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

    static constexpr int kTimelineWidth = 300;

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
    QPushButton* clearButton() const { return clearButton_; }

protected:
    void changeEvent(QEvent* e) override;

private:
    void reload();
    void selectionChanged();
    void retranslate();
    QString subtitle() const;

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
    QStackedLayout* stack_ = nullptr;
    QWidget* empty_ = nullptr;
    QWidget* body_ = nullptr;
    HistoryTimeline* timeline_ = nullptr;
    QScrollArea* comparisonScroll_ = nullptr;
    HistoryComparisonPane* comparison_ = nullptr;
};

// The changes of one section, painted as rows (a comparison may list every item of the machine,
// far too many to build as widgets when the page opens): the kind's symbol, the item's label and
// what it was and became. A change of status alone (the same value on both sides) shows the two
// statuses instead of the value twice. The values are copied from the row's context menu.
class HistoryChangeList : public QWidget {
    Q_OBJECT
public:
    explicit HistoryChangeList(const QList<ChangeRow>& rows, QWidget* parent = nullptr);

    // What a row shows: the kind's spoken word, the label and the two value texts.
    struct Shown {
        QString kind;
        QString label;
        std::optional<QString> oldValue;
        std::optional<QString> newValue;
        bool operator==(const Shown&) const = default;
    };
    const QList<Shown>& shownRows() const { return shown_; }
    // "Label: old → new" (or the one value there is).
    QString rowText(int index) const;
    int rowAt(const QPoint& pos) const;
    QMenu* contextMenu(int row, QWidget* parent = nullptr) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    struct Geometry {
        qreal top = 0;
        qreal bottom = 0;
        QRectF kind, label, oldStatus, oldValue, arrow, newStatus, newValue;
    };
    const QList<Geometry>& geometry(int width) const;
    struct Naturals {
        qreal label, oldValue, newValue;
    };
    const Naturals& naturals(qsizetype row) const;

    QList<ChangeRow> rows_;
    QList<Shown> shown_;
    mutable QList<Geometry> geometry_;
    mutable int geometryWidth_ = -1;
    mutable QHash<int, int> heights_;
    mutable QList<Naturals> naturals_;
};

// The timeline's rows, painted in one widget so that 200 scans cost no more than the few on
// screen: the rail with its pick mark, the date, "chip · system" and the three counts.
class HistoryTimeline : public QWidget {
    Q_OBJECT
public:
    explicit HistoryTimeline(QWidget* parent = nullptr);
    void setRows(const QList<HistoryRow>& rows);
    void setSelection(const HistorySelection& selection);
    const QList<HistoryRow>& rows() const { return rows_; }

    int rowHeight() const;
    QRect rowRect(int index) const;
    // The row under a point, or -1.
    int rowAt(const QPoint& pos) const;
    // The date text of a row as shown (formatted once per language).
    QString dateText(int index) const;
    // The row the keyboard works on (arrows move it, Space picks, the menu key opens its menu).
    int currentRow() const { return current_; }
    void setCurrentRow(int row);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void toggled(const QUuid& id);
    void contextMenuRequested(const QUuid& id, const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool event(QEvent* e) override;

private:
    QList<HistoryRow> rows_;
    int current_ = -1;
    QList<QUuid> selected_;
    mutable QHash<QUuid, QString> dates_;
    int pressed_ = -1;
};
