// The capability score: the share of rated items that are supported, info never rated.
#include "screens/CapabilityScore.h"
#include "screens/HeroCard.h"
#include "screens/OverviewView.h"

#include "OverviewFixtures.h"
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "support/AnimationClock.h"
#include "ui/Formatters.h"
#include "ui/ScoreRing.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

using ScreenFixtures::item;
using S = CapabilityStatus;

namespace {
QList<CapabilitySection> sectionWith(int supported, int warning, int unsupported, int info)
{
    QList<CapabilityItem> items;
    for (int i = 0; i < supported; ++i) items << item("s", "v", S::supported);
    for (int i = 0; i < warning; ++i) items << item("w", "v", S::warning);
    for (int i = 0; i < unsupported; ++i) items << item("u", "v", S::unsupported);
    for (int i = 0; i < info; ++i) items << item("i", "v", S::info);
    return {CapabilitySection::make("A", "cpu", items.mid(0, items.size() / 2)),
            CapabilitySection::make("B", "film", items.mid(items.size() / 2))};
}

struct ReduceMotion {
    explicit ReduceMotion(bool on) { Theme::setReduceMotion(on); }
    ~ReduceMotion() { Theme::setReduceMotion(std::nullopt); }
};
}  // namespace

TEST(CapabilityScore, Table)
{
    struct Case {
        const char* name;
        QList<CapabilitySection> sections;
        double expected;
    };
    const Case cases[] = {
        {"no sections", {}, 0.0},
        {"sections without items", {CapabilitySection::make("A", "cpu"), CapabilitySection::make("B", "film")}, 0.0},
        {"all info", sectionWith(0, 0, 0, 7), 0.0},
        {"only warnings", sectionWith(0, 4, 0, 0), 0.0},
        {"only unsupported", sectionWith(0, 0, 3, 2), 0.0},
        {"mixed", sectionWith(10, 5, 5, 7), 0.5},
        {"two thirds", sectionWith(2, 1, 0, 9), 2.0 / 3.0},
        {"all rated supported", sectionWith(6, 0, 0, 3), 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CapabilityScore::of(c.sections), c.expected);
    }
    EXPECT_EQ(CapabilityScore::from(0, 0, 0), 0.0);
    EXPECT_EQ(CapabilityScore::from(1, 1, 0), 0.5);  // a warning counts against the score
}

TEST(CapabilityScore, OverviewShowsTheUnroundedFractionAsAPercentage)
{
    ReduceMotion reduce(true);
    ScreenFixtures::Inspection inspection(ScreenFixtures::Inspection::Kind::richLaptop);
    Quorlent& model = inspection.model();
    Preferences prefs;
    LanguageManager language(prefs, [] { return QStringList{"en_US"}; });
    AppRouter router;
    OverviewView view(model, language, router);
    EXPECT_EQ(view.score(), CapabilityScore::of(model.sections()));
    EXPECT_EQ(view.score(), CapabilityScore::from(model.count(S::supported), model.count(S::warning), model.count(S::unsupported)));
    ScoreColumn* column = view.heroCard()->scoreColumn();
    EXPECT_EQ(column->ring()->progress(), view.score());
    EXPECT_EQ(column->findChild<QLabel*>("percent")->text(), Formatters::percent(view.score()));
    EXPECT_EQ(column->accessibleName(), "Capability score");
    EXPECT_EQ(column->toolTip(), "Share of rated capabilities that this Mac supports");
    view.resize(1180, 900);
    view.show();
    QApplication::processEvents();
    // With motion reduced the ring shows its value at once.
    EXPECT_DOUBLE_EQ(column->ring()->shown(), ScoreRing::clampProgress(view.score()));
}

TEST(CapabilityScore, RingSweepsOnFirstShow)
{
    ReduceMotion reduce(false);
    FakeAnimationClock clock;
    ScreenFixtures::Inspection inspection(ScreenFixtures::Inspection::Kind::richLaptop);
    Preferences prefs;
    LanguageManager language(prefs, [] { return QStringList{"en_US"}; });
    AppRouter router;
    OverviewView view(inspection.model(), language, router);
    view.resize(1180, 900);
    view.show();
    QApplication::processEvents();
    ScoreRing* ring = view.heroCard()->scoreColumn()->ring();
    EXPECT_LT(ring->shown(), view.score());
    clock.advance(1000);
    EXPECT_NEAR(ring->shown(), view.score(), 1e-9);

    // Touch ID gone: a lower score, reached by a sweep from the old one.
    const double before = view.score();
    inspection.machine()->security.bio = BiometricState{};
    inspection.model().refresh();
    const double after = view.score();
    ASSERT_LT(after, before);
    EXPECT_EQ(ring->progress(), after);
    EXPECT_NEAR(ring->shown(), before, 1e-9);
    EXPECT_EQ(view.heroCard()->scoreColumn()->findChild<QLabel*>("percent")->text(), Formatters::percent(after));
    clock.advance(450);
    EXPECT_LT(ring->shown(), before);
    EXPECT_GT(ring->shown(), after);
    clock.advance(600);
    EXPECT_NEAR(ring->shown(), after, 1e-9);
}
