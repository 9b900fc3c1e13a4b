#include "support/AnimationClock.h"
#include "support/Input.h"
#include "support/PixelProbe.h"
#include "support/Render.h"
#include "ui/AdaptiveGridLayout.h"
#include "ui/CapabilityRowView.h"
#include "ui/Card.h"
#include "ui/ScoreRing.h"
#include "ui/StatusIcon.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"
#include "ui/UntrustedText.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

#include <cmath>

#include <gtest/gtest.h>

using Theme::Appearance;

namespace {
class RecordingClipboard : public Clipboard {
public:
    QStringList log;
    void clear() override { log << "clear"; }
    void setText(const QString& text) override { log << "text:" + text; }
};

class MotionOff : public ::testing::Test {
protected:
    void SetUp() override { Theme::setReduceMotion(true); }
    void TearDown() override
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }
};

class MotionOn : public ::testing::Test {
protected:
    void SetUp() override { Theme::setReduceMotion(false); }
    void TearDown() override
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }
    FakeAnimationClock clock;
};

// The point on a ring's centre line at `degrees` clockwise from twelve o'clock.
QPoint onRing(QPointF centre, qreal radius, qreal degrees)
{
    const qreal a = degrees * M_PI / 180;
    return QPointF(centre.x() + radius * std::sin(a), centre.y() - radius * std::cos(a)).toPoint();
}

AngularGradient solid(const QColor& c) { return AngularGradient{{{0, c}, {1, c}}, 0}; }
}  // namespace

// ---- Status icon and row ------------------------------------------------------------------

TEST(StatusIcon, EachStatusHasItsSymbolColourAndSpokenName)
{
    const struct {
        CapabilityStatus status;
        const char* symbol;
        Theme::Color color;
        const char* name;
        qreal scale;
    } cases[] = {
        {CapabilityStatus::supported, "checkmark.circle.fill", Theme::Color::statusSupported, "Supported", 1.0},
        {CapabilityStatus::unsupported, "xmark.circle.fill", Theme::Color::statusUnsupported, "Not supported", 1.0},
        {CapabilityStatus::warning, "exclamationmark.triangle.fill", Theme::Color::statusWarning, "Warning", 1.0},
    };
    const Localization en = Localization::english();
    for (const auto& c : cases) {
        EXPECT_EQ(StatusStyle::symbol(c.status), c.symbol);
        EXPECT_EQ(StatusStyle::color(c.status, Appearance::Light), Theme::color(c.color, Appearance::Light));
        EXPECT_EQ(StatusStyle::accessibilityName(c.status, en), c.name);
        EXPECT_EQ(StatusStyle::symbolScale(c.status), c.scale);
    }
    // Info: a small faint dot.
    EXPECT_EQ(StatusStyle::symbol(CapabilityStatus::info), "circle.fill");
    EXPECT_EQ(StatusStyle::color(CapabilityStatus::info, Appearance::Dark), Theme::foreground(Theme::Level::quaternary, Appearance::Dark));
    EXPECT_LT(StatusStyle::symbolScale(CapabilityStatus::info), 1.0);
    EXPECT_EQ(StatusStyle::accessibilityName(CapabilityStatus::info, en), "Information");
    for (CapabilityStatus s : CapabilityStatusText::all()) {
        StatusIcon icon(s);
        EXPECT_EQ(icon.sizeHint().width(), StatusIcon::kWidth);
        EXPECT_EQ(icon.accessibleName(), StatusStyle::accessibilityName(s, en));
    }
}

TEST(CapabilityRow, CopyEntriesReplaceThePasteboardWithValueOrRow)
{
    const struct {
        const char* label;
        const char* value;
        const char* row;
    } cases[] = {{"Chip", "M2", "Chip: M2"}, {"Empty", "", "Empty: "}, {"Name", "<b>%@ ‹x›</b>", "Name: <b>%@ ‹x›</b>"}};
    for (const auto& c : cases) {
        const auto item = CapabilityItem::make(c.label, QString::fromUtf8(c.value), CapabilityStatus::info, "k");
        CapabilityRowView row(item, std::nullopt, Localization::english());
        RecordingClipboard clipboard;
        row.setClipboard(clipboard);
        std::unique_ptr<QMenu> menu(row.makeContextMenu());
        ASSERT_EQ(menu->actions().size(), 2);
        EXPECT_EQ(menu->actions()[0]->text(), "Copy Value");
        EXPECT_EQ(menu->actions()[1]->text(), "Copy Row");
        menu->actions()[0]->trigger();
        menu->actions()[1]->trigger();
        EXPECT_EQ(clipboard.log, QStringList({"clear", "text:" + QString::fromUtf8(c.value), "clear", "text:" + QString::fromUtf8(c.row)}));
    }
}

