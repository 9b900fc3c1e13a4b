#include "MainWindowFixture.h"

#include "shell/MainWindowPaintProbe.h"

#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

// The start-up measurement waits for the first painted overview; the overview is a scroll area
// whose viewport covers it, so the page itself is never sent a paint event.
namespace {
// A page wholly covered by one opaque child, as a scroll area is by its viewport.
QWidget* coveredPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* cover = new QWidget(page);
    cover->setAttribute(Qt::WA_OpaquePaintEvent);
    layout->addWidget(cover);
    return page;
}

// The main window with a covered overview, the fixture's model and a fake clock.
MainWindow& coveredWindow(MainWindowFixture& f)
{
    MainWindowEnvironment env{*f.model, f.language, f.router, f.updates, f.preferences};
    env.pages.overview = [](const PageContext&) { return coveredPage(); };
    env.deferrer = f.clock.deferrer();
    env.record = [](const DeviceSummary&, const QList<CapabilitySection>&) {};
    env.quit = [] {};
    f.window = std::make_unique<MainWindow>(std::move(env));
    return *f.window;
}
}  // namespace

TEST(MainWindowPaintProbe, SeesTheFirstPaintOfAPageCoveredByItsChildren)
{
    MainWindowFixture f;
    MainWindow& w = coveredWindow(f);
    QStringList seen;
    MainWindowPaintProbe loading(w, DetailRoute::Kind::loading, [&] { seen << QStringLiteral("loading"); });
    MainWindowPaintProbe overview(w, DetailRoute::Kind::overview, [&] { seen << QStringLiteral("overview"); });
    MainWindowPaintProbe category(w, DetailRoute::Kind::category, [&] { seen << QStringLiteral("category"); });
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return overview.fired(); }, 5000)) << seen.join(u',').toStdString();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("loading"), QStringLiteral("overview")}));
    EXPECT_FALSE(category.fired());
    // Once only: later paints of the same page are not reported again.
    w.page()->update();
    QApplication::processEvents();
    w.repaint();
    EXPECT_EQ(seen.size(), 2);
}

TEST(MainWindowPaintProbe, AnInspectionAheadDoneByTheFirstExposeMakesTheOverviewTheFirstPagePainted)
{
    MainWindowFixture f;
    MainWindow& w = coveredWindow(f);
    QStringList seen;
    MainWindowPaintProbe loading(w, DetailRoute::Kind::loading, [&] { seen << QStringLiteral("loading"); });
    MainWindowPaintProbe overview(w, DetailRoute::Kind::overview, [&] { seen << QStringLiteral("overview"); });
    // As the application starts: shown, then the machine read on a worker while the window maps.
    w.show();
    f.model->inspectAhead();
    ASSERT_TRUE(f.model->waitForInspectionAhead(std::chrono::seconds(30)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return overview.fired(); }, 5000)) << seen.join(u',').toStdString();
    // Taken before the first picture: the loading page is never painted, and the page is laid out.
    EXPECT_EQ(seen, QStringList{QStringLiteral("overview")});
    EXPECT_EQ(w.page()->size(), w.page()->parentWidget()->contentsRect().size());
    EXPECT_TRUE(f.model->summary());
}
