#pragma once

#include <QRect>
#include <QString>

class QWidget;

// A widget that paints its rows itself (so that hundreds cost no more than the few on screen)
// still shows assistive technology one element per row: the widget is a list, each row a list
// item with its name, its selected state where rows can be picked, and the focus on the current
// row. The widget answers through this interface; PaintedListAccessible::install registers the
// presentation for the widget's class.
class PaintedRows {
public:
    virtual ~PaintedRows() = default;
    virtual int accessibleRowCount() const = 0;
    // What a screen reader says for the row: all it shows, in reading order.
    virtual QString accessibleRowName(int row) const = 0;
    // In the widget's coordinates.
    virtual QRect accessibleRowRect(int row) const = 0;
    virtual bool rowsSelectable() const { return false; }
    virtual bool accessibleRowSelected(int) const { return false; }
    // The row the keyboard works on, or -1.
    virtual int accessibleCurrentRow() const { return -1; }
    // The row's one action (picking it, for selectable rows).
    virtual void activateAccessibleRow(int) {}
};

namespace PaintedListAccessible {
// Presents widgets of the class named `className` (which must also be PaintedRows) as lists.
// Safe to call any number of times.
void install(const char* className);
// Tell assistive technology what changed: the rows themselves, or the state of one row.
void rowsChanged(QWidget* list);
void rowStateChanged(QWidget* list, int row, bool selectedChanged);
void rowFocused(QWidget* list, int row);
}  // namespace PaintedListAccessible
