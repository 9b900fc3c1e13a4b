#pragma once

#include "history/HistoryComparison.h"
#include "history/PaintedListAccessible.h"

#include <QHash>
#include <QWidget>

#include <optional>

class QMenu;

// The changes of one section, painted as rows (a comparison may list every item of the machine,
// far too many to build as widgets when the page opens): the kind's symbol, the item's label and
// what it was and became. A change of status alone (the same value on both sides) shows the two
// statuses instead of the value twice. The values are copied from the row's context menu.
class HistoryChangeList : public QWidget, public PaintedRows {
    Q_OBJECT
public:
    explicit HistoryChangeList(const QList<ChangeRow>& rows, QWidget* parent = nullptr);

    // One element per change: "kind, label, old, new".
    int accessibleRowCount() const override { return int(rows_.size()); }
    QString accessibleRowName(int row) const override;
    QRect accessibleRowRect(int row) const override;

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
    QStringList spoken_;
    mutable QList<Geometry> geometry_;
    mutable int geometryWidth_ = -1;
    mutable QHash<int, int> heights_;
    mutable QList<Naturals> naturals_;
};
