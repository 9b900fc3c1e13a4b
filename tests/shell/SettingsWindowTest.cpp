#include "app/AppRouter.h"
#include "ui/Buttons.h"
#include "ui/SettingsSwitch.h"
#include "ui/Theme.h"
#include "app/LanguageManager.h"
#include "app/LanguagePicker.h"
#include "platform/Preferences.h"
#include "shell/OnboardingView.h"
#include "shell/SettingsWindow.h"
#include "support/Input.h"
#include "support/LocalHttpServer.h"
#include "support/SampleLanguage.h"
#include "ui/AppLinks.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"
#include "updates/UpdateChecker.h"
#include "updates/UpdateSettingsRow.h"

#include <QLabel>
#include <QScreen>
#include <QLayout>
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The application's side of the tray switch: adds or removes the tray item as the preference
// changes, where a tray exists.
struct FakeTray : QObject {
    FakeTray(Preferences& p, bool available) : prefs(p), available(available)
    {
        sync();
        connect(&prefs, &Preferences::changed, this, [this](const QString& key) {
            if (key == GeneralSettingsPane::kMenuBarKey) sync();
        });
    }
    void sync() { shown = available && prefs.boolValue(GeneralSettingsPane::kMenuBarKey).value_or(true); }
    Preferences& prefs;
    bool available;
    bool shown = false;
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Theme::setReduceMotion(true);
        ASSERT_TRUE(dir.isValid());
        prefs = std::make_unique<Preferences>(dir.filePath("preferences.json"));
        // A server that refuses, so the checker's launch check stays quiet and local.
        prefs->setValue(APIClient::kServerURLKey, QStringLiteral("http://127.0.0.1:%1").arg(LocalHttpServer::refusedPort()));
        language = std::make_unique<LanguageManager>(*prefs, [] { return QStringList{"en"}; });
        UpdateCheckerDependencies d;
        d.preferences = prefs.get();
        d.language = language.get();
        checker = std::make_unique<UpdateChecker>(std::move(d));
        UiLanguage::setProvider([this] { return language->localization(); });
    }
    void TearDown() override
    {
        if (SettingsWindow* w = SettingsWindow::instance()) delete w;
        UiLanguage::setProvider({});
        checker.reset();
        language.reset();
        prefs.reset();
        Theme::setReduceMotion(std::nullopt);
        Theme::setForcedAppearance(std::nullopt);
    }

    SettingsEnvironment environment(bool tray)
    {
        SettingsEnvironment env;
        env.language = language.get();
        env.preferences = prefs.get();
        env.router = &router;
        env.updates = checker.get();
        env.openMainWindow = [this] { ++mainWindowOpened; };
        env.trayAvailable = [tray] { return tray; };
        return env;
    }

    QTemporaryDir dir;
    std::unique_ptr<Preferences> prefs;
    std::unique_ptr<LanguageManager> language;
    std::unique_ptr<UpdateChecker> checker;
    AppRouter router;
    int mainWindowOpened = 0;
};

TEST_F(SettingsTest, OneWindowRaisedWhenOpenedAgain)
{
    SettingsWindow* w = SettingsWindow::open(environment(true));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->width(), 540);
    EXPECT_EQ(SettingsWindow::open(environment(true)), w);
    EXPECT_EQ(QApplication::topLevelWidgets().count(w), 1);
    w->showTab(SettingsWindow::Tab::about);
    EXPECT_EQ(w->windowTitle(), "About \u2014 Quorlent");
    w->showTab(SettingsWindow::Tab::general);
    EXPECT_EQ(w->windowTitle(), "General \u2014 Quorlent");
    EXPECT_GE(w->general()->height(), GeneralSettingsPane::kMinimumHeight);
    EXPECT_EQ(w->tabButton(SettingsWindow::Tab::general)->text(), "General");
    EXPECT_EQ(w->tabButton(SettingsWindow::Tab::about)->text(), "About");
    // Closing it ends it; opening again makes a new one.
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(SettingsWindow::instance(), nullptr);
    SettingsWindow* again = SettingsWindow::open(environment(true));
    EXPECT_NE(again, nullptr);
}

