#include "support/PixelProbe.h"
#include "ui/FirstUse.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QBackingStore>
#include <QPainter>
#include <QThreadPool>
#include <QTest>
#include <QWidget>
#include <QFontMetricsF>

#include <cmath>
#include <future>

#include <gtest/gtest.h>

using Theme::Appearance;

namespace {
// A window whose paint fills it in one colour.
class Filled : public QWidget {
public:
    explicit Filled(QColor colour) : colour_(colour) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour_); }

private:
    QColor colour_;
};

struct ThemeGuard {
    ~ThemeGuard()
    {
        Theme::setForcedAppearance(std::nullopt);
        Theme::setReduceMotion(std::nullopt);
    }
};
}  // namespace

TEST(Theme, FallbacksAreTheSystemColoursTheNamesCallFor)
{
    for (Appearance a : {Appearance::Light, Appearance::Dark}) {
        SCOPED_TRACE(a == Appearance::Dark ? "dark" : "light");
        const QColor blue = Theme::systemColor(Theme::SystemColor::blue, a);
        QColor glow = Theme::fallback(Theme::Color::brandGlow, a);
        EXPECT_EQ(glow.rgb(), blue.rgb());
        EXPECT_NEAR(glow.alphaF(), 0.55, 0.005);
        const QColor sunken = Theme::fallback(Theme::Color::surfaceSunken, a);
        EXPECT_EQ(sunken.rgb(), Theme::primary(1, a).rgb());
        EXPECT_NEAR(sunken.alphaF(), 0.045, 0.005);
        EXPECT_EQ(Theme::fallback(Theme::Color::brandPrimary, a), Theme::systemColor(Theme::SystemColor::indigo, a));
        EXPECT_EQ(Theme::fallback(Theme::Color::surfaceElevated, a), Theme::systemColor(Theme::SystemColor::controlBackground, a));
        EXPECT_EQ(Theme::fallback(Theme::Color::statusSupported, a), Theme::systemColor(Theme::SystemColor::green, a));
        EXPECT_EQ(Theme::fallback(Theme::Color::statusWarning, a), Theme::systemColor(Theme::SystemColor::orange, a));
        EXPECT_EQ(Theme::fallback(Theme::Color::statusUnsupported, a), Theme::systemColor(Theme::SystemColor::red, a));
    }
    EXPECT_EQ(Theme::fallback(Theme::Color::proGoldStart, Appearance::Light), QColor::fromRgbF(0.98f, 0.80f, 0.36f));
    EXPECT_EQ(Theme::fallback(Theme::Color::proGoldEnd, Appearance::Dark), QColor::fromRgbF(0.90f, 0.55f, 0.18f));
    // System colours differ between the appearances, as the desktop's do.
    EXPECT_NE(Theme::systemColor(Theme::SystemColor::indigo, Appearance::Light),
              Theme::systemColor(Theme::SystemColor::indigo, Appearance::Dark));
}

TEST(Theme, CatalogueColoursWinAndFollowTheAppearance)
{
    for (int i = 0; i <= int(Theme::Color::statusUnsupported); ++i) {
        const auto c = Theme::Color(i);
        SCOPED_TRACE(Theme::assetName(c).toStdString());
        for (Appearance a : {Appearance::Light, Appearance::Dark}) {
            const auto asset = AssetCatalog::color(Theme::assetName(c), a);
            EXPECT_EQ(Theme::color(c, a), asset ? *asset : Theme::fallback(c, a));
        }
    }
    EXPECT_NE(Theme::color(Theme::Color::surfaceElevated, Appearance::Light),
              Theme::color(Theme::Color::surfaceElevated, Appearance::Dark));
    EXPECT_FALSE(AssetCatalog::color("NoSuchColour", Appearance::Light).has_value());
}

TEST(Theme, AppearanceFollowsTheDesktopPaletteUnlessForced)
{
    ThemeGuard guard;
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(Theme::palette(Appearance::Dark));
    EXPECT_EQ(Theme::appearance(), Appearance::Dark);
    QApplication::setPalette(Theme::palette(Appearance::Light));
    EXPECT_EQ(Theme::appearance(), Appearance::Light);
    Theme::setForcedAppearance(Appearance::Dark);
    EXPECT_TRUE(Theme::isDark());
    EXPECT_EQ(Theme::brandPrimary(), Theme::color(Theme::Color::brandPrimary, Appearance::Dark));
    Theme::setForcedAppearance(std::nullopt);
    EXPECT_EQ(Theme::appearance(), Appearance::Light);
    QApplication::setPalette(saved);
}

