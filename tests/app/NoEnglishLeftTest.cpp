// Every page, dialog, menu and report built in each of the twelve interface languages shows no
// English wording that the language's table translates: a text the code forgot to look up, looks
// up under a key the table lacks, or builds from English pieces shows up here.
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "history/HistoryView.h"
#include "history/HistoryViewSamples.h"
#include "monitor/HandDrivenLoop.h"
#include "monitor/LiveMonitorView.h"
#include "monitor/MenuBarMonitorView.h"
#include "reports/ExportMenu.h"
#include "reports/ReportExporter.h"
#include "reports/ReportsView.h"
#include "screens/BatteryHealthView.h"
#include "screens/CategoryDetailView.h"
#include "screens/OverviewFixtures.h"
#include "screens/OverviewView.h"
#include "screens/SearchResultsView.h"
#include "shell/MainWindowFixture.h"
#include "shell/OnboardingView.h"
#include "shell/SettingsWindow.h"
#include "support/VisibleTexts.h"
#include "ui/CapabilityRowView.h"
#include "updates/UpdateAlertPresenter.h"
#include "updates/UpdateBanner.h"
#include "updates/UpdateRequiredOverlay.h"
#include "updates/UpdateSettingsRow.h"
#include "updates/UpdateViewsFixture.h"
#include "app/TranslatedScreens.h"

#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QToolBar>

#include <gtest/gtest.h>

#include <iostream>

using namespace updateviews;

namespace {

const QStringList kLanguages = {"ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"};

// Product terms every language writes the same way.
const QStringList kProductTerms = {"Quorlent", "Touch ID", "Secure Enclave", "App Sandbox", "Metal", "Metal 3", "Metal 4",
                                   "HDR / EDR", "IPv4", "IPv6"};

class NoEnglishLeft : public UpdateViewsTest, public ::testing::WithParamInterface<QString> {
protected:
    void SetUp() override
    {
        UpdateViewsTest::SetUp();
        code = GetParam();
        leftovers = std::make_unique<EnglishLeftovers>(code);
        language->select(code);
    }

    void expectTranslated(const QString& where, const QStringList& texts)
    {
        ASSERT_FALSE(texts.isEmpty()) << where.toStdString() << " shows no text at all";
        if (qEnvironmentVariableIsSet("QRL_DUMP_TEXTS"))
            std::cerr << code.toStdString() << " " << where.toStdString() << ": " << texts.join(" | ").toStdString() << "\n";
        QStringList found = leftovers->find(texts);
        for (const QString& term : kProductTerms) found.removeAll(term);
        EXPECT_TRUE(found.isEmpty()) << code.toStdString() << ", " << where.toStdString() << ": "
                                     << found.join(QStringLiteral(" | ")).toStdString();
    }
    void expectTranslated(const QString& where, QWidget& widget, QSize size = QSize(1100, 900))
    {
        // Shown, as pages fill some of their parts only once on screen.
        widget.resize(size);
        widget.show();
        QCoreApplication::processEvents();
        expectTranslated(where, visibleTexts(&widget));
        widget.hide();
    }

    UpdateChecker& checkerAnswering(const QByteArray& document, std::optional<qint64> build = 5)
    {
        answer(HttpAnswer::json(document));
        UpdateChecker& c = start(build);
        drain();
        return c;
    }