TEST_F(SettingsTest, LanguagePickerWritesThroughTheManager)
{
    SettingsWindow w(environment(true));
    w.show();
    LanguagePickerBox* picker = w.general()->languagePicker();
    EXPECT_EQ(picker->currentText(), "System Default");
    EXPECT_FALSE(w.general()->relaunchBanner()->isVisibleTo(&w));
    const int before = w.height();
    const int de = picker->findData(QStringLiteral("de"));
    ASSERT_GE(de, 0);
    emit picker->activated(de);
    EXPECT_EQ(language->selection(), QStringLiteral("de"));
    EXPECT_TRUE(language->systemUIOutOfDate());
    EXPECT_TRUE(w.general()->relaunchBanner()->isVisibleTo(&w));
    EXPECT_GE(w.height(), before);
    QCoreApplication::processEvents();
    const QRect banner(w.general()->relaunchBanner()->mapTo(&w, QPoint(0, 0)), w.general()->relaunchBanner()->size());
    EXPECT_GT(banner.height(), 20);
    EXPECT_TRUE(w.rect().contains(banner));
    EXPECT_EQ(w.width(), 540);
    emit picker->activated(0);
    EXPECT_EQ(language->selection(), std::nullopt);
    EXPECT_FALSE(w.general()->relaunchBanner()->isVisibleTo(&w));
    // Arabic lays the whole window out right to left, at once.
    emit picker->activated(picker->findData(QStringLiteral("ar")));
    EXPECT_EQ(w.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.general()->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.width(), 540);
}

struct TrayCase {
    const char* name;
    bool available;
};

class TraySwitchTest : public SettingsTest, public ::testing::WithParamInterface<TrayCase> {};

TEST_P(TraySwitchTest, SwitchDrivesTheTrayItem)
{
    const TrayCase& t = GetParam();
    FakeTray tray(*prefs, t.available);
    SettingsWindow w(environment(t.available));
    w.show();
    SettingsSwitch* s = w.general()->menuBarSwitch();
    EXPECT_EQ(w.general()->menuBarLabel()->text(), "Show live monitor in the menu bar");
    if (!t.available) {
        // Nothing to switch: disabled, shown off, with the reason.
        EXPECT_FALSE(s->isEnabled());
        EXPECT_FALSE(s->isChecked());
        EXPECT_TRUE(w.general()->trayNote()->isVisibleTo(&w));
        EXPECT_FALSE(w.general()->trayNote()->text().isEmpty());
        click(s);
        EXPECT_FALSE(prefs->contains(GeneralSettingsPane::kMenuBarKey));
        EXPECT_FALSE(tray.shown);
        return;
    }
    EXPECT_FALSE(w.general()->trayNote()->isVisibleTo(&w));
    EXPECT_TRUE(s->isEnabled());
    EXPECT_TRUE(s->isChecked());  // on by default
    EXPECT_TRUE(tray.shown);
    click(s);
    EXPECT_EQ(prefs->boolValue(GeneralSettingsPane::kMenuBarKey), false);
    EXPECT_FALSE(tray.shown);
    click(s);
    EXPECT_EQ(prefs->boolValue(GeneralSettingsPane::kMenuBarKey), true);
    EXPECT_TRUE(tray.shown);
    // Turned off elsewhere (the user removed the item): the switch follows.
    prefs->setValue(GeneralSettingsPane::kMenuBarKey, false);
    EXPECT_FALSE(s->isChecked());
}