TEST(CapabilityRow, ShowsTextsVerbatimAsPlainTextAndSpeaksAsOne)
{
    const auto item = CapabilityItem::make("<i>Label</i>", "<b>value</b>", CapabilityStatus::warning, "k");
    CapabilityRowView row(item, QStringLiteral("Network"), Localization::english());
    for (QLabel* label : row.findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(findByName<QLabel>(&row, "value")->text(), "<b>value</b>");
    ASSERT_NE(findByName<QLabel>(&row, "sectionTitle"), nullptr);
    EXPECT_EQ(findByName<QLabel>(&row, "sectionTitle")->text(), "Network");
    EXPECT_TRUE(findByName<QLabel>(&row, "value")->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(row.accessibleName(), "<i>Label</i>, Network, <b>value</b>, Warning");
    CapabilityRowView plain(item, std::nullopt, Localization::english());
    EXPECT_EQ(findByName<QLabel>(&plain, "sectionTitle"), nullptr);
}

TEST(CapabilityRow, LongValueWrapsAtTheTrailingEdge)
{
    const auto item = CapabilityItem::make("Codecs", QString("H.264 HEVC AV1 VP9 ProRes ").repeated(6), CapabilityStatus::info, "k");
    for (const char* language : {"en", "ar"}) {
        CapabilityRowView row(item, std::nullopt, Localization::english());
        row.setLayoutDirection(QString(language) == "ar" ? Qt::RightToLeft : Qt::LeftToRight);
        auto* value = findByName<QLabel>(&row, "value");
        const Qt::Alignment expected = QString(language) == "ar" ? Qt::AlignLeft : Qt::AlignRight;
        EXPECT_TRUE(value->alignment() & expected) << language;
        EXPECT_TRUE(value->wordWrap());
        EXPECT_GT(row.heightForWidth(400), row.heightForWidth(2000));  // wrapping makes the row taller
    }
}

TEST_F(MotionOff, HoverHighlightShowsAndHidesAtOnce)
{
    const auto item = CapabilityItem::make("Chip", "M2", CapabilityStatus::info, "k");
    CapabilityRowView row(item, std::nullopt, Localization::english());
    hover(&row);
    EXPECT_DOUBLE_EQ(row.hoverHighlight()->opacity(), HoverHighlight::kOpacity);
    unhover(&row);
    EXPECT_DOUBLE_EQ(row.hoverHighlight()->opacity(), 0);
}

TEST_F(MotionOn, HoverHighlightFadesOverAFractionOfASecond)
{
    const auto item = CapabilityItem::make("Chip", "M2", CapabilityStatus::info, "k");
    CapabilityRowView row(item, std::nullopt, Localization::english());
    hover(&row);
    EXPECT_TRUE(row.hoverHighlight()->isHovering());
    EXPECT_LT(row.hoverHighlight()->opacity(), HoverHighlight::kOpacity);
    clock.advance(200);
    EXPECT_DOUBLE_EQ(row.hoverHighlight()->opacity(), HoverHighlight::kOpacity);
}

// ---- Ring and gauge ---------------------------------------------------------------------------

TEST_F(MotionOff, RingClampsItsProgress)
{
    const struct {
        double progress;
        double shown;
        double arc;
    } cases[] = {{-0.5, 0, 0.001}, {0, 0, 0.001}, {0.5, 0.5, 0.5}, {1.2, 1, 1}, {std::nan(""), 0, 0.001},
                 {std::numeric_limits<double>::infinity(), 1, 1}};
    for (const auto& c : cases) {
        ScoreRing ring(c.progress, 10, solid(Qt::red));
        EXPECT_DOUBLE_EQ(ring.shown(), c.shown) << c.progress;
        EXPECT_DOUBLE_EQ(ring.arcFraction(), c.arc) << c.progress;
    }
}

TEST_F(MotionOff, RingArcStartsAtTwelveAndRunsClockwise)
{
    ScoreRing ring(0.25, 10, solid(QColor(255, 0, 0)));
    const QImage img = grabWidget(ring, ScoreRing::sizeFor(100), "en", Appearance::Light);
    const QPointF c = QRectF(QPointF(0, 0), ScoreRing::sizeFor(100)).center();
    auto red = [&](qreal degrees) {
        const QColor px = PixelProbe::at(img, onRing(c, 45, degrees).x(), onRing(c, 45, degrees).y());
        return px.red() > 200 && px.green() < 80 && px.blue() < 80;
    };
    EXPECT_TRUE(red(15));
    EXPECT_TRUE(red(45));
    EXPECT_TRUE(red(80));
    EXPECT_FALSE(red(120));
    EXPECT_FALSE(red(180));
    EXPECT_FALSE(red(270));
    EXPECT_FALSE(red(330));  // counter-clockwise of twelve: track only
}

TEST_F(MotionOff, RingGradientDeepensAlongTheArc)
{
    ScoreRing ring(1.0, 10, AngularGradient{{{0, QColor(255, 0, 0)}, {1, QColor(0, 0, 255)}}, 0});
    const QImage img = grabWidget(ring, ScoreRing::sizeFor(100), "en", Appearance::Light);
    const QPointF c = QRectF(QPointF(0, 0), ScoreRing::sizeFor(100)).center();
    const QColor start = PixelProbe::at(img, onRing(c, 45, 30).x(), onRing(c, 45, 30).y());
    const QColor middle = PixelProbe::at(img, onRing(c, 45, 180).x(), onRing(c, 45, 180).y());
    const QColor end = PixelProbe::at(img, onRing(c, 45, 320).x(), onRing(c, 45, 320).y());
    EXPECT_GT(start.red(), start.blue());
    EXPECT_GT(end.blue(), end.red());
    EXPECT_NEAR(middle.red(), middle.blue(), 40);
    // The gauge's own gradient: the tint at 0.75 at the start, the full tint at the end.
    const AngularGradient g = RingGauge::gradient(QColor(10, 200, 30));
    EXPECT_NEAR(g.stops.first().second.alphaF(), 0.75, 0.01);
    EXPECT_NEAR(g.stops.last().second.alphaF(), 1.0, 0.01);
}

TEST_F(MotionOff, FirstGrabShowsFinalValues)
{
    ScoreRing ring(0.8, 10, solid(QColor(255, 0, 0)));
    const QImage img = grabWidget(ring, ScoreRing::sizeFor(100), "en", Appearance::Light);
    EXPECT_DOUBLE_EQ(ring.shown(), 0.8);
    const QPoint p = onRing(QRectF(QPointF(0, 0), ScoreRing::sizeFor(100)).center(), 45, 265);
    EXPECT_GT(PixelProbe::at(img, p.x(), p.y()).red(), 200);
    ring.setProgress(0.3);
    EXPECT_DOUBLE_EQ(ring.shown(), 0.3);  // a change shows at once too

    StatTile tile(3, "Warnings", "exclamationmark.triangle.fill", Qt::red);
    tile.setCount(4);
    EXPECT_FALSE(tile.numericText()->isRolling());
    EXPECT_EQ(tile.numericText()->text(), "4");
}

TEST_F(MotionOn, RingSweepsFromEmptyWhenShownAndFromTheOldValueOnChange)
{
    ScoreRing ring(0.5, 10, solid(Qt::red));
    EXPECT_DOUBLE_EQ(ring.shown(), 0);
    ring.resize(100, 100);
    ring.show();
    EXPECT_DOUBLE_EQ(ring.shown(), 0);
    clock.advance(300);
    const double partway = ring.shown();
    EXPECT_GT(partway, 0.2);  // ease-out: more than a third of the way after a third of the time
    EXPECT_LT(partway, 0.5);
    clock.advance(700);
    EXPECT_DOUBLE_EQ(ring.shown(), 0.5);
    ring.setProgress(1.5);
    clock.advance(100);
    EXPECT_GT(ring.shown(), 0.5);
    EXPECT_LT(ring.shown(), 1.0);
    clock.advance(1000);
    EXPECT_DOUBLE_EQ(ring.shown(), 1.0);
}

// The largest difference of any colour channel between two pictures of one size.
int largestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return 255;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

// A ring on an opaque window, as pages show one.
struct RingOnWindow {
    explicit RingOnWindow(double progress, const AngularGradient& gradient)
    {
        window.setAutoFillBackground(true);
        ring = new ScoreRing(progress, 8.8, gradient, &window);
        ring->resize(ScoreRing::sizeFor(88));
    }
    QImage grab(Theme::Appearance a) { return grabWidget(window, ScoreRing::sizeFor(88), "en", a); }
    QWidget window;
    ScoreRing* ring;
};

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// A new ring may start from the pictures an earlier, settled ring was left with: only when it
// would draw the very same thing. Each ring here is drawn right after one that differs from it
// in one thing, and must look as that thing says.
TEST_F(MotionOff, RingStartsFromAnEarlierRingsPicturesOnlyWhenTheyWouldBeTheSame)
{
    const QPointF c = QRectF(QPointF(0, 0), ScoreRing::sizeFor(100)).center();
    auto draw = [&](double progress, const AngularGradient& g, Appearance a, qreal lineWidth = 10) {
        Theme::setForcedAppearance(a);
        QWidget window;  // on the window's own background: a ring alone has none
        window.setAutoFillBackground(true);
        auto* ring = new ScoreRing(progress, lineWidth, g, &window);
        ring->resize(ScoreRing::sizeFor(100));
        return grabWidget(window, ScoreRing::sizeFor(100), "en", a);
    };
    auto at = [&](const QImage& img, qreal degrees, qreal radius = 45) {
        const QPoint p = onRing(c, radius, degrees);
        return PixelProbe::at(img, p.x(), p.y());
    };
    auto red = [](const QColor& px) { return px.red() > 200 && px.green() < 80 && px.blue() < 80; };
    const AngularGradient redRing = solid(QColor(255, 0, 0));
    const QImage half = draw(0.5, redRing, Appearance::Light);
    ASSERT_TRUE(red(at(half, 150)));
    // The same ring again: the very same picture.
    EXPECT_EQ(largestDifference(draw(0.5, redRing, Appearance::Light), half), 0);
    // Another fraction: the arc ends where it should.
    const QImage quarter = draw(0.25, redRing, Appearance::Light);
    EXPECT_FALSE(red(at(quarter, 150)));
    EXPECT_TRUE(red(at(quarter, 45)));
    // Another line width (10 spans radii 40 to 50, 4 spans 46 to 50).
    const QImage thin = draw(0.25, redRing, Appearance::Light, 4);
    EXPECT_FALSE(red(at(thin, 45, 42)));
    EXPECT_TRUE(red(at(quarter, 45, 42)));
    // Another appearance: the track (the unfilled part) is a light tint on the dark background.
    const QImage dark = draw(0.25, redRing, Appearance::Dark, 4);
    EXPECT_GT(qGray(at(dark, 270, 48).rgb()), qGray(PixelProbe::at(dark, 2, 2).rgb()));
    // Other colours.
    const QImage blue = draw(0.25, solid(QColor(0, 0, 255)), Appearance::Dark, 4);
    EXPECT_FALSE(red(at(blue, 45, 48)));
    EXPECT_GT(at(blue, 45, 48).blue(), 200);
    // Another start of the same colours.
    const QImage fromTwelve = draw(0.25, AngularGradient{{{0, QColor(255, 0, 0)}, {1, QColor(0, 0, 255)}}, 0}, Appearance::Dark, 4);
    const QImage fromSix = draw(0.25, AngularGradient{{{0, QColor(255, 0, 0)}, {1, QColor(0, 0, 255)}}, 180}, Appearance::Dark, 4);
    EXPECT_GT(largestDifference(fromTwelve, fromSix), 60);
}

TEST_F(MotionOn, RingRedrawnStepByStepLooksLikeOneDrawnWhole)
{
    const AngularGradient blueToRed{{{0, QColor(0, 0, 255)}, {1, QColor(255, 0, 0, 200)}}, 0};
    for (Theme::Appearance a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
        SCOPED_TRACE(a == Theme::Appearance::Light ? "light" : "dark");
        Theme::setForcedAppearance(a);
        RingOnWindow sweeping(0.3, blueToRed);
        sweeping.window.resize(ScoreRing::sizeFor(88));
        sweeping.window.show();  // kept on screen: each showing sweeps from empty again
        clock.advance(1000);
        sweeping.grab(a);
        // Up, down past the start, and up to a full ring; looked at partway and at the end.
        for (double target : {0.75, 0.05, 1.0}) {
            sweeping.ring->setProgress(target);
            QList<std::pair<double, QImage>> frames;
            for (int frame = 1; frame <= 60; ++frame) {
                clock.advance(16);
                if (frame == 1 || frame == 4 || frame == 10 || frame == 60)
                    frames.append({sweeping.ring->drawnFraction(), sweeping.grab(a)});
            }
            EXPECT_NE(frames.first().first, target);
            EXPECT_DOUBLE_EQ(frames.last().first, target);
            // The same fractions drawn at once (motion reduced only now: it would end the sweep).
            Theme::setReduceMotion(true);
            for (const auto& [drawn, stepped] : frames) {
                SCOPED_TRACE(drawn);
                RingOnWindow whole(drawn, blueToRed);
                EXPECT_DOUBLE_EQ(whole.ring->drawnFraction(), drawn);
                EXPECT_LE(largestDifference(stepped, whole.grab(a)), 2);
            }
            Theme::setReduceMotion(false);
        }
        // The pictures were made once; every step since redrew a part of them.
        EXPECT_EQ(sweeping.ring->pictureCounts().rebuilds, 1);
    }
}

TEST_F(MotionOn, RingRepaintsOnlyWhenItsEndMovesVisiblyAndNotAtAllWhenStill)
{
    RingOnWindow shown(0.42, solid(Qt::red));
    shown.window.resize(ScoreRing::sizeFor(88));
    shown.window.show();
    clock.advance(1000);
    QApplication::processEvents();
    PaintCounter counter(shown.ring);
    auto run = [&](int ms) {
        for (int t = 0; t < ms; t += 16) {
            clock.advance(16);
            QApplication::processEvents();
        }
    };
    // Three percent of a gauge of 88 moves the arc's end by about seven pixels: a repaint
    // every half pixel at most, not one per frame of the 0.9 s sweep.
    shown.ring->setProgress(0.45);
    run(1000);
    EXPECT_DOUBLE_EQ(shown.ring->drawnFraction(), 0.45);
    EXPECT_GE(counter.paints, 3);
    EXPECT_LE(counter.paints, 17);
    // Each of those repaints only the stretch around the end.
    const QRectF changed = shown.ring->changedArea(0.42, 0.45);
    EXPECT_LT(changed.width() * changed.height(), QRectF(shown.ring->rect()).width() * shown.ring->height() / 4);
    for (double f : {0.42, 0.45}) {
        const double a = 2 * M_PI * f;
        const QPointF c = shown.ring->ringRect().center();
        const qreal r = (88 - 8.8) / 2;
        const QPointF end(c.x() + r * std::sin(a), c.y() - r * std::cos(a));
        // The cap (half the stroke) and the glow beyond it lie inside.
        EXPECT_TRUE(changed.contains(QRectF(end - QPointF(13, 13), QSizeF(26, 26)))) << f;
    }
    // Still: no repaints at all.
    counter.paints = 0;
    run(2000);
    EXPECT_EQ(counter.paints, 0);
    shown.ring->setProgress(0.45);
    run(500);
    EXPECT_EQ(counter.paints, 0);
}

TEST_F(MotionOn, StatTileCountRolls)
{
    StatTile tile(3, "Warnings", "exclamationmark.triangle.fill", Qt::red);
    tile.setCount(4);
    EXPECT_TRUE(tile.numericText()->isRolling());
    clock.advance(400);
    EXPECT_FALSE(tile.numericText()->isRolling());
    EXPECT_EQ(tile.accessibleName(), "Warnings: 4");
}

TEST(RingGauge, MeasuresScaleWithSize)
{
    const struct {
        qreal size;
        RingGauge::Metrics metrics;
    } cases[] = {{120, {12, 24, 14.4, 14.4}}, {90, {9, 18, 10.8, 10.8}}, {60, {6, 12, 7.2, 7.2}}};
    for (const auto& c : cases) {
        const auto m = RingGauge::metrics(c.size);
        EXPECT_NEAR(m.lineWidth, c.metrics.lineWidth, 1e-9);
        EXPECT_NEAR(m.fontSize, c.metrics.fontSize, 1e-9);
        EXPECT_NEAR(m.minFontSize, c.metrics.minFontSize, 1e-9);
        EXPECT_NEAR(m.inset, c.metrics.inset, 1e-9);
    }
    RingGauge gauge("CPU", 0.42, "42%", Qt::green, 120);
    EXPECT_DOUBLE_EQ(gauge.ring()->lineWidth(), 12);
    // One element: the title as its name, the value text as its value, no children.
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(&gauge);
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(QAccessible::Name), "CPU");
    EXPECT_EQ(spoken->text(QAccessible::Value), "42%");
    EXPECT_EQ(spoken->childCount(), 0);
    gauge.setValue(0.5, "50%");
    EXPECT_EQ(spoken->text(QAccessible::Value), "50%");
}

TEST(RingGauge, ValueTextShrinksToAtMostSixtyPercent)
{
    EXPECT_DOUBLE_EQ(RingGauge::fittedFontSize("42%", 120), 24);
    const qreal longer = RingGauge::fittedFontSize("1234.5 MB/s", 120);
    EXPECT_LT(longer, 24);
    EXPECT_GE(longer, 14.4);
    // Fonts take whole pixels: the smallest at or above 60 % of 24, never 14 (58 %).
    EXPECT_DOUBLE_EQ(RingGauge::fittedFontSize(QString(200, 'W'), 120), 15);
    EXPECT_GE(RingGauge::valueFont(RingGauge::fittedFontSize(QString(200, 'W'), 120)).pixelSize(), 14.4);
}

// Texts of every script, at the sizes gauges are drawn: every glyph stays inside the circle
// the inset leaves (so never on the ring), at a whole pixel size from full to 60 %; a text
// is elided only at the smallest size.
TEST(RingGauge, ValueTextStaysInsideTheRing)
{
    const QString texts[] = {QStringLiteral("42%"), QStringLiteral("1234.5 MB/s"), QString(200, 'W'),
                             QString::fromUtf8("Ég ÿ Åq"), QString::fromUtf8("हल्का गर्म"), QString::fromUtf8("غير معروفة"),
                             QString::fromUtf8("やや高温"), QString::fromUtf8("Критическое состояние")};
    for (const qreal size : {60.0, 88.0, 120.0}) {
        for (const QString& text : texts) {
            SCOPED_TRACE(QStringLiteral("%1 at %2").arg(text).arg(size).toStdString());
            const RingGauge::ValueLine line = RingGauge::fitValueText(text, size);
            EXPECT_GE(line.pixelSize, size * 0.2 * 0.6 - 1e-9);
            EXPECT_LE(line.pixelSize, RingGauge::largestPixelSize(size));
            if (line.elided) EXPECT_EQ(line.pixelSize, RingGauge::smallestPixelSize(size));
            EXPECT_LE(line.width, size * 0.76 + 1e-9);
            const qreal radius = size * 0.38;
            ASSERT_FALSE(line.glyphInk.isEmpty());
            for (const QRectF& g : line.glyphInk) {
                const qreal x = qMax(std::abs(g.left()), std::abs(g.right())), y = qMax(std::abs(g.top()), std::abs(g.bottom()));
                EXPECT_LE(std::hypot(x, y), radius + 1e-9);
            }
        }
    }
    EXPECT_TRUE(RingGauge::fitValueText(QString(200, 'W'), 88).elided);
    EXPECT_FALSE(RingGauge::fitValueText(QStringLiteral("42%"), 88).elided);
}

// ---- Tiles, pills, headers, empty state -----------------------------------------------

TEST(IconTile, MeasuresFollowTheSize)
{
    IconTile tile("cpu", 40, Theme::brandGradient());
    EXPECT_DOUBLE_EQ(tile.cornerRadius(), 10.4);
    EXPECT_DOUBLE_EQ(tile.symbolSize(), 19.2);
    EXPECT_EQ(tile.size(), QSize(40, 40));
}

TEST_F(MotionOff, IconTileGradientRunsFromTopLeadingToBottomTrailing)
{
    const QColor from(255, 0, 0), to(0, 0, 255);
    for (const char* language : {"en", "ar"}) {
        IconTile tile("no.symbol.here", 40, Theme::diagonal(from, to));
        const QImage img = grabWidget(tile, QSize(40, 40), language, Appearance::Light);
        const bool rtl = QString(language) == "ar";
        const QColor topLeading = PixelProbe::at(img, rtl ? 32 : 7, 7);
        const QColor bottomTrailing = PixelProbe::at(img, rtl ? 7 : 32, 32);
        EXPECT_GT(topLeading.red(), topLeading.blue()) << language;
        EXPECT_GT(bottomTrailing.blue(), bottomTrailing.red()) << language;
    }
}

TEST(StatTile, ClickRunsTheActionAndWithoutOneDoesNothing)
{
    int runs = 0;
    StatTile tile(3, "Warnings", "exclamationmark.triangle.fill", Qt::red, [&] { ++runs; });
    tile.resize(200, 60);
    click(&tile);
    EXPECT_EQ(runs, 1);
    click(&tile, QPoint(2, 2));  // the whole rounded rectangle is the hit area
    EXPECT_EQ(runs, 2);
    StatTile idle(0, "Supported", "checkmark.circle.fill", Qt::green);
    idle.resize(200, 60);
    click(&idle);
    Theme::setReduceMotion(true);
    hover(&idle);
    EXPECT_TRUE(idle.hoverHighlight()->isHovering());
    Theme::setReduceMotion(std::nullopt);
    EXPECT_EQ(tile.accessibleName(), "Warnings: 3");
    EXPECT_EQ(StatTile::spokenText("Warnings", 1234), "Warnings: 1234");  // no grouping
}

TEST(SpecPill, LongValueIsElidedInTheMiddleWithTheWholeValueAsTooltip)
{
    const QString value = "Debian GNU/Linux 12 (bookworm) with a very long kernel name 6.1.0-18-amd64";
    SpecPill pill("apple.logo", "System", value);
    pill.resize(220, 50);
    pill.show();
    QApplication::processEvents();
    const QString shown = pill.shownValue();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("Debian"));
    EXPECT_TRUE(shown.endsWith("amd64"));
    EXPECT_EQ(pill.toolTip(), UntrustedText::toolTip(value));  // the whole value, never read as markup
    EXPECT_EQ(pill.accessibleName(), "System, " + value);
    pill.resize(900, 50);
    QApplication::processEvents();
    EXPECT_EQ(pill.shownValue(), value);
}

