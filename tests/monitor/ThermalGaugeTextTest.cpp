// The thermal gauge's word in every language: it shrinks to fit inside the ring, never below
// 60 % of its size, and is elided rather than drawn over the ring. Checked on the page's own
// gauge, both as the gauge lays the word out and as the pixels fall, at one and two device
// pixels per point; and pictures of the page's gauges to look at.
#include "HandDrivenLoop.h"
#include "MonitorSamples.h"
#include "monitor/LiveMonitorView.h"
#include "monitor/MonitorModel.h"
#include "support/AnimationClock.h"
#include "support/Render.h"
#include "ui/PaintedText.h"
#include "ui/ScoreRing.h"
#include "ui/UiLanguage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char* const kLanguages[] = {"en", "ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"};
const ThermalState kStates[] = {ThermalState::Nominal, ThermalState::Fair, ThermalState::Serious, ThermalState::Critical,
                                ThermalState::Unknown};

MonitorModel modelAt(ThermalState thermal)
{
    MonitorModel model;
    model.cpu = 0.42;
    model.memoryUsed = 8;
    model.memoryTotal = 16;
    model.thermal = thermal;
    model.perCore = {0.4, 0.5};
    return model;
}

// The ring's inner edge: the circle inside its stroke.
qreal innerRadius(const RingGauge& gauge)
{
    return gauge.ring()->ringRect().width() / 2 - gauge.ring()->lineWidth();
}

// The farthest corner of a rectangle from the origin.
qreal farthest(const QRectF& r)
{
    return std::hypot(qMax(std::abs(r.left()), std::abs(r.right())), qMax(std::abs(r.top()), std::abs(r.bottom())));
}

