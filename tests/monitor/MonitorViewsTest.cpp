// The live monitor page, its charts and bars, the tray panel and the tray item: what they
// show for a history, and that every way of showing and hiding them keeps the monitor's
// client count balanced.
#include "HandDrivenLoop.h"
#include "MonitorSamples.h"
#include "app/AppRouter.h"
#include "monitor/LiveMonitorView.h"
#include "monitor/MenuBarMonitorView.h"
#include "monitor/ChartCard.h"
#include "monitor/LiveChart.h"
#include "monitor/LivePulse.h"
#include "monitor/PerCoreBars.h"
#include "support/OnScreen.h"
#include "support/PixelProbe.h"
#include "support/Render.h"
#include "ui/Accessibility.h"
#include "ui/BusyIndicator.h"
#include "monitor/MonitorTrayItem.h"
#include "support/AnimationClock.h"
#include "ui/ScoreRing.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QLabel>
#include <QApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QDateTime kNoon(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);

QList<MonitorSample> history(int count, int cores = 8)
{
    QList<MonitorSample> samples;
    for (int i = 0; i < count; ++i) samples << plainSample(kNoon.addSecs(i), 0.01 * (i % 100), cores);
    return samples;
}

// ---------------------------------------------------------------- per-core bars

TEST(PerCoreBars, LevelsClampAndStub)
{
    const double values[] = {-0.2, 0, std::nan(""), 0.5, 1.7};
    const double levels[] = {0, 0, 0, 0.5, 1};
    for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(PerCoreBars::level(values[i]), levels[i]) << i;
    EXPECT_DOUBLE_EQ(PerCoreBars::fillHeight(0, 90), 2);
    EXPECT_DOUBLE_EQ(PerCoreBars::fillHeight(1, 90), 90);
    PerCoreBars bars;
    bars.resize(400, 90);
    bars.setValues({-0.2, 0, std::nan(""), 0.5, 1.7});
    EXPECT_EQ(bars.barValue(0), QStringLiteral("0%"));
    EXPECT_EQ(bars.barValue(2), QStringLiteral("0%"));
    EXPECT_EQ(bars.barValue(4), QStringLiteral("100%"));
}

TEST(PerCoreBars, EightEqualBarsFourApartLabelledFromOne)
{
    PerCoreBars bars;
    bars.resize(400 + 7 * 4, 90);
    bars.setValues(QList<double>(8, 0.3));
    for (int i = 0; i < 8; ++i) {
        const QRectF r = bars.barRect(i);
        EXPECT_DOUBLE_EQ(r.width(), 50) << i;
        EXPECT_DOUBLE_EQ(r.left(), i * 54.0) << i;
        EXPECT_DOUBLE_EQ(r.height(), 90) << i;
    }
    EXPECT_EQ(bars.heightForWidth(428), 90);
    // One accessible element per bar, "Core 1" to "Core 8".
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&bars);
    ASSERT_TRUE(iface);
    ASSERT_EQ(iface->childCount(), 8);
    EXPECT_EQ(iface->child(0)->text(QAccessible::Name), QStringLiteral("Core 1"));
    EXPECT_EQ(iface->child(7)->text(QAccessible::Name), QStringLiteral("Core 8"));
    EXPECT_EQ(iface->child(7)->text(QAccessible::Value), QStringLiteral("30%"));
    EXPECT_EQ(bars.barName(0), QStringLiteral("Core 1"));
}

TEST(PerCoreBars, EmptyDrawsNothing)
{
    PerCoreBars bars;
    bars.resize(300, 90);
    bars.setValues({});
    EXPECT_TRUE(bars.barRect(0).isNull());
    EXPECT_EQ(bars.heightForWidth(300), 90);
}

struct BarsCase {
    int cores;
    int width;
};

TEST(PerCoreBars, LegibleFromOneTo256Cores)
{
    // From a narrow window to the widest column, every bar is at least 4 wide, inside the
    // widget, and apart from its neighbours.
    const BarsCase cases[] = {{1, 300}, {8, 300}, {16, 500}, {64, 500}, {128, 1020}, {128, 500},
                              {256, 1020}, {256, 600}, {256, 300}, {512, 1020}};
    for (const BarsCase& c : cases) {
        PerCoreBars bars;
        bars.setValues(QList<double>(c.cores, 0.5));
        const int height = bars.heightForWidth(c.width);
        bars.resize(c.width, height);
        const PerCoreBars::Layout l = PerCoreBars::layoutFor(c.cores, c.width);
        EXPECT_GE(l.barWidth, 4) << c.cores << " cores in " << c.width;
        EXPECT_GE(l.rowHeight, 24) << c.cores << " cores in " << c.width;
        EXPECT_GE(l.spacing, 2) << c.cores << " cores in " << c.width;
        QRectF previous;
        for (int i = 0; i < c.cores; ++i) {
            const QRectF r = bars.barRect(i);
            ASSERT_TRUE(QRectF(0, 0, c.width + 0.01, height + 0.01).contains(r)) << c.cores << " bar " << i;
            if (i > 0 && r.top() == previous.top()) { ASSERT_GE(r.left() - previous.right(), 1.99) << c.cores << " bar " << i; }
            previous = r;
        }
    }
    // Up to a hundred or so cores stay in one row of 90 in a wide column.
    EXPECT_EQ(PerCoreBars::layoutFor(128, 1020).rows, 1);
    EXPECT_EQ(PerCoreBars::layoutFor(256, 1020).rows, 2);
}

