// Pictures of every screen in every interface language, for looking at them: written to the
// artifacts folder as i18n-<screen>-<code>-light.png, plus the PDF report of a few languages as
// i18n-report-<code>.pdf. Each picture must come out; what is in it is for the eye.
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "app/TranslatedScreens.h"
#include "history/HistoryView.h"
#include "history/HistoryViewSamples.h"
#include "monitor/HandDrivenLoop.h"
#include "monitor/LiveMonitorView.h"
#include "monitor/MenuBarMonitorView.h"
#include "reports/ReportSaver.h"
#include "reports/ReportsView.h"
#include "screens/BatteryHealthView.h"
#include "screens/CategoryDetailView.h"
#include "screens/OverviewFixtures.h"
#include "screens/OverviewView.h"
#include "shell/MainWindowFixture.h"
#include "shell/OnboardingView.h"
#include "shell/SettingsWindow.h"
#include "support/Render.h"
#include "updates/UpdateBanner.h"
#include "updates/UpdateRequiredOverlay.h"
#include "updates/UpdateViewsFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace updateviews;

namespace {

class TranslatedScreens : public UpdateViewsTest, public ::testing::WithParamInterface<QString> {
protected:
    void SetUp() override
    {
        UpdateViewsTest::SetUp();
        code = GetParam();
        language->select(code);
    }
    void TearDown() override
    {
        Theme::setForcedAppearance(std::nullopt);
        UpdateViewsTest::TearDown();
    }
    void render(QWidget& widget, QSize size, const QString& screen)
    {
        const QString path = renderToPng(widget, size, code, Theme::Appearance::Light, QStringLiteral("i18n-") + screen);
        EXPECT_GT(QFileInfo(path).size(), 0) << path.toStdString();
    }
    QString code;
};

TEST_P(TranslatedScreens, InspectionPages)
{
    UiLanguage::Override lang(Localization::forCode(code));
    ScreenFixtures::Inspection laptop(ScreenFixtures::Inspection::Kind::richLaptop);
    Quorlent& model = laptop.model();
    AppRouter router;
    {
        OverviewView page(model, *language, router);
        render(page, QSize(960, 1400), "overview");
    }
    for (const QString& symbol : {QStringLiteral("cpu"), QStringLiteral("display")}) {
        CategoryDetailView page(model, router, symbol);
        render(page, QSize(960, 1000), "category-" + symbol);
    }
    {
        ReportsView page(model);
        render(page, QSize(960, 1000), "reports");
    }
    // The PDF of the languages whose scripts need their own fonts and direction.
    if (QStringList{"ar", "ja", "hi", "zh-Hans", "ko"}.contains(code)) {
        const auto pdf = ReportExporter::render(ReportFormat::pdf, *model.summary(), model.sections(), *model.lastUpdated(),
                                                UiLanguage::current());
        ASSERT_FALSE(pdf.error.has_value()) << pdf.error->toStdString();
        QFile f(artifactsDir() + QStringLiteral("/i18n-report-%1.pdf").arg(code));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(pdf.bytes);
    }
}

TEST_P(TranslatedScreens, ToolPages)
{
    UiLanguage::Override lang(Localization::forCode(code));
    {
        BatteryHealthView page([](const Localization& l) { return std::make_optional(translated::worn(l)); });
        QSignalSpy arrived(&page, &BatteryHealthView::readingArrived);
        ASSERT_TRUE(arrived.wait(10000));
        render(page, QSize(1060, 1000), "battery");
    }
    ScreenFixtures::Inspection laptop(ScreenFixtures::Inspection::Kind::richLaptop);
    ScreenFixtures::Inspection desktop(ScreenFixtures::Inspection::Kind::intelDesktop);
    const QDateTime newest(QDate(2026, 12, 9), QTime(16, 42), Qt::UTC);
    {
        history_view_test::TempHistory store({ScanSnapshot::make(*laptop.model().summary(), laptop.model().sections(), newest, code),
                                              ScanSnapshot::make(*desktop.model().summary(), desktop.model().sections(),
                                                                 newest.addSecs(-3600), code)});
        HistoryView page(*store);  // opens on the two newest scans compared
        render(page, QSize(960, 900), "history");
    }
    HandDrivenMonitor m;
    m.monitor.start();
    QList<MonitorSample> samples;
    for (int i = 0; i < 60; ++i) samples << translated::sample(m.now.addSecs(i - 59), i);
    m.feed(samples);
    {
        LiveMonitorView page(m.monitor);
        render(page, QSize(960, 900), "monitor");
        MenuBarMonitorView panel(m.monitor);
        render(panel, QSize(MenuBarMonitorView::kWidth, 430), "tray-panel");
    }
    m.monitor.stop();
}

TEST_P(TranslatedScreens, OnboardingSettingsAndUpdates)
{
    UiLanguage::Override lang(Localization::forCode(code));
    {
        OnboardingView sheet(*prefs);
        render(sheet, QSize(OnboardingView::kWidth, OnboardingView::kHeight), "onboarding-1");
        sheet.go(1);
        render(sheet, QSize(OnboardingView::kWidth, OnboardingView::kHeight), "onboarding-2");
    }
    answer(HttpAnswer::json(versionDocument(7, 3)));
    UpdateChecker& available = start();
    drain();
    {
        AppRouter router;
        SettingsEnvironment env{language.get(), prefs.get(), &router, &available, [] {}, [] { return false; }};
        GeneralSettingsPane general(env);
        render(general, QSize(560, 360), "settings-general");
        AboutSettingsPane about(env);
        render(about, QSize(560, 520), "settings-about");
        QWidget pane;
        auto* column = new QVBoxLayout(&pane);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(new UpdateBanner(available, &pane));
        column->addStretch(1);
        pane.setAutoFillBackground(true);
        render(pane, QSize(860, 150), "update-banner");
    }
    answer(HttpAnswer::json(versionDocument(7, 6)));
    UpdateChecker& required = start(2);
    drain();
    {
        QWidget window;
        window.setAutoFillBackground(true);
        auto* overlay = new UpdateRequiredOverlay(required, &window);
        overlay->raise();
        render(window, QSize(1000, 700), "update-required");
    }
}

// The main window: toolbar, sidebar with every category and tool, and the overview.
TEST_P(TranslatedScreens, MainWindow)
{
    MainWindowFixture f;
    f.language.select(code);
    MainWindow& window = f.open();
    f.model->refresh();
    render(window, QSize(1180, 800), "main-window");
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedScreens, ::testing::ValuesIn(translated::kAllLanguages),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return QString(info.param).remove(QLatin1Char('-')).toStdString();
                         });

}  // namespace
