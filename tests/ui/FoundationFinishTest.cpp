// The drawing details of the shared widgets: the ring's glow and start cap, continuous
// corners, symbol sizes, reduce motion followed live, and what assistive technology sees.
#include "platform/DesktopSettings.h"
#include "support/AnimationClock.h"
#include "support/PixelProbe.h"
#include "support/Render.h"
#include "ui/CapabilityRowView.h"
#include "ui/Motion.h"
#include "ui/ScoreRing.h"
#include "ui/SmoothCorners.h"
#include "ui/Symbols.h"
#include "ui/Tiles.h"

#include <QAccessible>
#include <QDBusVariant>
#include <QPainter>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>

#include <cmath>

#include <gtest/gtest.h>

using Theme::Appearance;

namespace {
class Finish : public ::testing::Test {
protected:
    void SetUp() override { Theme::setReduceMotion(true); }
    void TearDown() override
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }
};

// The point `radius` from `centre` at `degrees` clockwise from twelve o'clock.
QPointF polar(QPointF centre, qreal radius, qreal degrees)
{
    const qreal a = degrees * M_PI / 180;
    return {centre.x() + radius * std::sin(a), centre.y() - radius * std::cos(a)};
}

QColor pixel(const QImage& img, QPointF p) { return PixelProbe::at(img, qRound(p.x() - 0.5), qRound(p.y() - 0.5)); }

// Tells the interface the desktop's animation setting changed, as the portal announces it.
void announceAnimations(bool enabled)
{
    DesktopSettings::applySettingChanged(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"),
                                         QVariant::fromValue(QDBusVariant(enabled)));
}
}  // namespace

// ---- Score ring ---------------------------------------------------------------------------

TEST_F(Finish, RingGlowShowsBeyondTheStrokeOnAllFourSidesAndFadesInsideTheWidget)
{
    for (Appearance a : {Appearance::Light, Appearance::Dark}) {
        SCOPED_TRACE(a == Appearance::Light ? "light" : "dark");
        Theme::setForcedAppearance(a);
        // On a window of its own, as a page shows it.
        QWidget window;
        window.setAutoFillBackground(true);
        auto* ring = new ScoreRing(1.0, 10, AngularGradient{{{0, QColor(255, 0, 0)}, {1, QColor(255, 0, 0)}}, 0}, &window);
        const QSize size = ScoreRing::sizeFor(100);
        EXPECT_EQ(size, QSize(100 + 2 * ScoreRing::kGlowMargin, 100 + 2 * ScoreRing::kGlowMargin));
        ring->resize(size);
        const QImage img = grabWidget(window, size, "en", a);
        EXPECT_EQ(ring->ringRect(), QRectF(ScoreRing::kGlowMargin, ScoreRing::kGlowMargin, 100, 100));
        const QPointF c = QRectF(QPointF(0, 0), size).center();
        const QColor background = PixelProbe::at(img, 0, 0);  // a corner, far from the ring
        const qreal outer = 50;                                  // the stroke's outer edge
        for (qreal degrees : {0.0, 90.0, 180.0, 270.0}) {
            SCOPED_TRACE(degrees);
            // Just beyond the stroke: the glow's blue over the window.
            const QColor near = pixel(img, polar(c, outer + 2.5, degrees));
            EXPECT_GT(near.blue() - near.red(), background.blue() - background.red() + 12);
            // At the widget's edge the glow has faded: nothing of it is cut off there.
            EXPECT_LE(PixelProbe::distance(pixel(img, polar(c, outer + ScoreRing::kGlowMargin - 0.5, degrees)), background), 3);
        }
    }
}

