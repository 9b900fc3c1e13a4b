#include "ui/DeferredWidget.h"

#include <QApplication>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {
struct Made {
    int count = 0;
    QWidget* last = nullptr;
};

DeferredWidget* deferred(Made& made, bool startsVisible, QWidget* parent)
{
    return new DeferredWidget(
        [&made, startsVisible](QWidget* p) {
            ++made.count;
            auto* w = new QWidget(p);
            w->setObjectName(QStringLiteral("content"));
            w->setMinimumSize(40, 30);
            w->setVisible(startsVisible);
            made.last = w;
            return w;
        },
        parent);
}
}  // namespace

TEST(DeferredWidget, MakesNothingUntilBuiltAndStaysHidden)
{
    QWidget window;
    new QVBoxLayout(&window);
    Made made;
    DeferredWidget* host = deferred(made, true, &window);
    window.layout()->addWidget(host);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(made.count, 0);
    EXPECT_FALSE(host->isVisible());
    EXPECT_EQ(host->content(), nullptr);
}

TEST(DeferredWidget, BuildsOnceAndFollowsTheContentsVisibility)
{
    QWidget window;
    new QVBoxLayout(&window);
    Made made;
    DeferredWidget* host = deferred(made, false, &window);
    window.layout()->addWidget(host);
    window.show();
    host->build();
    host->build();
    EXPECT_EQ(made.count, 1);
    ASSERT_EQ(host->content(), made.last);
    EXPECT_EQ(made.last->parentWidget(), host);
    EXPECT_EQ(host->objectName(), QStringLiteral("content"));
    // Made hidden: the stand-in keeps no room in the layout.
    EXPECT_FALSE(host->isVisible());

    made.last->show();
    EXPECT_TRUE(host->isVisible());
    EXPECT_TRUE(made.last->isVisible());
    window.layout()->activate();
    EXPECT_GE(host->height(), 30);

    made.last->hide();
    EXPECT_FALSE(host->isVisible());
    // Hiding the window hides both without losing the content's own wish to be shown.
    made.last->show();
    window.hide();
    window.show();
    EXPECT_TRUE(host->isVisible());
}

TEST(DeferredWidget, ContentBuiltVisibleShowsAtOnce)
{
    QWidget window;
    new QVBoxLayout(&window);
    Made made;
    DeferredWidget* host = deferred(made, true, &window);
    window.layout()->addWidget(host);
    window.show();
    host->build();
    EXPECT_TRUE(host->isVisible());
    EXPECT_TRUE(made.last->isVisible());
}
