#include "ui/Blur.h"

#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <vector>

#include <gtest/gtest.h>

namespace {
// Three running box sums over each row, then each column, straight from the definition: what
// every shadow and glow has always been drawn from.
QImage boxBlurred(QImage img, int radius)
{
    const int w = img.width(), h = img.height();
    std::vector<int> line(size_t(qMax(w, h)));
    auto pass = [&](bool horizontal) {
        const int outer = horizontal ? h : w, inner = horizontal ? w : h;
        for (int o = 0; o < outer; ++o) {
            auto at = [&](int i) { return horizontal ? QPoint(i, o) : QPoint(o, i); };
            for (int i = 0; i < inner; ++i) line[size_t(i)] = qAlpha(img.pixel(at(i)));
            for (int i = 0; i < inner; ++i) {
                int sum = 0;
                for (int k = i - radius; k <= i + radius; ++k) sum += (k >= 0 && k < inner) ? line[size_t(k)] : 0;
                img.setPixel(at(i), qRgba(0, 0, 0, sum / (2 * radius + 1)));
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(true);
        pass(false);
    }
    return img;
}

QImage noise(QSize size, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int a = int(random.bounded(256));
            img.setPixel(x, y, qRgba(a, a / 2, 0, a));
        }
    return img;
}

// `shape` filled in black on a clear picture of `size`.
QImage filled(QSize size, const QPainterPath& shape)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(shape, Qt::black);
    return img;
}

QImage disc(QSize size)
{
    QPainterPath circle;
    circle.addEllipse(QRectF(QPointF(0, 0), size).adjusted(size.width() / 4.0, size.height() / 4.0, -size.width() / 4.0,
                                                            -size.height() / 4.0));
    return filled(size, circle);
}
}  // namespace

// Every pixel is the box blur's, wherever the box reaches past the image's edges: one pixel,
// lines, boxes wider than the image, solid and noisy alpha, wide and tall images.
TEST(Blur, EveryPixelIsTheBoxBlursIntegerResult)
{
    struct Case {
        QImage image;
        int radius;
    };
    QImage opaque(7, 5, QImage::Format_ARGB32_Premultiplied);
    opaque.fill(Qt::black);
    const Case cases[] = {
        {noise(QSize(1, 1), 1), 3},  {noise(QSize(1, 9), 2), 2},   {noise(QSize(9, 1), 3), 2},
        {noise(QSize(3, 4), 4), 6},  {noise(QSize(31, 17), 5), 4}, {noise(QSize(17, 40), 6), 13},
        {disc(QSize(64, 48)), 5},    {disc(QSize(50, 50)), 13},    {opaque, 1},
        {opaque, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.image.width() << "x" << c.image.height() << " r" << c.radius);
        QImage blurred = c.image.copy();
        blurAlpha(blurred, c.radius);
        const QImage expected = boxBlurred(c.image.copy(), c.radius);
        int differing = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                if (blurred.pixel(x, y) != expected.pixel(x, y)) ++differing;
        EXPECT_EQ(differing, 0);
    }
}

// No radius, or nothing to blur, leaves the picture as it was.
TEST(Blur, NoRadiusLeavesTheImageAlone)
{
    const QImage original = noise(QSize(6, 4), 7);
    for (int radius : {0, -3}) {
        QImage img = original.copy();
        blurAlpha(img, radius);
        EXPECT_EQ(img, original);
    }
    QImage empty;
    blurAlpha(empty, 4);
    EXPECT_TRUE(empty.isNull());
}

// The soft blur is the full-size blur's picture, within a few levels, for the shapes it is
// given: a card's outline under its shadow's radius, the hero icon's disc under its glow's,
// a larger sheet under a wider radius, and a radius too small to reduce for.
TEST(Blur, SoftBlurLooksLikeTheFullBlur)
{
    auto roundedCard = [](QSize size, int inset, qreal radius) {
        QPainterPath card;
        card.addRoundedRect(QRectF(inset, inset, size.width() - 2 * inset, size.height() - 2 * inset), radius, radius);
        return filled(size, card);
    };
    struct Case {
        QImage image;
        int radius;
        int tolerance;
    };
    const Case cases[] = {
        {roundedCard(QSize(171, 171), 28, 14), 4, 3},
        {roundedCard(QSize(97, 61), 28, 12), 4, 3},
        {disc(QSize(176, 176)), 13, 3},
        {roundedCard(QSize(300, 240), 50, 20), 15, 3},
        {disc(QSize(40, 30)), 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.image.width() << "x" << c.image.height() << " r" << c.radius);
        QImage full = c.image.copy(), soft = c.image.copy();
        blurAlpha(full, c.radius);
        blurAlphaSoft(soft, c.radius);
        int worst = 0;
        qint64 inkFull = 0, inkSoft = 0;
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x) {
                worst = std::max(worst, std::abs(qAlpha(full.pixel(x, y)) - qAlpha(soft.pixel(x, y))));
                inkFull += qAlpha(full.pixel(x, y));
                inkSoft += qAlpha(soft.pixel(x, y));
                ASSERT_EQ(qRed(soft.pixel(x, y)), 0);
            }
        EXPECT_LE(worst, c.tolerance);
        EXPECT_NEAR(double(inkSoft) / double(inkFull), 1.0, 0.01);
    }
}