TEST_F(Finish, RingStartCapIsTheFirstGradientColour)
{
    // Blue at the start, red at the end: the seam at twelve o'clock must not show red on
    // the start cap's half that lies before twelve.
    const AngularGradient blueToRed{{{0, QColor(0, 0, 255)}, {1, QColor(255, 0, 0)}}, 0};
    for (double progress : {0.0, 0.25, 0.6}) {
        SCOPED_TRACE(progress);
        ScoreRing ring(progress, 16, blueToRed);
        const QSize size = ScoreRing::sizeFor(100);
        const QImage img = grabWidget(ring, size, "en", Appearance::Light);
        const QPointF c = QRectF(QPointF(0, 0), size).center();
        const qreal r = 50 - 8;  // the stroke's centre line
        for (qreal dx : {-5.0, -2.0, 0.0, 2.0}) {
            const QColor px = pixel(img, QPointF(c.x() + dx, c.y() - r));
            EXPECT_GT(px.blue(), 200) << dx;
            EXPECT_LT(px.red(), 60) << dx;
        }
    }
    // The end cap takes the colour where the arc ends.
    EXPECT_EQ(ScoreRing::colorAt(blueToRed, 0), QColor(0, 0, 255));
    EXPECT_EQ(ScoreRing::colorAt(blueToRed, 1), QColor(255, 0, 0));
    const QColor half = ScoreRing::colorAt(blueToRed, 0.5);
    EXPECT_NEAR(half.red(), 128, 2);
    EXPECT_NEAR(half.blue(), 128, 2);
    // A gradient that starts a quarter turn past twelve has its first colour there.
    const AngularGradient turned{{{0, QColor(0, 0, 255)}, {1, QColor(255, 0, 0)}}, 90};
    EXPECT_EQ(ScoreRing::colorAt(turned, 0.25), QColor(0, 0, 255));
    EXPECT_NEAR(ScoreRing::colorAt(turned, 0.0).red(), 191, 2);
}

TEST_F(Finish, GaugeOwnsTheRoomOfItsRingsGlow)
{
    RingGauge gauge("CPU", 0.5, "50%", QColor(0, 122, 255), 120);
    const int m = ScoreRing::kGlowMargin;
    const QSize hint = gauge.sizeHint();
    EXPECT_GE(hint.width(), 120 + 2 * m);
    gauge.resize(hint);
    gauge.show();
    EXPECT_EQ(gauge.ringRect(), QRectF((hint.width() - 120) / 2.0, m, 120, 120));
    EXPECT_EQ(gauge.ring()->geometry().size(), ScoreRing::sizeFor(120));
    EXPECT_EQ(gauge.ring()->geometry().top(), 0);
    EXPECT_EQ(gauge.ring()->ringRect().size(), QSizeF(120, 120));
}

// ---- Continuous corners -------------------------------------------------------------------

namespace {
// The outline's direction (degrees) and curvature (1/px) at evenly spaced points.
struct Profile {
    std::vector<qreal> angle, curvature;
};
Profile profile(const QPainterPath& path, int samples)
{
    Profile p;
    const qreal step = path.length() / samples;
    qreal previous = path.angleAtPercent(0);
    for (int i = 1; i < samples; ++i) {
        const qreal a = path.angleAtPercent(path.percentAtLength(i * step));
        qreal turn = a - previous;
        while (turn > 180) turn -= 360;
        while (turn < -180) turn += 360;
        p.angle.push_back(turn);
        p.curvature.push_back(std::abs(turn) * M_PI / 180 / step);
        previous = a;
    }
    return p;
}

qreal largestCurvatureJump(const Profile& p)
{
    qreal jump = 0;
    for (size_t i = 1; i < p.curvature.size(); ++i) jump = std::max(jump, std::abs(p.curvature[i] - p.curvature[i - 1]));
    return jump;
}
}  // namespace

