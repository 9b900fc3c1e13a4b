#include "monitor/ThinStroke.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

QPolygonF series(int count, qreal width, auto value)
{
    QPolygonF line;
    for (int i = 0; i < count; ++i) line << QPointF(10 + i * width / (count - 1), value(i));
    return line;
}

double noise(int i) { return double((quint32(i) * 2654435761u) % 1000) / 1000.0; }

// A machine's load from idle to busy, steep spikes (miters that turn to bevels), narrow ones
// whose short segments cannot hold a miter's inner corner, and tips at every sharpness.
QList<std::pair<const char*, QPolygonF>> lines()
{
    return {
        {"idle", series(120, 820, [](int i) { return 128 - 6 * noise(i); })},
        {"busy", series(120, 820, [](int i) { return 10 + 118 * noise(i); })},
        {"spikes", series(120, 820, [](int i) { return i % 5 ? 128.0 - 3 * noise(i) : 12.0; })},
        {"narrow spikes", series(120, 380, [](int i) { return i % 2 ? 12.0 + 20 * noise(i) : 128.0; })},
        {"level runs", series(120, 820, [](int i) { return i % 30 < 15 ? 100.0 : 100.0 - 3.1 * (i % 30 - 15); })},
        {"arrows", [] {
             QPolygonF line;
             for (int k = 0; k < 12; ++k) {
                 const qreal spread = 0.25 * (k + 1);
                 line << QPointF(40 + 61 * k, 20) << QPointF(100 + 61 * k, 20 + spread * 4) << QPointF(40 + 61 * k, 20 + spread * 8);
             }
             return line;
         }()},
    };
}

