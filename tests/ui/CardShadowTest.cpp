#include "ui/Blur.h"
#include "ui/Card.h"
#include "ui/SmoothCorners.h"

#include <QPainter>

#include <cmath>

#include <gtest/gtest.h>

namespace {
// The shadow as one blur of the whole outline: what the drawing must look like.
QImage reference(const QRectF& card, qreal radius, QSize canvas)
{
    const int e = int(std::ceil(Card::shadowExtent()));
    QImage shape(QSize(int(std::ceil(card.width())) + 2 * e, int(std::ceil(card.height())) + 2 * e), QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(SmoothCorners::path(QRectF(e, e, card.width(), card.height()), radius), Qt::black);
    }
    blurAlpha(shape, int(Card::kShadowBlur / 2));
    QImage out(canvas, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setOpacity(Card::shadowOpacity(Theme::Appearance::Light));
    p.drawImage(QPointF(card.left() - e, card.top() - e + Card::kShadowOffsetY), shape);
    return out;
}

QImage drawn(const QRectF& card, qreal radius, QSize canvas)
{
    QImage out(canvas, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    Card::paintShadow(p, card, radius, Theme::Appearance::Light);
    return out;
}

int largestDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            worst = std::max(worst, std::abs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y))));
    return worst;
}
}  // namespace

// Large cards are drawn from a small image in nine parts; the result is the whole blur's.
TEST(CardShadow, EveryCardSizeLooksLikeOneBlurOfItsOutline)
{
    struct Case {
        QRectF card;
        qreal radius;
    };
    const Case cases[] = {
        {QRectF(20, 20, 700, 420), 14},  // a hero card
        {QRectF(20, 20, 240, 120), 12},  // a category card
        {QRectF(20, 20, 60, 300), 12},   // narrower than the slices: sliced along its height only
        {QRectF(20, 20, 900, 56), 12},   // a search group of one row: sliced along its width only
        {QRectF(20, 20, 30, 24), 10},    // a small chip
        {QRectF(20, 20, 500, 90), 0},    // square corners
        {QRectF(20, 20, 1533, 707), 14}, // a wide window's card: each side drawn from many short strips
    };
    for (const Case& c : cases) {
        const QSize canvas(int(c.card.right()) + 40, int(c.card.bottom()) + 40);
        const QImage want = reference(c.card, c.radius, canvas);
        const QImage got = drawn(c.card, c.radius, canvas);
        EXPECT_LE(largestDifference(want, got), 1) << c.card.width() << "x" << c.card.height() << " r" << c.radius;
        // Something was drawn at all: the edge below the card is shaded.
        EXPECT_GT(qAlpha(got.pixel(int(c.card.center().x()), int(c.card.bottom()) + 2)), 0);
    }
}

// Repeating a size draws the same from the cache.
TEST(CardShadow, CachedDrawingsMatchTheFirst)
{
    const QRectF card(10, 10, 640, 360);
    const QSize canvas(700, 420);
    const QImage first = drawn(card, 16, canvas);
    EXPECT_EQ(drawn(card, 16, canvas), first);
    EXPECT_EQ(largestDifference(drawn(QRectF(10, 10, 641, 360), 16, canvas).copy(0, 0, 300, 420), first.copy(0, 0, 300, 420)), 0);
}
