#include "shell/QuorlentApplication.h"
#include "support/PixelProbe.h"
#include "support/Render.h"
#include "ui/ScoreRing.h"
#include "ui/StatusIcon.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"

#include <QApplication>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <gtest/gtest.h>

// What every window shows must follow a language or appearance switch made while it is open.
namespace {
struct Reset {
    ~Reset()
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
        Theme::setReduceMotion(std::nullopt);
        QApplication::setLayoutDirection(Qt::LeftToRight);
    }
};

// The same widget pictured while the application runs left to right and right to left.
template <typename Make>
void expectSamePictureWhateverTheApplicationDirection(Make make, QSize size, const char* what)
{
    Reset reset;
    // Both pictures show the final state: a gauge still sweeping in would differ by its timing alone.
    Theme::setReduceMotion(true);
    QApplication::setLayoutDirection(Qt::LeftToRight);
    std::unique_ptr<QWidget> a(make());
    const QImage ltrApp = grabWidget(*a, size, "ar", Theme::Appearance::Light);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    std::unique_ptr<QWidget> b(make());
    const QImage rtlApp = grabWidget(*b, size, "ar", Theme::Appearance::Light);
    EXPECT_TRUE(ltrApp == rtlApp) << what << ": the painter took the application's direction, not the widget's";
}
}  // namespace

TEST(MainWindowLiveLanguage, PaintersTakeTheirWidgetsDirection)
{
    const QString arabicRate = QString::fromUtf8("٢ كيلوبايت/s");
    expectSamePictureWhateverTheApplicationDirection(
        [&] { return new RingGauge(QString::fromUtf8("الشبكة"), 0.4, arabicRate, Theme::statusWarning(), 80); }, QSize(120, 110),
        "ring gauge");
    expectSamePictureWhateverTheApplicationDirection(
        [&] { return new StatTile(12, QString::fromUtf8("تحذيرات 3/s"), QRL_SYMBOL("exclamationmark.triangle.fill"), Theme::statusWarning()); },
        QSize(200, 64), "stat tile");
    expectSamePictureWhateverTheApplicationDirection(
        [&] { return new SpecPill(QRL_SYMBOL("cpu"), QString::fromUtf8("المعالج"), QString::fromUtf8("Apple M2 ٨ نوى")); },
        QSize(200, 56), "spec pill");
    expectSamePictureWhateverTheApplicationDirection(
        [&] { return new IconTile(QRL_SYMBOL("chevron.forward"), 40, Theme::brandGradient()); }, QSize(40, 40), "icon tile");
}

TEST(MainWindowLiveAppearance, NamedColoursAreKeptByName)
{
    Reset reset;
    Theme::setForcedAppearance(Theme::Appearance::Light);
    const Theme::Tint green(Theme::statusSupported());
    QColor faint = Theme::brandPrimary();
    faint.setAlphaF(0.75f);
    const Theme::Tint faintBrand(faint);
    const Theme::Tint secondary(Theme::foreground(Theme::Level::secondary));
    const Theme::Tint own(QColor(12, 34, 56));
    const Theme::Tint black(QColor(Qt::black));
    EXPECT_TRUE(green.followsAppearance());
    EXPECT_TRUE(faintBrand.followsAppearance());
    EXPECT_TRUE(secondary.followsAppearance());
    EXPECT_FALSE(own.followsAppearance());
    EXPECT_FALSE(black.followsAppearance());  // more opaque than any level: a colour of its own
    Theme::setForcedAppearance(Theme::Appearance::Dark);
    EXPECT_EQ(green.resolve(), Theme::color(Theme::Color::statusSupported, Theme::Appearance::Dark));
    QColor darkFaint = Theme::color(Theme::Color::brandPrimary, Theme::Appearance::Dark);
    darkFaint.setAlphaF(0.75f);
    EXPECT_TRUE(PixelProbe::near(faintBrand.resolve(), darkFaint, 1));
    EXPECT_NEAR(faintBrand.resolve().alphaF(), 0.75, 0.01);
    EXPECT_EQ(secondary.resolve(), Theme::foreground(Theme::Level::secondary, Theme::Appearance::Dark));
    EXPECT_EQ(own.resolve(), QColor(12, 34, 56));
    const Theme::TintedStops stops(Theme::diagonal(QColor(12, 34, 56), Theme::color(Theme::Color::brandPrimary, Theme::Appearance::Dark)).stops);
    Theme::setForcedAppearance(Theme::Appearance::Light);
    EXPECT_EQ(stops.resolve().at(0).second, QColor(12, 34, 56));
    EXPECT_EQ(stops.resolve().at(1).second, Theme::color(Theme::Color::brandPrimary, Theme::Appearance::Light));
}