TEST(ScreenHeaderAndEmptyState, OptionalTextsAreLeftOut)
{
    ScreenHeader header("clock.arrow.circlepath", "History", std::nullopt, Theme::brandGradient());
    EXPECT_FALSE(findByName<QLabel>(&header, "subtitle")->isVisibleTo(&header));
    EXPECT_EQ(header.trailing(), nullptr);
    ScreenHeader withSubtitle("doc.richtext", "Reports", QStringLiteral("Export"), Theme::brandGradient(), new QLabel("x"));
    EXPECT_TRUE(findByName<QLabel>(&withSubtitle, "subtitle")->isVisibleTo(&withSubtitle));
    EXPECT_NE(withSubtitle.trailing(), nullptr);

    EmptyStateView bare("equal.circle", "No changes between these scans");
    EXPECT_EQ(findByName<QLabel>(&bare, "message"), nullptr);
    EmptyStateView full("square.on.square", "Pick two scans to compare", QString("Select scans in the timeline. ").repeated(8));
    full.resize(900, 300);
    full.show();
    QApplication::processEvents();
    auto* message = findByName<QLabel>(&full, "message");
    ASSERT_NE(message, nullptr);
    EXPECT_LE(message->width(), EmptyStateView::kMessageMaxWidth);
    EXPECT_TRUE(message->alignment() & Qt::AlignHCenter);
    EXPECT_GT(message->height(), QFontMetrics(message->font()).height());  // wrapped
}