// What the gauge itself paints inside the ring's square (the ring, a child, left out), at
// `dpr` device pixels per point: the pixels that differ from the gauge's own background, as
// distances from the ring's centre in points, and their bounding box relative to the centre.
struct Drawn {
    int pixels = 0;
    qreal farthest = 0;
    QRectF box;
};
Drawn drawnText(RingGauge& gauge, qreal dpr)
{
    QImage img((QSizeF(gauge.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    gauge.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    const QRectF square = gauge.ringRect();
    const QPointF centre = square.center();
    const QColor background = img.pixelColor(0, 0);
    Drawn d;
    qreal left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
    for (int y = int(square.top() * dpr); y < int(square.bottom() * dpr); ++y) {
        for (int x = int(square.left() * dpr); x < int(square.right() * dpr); ++x) {
            const QColor c = img.pixelColor(x, y);
            const int diff = std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                             std::abs(c.blue() - background.blue()) + std::abs(c.alpha() - background.alpha());
            if (diff < 64) continue;
            ++d.pixels;
            const QPointF at((x + 0.5) / dpr - centre.x(), (y + 0.5) / dpr - centre.y());
            d.farthest = qMax(d.farthest, std::hypot(at.x(), at.y()));
            left = qMin(left, x / dpr - centre.x());
            right = qMax(right, (x + 1) / dpr - centre.x());
            top = qMin(top, y / dpr - centre.y());
            bottom = qMax(bottom, (y + 1) / dpr - centre.y());
        }
    }
    if (d.pixels) d.box = QRectF(QPointF(left, top), QPointF(right, bottom));
    return d;
}

}  // namespace

TEST(ThermalGauge, EveryWordFitsInsideTheRingInEveryLanguage)
{
    FakeAnimationClock clock;
    Theme::setReduceMotion(true);
    QStringList elided;
    for (const char* code : kLanguages) {
        const Localization l = Localization::forCode(code, QStringLiteral("en_US"));
        UiLanguage::Override language(l);
        LiveMonitorContent content;
        content.setLayoutDirection(l.layoutDirection());
        content.resize(940, 700);
        content.show();
        for (const Theme::Appearance appearance : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
            Theme::setForcedAppearance(appearance);
            for (const ThermalState state : kStates) {
                content.setModel(modelAt(state));
                QCoreApplication::processEvents();
                RingGauge* gauge = content.gaugeCell(2)->gauge();
                ASSERT_NE(gauge, nullptr);
                const QString word = ThermalPresentation::title(state, l);
                SCOPED_TRACE(QStringLiteral("%1 %2").arg(QString::fromLatin1(code), word).toStdString());
                ASSERT_EQ(gauge->valueText(), word);
                const RingGauge::ValueLine& line = gauge->valueLine();
                const qreal size = MonitorGaugeCell::kGaugeSize;

                // The scale: from the full size down to 60 % of it, and the font really has it.
                const qreal full = size * 0.2, minimum = full * 0.6;
                const QFont font = RingGauge::valueFont(line.pixelSize);
                EXPECT_GE(font.pixelSize(), minimum);
                EXPECT_LE(font.pixelSize(), std::round(full));
                EXPECT_EQ(font.pixelSize(), line.pixelSize);

                // The whole word, or (only at the smallest size) elided with "…".
                if (line.elided) {
                    EXPECT_EQ(line.pixelSize, RingGauge::smallestPixelSize(size));
                    EXPECT_TRUE(line.text.endsWith(QChar(0x2026))) << line.text.toStdString();
                    if (appearance == Theme::Appearance::Light) elided << QStringLiteral("%1 %2 → %3").arg(code, word, line.text);
                } else {
                    EXPECT_EQ(line.text, PaintedText::forLayout(word));
                }

                // As laid out: every glyph's ink inside the ring's inner circle, with the
                // room the padding leaves at the middle kept all round.
                const qreal inner = innerRadius(*gauge);
                EXPECT_NEAR(inner, size * 0.4, 1e-9);
                ASSERT_FALSE(line.glyphInk.isEmpty());
                for (const QRectF& g : line.glyphInk)
                    EXPECT_LE(farthest(g), inner - size * 0.02 + 1e-9) << "glyph " << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
                EXPECT_LE(line.width, size * 0.76 + 1e-9);

                // As painted: every pixel of the word inside the inner circle (a pixel of
                // antialiasing beyond the ink at most), where the layout said it would be.
                for (const qreal dpr : {1.0, 2.0}) {
                    const Drawn drawn = drawnText(*gauge, dpr);
                    SCOPED_TRACE(dpr);
                    ASSERT_GT(drawn.pixels, 10);
                    EXPECT_LT(drawn.farthest, inner - 1.0);
                    // Within the laid-out ink (antialiasing and the baseline's snapping to the
                    // device's pixels aside), and not much smaller than it (some faces' boxes
                    // are a little generous).
                    EXPECT_TRUE(line.ink.adjusted(-1.5, -1.5, 1.5, 1.5).contains(drawn.box))
                        << "drawn " << drawn.box.left() << ".." << drawn.box.right() << " x " << drawn.box.top() << ".." << drawn.box.bottom()
                        << ", laid out " << line.ink.left() << ".." << line.ink.right() << " x " << line.ink.top() << ".." << line.ink.bottom();
                    EXPECT_TRUE(drawn.box.adjusted(-2.5, -2.5, 2.5, 2.5).contains(line.ink));
                }
            }
        }
    }
    // Every table's thermal words fit whole at the page's size: eliding is the last resort for
    // a word a table has yet to shorten, never what a shipped word looks like.
    for (const QString& e : elided) std::printf("elided: %s\n", qPrintable(e));
    EXPECT_TRUE(elided.isEmpty());
    Theme::setForcedAppearance(std::nullopt);
    Theme::setReduceMotion(std::nullopt);
}

// A word that no longer fits after a change shrinks, and one that fits again grows back:
// the gauge fits every new text, not only its first.
TEST(ThermalGauge, ShrinksAndGrowsWithTheState)
{
    UiLanguage::Override language(Localization::forCode(QStringLiteral("hi"), QStringLiteral("hi_IN")));
    LiveMonitorContent content;
    content.resize(940, 700);
    content.show();
    content.setModel(modelAt(ThermalState::Nominal));
    RingGauge* gauge = content.gaugeCell(2)->gauge();
    const int nominal = gauge->valueLine().pixelSize;
    content.setModel(modelAt(ThermalState::Fair));  // "हल्का गर्म": tall and wide
    const int fair = gauge->valueLine().pixelSize;
    EXPECT_LT(fair, nominal);
    EXPECT_GE(fair, RingGauge::smallestPixelSize(MonitorGaugeCell::kGaugeSize));
    content.setModel(modelAt(ThermalState::Serious));  // "गर्म": short
    EXPECT_EQ(gauge->valueLine().pixelSize, RingGauge::largestPixelSize(MonitorGaugeCell::kGaugeSize));
}

// Pictures: the page's gauges with each thermal word, in Hindi, French, Spanish, German and
// Arabic, light and dark (build/artifacts/monitor-thermal-*).
TEST(ThermalGauge, PicturesOfThePageGauges)
{
    FakeAnimationClock clock;
    const QDateTime last(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    for (const char* code : {"hi", "fr", "es", "de", "ar", "pt-BR", "ru"}) {
        const Localization l = Localization::forCode(code, QStringLiteral("en_US"));
        for (const Theme::Appearance appearance : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
            UiLanguage::Override language(l);
            Theme::setForcedAppearance(appearance);
            // The page as it stands with its longest thermal word.
            ThermalState longest = ThermalState::Nominal;
            qreal widest = 0;
            for (const ThermalState state : kStates) {
                const qreal w = PaintedText::width(RingGauge::valueFont(18), ThermalPresentation::title(state, l));
                if (w > widest) widest = w, longest = state;
            }
            QList<MonitorSample> samples = fixtureLaptopSamples(30, last);
            for (MonitorSample& s : samples) s.thermalState = longest;
            HandDrivenMonitor m;
            m.now = last;
            LiveMonitorView page(m.monitor);
            page.setLayoutDirection(l.layoutDirection());
            page.resize(940, 700);
            page.show();
            m.feed(samples);
            QCoreApplication::processEvents();
            clock.advance(1000);
            EXPECT_TRUE(QFileInfo::exists(renderToPng(page, QSize(940, 330), code, appearance, "monitor-thermal-page")));

            // Every word, each in a cell of the page.
            QWidget strip;
            strip.setLayoutDirection(l.layoutDirection());
            auto* row = new QHBoxLayout(&strip);
            row->setSpacing(12);
            for (const ThermalState state : kStates) {
                auto* cell = new MonitorGaugeCell;
                cell->setEmptyAtZero(true);
                cell->set(l.tr("Thermal state"), ThermalPresentation::gaugeValue(state), ThermalPresentation::title(state, l),
                          ThermalPresentation::tint(state));
                cell->setMinimumWidth(150);
                row->addWidget(cell);
            }
            strip.show();
            strip.adjustSize();
            QCoreApplication::processEvents();
            clock.advance(1000);
            EXPECT_TRUE(QFileInfo::exists(renderToPng(strip, strip.size(), code, appearance, "monitor-thermal-words")));
        }
    }
    Theme::setForcedAppearance(std::nullopt);
}
