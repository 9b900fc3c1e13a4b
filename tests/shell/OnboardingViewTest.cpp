#include "platform/Preferences.h"
#include "shell/OnboardingView.h"
#include "support/AnimationClock.h"
#include "support/Input.h"
#include "support/SampleLanguage.h"
#include "ui/Buttons.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>

#include <cmath>
#include <QTest>
#include <QVariantAnimation>

#include <QTimer>

#include <gtest/gtest.h>

namespace {

class OnboardingTest : public ::testing::Test {
protected:
    void SetUp() override { Theme::setReduceMotion(true); }
    void TearDown() override
    {
        mainWindow.reset();
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }

    OnboardingView* present()
    {
        mainWindow->show();
        OnboardingView* v = OnboardingView::present(mainWindow.get(), prefs, [this] { ++closed; });
        QCoreApplication::processEvents();
        return v;
    }
    bool completed() const { return prefs.boolValue(OnboardingView::kCompletedKey).value_or(false); }
    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Preferences prefs;  // in memory
    std::unique_ptr<QWidget> mainWindow = std::make_unique<QWidget>();
    int closed = 0;
};

// What each page offers.
TEST_F(OnboardingTest, PageStateTable)
{
    struct Row {
        int page;
        bool skipVisible;
        bool skipEnabled;
        bool backVisible;
        const char* primary;
        const char* dots;
    };
    OnboardingView* v = present();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->size(), QSize(600, 470));
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(v->windowModality(), Qt::WindowModal);
    EXPECT_EQ(v->parentWidget(), mainWindow.get());
    const int skipX = v->skipButton()->x();
    for (const Row& r : {Row{0, true, true, false, "Continue", "Page 1 of 2"}, Row{1, false, false, true, "Get Started", "Page 2 of 2"},
                         Row{0, true, true, false, "Continue", "Page 1 of 2"}}) {
        SCOPED_TRACE(r.page);
        v->go(r.page);
        QCoreApplication::processEvents();
        EXPECT_EQ(v->page(), r.page);
        EXPECT_EQ(v->skipButton()->isVisible(), r.skipVisible);
        EXPECT_EQ(v->skipButton()->isEnabled(), r.skipEnabled);
        // Skip keeps its place, so the bar does not move.
        EXPECT_EQ(v->skipButton()->x(), skipX);
        EXPECT_EQ(v->backButton()->isVisible(), r.backVisible);
        EXPECT_EQ(v->primaryButton()->text(), r.primary);
        EXPECT_TRUE(v->primaryButton()->isDefault());
        EXPECT_EQ(v->dots()->accessibleName(), r.dots);
        EXPECT_EQ(v->dots()->current(), r.page);
        EXPECT_EQ(v->pages()->currentPage()->objectName(), r.page == 0 ? "onboardingWelcome" : "onboardingFeatures");
    }
    // The page never leaves its range.
    v->go(5);
    EXPECT_EQ(v->page(), 1);
    v->go(-3);
    EXPECT_EQ(v->page(), 0);
    EXPECT_FALSE(completed());
}

TEST_F(OnboardingTest, ReturnTwiceFinishes)
{
    OnboardingView* v = present();
    QTest::keyClick(v, Qt::Key_Return);
    EXPECT_EQ(v->page(), 1);
    EXPECT_FALSE(completed());
    EXPECT_EQ(closed, 0);
    QTest::keyClick(v, Qt::Key_Return);
    EXPECT_TRUE(completed());
    EXPECT_EQ(closed, 1);
    settle();
    EXPECT_EQ(OnboardingView::current(), nullptr);
}

TEST_F(OnboardingTest, BackReturnsToTheWelcomePage)
{
    OnboardingView* v = present();
    click(v->primaryButton());
    ASSERT_EQ(v->page(), 1);
    click(v->backButton());
    EXPECT_EQ(v->page(), 0);
    EXPECT_FALSE(v->backButton()->isVisible());
}