TEST(PerCoreBars, AnimatesWhateverTheMotionSetting)
{
    FakeAnimationClock clock;
    Theme::setReduceMotion(true);
    PerCoreBars bars;
    bars.resize(200, 90);
    bars.show();
    bars.setValues({0.0});
    clock.advance(500);
    bars.setValues({1.0});
    clock.advance(100);
    EXPECT_GT(bars.shownLevel(0), 0.0);
    EXPECT_LT(bars.shownLevel(0), 1.0);
    clock.advance(400);
    EXPECT_DOUBLE_EQ(bars.shownLevel(0), 1.0);
    Theme::setReduceMotion(std::nullopt);
}

// Bars scrolled out of sight take new levels at once: an ease there would cost its frames
// with nothing to show. Back in sight they ease again.
TEST(PerCoreBars, OutOfSightTheyTakeTheirLevelsAtOnce)
{
    FakeAnimationClock clock;
    QScrollArea area;
    area.resize(300, 120);
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    auto* spacer = new QWidget;
    spacer->setFixedHeight(400);
    layout->addWidget(spacer);
    auto* bars = new PerCoreBars;
    bars->setFixedHeight(90);
    layout->addWidget(bars);
    area.setWidget(column);
    area.setWidgetResizable(true);
    area.show();
    QApplication::processEvents();
    bars->setValues({0.1, 0.2});
    clock.advance(1000);
    ASSERT_TRUE(bars->visibleRegion().isEmpty());
    bars->setValues({0.9, 0.6});
    EXPECT_FALSE(bars->isAnimating());
    EXPECT_DOUBLE_EQ(bars->shownLevel(0), 0.9);
    EXPECT_DOUBLE_EQ(bars->shownLevel(1), 0.6);

    area.ensureWidgetVisible(bars);
    QApplication::processEvents();
    ASSERT_FALSE(bars->visibleRegion().isEmpty());
    bars->setValues({0.2, 0.3});
    EXPECT_TRUE(bars->isAnimating());
    clock.advance(100);
    EXPECT_GT(bars->shownLevel(0), 0.2);
    EXPECT_LT(bars->shownLevel(0), 0.9);
    clock.advance(1000);
    EXPECT_DOUBLE_EQ(bars->shownLevel(0), 0.2);
}

// The stepped ease: a moment per device pixel of the farthest-moving bar, never closer than
// a frame, ending exactly at the new levels.
TEST(PerCoreBars, StepMomentsFollowVisiblePixels)
{
    struct Case {
        double travel;
        int atLeast, atMost;
    };
    for (const Case c : {Case{0, 1, 1}, Case{0.6, 1, 1}, Case{1.5, 1, 2}, Case{3, 2, 4}, Case{45, 10, 25}, Case{400, 15, 25}}) {
        const QList<QPair<int, double>> moments = PerCoreBars::stepMoments(c.travel);
        ASSERT_FALSE(moments.isEmpty()) << c.travel;
        EXPECT_GE(moments.size(), c.atLeast) << c.travel;
        EXPECT_LE(moments.size(), c.atMost) << c.travel;
        EXPECT_EQ(moments.constLast().first, PerCoreBars::kAnimationMs) << c.travel;
        EXPECT_DOUBLE_EQ(moments.constLast().second, 1.0) << c.travel;
        for (int i = 1; i < moments.size(); ++i) {
            EXPECT_GE(moments[i].first - moments[i - 1].first, 1) << c.travel;
            EXPECT_GT(moments[i].second, moments[i - 1].second) << c.travel;
            if (i + 1 < moments.size()) {
                EXPECT_GE(moments[i].first - moments[i - 1].first, 16) << c.travel << " at " << i;
                EXPECT_GE((moments[i].second - moments[i - 1].second) * c.travel, 1.0 - 1e-9) << c.travel << " at " << i;
            }
        }
    }
}

// On the wall clock (as the application runs): the bars sleep between their steps and
// still land exactly on the new levels.
TEST(PerCoreBars, SteppedEaseEndsOnTheNewLevels)
{
    QWidget window;
    auto* bars = new PerCoreBars(&window);
    window.resize(428, 90);
    bars->setGeometry(0, 0, 428, 90);
    window.show();
    bars->setValues(QList<double>(8, 0.3));
    QList<double> next(8, 0.3);
    next[2] = 0.9;
    next[5] = 0.01;
    bars->setValues(next);
    EXPECT_TRUE(bars->isAnimating());
    QElapsedTimer waited;
    waited.start();
    while (bars->isAnimating() && waited.elapsed() < 10000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_FALSE(bars->isAnimating());
    for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(bars->shownLevel(i), next[i]) << i;
}

// Counts a widget's paint events and the area they covered.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            ++paints;
            painted += static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
};

TEST(PerCoreBars, RepaintOnlyTheMovingTopsByVisibleStepsAndNothingWhenStill)
{
    FakeAnimationClock clock;
    QWidget window;
    auto* bars = new PerCoreBars(&window);
    bars->setSurface(Theme::Color::surfaceElevated);
    window.resize(428, 90);
    bars->setGeometry(0, 0, 428, 90);
    window.show();
    bars->setValues(QList<double>(8, 0.3));
    auto run = [&](int ms) {
        for (int t = 0; t < ms; t += 16) {
            clock.advance(16);
            QApplication::processEvents();
        }
    };
    run(600);
    PaintWatch watch(bars);
    // One core two percent busier: under two pixels of its bar, over 0.4 s.
    QList<double> next(8, 0.3);
    next[3] = 0.32;
    bars->setValues(next);
    run(600);
    EXPECT_GE(watch.paints, 1);
    EXPECT_LE(watch.paints, 4);  // not one per frame of the 0.4 s ease-out
    EXPECT_DOUBLE_EQ(bars->shownLevel(3), 0.32);
    const QRect column = bars->barRect(3).toAlignedRect().adjusted(-2, 0, 2, 0);
    EXPECT_TRUE(column.contains(watch.painted.boundingRect())) << watch.painted.boundingRect().x();
    // The fill carries its whole gradient, so its column is repainted up to its new top,
    // and nothing of the track above it.
    const qreal top = bars->barRect(3).bottom() - PerCoreBars::fillHeight(0.32, bars->barRect(3).height());
    EXPECT_GE(watch.painted.boundingRect().top(), int(top) - 2);
    // Nothing moves: nothing is painted.
    watch.paints = 0;
    run(1000);
    bars->setValues(next);
    run(600);
    EXPECT_EQ(watch.paints, 0);
}

