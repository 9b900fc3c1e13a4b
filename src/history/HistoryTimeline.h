#pragma once

#include "history/HistorySelection.h"
#include "history/PaintedListAccessible.h"
#include "history/ScanSnapshot.h"

#include <QDateTime>
#include <QHash>
#include <QUuid>
#include <QWidget>

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

// The timeline's rows, painted in one widget so that 200 scans cost no more than the few on
// screen: the rail with its pick mark, the date, "chip · system" and the three counts. For
// assistive technology it is a list with one item per scan, selected when picked.
class HistoryTimeline : public QWidget, public PaintedRows {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;

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

    // One element per row: "date, chip · system, counts".
    int accessibleRowCount() const override { return int(rows_.size()); }
    QString accessibleRowName(int row) const override;
    QRect accessibleRowRect(int row) const override { return rowRect(row); }
    bool rowsSelectable() const override { return true; }
    bool accessibleRowSelected(int row) const override;
    int accessibleCurrentRow() const override { return current_; }
    void activateAccessibleRow(int row) override;

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