TEST(Theme, ADesktopSwitchBetweenLightAndDarkIsAnnounced)
{
    ThemeGuard guard;
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(Theme::palette(Appearance::Light));
    int announced = 0;
    QObject receiver;
    QObject::connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, &receiver, [&] { ++announced; });
    QApplication::setPalette(Theme::palette(Appearance::Dark));
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(Theme::appearance(), Appearance::Dark);
    QPalette stillDark = Theme::palette(Appearance::Dark);
    stillDark.setColor(QPalette::Link, Qt::red);
    QApplication::setPalette(stillDark);  // same lightness: nothing to redraw
    EXPECT_EQ(announced, 1);
    Theme::setForcedAppearance(Appearance::Dark);
    announced = 0;
    QApplication::setPalette(Theme::palette(Appearance::Light));  // a forced appearance stays
    EXPECT_EQ(announced, 0);
    Theme::setForcedAppearance(std::nullopt);
    QApplication::setPalette(saved);
}

TEST(Theme, TextStylesAreSizedInPixels)
{
    const struct {
        Theme::TextStyle style;
        int pixels;
    } cases[] = {{Theme::TextStyle::title, 22},   {Theme::TextStyle::title2, 17},  {Theme::TextStyle::title3, 15},
                 {Theme::TextStyle::headline, 13}, {Theme::TextStyle::callout, 12}, {Theme::TextStyle::caption, 10}};
    for (const auto& c : cases) {
        const QFont f = Theme::font(c.style);
        EXPECT_EQ(f.pixelSize(), c.pixels);
        EXPECT_EQ(f.pointSize(), -1);  // never point-sized, which would grow with the screen's dpi
    }
    EXPECT_EQ(Theme::font(Theme::TextStyle::headline).weight(), QFont::DemiBold);
    EXPECT_EQ(Theme::font(Theme::TextStyle::title2, QFont::Bold).weight(), QFont::Bold);
}

TEST(Theme, AnimationsHaveTheirDurationsAndCurves)
{
    const auto ring = Theme::ringFill();
    EXPECT_EQ(ring.durationMs, 900);
    // Ease-out: fast at first, gentle at the end, from 0 to 1.
    EXPECT_NEAR(ring.curve.valueForProgress(0), 0, 1e-6);
    EXPECT_NEAR(ring.curve.valueForProgress(1), 1, 1e-6);
    EXPECT_GT(ring.curve.valueForProgress(0.25), 0.3);
    EXPECT_EQ(Theme::easeOut(150).durationMs, 150);

    EXPECT_DOUBLE_EQ(Theme::springParameters.response, 0.35);
    EXPECT_DOUBLE_EQ(Theme::springParameters.dampingFraction, 0.85);
    const auto spring = Theme::spring();
    EXPECT_GT(spring.durationMs, 350);
    EXPECT_LT(spring.durationMs, 600);
    EXPECT_DOUBLE_EQ(spring.curve.valueForProgress(1), 1);
    // Slightly under-damped: it overshoots a little, then settles.
    double peak = 0;
    for (double t = 0; t < 0.6; t += 0.005) peak = std::max(peak, Theme::springValue(t));
    EXPECT_GT(peak, 1.0);
    EXPECT_LT(peak, 1.05);
    EXPECT_NEAR(Theme::springValue(1.0), 1, 1e-3);
}

TEST(Theme, ReduceMotionCanBeForced)
{
    ThemeGuard guard;
    Theme::setReduceMotion(true);
    EXPECT_TRUE(Theme::reduceMotion());
    Theme::setReduceMotion(false);
    EXPECT_FALSE(Theme::reduceMotion());
}

TEST(Theme, GradientsRunFromTopLeadingToBottomTrailingAndMirror)
{
    const auto g = Theme::diagonal(Qt::red, Qt::blue);
    const QRectF r(10, 20, 100, 50);
    const QLinearGradient ltr = Theme::toQGradient(g, r, Qt::LeftToRight);
    EXPECT_EQ(ltr.start(), QPointF(10, 20));
    EXPECT_EQ(ltr.finalStop(), QPointF(110, 70));
    const QLinearGradient rtl = Theme::toQGradient(g, r, Qt::RightToLeft);
    EXPECT_EQ(rtl.start(), QPointF(110, 20));
    EXPECT_EQ(rtl.finalStop(), QPointF(10, 70));
    EXPECT_EQ(Theme::brandGradient().stops.first().second, Theme::brandPrimary());
}