TEST(RowAndHeader, FlexibleGapsKeepTheirMinimumWithTheStackSpacingOnBothSides)
{
    // Row: spacing 8, a spacer of at least 12, spacing 8 between label and value.
    const auto item = CapabilityItem::make("Chip", QString("A long value that wraps ").repeated(4), CapabilityStatus::info, "k");
    CapabilityRowView row(item, std::nullopt, Localization::english());
    row.resize(300, 80);
    row.layout()->activate();
    auto* label = findByName<QLabel>(&row, "label");
    auto* value = findByName<QLabel>(&row, "value");
    EXPECT_EQ(value->x() - (label->x() + label->width()), 8 + 12 + 8);

    // Header: spacing 12, a spacer of at least 12, spacing 12 between the texts and the trailing content.
    auto* trailing = new QLabel("Trailing");
    ScreenHeader header("cpu", "Title", QStringLiteral("Subtitle"), Theme::brandGradient(), trailing);
    header.resize(header.minimumSizeHint().width(), 60);
    header.layout()->activate();
    auto* subtitle = findByName<QLabel>(&header, "subtitle");
    EXPECT_EQ(trailing->x() - (subtitle->x() + subtitle->width()), 12 + 12 + 12);
    ScreenHeader bare("cpu", "Title", std::nullopt, Theme::brandGradient());
    auto* title = findByName<QLabel>(&bare, "title");
    EXPECT_EQ(bare.minimumSizeHint().width(), 40 + 12 + title->minimumSizeHint().width() + 12 + 12);
}