TEST(SmoothCorners, CornerProfile)
{
    const QRectF rect(0, 0, 400, 400);
    const qreal r = 100;
    const QPainterPath smooth = SmoothCorners::path(rect, r);
    QPainterPath circular;
    circular.addRoundedRect(rect, r, r);
    EXPECT_EQ(smooth.boundingRect(), rect);

    // The straight part of the top edge ends 1.6 radii before each corner.
    for (qreal x : {161.0, 200.0, 239.0}) EXPECT_TRUE(smooth.contains(QPointF(x, 0.5))) << x;
    // One radius before the corner, where a circular corner is still straight, the
    // continuous one has already begun to bend away from the edge.
    EXPECT_TRUE(circular.contains(QPointF(300, 0.5)));
    EXPECT_FALSE(smooth.contains(QPointF(300, 0.5)));
    EXPECT_FALSE(smooth.contains(QPointF(355, 0.5)));
    // On the corner's diagonal the outline meets the corner's circle.
    const QPointF onCircle(400 - r + r * M_SQRT1_2, r - r * M_SQRT1_2);
    const QPointF inward(-M_SQRT1_2, M_SQRT1_2);
    EXPECT_TRUE(smooth.contains(onCircle + inward * 0.75));
    EXPECT_FALSE(smooth.contains(onCircle - inward * 0.75));
    // Every corner alike (the outline is symmetric).
    for (const QPointF& p : {QPointF(100, 0.5), QPointF(0.5, 300), QPointF(399.5, 100), QPointF(300, 399.5)})
        EXPECT_FALSE(smooth.contains(p)) << p.x() << "," << p.y();

    // No kink anywhere, and the curvature grows from the edge instead of jumping to 1/r.
    const Profile s = profile(smooth, 4000), c = profile(circular, 4000);
    for (qreal turn : s.angle) ASSERT_LT(std::abs(turn), 1.0);
    EXPECT_GT(largestCurvatureJump(c), 0.8 / r);
    EXPECT_LT(largestCurvatureJump(s), 0.25 / r);
}

TEST(SmoothCorners, ShortSidesCapsulesAndDegenerateRects)
{
    // Too little room for the full transitions: they shorten, the outline stays inside.
    for (const QRectF& rect : {QRectF(10, 10, 40, 40), QRectF(0, 0, 120, 30), QRectF(0, 0, 30, 120)}) {
        const QPainterPath p = SmoothCorners::path(rect, 14);
        EXPECT_EQ(p.boundingRect(), rect);
        for (qreal turn : profile(p, 2000).angle) ASSERT_LT(std::abs(turn), 2.0);
    }
    // A radius of half the shorter side or more: round ends.
    const QRectF pill(0, 0, 120, 40);
    for (const QPainterPath& p : {SmoothCorners::path(pill, 20), SmoothCorners::path(pill, 500), SmoothCorners::capsule(pill)}) {
        EXPECT_EQ(p.boundingRect(), pill);
        for (int i = 0; i <= 200; ++i) {
            const QPointF q = p.pointAtPercent(i / 200.0);
            if (q.x() < 19.5) {
                EXPECT_NEAR(std::hypot(q.x() - 20, q.y() - 20), 20, 0.05);
            } else if (q.x() > 100.5) {
                EXPECT_NEAR(std::hypot(q.x() - 100, q.y() - 20), 20, 0.05);
            }
        }
    }
    // No radius: the rectangle; nothing to draw: nothing.
    QPainterPath plain;
    plain.addRect(QRectF(0, 0, 30, 20));
    EXPECT_EQ(SmoothCorners::path(QRectF(0, 0, 30, 20), 0), plain);
    EXPECT_EQ(SmoothCorners::path(QRectF(0, 0, 30, 20), std::nan("")), plain);
    EXPECT_TRUE(SmoothCorners::path(QRectF(0, 0, 0, 20), 5).isEmpty());
}

// ---- Symbols ------------------------------------------------------------------------------

TEST(SymbolSize, TheInkMatchesTheRequestedSize)
{
    // A filled circle's ink is the symbol's whole live area.
    for (qreal size : {16.0, 19.2, 24.0, 40.0, 48.0}) {
        SCOPED_TRACE(size);
        QImage img(128, 128, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            Symbols::draw(p, "circle.fill", QRectF(64 - size / 2, 64 - size / 2, size, size), QColor(Qt::black));
        }
        int left = 128, right = -1, top = 128, bottom = -1;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                if (qAlpha(img.pixel(x, y)) >= 128) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        EXPECT_NEAR(right - left + 1, size, 1.5);
        EXPECT_NEAR(bottom - top + 1, size, 1.5);
        EXPECT_NEAR((left + right + 1) / 2.0, 64, 1.0);
    }
}