// Every way of closing marks the onboarding completed and tells the presenter once.
TEST_F(OnboardingTest, EveryWayOfClosingSetsThePreference)
{
    struct Way {
        const char* name;
        std::function<void(OnboardingView*)> close;
    };
    const std::vector<Way> ways = {
        {"skipOnTheFirstPage", [](OnboardingView* v) { click(v->skipButton()); }},
        {"getStarted", [](OnboardingView* v) {
             v->go(1);
             click(v->primaryButton());
         }},
        {"escape", [](OnboardingView* v) { QTest::keyClick(v, Qt::Key_Escape); }},
        {"closeButton", [](OnboardingView* v) { v->close(); }},
    };
    for (const Way& w : ways) {
        SCOPED_TRACE(w.name);
        prefs.remove(OnboardingView::kCompletedKey);
        closed = 0;
        if (!mainWindow) mainWindow = std::make_unique<QWidget>();
        OnboardingView* v = present();
        const int page = v->page();
        w.close(v);
        settle();
        EXPECT_TRUE(completed());
        EXPECT_EQ(page, 0);
        EXPECT_EQ(OnboardingView::current(), nullptr);
        EXPECT_EQ(closed, 1);
    }
}

// Quitting while the sheet is open (from the menu, the tray, the session) closes it
// without the user having seen it through: it shows again at the next start.
TEST_F(OnboardingTest, QuittingDoesNotCountAsCompleted)
{
    OnboardingView* v = present();
    ASSERT_TRUE(v->isVisible());
    QTimer::singleShot(0, [] { QApplication::quit(); });
    QApplication::exec();
    settle();
    EXPECT_FALSE(completed());
    // Its window going away with the application does not count either.
    if (OnboardingView::current()) mainWindow.reset();
    settle();
    EXPECT_FALSE(completed());
    EXPECT_EQ(OnboardingView::current(), nullptr);

    mainWindow = std::make_unique<QWidget>();
    OnboardingView* again = present();
    mainWindow.reset();
    settle();
    EXPECT_FALSE(completed());
    Q_UNUSED(again);
}

TEST_F(OnboardingTest, PresentingAgainRaisesTheOpenSheet)
{
    OnboardingView* v = present();
    v->go(1);
    EXPECT_EQ(present(), v);
    EXPECT_EQ(v->page(), 1);
    // A sheet shown again starts on the first page, and showing it changes nothing stored.
    v->close();
    settle();
    prefs.setValue(OnboardingView::kCompletedKey, false);
    OnboardingView* again = present();
    EXPECT_EQ(again->page(), 0);
    EXPECT_EQ(prefs.boolValue(OnboardingView::kCompletedKey), false);
    again->close();
    settle();
}

TEST_F(OnboardingTest, PagesSlideWithAFadeAndMirrorRightToLeft)
{
    Theme::setReduceMotion(false);
    FakeAnimationClock clock;
    QVariantAnimation keepAlive;  // keeps the test clock's driver running
    keepAlive.setStartValue(0.0);
    keepAlive.setEndValue(1.0);
    keepAlive.setDuration(1000);
    keepAlive.setLoopCount(-1);
    keepAlive.start();
    for (auto direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        SCOPED_TRACE(direction == Qt::LeftToRight ? "ltr" : "rtl");
        OnboardingView* v = present();
        v->setLayoutDirection(direction);
        clock.advance(20);
        const int restX = v->pages()->currentPage()->x();
        for (int target : {1, 0}) {
            v->go(target);
            clock.advance(50);
            ASSERT_TRUE(v->pages()->isSliding());
            QWidget* incoming = v->pages()->currentPage();
            // The new page comes from the trailing edge, whichever way we go.
            const int shift = incoming->x() - restX;
            EXPECT_GT(direction == Qt::LeftToRight ? shift : -shift, 0);
            EXPECT_NE(incoming->graphicsEffect(), nullptr);
            clock.advance(1000);
            EXPECT_FALSE(v->pages()->isSliding());
            EXPECT_EQ(v->pages()->currentPage()->x(), restX);
            EXPECT_EQ(v->pages()->currentPage()->graphicsEffect(), nullptr);
        }
        v->close();
        settle();
    }
    // With reduced motion the page changes at once.
    Theme::setReduceMotion(true);
    OnboardingView* v = present();
    v->go(1);
    EXPECT_FALSE(v->pages()->isSliding());
    EXPECT_EQ(v->pages()->currentPage()->objectName(), "onboardingFeatures");
    v->close();
    settle();
}

