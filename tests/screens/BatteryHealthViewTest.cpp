// The battery page with a fake battery: the spinner until the first reading, then the content or
// the no-battery state; readings made off the main thread, every 30 seconds; and its pictures.
#include "screens/BatteryHealthView.h"

#include "support/Render.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>

namespace {

qint64 packed(int year, int month, int day) { return (qint64(year - 1980) << 9) | (qint64(month) << 5) | qint64(day); }

BatteryHealthReport newBattery()
{
    BatteryHealthReport r;
    r.maxCapacity = 5103;
    r.designCapacity = 5000;
    r.healthPercent = 5103.0 / 5000.0;
    r.cycleCount = 12;
    r.designCycleCount = 1000;
    r.condition = QStringLiteral("Normal");
    r.temperatureCelsius = 29.8;
    r.chargePercent = 0.87;
    r.isCharging = true;
    r.isPluggedIn = true;
    r.adapterWatts = 65;
    r.manufactureDate = BatteryHealthProbe::manufactureDate(packed(2026, 9, 3));
    return r;
}

BatteryHealthReport wornBattery()
{
    BatteryHealthReport r;
    r.maxCapacity = 3420;
    r.designCapacity = 5000;
    r.healthPercent = 3420.0 / 5000.0;
    r.cycleCount = 812;
    r.condition = QStringLiteral("Service recommended");
    r.temperatureCelsius = 34.1;
    r.chargePercent = 0.41;
    r.manufactureDate = BatteryHealthProbe::manufactureDate(packed(2023, 11, 15));
    return r;
}

// A battery the test answers for: each reading waits until the test lets it through.
struct GatedBattery {
    QSemaphore gate;
    std::atomic<int> reads{0};
    std::atomic<QThread*> thread{nullptr};
    std::optional<BatteryHealthReport> report;  // set before letting a reading through

    BatteryHealthView::Reader reader()
    {
        return [this](const Localization&) -> std::optional<BatteryHealthReport> {
            thread = QThread::currentThread();
            // Never hangs the test run: a reading not let through in time reads as no battery.
            if (!gate.tryAcquire(1, 10000)) return std::nullopt;
            ++reads;
            return report;
        };
    }
};

bool waitForReading(BatteryHealthView& view)
{
    QSignalSpy spy(&view, &BatteryHealthView::readingArrived);
    return spy.wait(10000);
}

QWidget* visiblePage(BatteryHealthView& view)
{
    for (const char* name : {"loading", "emptyState", "scroll"})
        if (auto* w = view.findChild<QWidget*>(QString::fromLatin1(name)); w && w->isVisible()) return w;
    return nullptr;
}

class BatteryHealthViewTest : public ::testing::Test {
protected:
    void SetUp() override { Theme::setReduceMotion(true); }
    void TearDown() override
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }
};

TEST_F(BatteryHealthViewTest, SpinnerThenContent)
{
    GatedBattery battery;
    battery.report = wornBattery();
    BatteryHealthView view(battery.reader());
    view.resize(900, 700);
    view.show();
    QApplication::processEvents();
    // The reading is held up, and the window goes on: the spinner shows.
    EXPECT_EQ(view.state(), BatteryHealthView::State::loading);
    EXPECT_TRUE(view.isReading());
    ASSERT_NE(visiblePage(view), nullptr);
    EXPECT_EQ(visiblePage(view)->objectName(), QStringLiteral("loading"));

    battery.gate.release();
    ASSERT_TRUE(waitForReading(view));
    EXPECT_NE(battery.thread.load(), QThread::currentThread());
    EXPECT_EQ(view.state(), BatteryHealthView::State::content);
    EXPECT_EQ(visiblePage(view)->objectName(), QStringLiteral("scroll"));
    ASSERT_NE(view.content(), nullptr);
    EXPECT_EQ(view.content()->tileValues(), (QStringList{QStringLiteral("812"), QStringLiteral("34.1°C"), QStringLiteral("41%"),
                                                         QStringLiteral("On battery"), QStringLiteral("—"),
                                                         QStringLiteral("Nov 15, 2023")}));
    EXPECT_EQ(view.content()->tileSymbol(3), QStringLiteral("bolt.slash"));
}

TEST_F(BatteryHealthViewTest, SpinnerThenNoBattery)
{
    GatedBattery battery;  // no report: a desktop
    BatteryHealthView view(battery.reader());
    view.resize(900, 700);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(view.state(), BatteryHealthView::State::loading);
    battery.gate.release();
    ASSERT_TRUE(waitForReading(view));
    EXPECT_EQ(view.state(), BatteryHealthView::State::noBattery);
    ASSERT_NE(visiblePage(view), nullptr);
    EXPECT_EQ(visiblePage(view)->objectName(), QStringLiteral("emptyState"));
    EXPECT_EQ(visiblePage(view)->findChild<QLabel*>(QStringLiteral("title"))->text(), QStringLiteral("This Mac has no battery"));
    EXPECT_FALSE(view.model().has_value());
}