TEST(EmptyState, MessageWrapsWithinAParentThatGetsNarrower)
{
    QWidget host;
    auto* column = new QVBoxLayout(&host);
    column->setContentsMargins(0, 0, 0, 0);
    auto* empty = new EmptyStateView("square.on.square", "Pick two scans", QString("Select scans in the timeline. ").repeated(8));
    column->addWidget(empty);
    auto* message = findByName<QLabel>(empty, "message");
    const struct {
        int width;
        int messageWidth;
    } steps[] = {{900, EmptyStateView::kMessageMaxWidth}, {300, 300 - 2 * 32}, {700, EmptyStateView::kMessageMaxWidth}};
    host.show();
    for (const auto& step : steps) {
        host.resize(step.width, 400);
        QApplication::processEvents();
        EXPECT_EQ(empty->width(), step.width);
        EXPECT_EQ(message->width(), step.messageWidth) << step.width;
    }
}

// ---- Card ---------------------------------------------------------------------------------

TEST_F(MotionOff, CardBorderAndShadowFollowTheAppearance)
{
    struct Probe {
        QColor inside, border, belowShadow, window;
    };
    auto probe = [](Appearance a) {
        QWidget host;
        auto* card = new CardFrame(16, 14, &host);
        card->setGeometry(40, 30, 120, 60);
        const QImage img = grabWidget(host, QSize(200, 130), "en", a);
        return Probe{PixelProbe::at(img, 100, 60), PixelProbe::at(img, 40, 60), PixelProbe::at(img, 100, 93),
                     PixelProbe::at(img, 100, 125)};
    };
    for (Appearance a : {Appearance::Light, Appearance::Dark}) {
        SCOPED_TRACE(a == Appearance::Dark ? "dark" : "light");
        const Probe p = probe(a);
        const QColor surface = Theme::color(Theme::Color::surfaceElevated, a);
        EXPECT_TRUE(PixelProbe::near(p.inside, surface)) << p.inside.name().toStdString();
        const QColor border = PixelProbe::over(Theme::primary(Card::borderOpacity(a), a), surface);
        EXPECT_TRUE(PixelProbe::near(p.border, border, 8)) << p.border.name().toStdString() << " vs " << border.name().toStdString();
        if (a == Appearance::Light) EXPECT_LT(PixelProbe::luminance(p.belowShadow), PixelProbe::luminance(p.window) - 0.005);
        else EXPECT_TRUE(PixelProbe::near(p.belowShadow, p.window, 1));  // no visible shadow
    }
    EXPECT_DOUBLE_EQ(Card::borderOpacity(Appearance::Light), 0.07);
    EXPECT_DOUBLE_EQ(Card::borderOpacity(Appearance::Dark), 0.10);
    EXPECT_DOUBLE_EQ(Card::shadowOpacity(Appearance::Light), 0.05);
    EXPECT_DOUBLE_EQ(Card::shadowOpacity(Appearance::Dark), 0.0);
}

