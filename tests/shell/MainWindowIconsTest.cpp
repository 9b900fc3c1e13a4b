#include "shell/MainWindowIcons.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {
// The colour of the most opaque pixel: the symbol's own ink.
QColor ink(const QPixmap& pm)
{
    const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    QColor best(Qt::transparent);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() > best.alpha()) best = c;
        }
    return best;
}
}  // namespace

TEST(MainWindowIcons, SymbolIsDrawnAtTheAskedSizeAndRatio)
{
    const QIcon icon = MainWindowIcons::symbol(QStringLiteral("globe"), QColor(200, 0, 0), 16);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(icon.actualSize(QSize(64, 64)), QSize(16, 16));  // never larger than drawn for
    const QPixmap one = icon.pixmap(QSize(16, 16), 1.0);
    EXPECT_EQ(one.size(), QSize(16, 16));
    const QPixmap two = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(two.size(), QSize(32, 32));
    EXPECT_DOUBLE_EQ(two.devicePixelRatio(), 2.0);
    EXPECT_GT(ink(one).alpha(), 128);
    EXPECT_EQ(ink(one).red(), 200);
}

TEST(MainWindowIcons, SelectedColourAndDisabledRendering)
{
    const QIcon icon = MainWindowIcons::symbol(QStringLiteral("cpu"), QColor(0, 0, 200), QColor(Qt::white), 16);
    EXPECT_EQ(ink(icon.pixmap(QSize(16, 16), 1.0, QIcon::Selected)).blue(), 255);
    EXPECT_EQ(ink(icon.pixmap(QSize(16, 16), 1.0, QIcon::Selected)).red(), 255);
    EXPECT_EQ(ink(icon.pixmap(QSize(16, 16), 1.0, QIcon::Normal)).red(), 0);
    // Disabled is the style's rendering of the normal symbol, not the normal one itself.
    const QImage normal = icon.pixmap(QSize(16, 16), 1.0, QIcon::Normal).toImage();
    const QImage disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
    EXPECT_EQ(disabled.size(), normal.size());
    EXPECT_NE(disabled.convertToFormat(QImage::Format_ARGB32), normal.convertToFormat(QImage::Format_ARGB32));
}
