#include "support/PixelProbe.h"

#include <cmath>

namespace PixelProbe {

QColor at(const QImage& image, int x, int y) { return QColor::fromRgba(image.pixel(x, y)); }

QColor mean(const QImage& image, const QRect& region)
{
    const QRect r = region.intersected(image.rect());
    if (r.isEmpty()) return {};
    double sr = 0, sg = 0, sb = 0, sa = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            sr += qRed(p), sg += qGreen(p), sb += qBlue(p), sa += qAlpha(p);
        }
    const double n = double(r.width()) * r.height();
    return QColor(int(std::lround(sr / n)), int(std::lround(sg / n)), int(std::lround(sb / n)), int(std::lround(sa / n)));
}

int distance(const QColor& a, const QColor& b)
{
    return qMax(qMax(std::abs(a.red() - b.red()), std::abs(a.green() - b.green())),
                qMax(std::abs(a.blue() - b.blue()), std::abs(a.alpha() - b.alpha())));
}

QColor over(const QColor& o, const QColor& u)
{
    const double a = o.alphaF();
    return QColor(int(std::lround(o.red() * a + u.red() * (1 - a))), int(std::lround(o.green() * a + u.green() * (1 - a))),
                  int(std::lround(o.blue() * a + u.blue() * (1 - a))));
}

double luminance(const QColor& c) { return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF(); }

}  // namespace PixelProbe