TEST_F(OnboardingTest, FollowsTheLanguage)
{
    OnboardingView* v = present();
    {
        UiLanguage::Override lang(sampleLocalization("de"));
        sendLanguageChange(v);
        EXPECT_EQ(v->primaryButton()->text(), QString::fromUtf8("Weiter"));
        EXPECT_EQ(v->dots()->accessibleName(), "Seite 1 von 2");
        EXPECT_EQ(v->pages()->currentPage()->findChild<ThemedLabel*>("welcomeTitle")->text(),
                  QString::fromUtf8("Lerne deinen Mac in- und auswendig kennen"));
    }
    v->close();
    settle();
}

TEST_F(OnboardingTest, Renders)
{
    for (const QString code : {"en", "de", "ru", "ar"}) {
        for (auto a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
            for (int page : {0, 1}) {
                UiLanguage::Override lang(sampleLocalization(code));
                OnboardingView v(prefs);
                v.go(page);
                const QString path = renderSample(v, QSize(600, 470), code, a, QStringLiteral("onboarding-page%1").arg(page));
                EXPECT_GT(QFileInfo(path).size(), 0);
                // Nothing of a page is cut: every label has the height its text needs.
                for (QLabel* l : v.pages()->currentPage()->findChildren<QLabel*>()) {
                    if (!l->isVisible()) continue;
                    EXPECT_GE(l->height(), l->heightForWidth(l->width())) << l->text().toStdString();
                    EXPECT_TRUE(v.pages()->rect().contains(l->mapTo(v.pages(), QPoint(0, l->height() - 1))));
                    EXPECT_TRUE(l->parentWidget()->rect().contains(l->geometry())) << l->text().toStdString();
                }
            }
        }
    }
}

TEST(OnboardingBackdrop, TheGlowHasNoStepsAndKeepsItsShade)
{
    // White under a faint blue: an 8-bit gradient of this alpha has one step every dozen pixels
    // along the radius, and those steps read as rings.
    const QColor background(255, 255, 255);
    QColor glow(0, 122, 255);
    glow.setAlphaF(0.12);
    const QImage img = OnboardingView::backdrop(QSize(600, 470), background, glow, 380);
    ASSERT_EQ(img.size(), QSize(600, 470));
    // Down the middle, straight along the radius from the top edge's centre.
    const int x = 300;
    // Rounded without noise the red channel takes about 29 steps over these 360 pixels, each
    // a plateau a dozen pixels wide; dithered, neighbours differ all the way down.
    int changes = 0;
    for (int y = 1; y < 360; ++y)
        if (img.pixel(x, y) != img.pixel(x, y - 1)) ++changes;
    // On average each shade is the exact blend: dithering moves pixels, not the tone.
    double worst = 0;
    for (int y0 = 0; y0 + 24 <= 360; y0 += 24) {
        double sum = 0, exact = 0;
        for (int y = y0; y < y0 + 24; ++y) {
            for (int dx = -2; dx <= 2; ++dx) {
                sum += qRed(img.pixel(x + dx, y));
                const double t = std::hypot(x + dx + 0.5 - 300, y + 0.5) / 380;
                exact += 255 * (1 - (t < 1 ? 0.12 * (1 - t) : 0));
            }
        }
        worst = std::max(worst, std::abs(sum - exact) / (24 * 5));
    }
    EXPECT_GT(changes, 120) << "plateaus along the radius";
    EXPECT_LT(worst, 0.35);
    // Past the glow's reach the window's background is flat.
    EXPECT_EQ(img.pixel(10, 460), background.rgb());
}

}  // namespace