TEST(FirstUse, LoadsEachFaceOfTheFirstPageOnceThenHasNoneLeft)
{
    int loaded = 0;
    while (FirstUse::prepareNext()) ASSERT_LE(++loaded, 32);
    EXPECT_GE(loaded, 1);
    // Done: asking again loads nothing more, and the styles measure as they did.
    EXPECT_FALSE(FirstUse::prepareNext());
    EXPECT_GT(QFontMetricsF(Theme::font(Theme::TextStyle::title, QFont::DemiBold)).height(), 0);
}

TEST(FirstUse, PreparedWindowBufferIsTheOneTheFirstPaintUsesAndPaintsTheSame)
{
    // The buffer made ahead at the window's size must be the one painted into, and faulting its pages in changes none of them.
    Filled window(QColor(0x12, 0x34, 0x56));
    window.resize(320, 200);
    window.show();
    ASSERT_NE(window.backingStore(), nullptr);
    FirstUse::prepareWindowBuffer(window);
    EXPECT_EQ(window.backingStore()->size(), window.size());
    QThreadPool::globalInstance()->waitForDone();
    const QImage painted = window.grab().toImage();
    EXPECT_EQ(painted.pixelColor(painted.width() / 2, painted.height() / 2), QColor(0x12, 0x34, 0x56));
    // A window not shown yet has a store of no size: preparing it makes it at the window's.
    Filled later(QColor(0x12, 0x34, 0x56));
    later.resize(100, 80);
    later.winId();
    if (later.backingStore()) {
        FirstUse::prepareWindowBuffer(later);
        EXPECT_EQ(later.backingStore()->size(), later.size());
    }
    QThreadPool::globalInstance()->waitForDone();
}

TEST(FirstUse, AWindowResizedBeforeItsBufferIsTouchedStopsTheWorkerAndPaintsRight)
{
    // The pooled worker is held busy until the window has moved on from the buffer it was
    // given: it must then leave that buffer alone (gone or not) and the window paint as ever.
    Filled window(QColor(0x65, 0x43, 0x21));
    window.resize(320, 200);
    window.show();
    ASSERT_NE(window.backingStore(), nullptr);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    QThreadPool::globalInstance()->start([released] { released.wait(); });
    FirstUse::prepareWindowBuffer(window);
    window.resize(640, 420);
    QApplication::processEvents();
    window.backingStore()->resize(window.size());  // the old buffer is let go here
    release.set_value();
    QThreadPool::globalInstance()->waitForDone();
    const QImage painted = window.grab().toImage();
    EXPECT_EQ(painted.size(), QSize(640, 420) * painted.devicePixelRatio());
    EXPECT_EQ(painted.pixelColor(painted.width() - 2, painted.height() - 2), QColor(0x65, 0x43, 0x21));
}

TEST(FirstUse, APreparedBufferLeavesWhatIsPaintedMeanwhileAsItIs)
{
    // The worker's touch of each page races the first paint by design: it must change no pixel.
    class Stripes : public QWidget {
    protected:
        void paintEvent(QPaintEvent*) override
        {
            QPainter p(this);
            for (int y = 0; y < height(); ++y) p.fillRect(0, y, width(), 1, QColor(y % 256, 255 - y % 256, 0x40));
        }
    };
    Stripes window;
    window.resize(800, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    FirstUse::prepareWindowBuffer(window);
    window.repaint();
    QThreadPool::globalInstance()->waitForDone();
    auto* image = dynamic_cast<QImage*>(window.backingStore()->paintDevice());
    ASSERT_NE(image, nullptr);
    const qreal dpr = image->devicePixelRatio();
    for (int y : {0, 1, 77, 255, 256, 599})
        for (int x : {0, 400, 799}) EXPECT_EQ(image->pixelColor(QPoint(x, y) * dpr), QColor(y % 256, 255 - y % 256, 0x40)) << x << "," << y;
}

TEST(FirstUse, FacesLoadWhileTheWindowWaitsForItsFirstExposeAndNotOnceItIsExposed)
{
    QWidget exposed;
    exposed.resize(200, 100);
    exposed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&exposed));
    const int left = FirstUse::facesLeft();
    FirstUse::prepareUntilExposed(*exposed.windowHandle());
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    EXPECT_EQ(FirstUse::facesLeft(), left) << "an exposed window's moment is its paint's";

    QWidget waiting;
    waiting.winId();  // a window asked for, never shown: never exposed
    ASSERT_FALSE(waiting.windowHandle()->isExposed());
    FirstUse::prepareUntilExposed(*waiting.windowHandle());
    for (int i = 0; i < 40; ++i) QApplication::processEvents();
    EXPECT_EQ(FirstUse::facesLeft(), 0) << "every face is loaded while the window waits";
    EXPECT_FALSE(FirstUse::prepareNext());
}