// ---- Reduce motion ------------------------------------------------------------------------

TEST(ReduceMotion, FollowsTheDesktopWhileRunning)
{
    Theme::setReduceMotion(std::nullopt);
    announceAnimations(true);
    QSignalSpy changed(&Theme::Notifier::shared(), &Theme::Notifier::reduceMotionChanged);
    EXPECT_FALSE(Theme::reduceMotion());

    announceAnimations(false);
    EXPECT_TRUE(Theme::reduceMotion());
    EXPECT_EQ(changed.count(), 1);
    announceAnimations(false);  // the same value again is no change
    EXPECT_EQ(changed.count(), 1);

    // Other settings and values of another type say nothing about animations.
    DesktopSettings::applySettingChanged("org.gnome.desktop.interface", "color-scheme", QVariant::fromValue(QDBusVariant(true)));
    DesktopSettings::applySettingChanged("org.gnome.desktop.a11y", "enable-animations", QVariant::fromValue(QDBusVariant(true)));
    DesktopSettings::applySettingChanged("org.gnome.desktop.interface", "enable-animations", QVariant::fromValue(QDBusVariant("yes")));
    DesktopSettings::applySettingChanged("org.gnome.desktop.interface", "enable-animations", QVariant());
    EXPECT_TRUE(Theme::reduceMotion());
    EXPECT_EQ(changed.count(), 1);

    // Doubly wrapped, as some portals send it.
    DesktopSettings::applySettingChanged("org.gnome.desktop.interface", "enable-animations",
                                         QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(true)))));
    EXPECT_FALSE(Theme::reduceMotion());
    EXPECT_EQ(changed.count(), 2);

    // A forced setting wins and hides the desktop's changes.
    Theme::setReduceMotion(false);
    changed.clear();
    announceAnimations(false);
    EXPECT_FALSE(Theme::reduceMotion());
    EXPECT_EQ(changed.count(), 0);
    Theme::setReduceMotion(std::nullopt);
    EXPECT_TRUE(Theme::reduceMotion());
    announceAnimations(true);
}

// On the wall clock (no test clock installed): a stepped ease changes its value only by
// whole steps, at least a frame apart, and still ends exactly on its target.
TEST(SteppedMotion, ChangesByStepsAndEndsOnTheTarget)
{
    Theme::setReduceMotion(false);
    MotionValue value(0.2);
    QList<double> seen;
    QObject::connect(&value, &MotionValue::valueChanged, [&](double v) { seen << v; });
    const Theme::Animation ease{300, Theme::easeOutCurve()};
    value.animateInSteps(0.5, ease, 0.05);
    EXPECT_TRUE(value.isAnimating());
    QSignalSpy done(&value, &MotionValue::valueChanged);
    for (int i = 0; i < 200 && value.isAnimating(); ++i) done.wait(50);
    EXPECT_FALSE(value.isAnimating());
    EXPECT_DOUBLE_EQ(value.value(), 0.5);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_DOUBLE_EQ(seen.last(), 0.5);
    // 0.3 in steps of 0.05: six changes at most, each but the last at least a step on.
    EXPECT_LE(seen.size(), 6);
    double before = 0.2;
    for (qsizetype i = 0; i + 1 < seen.size(); ++i) {
        EXPECT_GE(seen[i] - before, 0.05 - 1e-9) << i;
        before = seen[i];
    }
    // Motion reduced half-way: the target at once.
    value.animateInSteps(0.9, ease, 0.05);
    Theme::setReduceMotion(true);
    EXPECT_DOUBLE_EQ(value.value(), 0.9);
    EXPECT_FALSE(value.isAnimating());
    Theme::setReduceMotion(std::nullopt);
}