TEST(PerCoreBars, ScreenAfterPartialRepaintsEqualsAFullPaint)
{
    FakeAnimationClock clock;
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        QWidget window;
        window.setLayoutDirection(direction);
        auto* bars = new PerCoreBars(&window);
        bars->setSurface(Theme::Color::surfaceElevated);
        window.resize(428, 90);
        bars->setGeometry(0, 0, 428, 90);
        window.show();
        auto run = [&](int ms) {
            for (int t = 0; t < ms; t += 16) {
                clock.advance(16);
                QApplication::processEvents();
            }
        };
        bars->setValues({0.30, 0.30, 0.30, 0.30, 0.30, 0.30, 0.30, 0.30});
        run(600);
        // Several bars at once, each by another amount: far, a few pixels, under a pixel,
        // down, not at all.
        const QList<QList<double>> steps = {
            {0.90, 0.33, 0.305, 0.05, 0.30, 0.62, 0.31, 0.00},
            {0.85, 0.40, 0.300, 0.07, 0.30, 0.10, 0.95, 0.02},
            {0.05, 0.41, 0.320, 0.50, 0.31, 0.11, 0.94, 1.00},
        };
        for (const QList<double>& step : steps) {
            bars->setValues(step);
            // Mid-ease and after it.
            for (int ms : {48, 96, 600}) {
                run(ms);
                const QImage shown = OnScreen::shown(bars);
                const QImage full = bars->grab().toImage().convertToFormat(QImage::Format_ARGB32);
                EXPECT_EQ(OnScreen::differingPixels(shown, full), 0) << "after " << ms << " ms, direction " << int(direction);
            }
        }
    }
}

// Every bar's fill carries the whole gradient, from brandSecondary at its foot to
// brandPrimary at its top, whatever its height.
TEST(PerCoreBars, EachFillCarriesTheWholeGradient)
{
    QWidget window;
    auto* bars = new PerCoreBars(&window);
    bars->setSurface(Theme::Color::surfaceElevated);
    window.resize(428, 90);
    bars->setGeometry(0, 0, 428, 90);
    bars->setValues({0.2, 1.0});  // before showing: no ease
    window.show();
    const QImage img = bars->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    for (int i : {0, 1}) {
        const QRectF r = bars->barRect(i);
        const qreal h = PerCoreBars::fillHeight(bars->values()[i], r.height());
        const int x = int(r.center().x());
        const QColor foot = img.pixelColor(x, int(r.bottom() - PerCoreBars::kRadius - 1));
        const QColor head = img.pixelColor(x, int(r.bottom() - h + PerCoreBars::kRadius + 1));
        const QColor secondary = Theme::brandSecondary(), primary = Theme::brandPrimary();
        auto distance = [](const QColor& a, const QColor& b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
        };
        // Near the foot: nearer brandSecondary; near the top: nearer brandPrimary.
        EXPECT_LT(distance(foot, secondary), distance(foot, primary)) << i;
        EXPECT_LT(distance(head, primary), distance(head, secondary)) << i;
        EXPECT_LT(distance(head, primary), 60) << i;
    }
}

// The thermal gauge's "Unknown" is an empty ring (no dot at twelve); the "Power" gauge's
// full ring is closed, with no cap drawn over its start.
TEST(MonitorGauges, EmptyRingShowsNothingAndAFullRingNoCapSeam)
{
    Theme::setReduceMotion(true);  // no sweep: the value is drawn at once
    auto strokeAt = [](ScoreRing* ring, const QImage& img, double fraction) {
        const QRectF square = ring->ringRect();
        const qreal r = (square.width() - ring->lineWidth()) / 2;
        const double a = 2 * M_PI * fraction;
        return img.pixelColor(int(square.center().x() + r * std::sin(a)), int(square.center().y() - r * std::cos(a)));
    };
    {
        RingGauge gauge(QStringLiteral("Thermal state"), 0, QStringLiteral("Unknown"), Theme::foreground(Theme::Level::secondary),
                        MonitorGaugeCell::kGaugeSize);
        gauge.setSurface(Theme::Color::surfaceElevated);
        gauge.ring()->setEmptyAtZero(true);  // as the page's thermal gauge
        gauge.resize(gauge.sizeHint());
        gauge.show();
        QApplication::processEvents();
        ScoreRing* ring = gauge.ring();
        const QImage img = ring->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        // Twelve o'clock looks like six o'clock: only the track.
        const QColor twelve = strokeAt(ring, img, 0.0), six = strokeAt(ring, img, 0.5);
        EXPECT_LE(std::abs(twelve.red() - six.red()) + std::abs(twelve.green() - six.green()) + std::abs(twelve.blue() - six.blue()) +
                      std::abs(twelve.alpha() - six.alpha()),
                  6)
            << twelve.name().toStdString() << " vs " << six.name().toStdString();
    }
    {
        RingGauge gauge(QStringLiteral("Power"), 1.0, QStringLiteral("Adapter"), Theme::statusSupported(), MonitorGaugeCell::kGaugeSize);
        gauge.setSurface(Theme::Color::surfaceElevated);
        gauge.resize(gauge.sizeHint());
        gauge.show();
        QApplication::processEvents();
        ScoreRing* ring = gauge.ring();
        const QImage img = ring->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const qreal r = (ring->ringRect().width() - ring->lineWidth()) / 2;
        // Just past twelve (inside where an end cap would reach) and a little farther on:
        // the same start of the gradient, not the end colour laid over it.
        const double near = (ring->lineWidth() / 4) / (2 * M_PI * r), far = (ring->lineWidth() * 1.5) / (2 * M_PI * r);
        const QColor a = strokeAt(ring, img, near), b = strokeAt(ring, img, far);
        EXPECT_LE(std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) +
                      std::abs(a.alpha() - b.alpha()),
                  12)
            << a.name().toStdString() << " vs " << b.name().toStdString();
    }
    Theme::setReduceMotion(std::nullopt);
}

