#include "monitor/LiveChart.h"
#include "monitor/MonitorModel.h"
#include "monitor/ThinStroke.h"
#include "support/OnScreen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QTest>

#include <cmath>

namespace {

// The chart draws a level run of a series by its two ends only; that holds only while the
// stroke and Qt's rasteriser (the areas) paint a level run's inner points as nothing.
QImage drawn(const QPolygonF& line, const QPen& pen, bool area, bool antialiased, const QRect& clip)
{
    QImage image(420, 140, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, antialiased);
    p.setClipRect(clip);
    if (area) {
        QLinearGradient g(QPointF(0, 20), QPointF(0, 130));
        g.setColorAt(0, QColor(40, 90, 200, 120));
        g.setColorAt(1, QColor(40, 90, 200, 5));
        QPolygonF closed = line;
        closed << QPointF(line.constLast().x(), 130) << QPointF(line.constFirst().x(), 130);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPolygon(closed);
    } else {
        ThinStroke::draw(p, line, pen, clip);
    }
    return image;
}

QPolygonF withoutInnerLevelPoints(const QPolygonF& line)
{
    QPolygonF kept{line.constFirst()};
    for (qsizetype i = 1; i + 1 < line.size(); ++i)
        if (!(line[i - 1].y() == line[i].y() && line[i].y() == line[i + 1].y())) kept << line[i];
    kept << line.constLast();
    return kept;
}

}  // namespace

TEST(LiveChartLevelRuns, DrawTheSamePixelsWithoutTheirInnerPoints)
{
    QPen processor(Qt::blue, 1.6, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    processor.setMiterLimit(10);
    QPen pressure(Qt::darkYellow, 1.4, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    pressure.setMiterLimit(10);
    pressure.setDashPattern({4 / 1.4, 3 / 1.4});
    const QPen network(Qt::red, 2, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
    struct Pen {
        const char* name;
        QPen pen;
        bool area;
        bool antialiased;
    };
    const QList<Pen> pens{{"processor line", processor, false, true},
                          {"processor area", QPen(), true, false},
                          {"memory area", QPen(), true, true},
                          {"pressure", pressure, false, true},
                          {"network", network, false, true}};
    // Series of 120 points across 400 pixels, with the x jitter of samples a millisecond early
    // or late: flat on a pixel's edge, on a fraction, at the plot's top and bottom, flat runs
    // between slopes and spikes.
    auto series = [](auto value) {
        QPolygonF line;
        for (int i = 0; i < 120; ++i) line << QPointF(10 + i * 400.0 / 119 + (i % 3 - 1) * 0.0033, value(i));
        return line;
    };
    const QList<std::pair<const char*, QPolygonF>> lines{
        {"bottom", series([](int) { return 130.0; })},
        {"top", series([](int) { return 10.0; })},
        {"fraction", series([](int) { return 77.37; })},
        {"steps", series([](int i) { return i < 40 ? 130.0 : i < 80 ? 64.25 : 12.5; })},
        {"spikes", series([](int i) { return i % 17 == 0 ? 20.0 : 129.0; })},
        {"slopes and runs", series([](int i) { return i % 30 < 15 ? 100.0 : 100.0 - 3.1 * (i % 30 - 15); })},
        {"alternating", series([](int i) { return (i / 3) % 2 ? 90.0 : 91.5; })},
    };
    // Whole and cut into the chart's strips.
    const QList<QRect> clips{QRect(0, 0, 420, 140), QRect(58, 0, 48, 140), QRect(202, 0, 48, 140)};
    for (const Pen& pen : pens)
        for (const auto& [name, line] : lines)
            for (const QRect& clip : clips) {
                const QPolygonF fewer = withoutInnerLevelPoints(line);
                ASSERT_LT(fewer.size(), line.size()) << name;
                EXPECT_EQ(drawn(line, pen.pen, pen.area, pen.antialiased, clip),
                          drawn(fewer, pen.pen, pen.area, pen.antialiased, clip))
                    << pen.name << ", " << name << ", clip at " << clip.x();
            }
}

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

QList<MonitorModel::Point> points(int first, int count, double (*network)(int))
{
    const QDateTime start(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    QList<MonitorModel::Point> out;
    for (int i = first; i < first + count; ++i) {
        MonitorModel::Point p;
        // A millisecond late now and then, as samples come.
        p.date = start.addMSecs(1000LL * i + (i % 4 == 0 ? 1 : 0));
        p.cpu = 0.02;
        p.memory = 0.5;
        p.pressure = 0.3;
        p.networkIn = network(i);
        p.networkOut = 0;
        out << p;
    }
    return out;
}

}  // namespace

TEST(LiveChartLevelRuns, ASampleThatLeavesEveryLineInPlaceRepaintsNothing)
{
    struct Case {
        const char* name;
        double (*network)(int);
        bool repaints;
    };
    const QList<Case> cases{
        {"at rest", [](int) { return 0.0; }, false},
        {"a steady stream", [](int) { return 5.0e5; }, false},
        {"a burst arriving", [](int i) { return i == 120 ? 3.0e5 : 0.0; }, true},
        {"a trickle", [](int i) { return 200.0 + 37.0 * (i % 5); }, true},
    };
    for (const Case& c : cases) {
        for (LiveChart::Kind kind : {LiveChart::Kind::processor, LiveChart::Kind::memory, LiveChart::Kind::network}) {
            LiveChart chart(kind);
            chart.setSurface(Theme::Color::surfaceElevated);
            chart.resize(401, 140);
            chart.setPoints(points(0, 120, c.network));
            chart.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
            QApplication::processEvents();
            PaintCounter counter;
            chart.installEventFilter(&counter);
            chart.setPoints(points(1, 120, c.network));
            QApplication::processEvents();
            // The processor and memory series are level in every case.
            const bool expected = kind == LiveChart::Kind::network && c.repaints;
            EXPECT_EQ(counter.paints > 0, expected) << c.name << ", kind " << int(kind);
            // Whatever it skipped, what it shows is what a fresh paint of the new points shows.
            const QImage full = chart.grab().toImage().convertToFormat(QImage::Format_ARGB32);
            EXPECT_EQ(OnScreen::differingPixels(OnScreen::shown(&chart), full, 0), 0) << c.name << ", kind " << int(kind);
        }
    }
}