INSTANTIATE_TEST_SUITE_P(Trays, TraySwitchTest, ::testing::Values(TrayCase{"withTray", true}, TrayCase{"withoutTray", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, ShowWelcomeAgainLeavesThePreference)
{
    for (std::optional<bool> stored : {std::optional<bool>(), std::optional<bool>(true), std::optional<bool>(false)}) {
        if (stored) prefs->setValue(OnboardingView::kCompletedKey, *stored);
        else prefs->remove(OnboardingView::kCompletedKey);
        router.setShowOnboarding(false);
        int order = 0, opened = 0, requested = 0;
        SettingsEnvironment env = environment(true);
        env.openMainWindow = [&] { opened = ++order; };
        QObject guard;
        QObject::connect(&router, &AppRouter::showOnboardingChanged, &guard, [&] { requested = ++order; });
        SettingsWindow w(env);
        click(w.general()->showWelcomeButton());
        EXPECT_EQ(w.general()->showWelcomeButton()->text(), "Show Welcome Again");
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(requested, 2);
        EXPECT_TRUE(router.showOnboarding());
        EXPECT_EQ(prefs->boolValue(OnboardingView::kCompletedKey), stored);
    }
}

TEST_F(SettingsTest, VersionText)
{
    struct Case {
        std::optional<QString> shortVersion, build;
        const char* expected;
    };
    for (const Case& c : {Case{"2.3", "41", "2.3 (41)"}, Case{std::nullopt, "41", "1.0 (41)"}, Case{"2.3", std::nullopt, "2.3 (1)"},
                          Case{std::nullopt, std::nullopt, "1.0 (1)"}}) {
        EXPECT_EQ(AboutSettingsPane::versionText(c.shortVersion, c.build), c.expected);
    }
    SettingsWindow w(environment(true));
    EXPECT_EQ(w.about()->versionLabel()->text(), "Version " + AboutSettingsPane::versionText());
    EXPECT_EQ(w.about()->nameLabel()->text(), "Quorlent");
    EXPECT_EQ(w.about()->makerLabel()->text(), "Made by Lumbrel");
}

TEST_F(SettingsTest, OnlyTheVersionLineIsSelectable)
{
    SettingsWindow w(environment(true));
    const Qt::TextInteractionFlags selectable = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
    EXPECT_EQ(w.about()->versionLabel()->textInteractionFlags() & selectable, selectable);
    int selectableLabels = 0;
    for (QLabel* l : w.findChildren<QLabel*>()) {
        if (l->textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard)) ++selectableLabels;
        EXPECT_EQ(l->textFormat(), Qt::PlainText) << l->text().toStdString();
    }
    EXPECT_EQ(selectableLabels, 1);
}

TEST_F(SettingsTest, LinksOpenThroughTheOpener)
{
    SettingsWindow w(environment(true));
    QList<QUrl> opened;
    w.about()->setOpener([&](const QUrl& url) { opened << url; });
    QStringList titles;
    for (LinkButton* link : w.about()->links()) {
        titles << link->text();
        click(link);
    }
    EXPECT_EQ(titles, (QStringList{"Website", "Terms of Use", "Privacy Policy", "Contact Support"}));
    EXPECT_EQ(opened, (QList<QUrl>{AppLinks::website(), AppLinks::terms(), AppLinks::privacy(), AppLinks::contact()}));
    EXPECT_EQ(opened.last().scheme(), "mailto");
}

TEST_F(SettingsTest, AboutEndsWithTheUpdateRow)
{
    SettingsWindow w(environment(true));
    ASSERT_NE(w.about()->updateRow(), nullptr);
    EXPECT_EQ(w.about()->updateRow()->checkButton()->text(), "Check for Updates");
    EXPECT_EQ(w.about()->updateRow()->lastCheckedText(), "Not checked yet");
}

TEST_F(SettingsTest, FollowsTheLanguageAndTheAppearance)
{
    SettingsWindow w(environment(true));
    w.show();
    {
        UiLanguage::Override lang(sampleLocalization("ru"));
        sendLanguageChange(&w);
        EXPECT_EQ(w.tabButton(SettingsWindow::Tab::general)->text(), QString::fromUtf8("Основные"));
        EXPECT_EQ(w.general()->menuBarLabel()->text(), QString::fromUtf8("Показывать монитор в реальном времени в строке меню"));
        EXPECT_EQ(w.about()->versionLabel()->text(), QString::fromUtf8("Версия ") + AboutSettingsPane::versionText());
        EXPECT_EQ(w.width(), 540);
    }
    Theme::setForcedAppearance(Theme::Appearance::Dark);
    EXPECT_EQ(w.about()->nameLabel()->palette().color(QPalette::WindowText),
              Theme::foreground(Theme::Level::primary, Theme::Appearance::Dark));
    Theme::setForcedAppearance(Theme::Appearance::Light);
    EXPECT_EQ(w.about()->nameLabel()->palette().color(QPalette::WindowText),
              Theme::foreground(Theme::Level::primary, Theme::Appearance::Light));
}

TEST_F(SettingsTest, Renders)
{
    for (const QString code : {"en", "de", "ru", "ar"}) {
        for (auto a : {Theme::Appearance::Light, Theme::Appearance::Dark}) {
            for (auto tab : {SettingsWindow::Tab::general, SettingsWindow::Tab::about}) {
                for (bool tray : {true, false}) {
                    if (tab == SettingsWindow::Tab::about && !tray) continue;
                    UiLanguage::Override lang(sampleLocalization(code));
                    if (tab == SettingsWindow::Tab::general && tray) language->select(QStringLiteral("de"));
                    SettingsWindow w(environment(tray));
                    w.showTab(tab);
                    const QString name = QStringLiteral("settings-%1%2")
                                             .arg(tab == SettingsWindow::Tab::general ? "general" : "about", tray ? "" : "-notray");
                    const QString path = renderSample(w, QSize(540, 0), code, a, name);
                    EXPECT_GT(QFileInfo(path).size(), 0);
                    EXPECT_EQ(w.width(), 540);
                    // Every label has the height its text needs at its width: nothing is cut.
                    for (QLabel* l : w.findChildren<QLabel*>()) {
                        if (!l->isVisible() || !l->wordWrap()) continue;
                        EXPECT_GE(l->height(), l->heightForWidth(l->width())) << l->text().toStdString();
                        EXPECT_TRUE(l->parentWidget()->rect().contains(l->geometry())) << l->text().toStdString();
                    }
                    language->select(std::nullopt);
                }
            }
        }
    }
}

}  // namespace