TEST(CardShadow, FollowsTheCardWhetherHiddenBeforeOrAfterItsParentIsShown)
{
    // A page builds a card for an empty state and hides it before the page is ever shown; its
    // shadow must not stay behind as a grey box over the page.
    auto visibleSiblings = [](QWidget& host, const CardFrame* card) {
        int n = 0;
        for (QWidget* w : host.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w != card && w->isVisible()) ++n;
        return n;
    };
    struct Case {
        const char* name;
        bool hideBeforeShow;
        bool shownAfter;
    };
    for (const Case& c : {Case{"hidden before the parent shows", true, false}, Case{"hidden after the parent shows", false, false},
                          Case{"hidden, then shown again", true, true}}) {
        SCOPED_TRACE(c.name);
        QWidget host;
        auto* column = new QVBoxLayout(&host);
        auto* card = new CardFrame(16, 14);
        column->addWidget(card);
        host.resize(300, 200);
        if (c.hideBeforeShow) card->setVisible(false);
        host.show();
        if (!c.hideBeforeShow) card->setVisible(false);
        EXPECT_EQ(visibleSiblings(host, card), 0);
        if (c.shownAfter) {
            card->setVisible(true);
            QApplication::processEvents();
            EXPECT_EQ(visibleSiblings(host, card), 1);
        }
    }
}