TEST(ReduceMotion, AnAnimationUnderWayFinishesAtOnceWhenTheDesktopTurnsMotionOff)
{
    Theme::setReduceMotion(std::nullopt);
    announceAnimations(true);
    FakeAnimationClock clock;
    ScoreRing ring(0.8, 10, AngularGradient{{{0, Qt::red}, {1, Qt::red}}, 0});
    ring.resize(ScoreRing::sizeFor(100));
    ring.show();
    clock.advance(200);
    EXPECT_GT(ring.shown(), 0);
    EXPECT_LT(ring.shown(), 0.8);
    announceAnimations(false);
    EXPECT_DOUBLE_EQ(ring.shown(), 0.8);
    ring.setProgress(0.3);  // and later changes show at once
    EXPECT_DOUBLE_EQ(ring.shown(), 0.3);
    announceAnimations(true);
}

// ---- Accessibility ------------------------------------------------------------------------

TEST(Accessibility, RowPillAndEmptyStateAreOneElementAndTheIconTileIsHidden)
{
    const auto item = CapabilityItem::make("Chip", "M2", CapabilityStatus::supported, "chip");
    CapabilityRowView row(item, QStringLiteral("Processor"), Localization::english());
    SpecPill pill("cpu", "Chip", "Apple M2");
    EmptyStateView empty("magnifyingglass", "No Results", QStringLiteral("Try another word."));
    const struct {
        QWidget* widget;
        const char* name;
    } single[] = {{&row, "Chip, Processor, M2, Supported"}, {&pill, "Chip, Apple M2"}, {&empty, "No Results, Try another word."}};
    for (const auto& s : single) {
        SCOPED_TRACE(s.name);
        s.widget->show();
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(s.widget);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->childCount(), 0);  // its labels are not read again one by one
        EXPECT_EQ(a->child(0), nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(s.name));
        EXPECT_FALSE(a->state().invisible);
    }

    IconTile tile("cpu", 40, Theme::LinearGradient{});
    QAccessibleInterface* t = QAccessible::queryAccessibleInterface(&tile);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->state().invisible);
    EXPECT_TRUE(t->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(t->childCount(), 0);
}


TEST(ReduceMotion, ThePortalsAnnouncementOnTheBusReachesTheInterface)
{
    // A bus of our own with a stand-in portal that announces the change.
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!daemon.waitForStarted(3000) || !daemon.waitForReadyRead(3000)) GTEST_SKIP() << "no dbus-daemon here";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        QDBusConnection app = QDBusConnection::connectToBus(address, QStringLiteral("quorlent-test-app"));
        QDBusConnection portal = QDBusConnection::connectToBus(address, QStringLiteral("quorlent-test-portal"));
        ASSERT_TRUE(app.isConnected() && portal.isConnected());
        ASSERT_TRUE(portal.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

        Theme::setReduceMotion(std::nullopt);
        announceAnimations(true);
        ASSERT_TRUE(DesktopSettings::followChanges(app));
        QSignalSpy changed(&Theme::Notifier::shared(), &Theme::Notifier::reduceMotionChanged);

        auto announce = [&](const QString& group, const QString& key, const QVariant& value) {
            QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                             QStringLiteral("org.freedesktop.portal.Settings"),
                                                             QStringLiteral("SettingChanged"));
            signal << group << key << QVariant::fromValue(QDBusVariant(value));
            portal.send(signal);
        };
        announce("org.gnome.desktop.interface", "color-scheme", 1u);  // not followed
        announce("org.gnome.desktop.interface", "enable-animations", false);
        EXPECT_TRUE(changed.wait(3000));
        EXPECT_TRUE(Theme::reduceMotion());
        EXPECT_EQ(changed.count(), 1);

        announce("org.gnome.desktop.interface", "enable-animations", true);
        EXPECT_TRUE(changed.wait(3000));
        EXPECT_FALSE(Theme::reduceMotion());
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("quorlent-test-app"));
    QDBusConnection::disconnectFromBus(QStringLiteral("quorlent-test-portal"));
    daemon.kill();
    daemon.waitForFinished(3000);
}
