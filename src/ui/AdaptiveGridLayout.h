#pragma once

#include <QLayout>
#include <QList>

// The adaptive grid: as many columns as fit (n × minimum + (n − 1) × spacing ≤ width,
// at least one), sharing the width left after the spacing equally; cells fill the
// columns row by row and a short last row leaves its trailing columns empty. Mirrors
// in right-to-left layouts.
class AdaptiveGridLayout : public QLayout {
public:
    AdaptiveGridLayout(qreal minimumColumnWidth, qreal columnSpacing, qreal rowSpacing, QWidget* parent = nullptr);
    ~AdaptiveGridLayout() override;

    static int columnCount(qreal availableWidth, qreal minimumColumnWidth, qreal spacing);
    int columnCount(qreal availableWidth) const { return columnCount(availableWidth, minimum_, columnSpacing_); }

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(items_.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }

private:
    int arrange(const QRect& rect, bool apply) const;
    qreal minimum_;
    qreal columnSpacing_;
    qreal rowSpacing_;
    QList<QLayoutItem*> items_;
};