// The panel's sparkline: its area fades over the area itself, so a low line still has the
// full 0.45 under it, as the page's charts have.
TEST(TrayPanel, SparklineAreaGradientSpansTheArea)
{
    MiniChartRow row(Theme::Color::brandPrimary);
    row.resize(300, 48);
    QList<std::pair<QDateTime, double>> values;
    for (int i = 0; i < 30; ++i) values << std::pair{kNoon.addSecs(i), 0.2};
    row.set(QStringLiteral("CPU"), QStringLiteral("20%"), values);
    // Without the window's background: only what the row paints.
    QImage img(row.size(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    row.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    const QRectF r = row.chartRect();
    const qreal lineY = r.bottom() - 0.2 * r.height();
    const int x = int(r.center().x());
    // Three pixels under the line (past its stroke), in an area eight pixels tall.
    const double alpha = img.pixelColor(x, int(lineY + 3)).alphaF() / Theme::brandPrimary().alphaF();
    EXPECT_GT(alpha, 0.2) << alpha;
    EXPECT_LT(alpha, 0.46) << alpha;
}

// ---------------------------------------------------------------- badge

TEST(LivePulse, PulsesUnlessMotionIsReduced)
{
    EXPECT_DOUBLE_EQ(LivePulse::opacityAt(0), 1.0);
    EXPECT_NEAR(LivePulse::opacityAt(900), 0.35, 1e-9);
    EXPECT_DOUBLE_EQ(LivePulse::opacityAt(1800), 1.0);
    EXPECT_GT(LivePulse::opacityAt(450), 0.35);
    EXPECT_LT(LivePulse::opacityAt(450), 1.0);

    Theme::setReduceMotion(true);
    {
        LivePulse pulse;
        pulse.show();
        EXPECT_FALSE(pulse.isPulsing());
        EXPECT_DOUBLE_EQ(pulse.dotOpacity(), 1.0);
    }
    Theme::setReduceMotion(false);
    {
        LivePulse pulse;
        pulse.show();
        EXPECT_TRUE(pulse.isPulsing());
        pulse.hide();
        EXPECT_FALSE(pulse.isPulsing());
    }
    Theme::setReduceMotion(std::nullopt);
}

TEST(LivePulseBadge, TheDotsSquareIsThePillsColour)
{
    // A pulse step repaints the dot's square alone, over nothing: the square must come out as
    // the pill does over the window, in each appearance and direction.
    for (const auto appearance : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("ar")}) {
            QWidget host;
            auto* layout = new QVBoxLayout(&host);
            layout->setContentsMargins(20, 20, 20, 20);
            auto* pulse = new LivePulse;
            layout->addWidget(pulse, 0, Qt::AlignCenter);
            const QImage image = grabWidget(host, QSize(200, 80), language, appearance);
            const QRect r = pulse->geometry();
            const bool rtl = language == "ar";
            const int cy = r.top() + r.height() / 2;
            // A corner of the square (outside the round dot) and the pill beside the dot.
            const QPoint corner(rtl ? r.right() - 9 : r.left() + 9, cy - 5);
            const QPoint beside(rtl ? r.right() - 20 : r.left() + 20, r.top() + 2);
            const QColor window = PixelProbe::at(image, r.left() - 5, cy);
            const QColor pill = PixelProbe::at(image, beside.x(), beside.y());
            EXPECT_NE(pill, window) << qPrintable(language);
            EXPECT_LE(PixelProbe::distance(PixelProbe::at(image, corner.x(), corner.y()), pill), 1)
                << qPrintable(language) << " " << int(appearance);
        }
    }
    Theme::setForcedAppearance(std::nullopt);
}

TEST(LivePulseBadge, ReadsAsOneLiveElementWithoutItsDot)
{
    UiAccessibility::install();
    LivePulse pulse;
    pulse.show();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&pulse);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), UiLanguage::current().tr("Live"));
    // The dot is a child widget only so a step repaints its square alone: a reader skips it.
    for (int i = 0; i < a->childCount(); ++i) {
        QAccessibleInterface* c = a->child(i);
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->state().invisible);
        EXPECT_EQ(c->role(), QAccessible::NoRole);
    }
}

// ---------------------------------------------------------------- charts