TEST_F(BatteryHealthViewTest, LaterReadingsSwitchBetweenContentAndNoBattery)
{
    GatedBattery battery;
    battery.report = newBattery();
    BatteryHealthView view(battery.reader());
    battery.gate.release();
    ASSERT_TRUE(waitForReading(view));
    EXPECT_EQ(view.state(), BatteryHealthView::State::content);

    battery.report.reset();
    view.readNow();
    battery.gate.release();
    ASSERT_TRUE(waitForReading(view));
    EXPECT_EQ(view.state(), BatteryHealthView::State::noBattery);

    battery.report = wornBattery();
    view.readNow();
    battery.gate.release();
    ASSERT_TRUE(waitForReading(view));
    EXPECT_EQ(view.state(), BatteryHealthView::State::content);
    ASSERT_TRUE(view.model());
    EXPECT_EQ(view.model()->cycleCount, 812);
    EXPECT_EQ(battery.reads.load(), 3);
}

TEST_F(BatteryHealthViewTest, ReadsAgainThirtySecondsAfterEachReadingWhetherShownOrNot)
{
    GatedBattery battery;
    battery.report = newBattery();
    BatteryHealthView view(battery.reader());
    // While a reading is on its way, no second one is lined up behind it.
    EXPECT_FALSE(view.pollTimer().isActive());
    battery.gate.release();
    ASSERT_TRUE(waitForReading(view));
    EXPECT_TRUE(view.pollTimer().isActive());
    EXPECT_TRUE(view.pollTimer().isSingleShot());
    EXPECT_EQ(view.pollTimer().intervalAsDuration(), std::chrono::milliseconds(30000));
    view.show();
    view.hide();  // hidden or minimised: the page still exists, so it still reads
    EXPECT_TRUE(view.pollTimer().isActive());
}

TEST_F(BatteryHealthViewTest, APageGoneBeforeItsReadingReturnsIsLeftAlone)
{
    GatedBattery battery;
    battery.report = newBattery();
    QSemaphore finished;
    auto reader = [&battery, &finished, inner = battery.reader()](const Localization& l) {
        auto r = inner(l);
        finished.release();
        return r;
    };
    {
        BatteryHealthView view(reader);
        EXPECT_TRUE(view.isReading());
    }
    battery.gate.release();
    ASSERT_TRUE(finished.tryAcquire(1, 10000));
    QApplication::processEvents();  // the result has no one to go to: nothing happens
    SUCCEED();
}

TEST_F(BatteryHealthViewTest, ReadsInTheInterfaceLanguage)
{
    std::atomic<bool> arabic{false};
    UiLanguage::Override language(Localization::forCode(QStringLiteral("ar"), QStringLiteral("en_US")));
    BatteryHealthView view([&arabic](const Localization& l) -> std::optional<BatteryHealthReport> {
        arabic = l.code == QStringLiteral("ar");
        return std::nullopt;
    });
    ASSERT_TRUE(waitForReading(view));
    EXPECT_TRUE(arabic.load());
}

TEST_F(BatteryHealthViewTest, ALanguageSwitchReadsAgainForTheTranslatedCondition)
{
    std::atomic<int> reads{0};
    std::atomic<bool> german{false};
    BatteryHealthView view([&](const Localization& l) -> std::optional<BatteryHealthReport> {
        ++reads;
        german = l.code == QStringLiteral("de");
        return wornBattery();
    });
    ASSERT_TRUE(waitForReading(view));
    UiLanguage::Override language(Localization::forCode(QStringLiteral("de"), QStringLiteral("de_DE")));
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&view, &change);
    ASSERT_TRUE(waitForReading(view));
    EXPECT_EQ(reads.load(), 2);
    EXPECT_TRUE(german.load());
    ASSERT_NE(view.content(), nullptr);
    EXPECT_EQ(view.content()->tileValues()[1], QStringLiteral("34,1 °C"));  // rebuilt in the new locale
}

TEST_F(BatteryHealthViewTest, ManufactureDayInNewYork)
{
    const QByteArray previous = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "America/New_York");
    tzset();
    GatedBattery battery;
    battery.report = wornBattery();  // made 15 November 2023
    BatteryHealthView view(battery.reader());
    battery.gate.release();
    const bool arrived = waitForReading(view);
    const QStringList values = view.content() ? view.content()->tileValues() : QStringList();
    if (hadZone) qputenv("TZ", previous);
    else qunsetenv("TZ");
    tzset();
    ASSERT_TRUE(arrived);
    ASSERT_EQ(values.size(), 6);
    EXPECT_EQ(values[5], QStringLiteral("Nov 15, 2023"));
}

// ---- Pictures ---------------------------------------------------------------------------------

struct RenderCase {
    const char* battery;  // "new", "worn", "linux" or "none"
    const char* language;
    Theme::Appearance appearance;
};

