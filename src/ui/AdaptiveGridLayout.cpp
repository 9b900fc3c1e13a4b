#include "ui/AdaptiveGridLayout.h"

#include <QStyle>
#include <QWidget>

#include <cmath>

AdaptiveGridLayout::AdaptiveGridLayout(qreal minimumColumnWidth, qreal columnSpacing, qreal rowSpacing, QWidget* parent)
    : QLayout(parent), minimum_(minimumColumnWidth), columnSpacing_(columnSpacing), rowSpacing_(rowSpacing)
{
    setContentsMargins(0, 0, 0, 0);
}

AdaptiveGridLayout::~AdaptiveGridLayout()
{
    while (QLayoutItem* item = takeAt(0)) delete item;
}

int AdaptiveGridLayout::columnCount(qreal width, qreal minimum, qreal spacing)
{
    if (!(width > 0) || !(minimum > 0) || !std::isfinite(width)) return 1;
    // n·min + (n−1)·spacing ≤ width  ⇔  n ≤ (width + spacing) / (min + spacing)
    const double n = std::floor((width + spacing) / (minimum + spacing) + 1e-9);
    return int(qBound(1.0, n, 10000.0));
}

void AdaptiveGridLayout::addItem(QLayoutItem* item) { items_.append(item); }
QLayoutItem* AdaptiveGridLayout::itemAt(int index) const { return items_.value(index); }
QLayoutItem* AdaptiveGridLayout::takeAt(int index)
{
    if (index < 0 || index >= items_.size()) return nullptr;
    return items_.takeAt(index);
}

QSize AdaptiveGridLayout::minimumSize() const
{
    const QMargins m = contentsMargins();
    int h = 0;
    for (QLayoutItem* item : items_) h = qMax(h, item->minimumSize().height());
    return QSize(int(std::ceil(minimum_)) + m.left() + m.right(), h + m.top() + m.bottom());
}

QSize AdaptiveGridLayout::sizeHint() const
{
    const QMargins m = contentsMargins();
    const int w = int(std::ceil(minimum_ * 2 + columnSpacing_)) + m.left() + m.right();
    return QSize(w, heightForWidth(w));
}

int AdaptiveGridLayout::heightForWidth(int width) const { return arrange(QRect(0, 0, width, 0), false); }

void AdaptiveGridLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int AdaptiveGridLayout::arrange(const QRect& rect, bool apply) const
{
    const QRect r = rect.marginsRemoved(contentsMargins());
    const int n = columnCount(r.width());
    const qreal columnWidth = qMax<qreal>(0, (r.width() - (n - 1) * columnSpacing_) / n);
    const Qt::LayoutDirection direction = parentWidget() ? parentWidget()->layoutDirection() : Qt::LeftToRight;
    qreal y = r.top();
    QList<QLayoutItem*> visible;
    for (QLayoutItem* item : items_)
        if (!item->isEmpty()) visible.append(item);
    for (int start = 0; start < visible.size(); start += n) {
        int rowHeight = 0;
        for (int i = start; i < qMin<int>(start + n, visible.size()); ++i) {
            QLayoutItem* item = visible[i];
            const int w = int(columnWidth);
            rowHeight = qMax(rowHeight, item->hasHeightForWidth() ? item->heightForWidth(w) : item->sizeHint().height());
        }
        if (apply) {
            for (int i = start; i < qMin<int>(start + n, visible.size()); ++i) {
                const int column = i - start;
                const QRect cell(int(std::round(r.left() + column * (columnWidth + columnSpacing_))), int(std::round(y)),
                                 int(std::round(columnWidth)), rowHeight);
                QLayoutItem* item = visible[i];
                // A cell's content keeps its own maximum width, centred in its column.
                const int w = qMin(cell.width(), item->maximumSize().width());
                QRect placed(cell.left() + (cell.width() - w) / 2, cell.top(), w, cell.height());
                item->setGeometry(QStyle::visualRect(direction, r, placed));
            }
        }
        y += rowHeight + rowSpacing_;
    }
    if (!visible.isEmpty()) y -= rowSpacing_;
    const QMargins m = contentsMargins();
    return int(std::ceil(y - r.top())) + m.top() + m.bottom();
}