TEST(LiveCharts, SeriesAxesAndTime)
{
    MonitorModel m(history(120), history(120).last());
    LiveChart cpu(LiveChart::Kind::processor);
    cpu.setPoints(m.points);
    const auto series = cpu.seriesPoints();
    ASSERT_EQ(series[0].size(), 120);
    // The newest at 0, the oldest 119 seconds before it.
    EXPECT_DOUBLE_EQ(series[0].last().x(), 0);
    EXPECT_DOUBLE_EQ(series[0].first().x(), -119);
    EXPECT_EQ(cpu.timeRange(), std::make_pair(-119.0, 0.0));
    EXPECT_EQ(cpu.axisLabels(), (QStringList{"0%", "50%", "100%"}));
    EXPECT_EQ(cpu.axisAlignment(), Qt::AlignLeft);
    EXPECT_FALSE(cpu.isTimeReversed());

    // Right to left: time runs from the right, the axis stands on the right (leading) edge.
    cpu.setLayoutDirection(Qt::RightToLeft);
    EXPECT_TRUE(cpu.isTimeReversed());
    EXPECT_EQ(cpu.axisAlignment(), Qt::AlignRight);

    LiveChart memory(LiveChart::Kind::memory);
    memory.setPoints(m.points);
    EXPECT_DOUBLE_EQ(memory.seriesPoints()[0][3].y(), 0.5);
    EXPECT_DOUBLE_EQ(memory.seriesPoints()[1][3].y(), 0.3);

    LiveChart network(LiveChart::Kind::network);
    network.setPoints(m.points);
    EXPECT_EQ(network.axisValues(), (QList<double>{0, 500, 1000, 1500}));
    EXPECT_EQ(network.axisLabels().size(), 4);
    network.setPoints({});
    EXPECT_EQ(network.axisValues(), (QList<double>{0, 500, 1000}));
    EXPECT_EQ(network.timeRange(), std::make_pair(-1.0, 0.0));
}

// ---------------------------------------------------------------- page

TEST(LiveMonitorPage, PlaceholderUntilTheFirstSampleThenContent)
{
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.resize(1000, 800);
    page.show();
    EXPECT_EQ(m.monitor.clients(), 1);
    EXPECT_FALSE(page.showsContent());
    m.feed(history(1));
    EXPECT_TRUE(page.showsContent());
    EXPECT_EQ(m.loop->begins.size(), 1);  // started once
    m.feed(history(5).mid(1));
    EXPECT_EQ(page.content()->model().points.size(), 5);
}

TEST(LiveMonitorPage, GaugesForADesktopWithoutThermalZones)
{
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.show();
    MonitorSample s = plainSample(kNoon, 0.42, 4);
    s.thermalState = ThermalState::Unknown;
    m.feed({s});
    LiveMonitorContent* c = page.content();
    EXPECT_EQ(c->gaugeCell(0)->title(), "CPU");
    EXPECT_EQ(c->gaugeCell(0)->valueText(), "42%");
    EXPECT_EQ(c->gaugeCell(1)->valueText(), "50%");
    EXPECT_EQ(c->gaugeCell(2)->valueText(), "Unknown");
    EXPECT_DOUBLE_EQ(c->gaugeCell(2)->value(), 0);
    EXPECT_EQ(c->gaugeCell(2)->tint(), Theme::Tint(Theme::Level::secondary));
    // An empty ring: not even the minimum arc's dot (the CPU gauge keeps it at 0).
    EXPECT_DOUBLE_EQ(c->gaugeCell(2)->gauge()->ring()->arcFraction(), 0.0);
    EXPECT_EQ(c->gaugeCell(3)->title(), "Power");
    EXPECT_EQ(c->gaugeCell(3)->valueText(), "Adapter");
    EXPECT_DOUBLE_EQ(c->gaugeCell(3)->value(), 1.0);
    EXPECT_EQ(c->coresText(), "4 cores");
    EXPECT_EQ(c->processorCard()->value(), "42%");
    EXPECT_EQ(c->processorCard()->footnote(), std::nullopt);
    EXPECT_EQ(c->memoryCard()->value(), "8 GB / 16 GB");
    EXPECT_TRUE(c->memoryCard()->footnote().has_value());
    EXPECT_EQ(c->networkCard()->footnote(), std::nullopt);
}

TEST(LiveMonitorPage, LaptopGaugesFollowTheSample)
{
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.show();
    const QList<MonitorSample> samples = fixtureLaptopSamples(5, kNoon);
    m.feed(samples);
    LiveMonitorContent* c = page.content();
    EXPECT_EQ(c->gaugeCell(2)->valueText(), "Warm");
    EXPECT_DOUBLE_EQ(c->gaugeCell(2)->value(), 0.5);
    EXPECT_EQ(c->gaugeCell(3)->title(), "Battery");
    EXPECT_EQ(c->gaugeCell(3)->valueText(), "63%");
    EXPECT_EQ(c->coresText(), "16 cores");
    EXPECT_EQ(c->perCoreBars()->values().size(), 16);
}

TEST(LiveMonitorPage, RingsMoveOnlyByVisibleSteps)
{
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.show();
    MonitorSample s = plainSample(kNoon, 0.40);
    m.feed({s});
    MonitorGaugeCell* memory = page.content()->gaugeCell(1);
    MonitorGaugeCell* cpu = page.content()->gaugeCell(0);
    const double ring = memory->gauge()->ring()->progress();
    // Memory drifting by a megabyte: same text, no sweep.
    s.date = kNoon.addSecs(1);
    s.memoryUsed += 1 << 20;
    s.cpuUsage = 0.402;
    m.feed({s});
    EXPECT_DOUBLE_EQ(memory->gauge()->ring()->progress(), ring);
    EXPECT_DOUBLE_EQ(cpu->gauge()->ring()->progress(), 0.40);
    EXPECT_DOUBLE_EQ(memory->value(), double(s.memoryUsed) / double(s.memoryTotal));
    // A step that shows: the ring follows.
    s.date = kNoon.addSecs(2);
    s.cpuUsage = 0.43;
    m.feed({s});
    EXPECT_DOUBLE_EQ(cpu->gauge()->ring()->progress(), 0.43);
}