TEST(MainWindowLiveAppearance, TilesAndGaugesFollowALaterSwitch)
{
    Reset reset;
    // Hover and counts change at once, so two pictures never catch an animation at different points.
    Theme::setReduceMotion(true);
    // Built while the desktop is light, pictured after it turned dark …
    Theme::setForcedAppearance(Theme::Appearance::Light);
    StatTile tileLight(3, "Supported", QRL_SYMBOL("checkmark.circle.fill"), Theme::statusSupported());
    RingGauge gaugeLight("Memory", 1.0, "50 %", Theme::statusSupported(), 80);
    IconTile iconLight(QRL_SYMBOL("cpu"), 40, Theme::brandGradient());
    const QImage tileA = grabWidget(tileLight, QSize(200, 64), "en", Theme::Appearance::Dark);
    const QImage gaugeA = grabWidget(gaugeLight, QSize(100, 110), "en", Theme::Appearance::Dark);
    const QImage iconA = grabWidget(iconLight, QSize(40, 40), "en", Theme::Appearance::Dark);
    // … look as those built while dark.
    Theme::setForcedAppearance(Theme::Appearance::Dark);
    StatTile tileDark(3, "Supported", QRL_SYMBOL("checkmark.circle.fill"), Theme::statusSupported());
    RingGauge gaugeDark("Memory", 1.0, "50 %", Theme::statusSupported(), 80);
    IconTile iconDark(QRL_SYMBOL("cpu"), 40, Theme::brandGradient());
    const QImage tileB = grabWidget(tileDark, QSize(200, 64), "en", Theme::Appearance::Dark);
    const QImage gaugeB = grabWidget(gaugeDark, QSize(100, 110), "en", Theme::Appearance::Dark);
    const QImage iconB = grabWidget(iconDark, QSize(40, 40), "en", Theme::Appearance::Dark);
    // The tile's tint near its edge, the ring's arc at twelve o'clock, the icon tile's corner.
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(tileA, 6, 32), PixelProbe::at(tileB, 6, 32), 1));
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(gaugeA, 50, 4), PixelProbe::at(gaugeB, 50, 4), 1));
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(iconA, 8, 8), PixelProbe::at(iconB, 8, 8), 1));
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(iconA, 32, 32), PixelProbe::at(iconB, 32, 32), 1));

    ThemedLabel label("x", Theme::font(Theme::TextStyle::body), Theme::Level::primary);
    Theme::setForcedAppearance(Theme::Appearance::Light);
    label.setColor(Theme::statusWarning());
    Theme::setForcedAppearance(Theme::Appearance::Dark);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), Theme::color(Theme::Color::statusWarning, Theme::Appearance::Dark));
}

TEST(MainWindowLiveAppearance, StandardControlsTakeTheThemesPalette)
{
    Reset reset;
    QuorlentApplication::applyStandardStyle();
    // Fusion, possibly behind a proxy of ours that changes an icon or two.
    const QStyle* style = QApplication::style();
    if (auto* proxy = qobject_cast<const QProxyStyle*>(style)) style = proxy->baseStyle();
    EXPECT_EQ(style->name().toLower(), "fusion");
    Theme::setForcedAppearance(Theme::Appearance::Dark);
    QWidget window;
    auto* button = new QPushButton("Relaunch Now", &window);
    (void)button;
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(button->palette().color(QPalette::Button), Theme::palette(Theme::Appearance::Dark).color(QPalette::Button));
    EXPECT_EQ(window.palette().color(QPalette::Window), Theme::palette(Theme::Appearance::Dark).color(QPalette::Window));
    // A switch recolours what is already on screen.
    Theme::setForcedAppearance(Theme::Appearance::Light);
    EXPECT_EQ(button->palette().color(QPalette::Button), Theme::palette(Theme::Appearance::Light).color(QPalette::Button));
    EXPECT_EQ(window.palette().color(QPalette::Window), Theme::palette(Theme::Appearance::Light).color(QPalette::Window));
}

TEST(MainWindowLiveAppearance, TheToolbarOverflowButtonHasAnIconDrawnWithoutImageFiles)
{
    Reset reset;
    QuorlentApplication::applyStandardStyle();
    QuorlentApplication::applyStandardStyle();  // a second call keeps the one style
    const auto* proxy = qobject_cast<const QProxyStyle*>(QApplication::style());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(qobject_cast<const QProxyStyle*>(proxy->baseStyle()), nullptr);
    for (QStyle::StandardPixmap which : {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        const QImage image = QApplication::style()->standardIcon(which).pixmap(16).toImage();
        ASSERT_FALSE(image.isNull());
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(inked, 4) << int(which);  // a visible chevron, not an empty square
    }
    // Every other icon is still the style's own.
    EXPECT_FALSE(QApplication::style()->standardIcon(QStyle::SP_DialogOkButton).isNull());
}