QList<std::pair<const char*, QPen>> pens()
{
    QPen processor(QColor(40, 90, 200), 1.6, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
    processor.setMiterLimit(10);
    QPen pressure(QColor(220, 150, 20), 1.4, Qt::CustomDashLine, Qt::FlatCap, Qt::SvgMiterJoin);
    pressure.setMiterLimit(10);
    pressure.setDashPattern({4 / 1.4, 3 / 1.4});
    QPen offset = pressure;
    offset.setDashOffset(1.7);

    const QPen network(QColor(200, 60, 60), 2, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
    QPen translucent(QColor(10, 160, 90, 140), 2.5, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
    translucent.setMiterLimit(4);
    return {{"processor", processor}, {"pressure", pressure}, {"pressure, offset", offset},
            {"network", network}, {"translucent", translucent}};
}

QImage stroked(const QPolygonF& line, const QPen& pen, bool ours, qreal dpr = 1)
{
    QImage image(QSize(840, 140) * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF clip(4, 4, 832, 132);
    p.setClipRect(clip);
    if (ours) {
        ThinStroke::draw(p, line, pen, clip);
    } else {
        p.setPen(pen);
        p.drawPolyline(line);
    }
    return image;
}

struct Difference {
    double inkRatio = 0;   // ours over Qt's, summed over all pixels
    int largest = 0;       // the largest difference of a channel
    double largeShare = 0; // the share of inked pixels off by more than a quarter
};

Difference compare(const QImage& ours, const QImage& qt)
{
    Difference d;
    double inkOurs = 0, inkQt = 0;
    int inked = 0, large = 0;
    for (int y = 0; y < ours.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(ours.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(qt.constScanLine(y));
        for (int x = 0; x < ours.width(); ++x) {
            const int ia = 765 - qRed(a[x]) - qGreen(a[x]) - qBlue(a[x]);
            const int ib = 765 - qRed(b[x]) - qGreen(b[x]) - qBlue(b[x]);
            inkOurs += ia;
            inkQt += ib;
            if (ia || ib) ++inked;
            const int diff = std::max({std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                                       std::abs(qBlue(a[x]) - qBlue(b[x]))});
            d.largest = std::max(d.largest, diff);
            if (diff > 64) ++large;
        }
    }
    d.inkRatio = inkQt > 0 ? inkOurs / inkQt : 0;
    d.largeShare = inked ? double(large) / inked : 0;
    return d;
}

}  // namespace

// Qt's own stroke is the reference: the same ink, on the same pixels, give or take the shades
// of edge pixels (the two work out partial coverage differently).
TEST(ThinStroke, InksWhatQtsStrokeInks)
{
    for (qreal dpr : {1.0, 2.0})
        for (const auto& [penName, pen] : pens())
            for (const auto& [lineName, line] : lines()) {
                const Difference d = compare(stroked(line, pen, true, dpr), stroked(line, pen, false, dpr));
                const std::string what = std::string(penName) + ", " + lineName + ", ratio " + std::to_string(dpr);
                EXPECT_NEAR(d.inkRatio, 1.0, 0.03) << what;
                EXPECT_LT(d.largeShare, 0.02) << what;
            }
}

TEST(ThinStroke, AHalfPixelOffIsNotTheSameLine)
{
    // The comparison above would see a line drawn off by half a pixel, or a pen too thin.
    const auto [name, line] = lines().constFirst();
    const QPen pen = pens().constFirst().second;
    QPen thinner = pen;
    thinner.setWidthF(1.2);
    EXPECT_GT(compare(stroked(line.translated(0, 0.5), pen, true), stroked(line, pen, false)).largeShare, 0.05);
    EXPECT_LT(compare(stroked(line, thinner, true), stroked(line, pen, false)).inkRatio, 0.9);
}

TEST(ThinStroke, ALevelLineIsExactAndJoinsShowNoSeam)
{
    // A level line 1.6 pixels wide over a pixel's edge and a fraction: each column holds 1.6
    // pixels of ink, at the inner points as between them.
    QPolygonF line;
    for (int i = 0; i <= 40; ++i) line << QPointF(20 + i * 19.7, 60.3);
    const QPen pen(Qt::black, 1.6, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
    const QImage image = stroked(line, pen, true);
    for (int x = 21; x < 800; ++x) {
        double ink = 0;
        for (int y = 50; y < 70; ++y) ink += (255 - qRed(image.pixel(x, y))) / 255.0;
        EXPECT_NEAR(ink, 1.6, 0.01) << "column " << x;
    }
}

TEST(ThinStroke, DashesShorterThanAPixelCarryTheirOwnArea)
{
    // Both ends of such a dash cross the same pixels: its ink is its length times the pen.
    const QPolygonF line{QPointF(20, 60.3), QPointF(800, 60.3)};
    for (qreal on : {0.05, 0.3}) {
        QPen pen(Qt::black, 1.4, Qt::CustomDashLine, Qt::FlatCap, Qt::SvgMiterJoin);
        pen.setDashPattern({on, 1.5});
        const QImage image = stroked(line, pen, true);
        double ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) ink += (255 - qRed(image.pixel(x, y))) / 255.0;
        const qreal period = (on + 1.5) * 1.4;
        double expected = 0;
        for (qreal at = 0; at < 780; at += period) expected += std::min(on * 1.4, 780 - at) * 1.4;
        EXPECT_NEAR(ink / expected, 1.0, 0.01) << "dash " << on;
    }
}

TEST(ThinStroke, KeepsToTheClipAndFallsBackWhereItCannot)
{
    const auto [name, line] = lines()[1];
    const QPen pen = pens().constFirst().second;
    QImage image(840, 140, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        ThinStroke::draw(p, line, pen, QRectF(100, 0, 200, 140));
    }
    for (int y = 0; y < 140; ++y) {
        EXPECT_EQ(image.pixel(98, y), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel(301, y), qRgb(255, 255, 255));
    }
    // A rotated painter, or one without antialiasing, gets Qt's own stroke.
    for (bool rotate : {true, false}) {
        QImage ours(300, 300, QImage::Format_ARGB32_Premultiplied);
        ours.fill(Qt::white);
        QImage qt = ours;
        for (QImage* target : {&ours, &qt}) {
            QPainter p(target);
            p.setRenderHint(QPainter::Antialiasing, rotate);
            if (rotate) p.rotate(10);
            if (target == &ours) {
                EXPECT_FALSE(ThinStroke::handles(p, pen));
                ThinStroke::draw(p, line, pen, QRectF(0, 0, 300, 300));
            } else {
                p.setPen(pen);
                p.drawPolyline(line);
            }
        }
        EXPECT_EQ(ours, qt);
    }
}