TEST(LiveMonitorPage, GaugesTakeNewTitlesTintsAndAppearanceWithoutSweepingFromEmpty)
{
    FakeAnimationClock clock;
    Theme::setReduceMotion(false);
    Theme::setForcedAppearance(Theme::Appearance::Light);
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.resize(940, 800);
    page.show();
    MonitorSample s = plainSample(kNoon, 0.40);
    s.thermalState = ThermalState::Fair;
    s.batteryLevel = 0.63;
    s.isCharging = false;
    m.feed({s});
    clock.advance(1000);
    LiveMonitorContent* c = page.content();
    RingGauge* thermal = c->gaugeCell(2)->gauge();
    RingGauge* battery = c->gaugeCell(3)->gauge();
    ASSERT_TRUE(thermal && battery);
    EXPECT_DOUBLE_EQ(thermal->ring()->shown(), 0.5);
    EXPECT_EQ(battery->title(), "Battery");

    const struct {
        const char* what;
        ThermalState thermal;
        bool charging;
        std::optional<Theme::Appearance> appearance;
    } steps[] = {
        {"the battery starts charging", ThermalState::Fair, true, std::nullopt},
        {"the desktop turns dark", ThermalState::Fair, true, Theme::Appearance::Dark},
        {"the machine gets hot", ThermalState::Serious, true, std::nullopt},
        {"the thermal state is lost", ThermalState::Unknown, false, Theme::Appearance::Light},
    };
    int second = 1;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const double before = thermal->ring()->shown();
        if (step.appearance) Theme::setForcedAppearance(*step.appearance);
        s.date = kNoon.addSecs(second++);
        s.thermalState = step.thermal;
        s.isCharging = step.charging;
        m.feed({s});
        // The same gauges and rings, standing where they stood: a ring whose value changes
        // sweeps from there, not from empty.
        EXPECT_EQ(c->gaugeCell(2)->gauge(), thermal);
        EXPECT_EQ(c->gaugeCell(3)->gauge(), battery);
        EXPECT_DOUBLE_EQ(thermal->ring()->shown(), before);
        EXPECT_DOUBLE_EQ(battery->ring()->shown(), 0.63);
        EXPECT_DOUBLE_EQ(thermal->ring()->progress(), ThermalPresentation::gaugeValue(step.thermal));
        clock.advance(1000);
        EXPECT_DOUBLE_EQ(thermal->ring()->shown(), ThermalPresentation::gaugeValue(step.thermal));
        EXPECT_EQ(battery->title(), step.charging ? QStringLiteral("Battery · charging") : QStringLiteral("Battery"));
        EXPECT_EQ(thermal->valueText(), ThermalPresentation::title(step.thermal));
    }
    EXPECT_EQ(c->gaugeCell(2)->tint(), Theme::Tint(Theme::Level::secondary));
    Theme::setForcedAppearance(std::nullopt);
    Theme::setReduceMotion(std::nullopt);
}

TEST(LiveMonitorPage, ShowingAndHidingKeepsTheCountBalanced)
{
    HandDrivenMonitor m;
    {
        LiveMonitorView page(m.monitor);
        for (int i = 0; i < 3; ++i) {
            page.show();
            EXPECT_EQ(m.monitor.clients(), 1);
            page.show();  // already shown: no second client
            EXPECT_EQ(m.monitor.clients(), 1);
            page.hide();
            EXPECT_EQ(m.monitor.clients(), 0);
            EXPECT_FALSE(m.loop->running);
        }
        page.show();
    }
    // Destroyed while shown.
    EXPECT_EQ(m.monitor.clients(), 0);
    EXPECT_FALSE(m.loop->running);
}

// Minimising the window hides the page as far as Qt goes, but the page has not been left:
// ten seconds minimised, with nothing else watching, keep all 120 samples.
TEST(LiveMonitorPage, MinimisingAndRestoringKeepsTheHistory)
{
    HandDrivenMonitor m;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* page = new LiveMonitorView(m.monitor);
    layout->addWidget(page);
    window.resize(940, 700);
    window.show();
    QApplication::processEvents();  // on screen for a while
    m.feed(history(130));
    ASSERT_EQ(m.monitor.samples().size(), 120);
    window.showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(window.isMinimized());
    EXPECT_EQ(m.monitor.clients(), 1);
    EXPECT_TRUE(m.loop->running);
    // Samples go on arriving while minimised; then ten seconds pass.
    m.feed({plainSample(kNoon.addSecs(130), 0.4)});
    m.now = m.now.addSecs(10);
    window.showNormal();
    QApplication::processEvents();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(m.monitor.clients(), 1);
    EXPECT_EQ(m.monitor.samples().size(), 120);
    EXPECT_TRUE(page->showsContent());
    EXPECT_EQ(page->content()->model().points.size(), 120);
    EXPECT_EQ(page->content()->model().points.constLast().date, kNoon.addSecs(130));
    // Leaving the page for real still lets go of the monitor.
    page->hide();
    EXPECT_EQ(m.monitor.clients(), 0);
}

TEST(LiveMonitorPage, HiddenPageCatchesUpWhenShownAgain)
{
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.show();
    m.feed(history(3));
    page.hide();
    m.monitor.start();  // another client keeps sampling
    m.feed(history(6).mid(3));
    EXPECT_EQ(page.content()->model().points.size(), 3);
    page.show();
    EXPECT_EQ(page.content()->model().points.size(), 6);
    m.monitor.stop();
}

// ---------------------------------------------------------------- panel