// After a failed check the About pane grows to show the whole message across the row.
TEST_F(SettingsTest, TheAboutPaneRefitsAroundAFailedChecksMessage)
{
    SettingsWindow* w = SettingsWindow::open(environment(true));
    w->showTab(SettingsWindow::Tab::about);
    QApplication::processEvents();
    const int before = w->height();
    checker->checkNow(true);
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return !checker->isChecking(); }));
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    UpdateSettingsRow* row = w->about()->updateRow();
    ASSERT_EQ(row->status(), UpdateSettingsRow::Status::error);
    auto* label = row->findChild<QLabel*>(QStringLiteral("updateStatus"));
    ASSERT_NE(label, nullptr);
    // The message takes the row's width, not a third of it, and every line of it shows.
    EXPECT_GE(label->width(), row->width() * 9 / 10);
    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    EXPECT_GT(w->height(), before);
    EXPECT_GE(w->height(), w->layout()->totalHeightForWidth(SettingsWindow::kWidth));
    EXPECT_LE(row->mapTo(w, QPoint(0, row->height())).y(), w->height());
}

TEST_F(SettingsTest, OpensOverTheMainWindow)
{
    QWidget main;
    main.setObjectName(QStringLiteral("main"));
    main.setGeometry(20, 40, 760, 560);  // inside the offscreen screen of 800 by 800
    main.show();
    QApplication::processEvents();
    SettingsWindow* w = SettingsWindow::open(environment(true));
    QApplication::processEvents();
    EXPECT_NEAR(w->frameGeometry().center().x(), main.frameGeometry().center().x(), 2) << w->frameGeometry().x() << "," << w->frameGeometry().y() << " main " << main.frameGeometry().x() << " screen " << main.screen()->availableGeometry().width();
    EXPECT_GT(w->frameGeometry().top(), main.frameGeometry().top());
    EXPECT_LT(w->frameGeometry().top(), main.frameGeometry().center().y());
}
