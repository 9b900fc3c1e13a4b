#pragma once

#include <QRectF>
#include <QWidget>

class QPainter;

// The application's icon at a square size: the window icon the application set, or the
// product's mark painted in the brand colours when it has none. Decorative.
class ApplicationIconView : public QWidget {
    Q_OBJECT
public:
    explicit ApplicationIconView(int size, QWidget* parent = nullptr);
    static void paint(QPainter& p, const QRectF& rect, Qt::LayoutDirection direction);

protected:
    void paintEvent(QPaintEvent*) override;
};