TEST(TrayPanel, CollectingThenOneMinuteSparklines)
{
    HandDrivenMonitor m;
    MenuBarMonitorView panel(m.monitor);
    panel.show();
    EXPECT_FALSE(panel.showsSamples());
    EXPECT_GE(panel.findChild<BusyIndicator*>()->parentWidget()->minimumHeight(), 80);
    m.feed(history(30));
    EXPECT_TRUE(panel.showsSamples());
    EXPECT_EQ(panel.cpuRow()->values().size(), 30);
    m.feed(history(120).mid(30));
    ASSERT_EQ(panel.cpuRow()->values().size(), 60);
    EXPECT_EQ(panel.cpuRow()->values().first().first, kNoon.addSecs(60));
    EXPECT_EQ(panel.memoryRow()->values().size(), 60);
    EXPECT_EQ(panel.cpuRow()->title(), "CPU");
    EXPECT_EQ(panel.memoryRow()->value(), "50%");
    EXPECT_EQ(panel.width(), MenuBarMonitorView::kWidth);
}

TEST(TrayPanel, InfoLines)
{
    struct Case {
        const char* name;
        std::optional<double> battery;
        std::optional<bool> charging;
        ThermalState thermal;
        const char* symbol;  // of the battery line; empty when it is hidden
        const char* thermalTitle;
    };
    const Case cases[] = {
        {"desktop", std::nullopt, std::nullopt, ThermalState::Unknown, "", "Unknown"},
        {"charging", 0.4, true, ThermalState::Nominal, "battery.100.bolt", "Normal"},
        {"discharging", 0.9, false, ThermalState::Fair, "battery.75", "Warm"},
        {"charging_unknown", 0.1, std::nullopt, ThermalState::Critical, "battery.75", "Critical"},
    };
    for (const Case& c : cases) {
        HandDrivenMonitor m;
        MenuBarMonitorView panel(m.monitor);
        panel.show();
        MonitorSample s = plainSample(kNoon);
        s.batteryLevel = c.battery;
        s.isCharging = c.charging;
        s.thermalState = c.thermal;
        m.feed({s});
        EXPECT_EQ(panel.thermalLine()->value(), c.thermalTitle) << c.name;
        EXPECT_EQ(panel.thermalLine()->color(), ThermalPresentation::tint(c.thermal)) << c.name;
        EXPECT_EQ(panel.batteryLine()->isVisibleTo(&panel), c.battery.has_value()) << c.name;
        if (c.battery) { EXPECT_EQ(panel.batteryLine()->symbol(), c.symbol) << c.name; }
        EXPECT_EQ(panel.networkLine()->value(), MonitorTexts::networkValue(1500, 0, Localization::english())) << c.name;
    }
}

TEST(TrayPanel, ButtonsOpenTheLiveMonitorAndQuit)
{
    HandDrivenMonitor m;
    AppRouter router;
    router.setStatusFocus(CapabilityStatus::warning);
    MenuBarMonitorView panel(m.monitor);
    panel.setRouter(&router);
    QSignalSpy open(&panel, &MenuBarMonitorView::openLiveMonitorRequested);
    QSignalSpy quit(&panel, &MenuBarMonitorView::quitRequested);
    EXPECT_EQ(panel.openButton()->text(), "Open Quorlent");
    EXPECT_EQ(panel.quitButton()->text(), "Quit");
    panel.openButton()->click();
    EXPECT_EQ(open.size(), 1);
    EXPECT_EQ(router.statusFocus(), std::nullopt);
    EXPECT_EQ(router.selection(), SidebarItem::pro(ProFeature::liveMonitor));
    panel.quitButton()->click();
    EXPECT_EQ(quit.size(), 1);
}

// ---------------------------------------------------------------- tray item

TEST(TrayItem, WithoutATrayThereIsNoItemAndNoClient)
{
    HandDrivenMonitor m;
    MonitorTrayItem item(m.monitor, [] { return false; });
    EXPECT_EQ(item.trayIcon(), nullptr);
    EXPECT_FALSE(item.isClient());
    EXPECT_EQ(m.monitor.clients(), 0);
    item.setContextMenu(nullptr);  // harmless
}

TEST(TrayItem, ClientsOfItemPanelAndPageStayBalanced)
{
    HandDrivenMonitor m;
    auto item = std::make_unique<MonitorTrayItem>(m.monitor, [] { return true; });
    ASSERT_NE(item->trayIcon(), nullptr);
    EXPECT_EQ(m.monitor.clients(), 1);
    EXPECT_TRUE(m.loop->running);
    EXPECT_EQ(item->shownLoad(), std::nullopt);
    EXPECT_EQ(item->toolTip(), "Quorlent live monitor");

    for (int i = 0; i < 3; ++i) {
        item->handleActivation(QSystemTrayIcon::Trigger);
        EXPECT_TRUE(item->isPanelOpen());
        EXPECT_EQ(m.monitor.clients(), 2);
        item->handleActivation(QSystemTrayIcon::Trigger);
        EXPECT_FALSE(item->isPanelOpen());
        EXPECT_EQ(m.monitor.clients(), 1);
    }
    {
        LiveMonitorView page(m.monitor);
        page.show();
        item->openPanel();
        EXPECT_EQ(m.monitor.clients(), 3);
        QSignalSpy main(item.get(), &MonitorTrayItem::openMainWindowRequested);
        item->handleActivation(QSystemTrayIcon::DoubleClick);
        EXPECT_EQ(main.size(), 1);
        EXPECT_FALSE(item->isPanelOpen());
        page.hide();
        EXPECT_EQ(m.monitor.clients(), 1);
    }
    // Open when the item goes away: both its clients leave with it; sampling stops.
    item->openPanel();
    EXPECT_EQ(m.monitor.clients(), 2);
    item.reset();
    EXPECT_EQ(m.monitor.clients(), 0);
    EXPECT_FALSE(m.loop->running);
}

