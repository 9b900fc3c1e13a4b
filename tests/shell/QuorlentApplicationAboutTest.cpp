#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "platform/Preferences.h"
#include "shell/QuorlentApplication.h"
#include "shell/SettingsWindow.h"
#include "support/LocalHttpServer.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"
#include "updates/APIClient.h"
#include "updates/UpdateChecker.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// "About Quorlent" used to fall back to a bare message box holding only the version number.
TEST(QuorlentApplicationAbout, OpensTheOneSettingsWindowOnItsAboutPane)
{
    Theme::setReduceMotion(true);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Preferences prefs(dir.filePath(QStringLiteral("preferences.json")));
    // A server that refuses, so the checker's launch check stays local.
    prefs.setValue(APIClient::kServerURLKey, QStringLiteral("http://127.0.0.1:%1").arg(LocalHttpServer::refusedPort()));
    LanguageManager language(prefs, [] { return QStringList{QStringLiteral("en")}; });
    UpdateCheckerDependencies d;
    d.preferences = &prefs;
    d.language = &language;
    UpdateChecker checker(std::move(d));
    UiLanguage::setProvider([&language] { return language.localization(); });
    AppRouter router;
    int environments = 0;
    auto about = QuorlentApplication::aboutPane([&]() -> SettingsEnvironment {
        ++environments;
        return {&language, &prefs, &router, &checker, [] {}, [] { return false; }};
    });

    about(nullptr);
    SettingsWindow* window = SettingsWindow::instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->currentTab(), SettingsWindow::Tab::about);
    EXPECT_EQ(environments, 1);

    // Asked again while the General pane shows: the same window turns to About.
    window->showTab(SettingsWindow::Tab::general);
    about(nullptr);
    EXPECT_EQ(SettingsWindow::instance(), window);
    EXPECT_EQ(window->currentTab(), SettingsWindow::Tab::about);
    int settingsWindows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<SettingsWindow*>(w)) ++settingsWindows;
    EXPECT_EQ(settingsWindows, 1);

    delete window;
    UiLanguage::setProvider({});
    Theme::setReduceMotion(std::nullopt);
}
