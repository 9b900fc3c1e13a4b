// The start-up wiring of the running application, in a process of its own (its singletons
// and preferences live in a fresh home): a change of interface language reaches every
// window at once, with its direction, and the main window opens fitted to the screen.
#include "app/LanguageManager.h"
#include "platform/Preferences.h"
#include "shell/MainWindow.h"
#include "shell/QuorlentApplication.h"
#include "shell/SingleInstance.h"
#include "support/LocalHttpServer.h"
#include "updates/APIClient.h"
#include "updates/UpdateChecker.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const char* kRole = "QRL_WIRING_ROLE";
}

TEST(StartWiringRole, Run)
{
    if (qEnvironmentVariableIsEmpty(kRole)) GTEST_SKIP() << "only run as a helper process";
    // No update server is reached from here.
    Preferences::shared().setValue(APIClient::kServerURLKey,
                                   QStringLiteral("http://127.0.0.1:%1").arg(LocalHttpServer::refusedPort()));
    Preferences::shared().setValue(QStringLiteral("onboardingCompleted"), true);
    SingleInstance instance(QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(QStringLiteral("wiring")));
    QuorlentApplication app(instance);
    app.start();
    MainWindow* window = app.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    // The tray, the window icon and the launch update check wait for the first page...
    EXPECT_FALSE(app.firstPageShown());
    EXPECT_EQ(app.trayHost(), nullptr);
    EXPECT_TRUE(UpdateChecker::shared().holdsAutomaticChecks());
    EXPECT_TRUE(QApplication::windowIcon().isNull());
    // ...and follow once it has been painted.
    QDeadlineTimer deadline(10000);
    while (!app.firstPageShown() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(app.firstPageShown());
    EXPECT_NE(app.trayHost(), nullptr);
    EXPECT_FALSE(UpdateChecker::shared().holdsAutomaticChecks());
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_EQ(window->route().kind, DetailRoute::Kind::overview);
    // Placed on the screen's available area (the offscreen screen is smaller than the minimum).
    EXPECT_TRUE(window->screen()->availableGeometry().contains(window->pos()));
    EXPECT_EQ(QApplication::layoutDirection(), Qt::LeftToRight);

    LanguageManager::shared().select(QStringLiteral("ar"));
    QApplication::processEvents();
    // Every window of ours turned right to left at once, the application with them.
    EXPECT_EQ(QApplication::layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(window->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(window->locale().language(), QLocale::Arabic);
    EXPECT_EQ(window->windowTitle(), LanguageManager::shared().localization().tr("Quorlent"));

    LanguageManager::shared().select(QStringLiteral("en"));
    QApplication::processEvents();
    EXPECT_EQ(window->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(window->locale().language(), QLocale::English);
}

TEST(StartWiring, ALanguageChangeReachesEveryWindow)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kRole, QStringLiteral("run"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=StartWiringRole.Run")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}
