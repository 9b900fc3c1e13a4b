// The overview's status tiles show where the keyboard is when Tab reaches them.
#include "ui/Theme.h"
#include "ui/Tiles.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(StatTileFocus, TabDrawsAFocusRingAndAClickDoesNot)
{
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* before = new QPushButton(QStringLiteral("Before"), &window);
    row->addWidget(before);
    auto* tile = new StatTile(3, QStringLiteral("Warnings"), QStringLiteral("exclamationmark.triangle.fill"),
                              Theme::statusWarning(), {}, &window);
    row->addWidget(tile);
    window.resize(500, 100);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus(Qt::OtherFocusReason);
    const QImage plain = tile->grab().toImage();

    QTest::mouseClick(tile, Qt::LeftButton);
    EXPECT_FALSE(tile->hasFocus());

    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(tile->hasFocus());
    const QImage focused = tile->grab().toImage();
    ASSERT_EQ(plain.size(), focused.size());
    // The edge changed; the middle of the tile is as before.
    const int y = plain.height() / 2;
    EXPECT_NE(plain.pixel(1, y), focused.pixel(1, y));
    EXPECT_NE(plain.pixel(plain.width() - 2, y), focused.pixel(plain.width() - 2, y));
}