// ---- Adaptive grid ------------------------------------------------------------------------------

TEST(AdaptiveGrid, ColumnCountFitsMinimumWidthsAndSpacing)
{
    const struct {
        qreal width, minimum, spacing;
        int columns;
    } cases[] = {{0, 220, 12, 1},   {100, 220, 12, 1}, {220, 220, 12, 1}, {451, 220, 12, 1},  {452, 220, 12, 2},
                 {683, 220, 12, 2}, {684, 220, 12, 3}, {1000, 200, 12, 4}, {-50, 220, 12, 1}, {std::nan(""), 220, 12, 1},
                 {500, 0, 12, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(AdaptiveGridLayout::columnCount(c.width, c.minimum, c.spacing), c.columns) << c.width << " " << c.minimum;
}

TEST(AdaptiveGrid, CellsFillRowsAndMirrorInRightToLeft)
{
    for (Qt::LayoutDirection dir : {Qt::LeftToRight, Qt::RightToLeft}) {
        QWidget host;
        host.setLayoutDirection(dir);
        auto* grid = new AdaptiveGridLayout(220, 12, 10, &host);
        QList<QWidget*> cells;
        for (int i = 0; i < 5; ++i) {
            auto* w = new QWidget;
            w->setMinimumHeight(30);
            cells << w;
            grid->addWidget(w);
        }
        host.resize(452, 200);
        grid->setGeometry(QRect(0, 0, 452, 200));
        // Two columns of 220: cells 0 and 1 in the first row, 4 alone in the third at the leading edge.
        EXPECT_EQ(cells[0]->width(), 220);
        EXPECT_EQ(cells[0]->y(), cells[1]->y());
        EXPECT_EQ(cells[4]->y(), cells[2]->y() + cells[2]->height() + 10);
        const int leadingX = dir == Qt::LeftToRight ? 0 : 232;
        EXPECT_EQ(cells[0]->x(), leadingX);
        EXPECT_EQ(cells[4]->x(), leadingX);
        EXPECT_EQ(cells[1]->x(), 232 - leadingX);
        EXPECT_EQ(grid->heightForWidth(452), 3 * 30 + 2 * 10);
    }
}
