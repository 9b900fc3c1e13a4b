#include "support/OnScreen.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <cstdlib>

namespace OnScreen {

QImage shown(QWidget* widget)
{
    QApplication::processEvents();
    const QPoint at = widget->mapTo(widget->window(), QPoint(0, 0));
    const QPixmap shot = widget->screen()->grabWindow(widget->window()->winId(), at.x(), at.y(), widget->width(), widget->height());
    return shot.toImage().convertToFormat(QImage::Format_ARGB32);
}

int differingPixels(const QImage& a, const QImage& b, int tolerance)
{
    if (a.size() != b.size()) return a.width() * a.height() + 1;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance)
                ++differing;
        }
    return differing;
}

}  // namespace OnScreen