    QString code;
    std::unique_ptr<EnglishLeftovers> leftovers;
};

TEST_P(NoEnglishLeft, InspectionPagesAndReports)
{
    UiLanguage::Override lang(Localization::forCode(code));
    const Localization l = UiLanguage::current();
    ScreenFixtures::Inspection laptop(ScreenFixtures::Inspection::Kind::richLaptop);
    ScreenFixtures::Inspection desktop(ScreenFixtures::Inspection::Kind::intelDesktop);
    AppRouter router;
    for (auto* inspection : {&laptop, &desktop}) {
        const QString machine = inspection == &laptop ? QStringLiteral("laptop") : QStringLiteral("desktop");
        Quorlent& model = inspection->model();
        {
            OverviewView page(model, *language, router);
            expectTranslated("overview, " + machine, page);
        }
        for (const CapabilitySection& s : model.sections()) {
            CategoryDetailView page(model, router, s.symbol);
            expectTranslated("category " + s.symbol + ", " + machine, page);
            if (auto* row = page.findChild<CapabilityRowView*>()) {
                std::unique_ptr<QMenu> menu(row->makeContextMenu());
                expectTranslated("row menu, " + machine, menuTexts(menu.get()));
            }
        }
        const DeviceSummary& summary = *model.summary();
        expectTranslated("text report, " + machine,
                         EnglishLeftovers::documentFragments(ReportExporter::text(model.sections(), model.lastUpdated(), l)));
        expectTranslated("Markdown report, " + machine,
                         EnglishLeftovers::documentFragments(
                             ReportExporter::markdown(summary, model.sections(), *model.lastUpdated(), l)));
    }
    Quorlent& model = laptop.model();
    {
        SearchResultsView page(model, router, QStringLiteral("a"), std::nullopt);
        expectTranslated("search", page);
        page.setQuery(QStringLiteral("zzqx"));
        expectTranslated("search without results", page);
    }
    for (CapabilityStatus status : {CapabilityStatus::supported, CapabilityStatus::unsupported, CapabilityStatus::warning,
                                    CapabilityStatus::info}) {
        SearchResultsView page(model, router, QString(), status);
        expectTranslated("status list " + CapabilityStatusText::raw(status), page);
    }
    {
        ReportsView page(model);
        expectTranslated("reports", page);
        ExportMenu menu([](ReportFormat) {});
        expectTranslated("export menu", menuTexts(&menu));
    }
}

TEST_P(NoEnglishLeft, BatteryHistoryAndLiveMonitor)
{
    UiLanguage::Override lang(Localization::forCode(code));
    for (bool hasBattery : {true, false}) {
        BatteryHealthView page([hasBattery](const Localization& l) -> std::optional<BatteryHealthReport> {
            if (!hasBattery) return std::nullopt;
            return translated::worn(l);
        });
        QSignalSpy arrived(&page, &BatteryHealthView::readingArrived);
        ASSERT_TRUE(arrived.wait(10000));
        expectTranslated(hasBattery ? "battery" : "battery, none", page);
    }

    ScreenFixtures::Inspection laptop(ScreenFixtures::Inspection::Kind::richLaptop);
    ScreenFixtures::Inspection desktop(ScreenFixtures::Inspection::Kind::intelDesktop);
    const QDateTime newest(QDate(2026, 12, 9), QTime(16, 42), Qt::UTC);
    {
        history_view_test::TempHistory store({ScanSnapshot::make(*laptop.model().summary(), laptop.model().sections(), newest, code),
                                              ScanSnapshot::make(*desktop.model().summary(), desktop.model().sections(),
                                                                 newest.addSecs(-3600), code)});
        ASSERT_EQ((*store).snapshots().size(), 2);
        HistoryView page(*store);
        ASSERT_TRUE(page.changes().has_value());  // opens on the two newest compared
        expectTranslated("history, two scans compared", page);
        page.toggle((*store).snapshots()[0].id);
        expectTranslated("history, one scan picked", page);
        page.toggle((*store).snapshots()[1].id);
        expectTranslated("history, none picked", page);
        std::unique_ptr<QMenu> rowMenu(page.rowMenu((*store).snapshots()[0].id));
        expectTranslated("history, row menu", menuTexts(rowMenu.get()));
        // The question before clearing; its Cancel button is Qt's own, translated by Qt's tables.
        page.requestClear();
        QMessageBox* question = page.findChild<QMessageBox*>();
        ASSERT_NE(question, nullptr);
        QStringList asked = visibleTexts(question);
        asked.removeAll(QStringLiteral("Cancel"));
        expectTranslated("history, clear question", asked);
        delete question;
    }
    {
        history_view_test::TempHistory empty;
        HistoryView page(*empty);
        expectTranslated("history, empty", page);
    }

    {
        HandDrivenMonitor waiting;
        LiveMonitorView page(waiting.monitor);
        expectTranslated("live monitor, collecting", page);
    }
    HandDrivenMonitor m;
    m.monitor.start();
    QList<MonitorSample> samples;
    for (int i = 0; i < 30; ++i) samples << translated::sample(m.now.addSecs(i - 29), i);
    m.feed(samples);
    {
        LiveMonitorView page(m.monitor);
        expectTranslated("live monitor", page);
        MenuBarMonitorView panel(m.monitor);
        expectTranslated("tray panel", panel, QSize(MenuBarMonitorView::kWidth, 420));
    }
    m.monitor.stop();
}

TEST_P(NoEnglishLeft, OnboardingSettingsAndUpdates)
{
    UiLanguage::Override lang(Localization::forCode(code));
    const Localization l = UiLanguage::current();
    {
        OnboardingView sheet(*prefs);
        expectTranslated("onboarding, first page", sheet, QSize(OnboardingView::kWidth, OnboardingView::kHeight));
        sheet.go(1);
        expectTranslated("onboarding, second page", sheet, QSize(OnboardingView::kWidth, OnboardingView::kHeight));
    }

    UpdateChecker& available = checkerAnswering(versionDocument(7, 3));
    {
        UpdateBanner banner(available);
        expectTranslated("update banner", banner, QSize(900, 160));
        UpdateSettingsRow row(available);
        expectTranslated("update row, available", row, QSize(476, 120));
        AppRouter router;
        SettingsEnvironment env{language.get(), prefs.get(), &router, &available, [] {}, [] { return false; }};
        SettingsWindow window(env);
        expectTranslated("settings window", window, QSize(560, 480));
        GeneralSettingsPane general(env);
        expectTranslated("settings, general", general, QSize(560, 400));
        AboutSettingsPane about(env);
        expectTranslated("settings, about", about, QSize(560, 480));
        UpdateAlertDialog alert(UpdateAlertText::make(UpdateAlert::available("2.0", "New things", QUrl()), l));
        expectTranslated("update alert, available", alert, QSize(420, 260));
        UpdateAlertDialog upToDate(UpdateAlertText::make(UpdateAlert::upToDate(), l));
        expectTranslated("update alert, up to date", upToDate, QSize(420, 200));
    }
    UpdateChecker& required = checkerAnswering(versionDocument(7, 6), 2);
    {
        UpdateRequiredOverlay overlay(required);
        expectTranslated("update required", overlay, QSize(1100, 800));
    }
    UpdateChecker& current = checkerAnswering(versionDocument(5, 3), 5);
    {
        UpdateSettingsRow row(current);
        expectTranslated("update row, up to date", row, QSize(476, 120));
    }
    prefs->setValue(APIClient::kServerURLKey, QStringLiteral("http://127.0.0.1:%1").arg(LocalHttpServer::refusedPort()));
    UpdateChecker& failing = start();
    drain();
    failing.checkNow(true);
    drain();
    ASSERT_TRUE(failing.lastError().has_value());
    {
        UpdateSettingsRow row(failing);
        expectTranslated("update row, failed", row, QSize(476, 140));
        UpdateAlertDialog alert(UpdateAlertText::make(UpdateAlert::failed(*failing.lastError()), l));
        expectTranslated("update alert, failed", alert, QSize(420, 220));
    }
}

// The main window in the language: its menus, toolbar, sidebar and the overview it opens on.
TEST_P(NoEnglishLeft, MainWindowMenusAndToolbar)
{
    MainWindowFixture f;
    f.language.select(code);
    MainWindow& window = f.open();
    f.model->refresh();
    window.resize(1180, 800);
    QCoreApplication::processEvents();
    expectTranslated("main window", visibleTexts(&window));
    QStringList menus;
    for (QAction* a : window.menuBar()->actions())
        if (a->menu()) menus << menuTexts(a->menu());
    expectTranslated("menu bar", menus);
    expectTranslated("toolbar", visibleTexts(window.toolBar()));
}

INSTANTIATE_TEST_SUITE_P(Languages, NoEnglishLeft, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return QString(info.param).remove(QLatin1Char('-')).toStdString();
                         });