std::optional<BatteryHealthReport> reportFor(const std::string& kind)
{
    if (kind == "new") return newBattery();
    if (kind == "worn") return wornBattery();
    if (kind == "linux") {
        // What a Linux laptop typically gives: no rated cycles, no date, no adapter power.
        BatteryHealthReport r;
        r.maxCapacity = 4200;
        r.designCapacity = 5000;
        r.healthPercent = 0.84;
        r.cycleCount = 312;
        r.condition = QStringLiteral("Normal");
        r.chargePercent = 1.0;
        r.isPluggedIn = true;
        return r;
    }
    return std::nullopt;
}

class BatteryHealthRender : public ::testing::TestWithParam<RenderCase> {
protected:
    void SetUp() override { Theme::setReduceMotion(true); }
    void TearDown() override
    {
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }
};

TEST_P(BatteryHealthRender, Renders)
{
    const RenderCase& c = GetParam();
    const Localization l = Localization::forCode(c.language, QStringLiteral("en_US"));
    UiLanguage::Override language(l);
    const std::optional<BatteryHealthReport> report = reportFor(c.battery);
    BatteryHealthView view([report](const Localization&) { return report; });
    ASSERT_TRUE(waitForReading(view));
    const QString path = renderToPng(view, QSize(1000, 760), c.language, c.appearance, QStringLiteral("battery-%1").arg(c.battery));
    EXPECT_FALSE(QImage(path).isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, BatteryHealthRender,
    ::testing::Values(RenderCase{"new", "en", Theme::Appearance::Light}, RenderCase{"new", "en", Theme::Appearance::Dark},
                      RenderCase{"new", "ar", Theme::Appearance::Light}, RenderCase{"new", "ar", Theme::Appearance::Dark},
                      RenderCase{"worn", "en", Theme::Appearance::Light}, RenderCase{"worn", "en", Theme::Appearance::Dark},
                      RenderCase{"worn", "ar", Theme::Appearance::Light}, RenderCase{"worn", "ar", Theme::Appearance::Dark},
                      RenderCase{"linux", "en", Theme::Appearance::Light}, RenderCase{"linux", "de", Theme::Appearance::Light},
                      RenderCase{"none", "en", Theme::Appearance::Light}, RenderCase{"none", "en", Theme::Appearance::Dark},
                      RenderCase{"none", "ar", Theme::Appearance::Light}, RenderCase{"none", "ar", Theme::Appearance::Dark}),
    [](const auto& info) {
        return std::string(info.param.battery) + "_" + info.param.language +
               (info.param.appearance == Theme::Appearance::Dark ? "_dark" : "_light");
    });

// The column keeps to 1000 and centres in a wide pane; in a narrow one the grid takes fewer
// columns and the footnote wraps.
TEST_F(BatteryHealthViewTest, RendersWideAndNarrow)
{
    const std::optional<BatteryHealthReport> report = wornBattery();
    BatteryHealthView view([report](const Localization&) { return report; });
    ASSERT_TRUE(waitForReading(view));
    EXPECT_FALSE(QImage(renderToPng(view, QSize(1400, 700), QStringLiteral("en"), Theme::Appearance::Light,
                                    QStringLiteral("battery-wide"))).isNull());
    EXPECT_FALSE(QImage(renderToPng(view, QSize(560, 900), QStringLiteral("en"), Theme::Appearance::Light,
                                    QStringLiteral("battery-narrow"))).isNull());
}

TEST_F(BatteryHealthViewTest, RendersTheSpinner)
{
    GatedBattery battery;
    BatteryHealthView view(battery.reader());
    const QString path = renderToPng(view, QSize(600, 400), QStringLiteral("en"), Theme::Appearance::Light, QStringLiteral("battery-loading"));
    EXPECT_FALSE(QImage(path).isNull());
    battery.gate.release();
    ASSERT_TRUE(waitForReading(view));
}

}  // namespace

// A screen reader hears the health percentage as the ring's value, not as its description.
TEST_F(BatteryHealthViewTest, TheRingsPercentageIsItsValue)
{
    GatedBattery battery;
    battery.report = wornBattery();
    BatteryHealthView view(battery.reader());
    view.resize(900, 700);
    view.show();
    battery.gate.release();
    ASSERT_TRUE(waitForReading(view));
    QWidget* ring = view.findChild<QWidget*>(QStringLiteral("healthRing"));
    ASSERT_NE(ring, nullptr);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(ring);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ProgressBar);
    EXPECT_TRUE(iface->text(QAccessible::Description).isEmpty());
    EXPECT_FALSE(iface->text(QAccessible::Value).isEmpty());
    EXPECT_FALSE(iface->text(QAccessible::Name).contains(iface->text(QAccessible::Value)));
    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_GT(value->currentValue().toDouble(), 0.0);
    EXPECT_LE(value->currentValue().toDouble(), 100.0);
    EXPECT_TRUE(iface->text(QAccessible::Value).contains(QString::number(qRound(value->currentValue().toDouble()))))
        << iface->text(QAccessible::Value).toStdString();
}
