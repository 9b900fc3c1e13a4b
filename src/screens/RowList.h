#pragma once

#include "inspection/Capability.h"

#include <QHash>
#include <QList>
#include <QWidget>

class CapabilityRowView;
class QLayout;

// Capability rows one under the other, a divider inset by 12 on both sides between two
// rows. Rows whose label, value and status stay the same are kept when the list changes,
// so a new inspection or a narrower search replaces only what differs.
class RowList : public QWidget {
    Q_OBJECT
public:
    explicit RowList(QWidget* parent = nullptr);

    // Shows `items` in this order. Rows no longer shown are kept hidden for a later list
    // unless `keepHidden` is false.
    void setItems(const QList<CapabilityItem>& items, bool keepHidden = true);
    // Drops the hidden rows kept for later.
    void dropHidden();
    int rowCount() const { return int(shown_.size()); }
    CapabilityRowView* row(int index) const { return shown_.value(index); }
    // Dividers drawn: one fewer than the rows.
    int dividerCount() const { return qMax(0, rowCount() - 1); }
    static constexpr int kDividerInset = 12;

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    static QString contentKey(const CapabilityItem& item);
    QLayout* layout_;
    QList<CapabilityRowView*> shown_;
    QHash<QString, QList<CapabilityRowView*>> spare_;
};