// The finder itself: it must catch an English wording and a filled-in English format, and let
// through translations, product terms and wordings a language keeps.
TEST(EnglishLeftoversFinder, TellsEnglishFromTranslations)
{
    EnglishLeftovers de(QStringLiteral("de"));
    EXPECT_EQ(de.find({"Battery Health", "Batteriezustand", "Last checked: 10. Dez. 2026", "Zuletzt geprüft: gestern",
                       "GPU", "Markdown", "Apple M3 Max", "3 results", "3 Ergebnisse"}),
              (QStringList{"Battery Health", "Last checked: 10. Dez. 2026", "3 results"}));
    EnglishLeftovers ja(QStringLiteral("ja"));
    EXPECT_EQ(ja.find({"Export", "エクスポート", "Core 3", "コア 3"}), (QStringList{"Export", "Core 3"}));
}

TEST(EnglishLeftoversFinder, CutsReportLinesAtTheirSeparators)
{
    const QStringList parts = EnglishLeftovers::documentFragments(
        QStringLiteral("# Title\n| Capability | Wert | Status |\n- ✓ Touch ID: Available\n\nSupported: 3 · Warnings: 1"));
    for (const char* expected : {"Capability", "Wert", "Touch ID", "Available", "Supported", "3", "Warnings"})
        EXPECT_TRUE(parts.contains(QString::fromUtf8(expected))) << expected;
}

}  // namespace

namespace {

// Texts that stand side by side on one screen must read differently in every language, or the
// user cannot tell them apart: the battery page's health and condition, a section's title and
// its own rows, the two ends of a comparison.
TEST(TranslatedTables, NeighboursOnOneScreenReadDifferently)
{
    const QList<QStringList> neighbours = {
        {"Battery Health", "Health", "Condition", "Maximum capacity", "Design capacity"},
        {"Power", "Power source", "Charge", "Charging", "Adapter"},
        {"Memory", "Memory used", "Storage"},
        {"Available space", "Total capacity", "Disk"},
        {"Physical cores", "Logical cores", "Performance cores", "Efficiency cores"},
        {"Added", "Removed", "Changed"},
        {"Newer", "Older"},
        {"All", "Supported", "Warnings", "Not supported"},
        {"Copy Report", "Copy Row", "Copy Value"},
        {"Check for Updates", "Download", "Skip This Version", "Later"},
        {"Last checked: %@", "Last scan: %@"},
        {"General", "About"},
    };
    for (const QString& code : kLanguages) {
        const Localization l = Localization::forCode(code);
        for (const QStringList& keys : neighbours) {
            QHash<QString, QString> seen;
            for (const QString& key : keys) {
                const QString text = l.tr(key);
                EXPECT_FALSE(seen.contains(text)) << code.toStdString() << ": \"" << key.toStdString() << "\" and \""
                                                  << seen.value(text).toStdString() << "\" both read \"" << text.toStdString()
                                                  << "\"";
                seen.insert(text, key);
            }
        }
    }
}

}  // namespace