TEST(TrayItem, IconAndToolTipFollowTheLoad)
{
    HandDrivenMonitor m;
    MonitorTrayItem item(m.monitor, [] { return true; });
    m.feed({plainSample(kNoon, 0.425)});
    EXPECT_EQ(item.shownLoad(), 42);  // half to even, as the percentages
    EXPECT_EQ(item.toolTip(), "Quorlent live monitor\nCPU: 42%");
    EXPECT_EQ(MonitorTrayItem::accessibleLabel(), "Quorlent live monitor");
    EXPECT_FALSE(item.trayIcon()->icon().isNull());
    m.feed({plainSample(kNoon.addSecs(1), 1.0)});
    EXPECT_EQ(item.shownLoad(), 100);
    for (int size : {16, 22, 64}) {
        const QImage empty = MonitorTrayItem::iconImage(std::nullopt, size);
        const QImage full = MonitorTrayItem::iconImage(100, size);
        EXPECT_EQ(full.size(), QSize(size, size));
        EXPECT_NE(empty, full) << size;
        EXPECT_NE(MonitorTrayItem::iconImage(5, size), MonitorTrayItem::iconImage(95, size)) << size;
    }
}

TEST(TrayItem, PanelForwardsItsButtonsAndClosesOnFocusLoss)
{
    HandDrivenMonitor m;
    MonitorTrayItem item(m.monitor, [] { return true; });
    QSignalSpy live(&item, &MonitorTrayItem::openLiveMonitorRequested);
    QSignalSpy quit(&item, &MonitorTrayItem::quitRequested);
    item.openPanel();
    ASSERT_TRUE(item.panel());
    EXPECT_EQ(item.panel()->width(), 300);
    item.panel()->openButton()->click();
    EXPECT_EQ(live.size(), 1);
    EXPECT_FALSE(item.isPanelOpen());
    item.openPanel();
    item.panel()->quitButton()->click();
    EXPECT_EQ(quit.size(), 1);
    item.openPanel();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(item.panel(), &deactivate);
    EXPECT_FALSE(item.isPanelOpen());
    // The click on the icon that took the focus does not open it again at once.
    item.handleActivation(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(item.isPanelOpen());
    QMenu menu;
    item.setContextMenu(&menu);
    EXPECT_EQ(item.trayIcon()->contextMenu(), &menu);
    EXPECT_EQ(m.monitor.clients(), 1);
}

struct PlacementCase {
    const char* name;
    QRect icon;
    QPoint cursor;
    QPoint expected;
};

TEST(TrayItem, PanelPlacement)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize panel(300, 400);
    const PlacementCase cases[] = {
        {"top_bar", QRect(1800, 0, 24, 24), {}, QPoint(1616, 28)},          // kept on screen at the right
        {"top_bar_middle", QRect(948, 0, 24, 24), {}, QPoint(809, 28)},
        {"bottom_panel", QRect(100, 1050, 24, 30), {}, QPoint(4, 646)},     // above it, kept on screen at the left
        {"wayland_cursor", QRect(), QPoint(1000, 10), QPoint(850, 15)},     // no geometry: at the pointer
        {"wayland_cursor_low", QRect(), QPoint(500, 1070), QPoint(350, 666)},
    };
    for (const PlacementCase& c : cases)
        EXPECT_EQ(MonitorTrayItem::panelPosition(c.icon, c.cursor, panel, screen), c.expected) << c.name;
}

}  // namespace

namespace {

// ---------------------------------------------------------------- live language

TEST(MonitorLanguage, PageAndPanelRetranslateOnLanguageChange)
{
    static const StringTable german = StringTable::fromJson(R"({"Live Monitor": "Live-Monitor", "CPU": "Prozessor", "CPU: %@": "Prozessor: %@",
        "%lld cores": "%lld Kerne", "Per-core load": "Last je Kern", "Quit": "Beenden", "Unknown": "Unbekannt",
        "Collecting samples…": "Messwerte werden gesammelt …", "Quorlent live monitor": "Quorlent Live-Monitor"})");
    HandDrivenMonitor m;
    LiveMonitorView page(m.monitor);
    page.show();
    MenuBarMonitorView panel(m.monitor);
    panel.show();
    MonitorTrayItem item(m.monitor, [] { return true; });
    MonitorSample s = plainSample(kNoon, 0.5, 2);
    s.thermalState = ThermalState::Unknown;
    m.feed({s});
    {
        UiLanguage::Override language(Localization{QStringLiteral("de"), &german, QStringLiteral("de_DE")});
        QEvent change(QEvent::LanguageChange);
        QApplication::sendEvent(&page, &change);
        QApplication::sendEvent(&panel, &change);
        LiveMonitorContent* c = page.content();
        EXPECT_EQ(c->header()->findChild<QLabel*>("title")->text(), "Live-Monitor");
        EXPECT_EQ(c->processorCard()->title(), "Prozessor");
        EXPECT_EQ(c->gaugeCell(0)->title(), "Prozessor");
        EXPECT_EQ(c->gaugeCell(2)->valueText(), "Unbekannt");
        EXPECT_EQ(c->coresText(), "2 Kerne");
        EXPECT_EQ(panel.quitButton()->text(), "Beenden");
        EXPECT_EQ(panel.cpuRow()->title(), "Prozessor");
        EXPECT_EQ(panel.thermalLine()->value(), "Unbekannt");
        // The tray's tool tip follows with the next sample.
        m.feed({plainSample(kNoon.addSecs(1), 0.5, 2)});
        EXPECT_TRUE(item.toolTip().startsWith("Quorlent Live-Monitor\nProzessor: ")) << item.toolTip().toStdString();
    }
}

}  // namespace
