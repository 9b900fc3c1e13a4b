#include "shell/SessionBusWarmup.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {
const char* kRole = "QRL_SESSION_BUS_ROLE";
}

// In a process of its own: the session connection is made once per process, so only a fresh
// one shows what the warm-up leaves behind.
TEST(SessionBusWarmupRole, Run)
{
    if (qEnvironmentVariableIsEmpty(kRole)) GTEST_SKIP() << "only run as a helper process";
    { SessionBusWarmup bus; }
    // The worker's failed attempt is the process's answer; asking again on this thread neither
    // hangs nor ends the process.
    EXPECT_FALSE(QDBusConnection::sessionBus().isConnected());
}

// Where no session bus can be reached, the warm-up ends with its attempt and the application
// goes on without a bus, as it would have without the warm-up.
TEST(SessionBusWarmup, WithNoBusToReachItEndsAndTheApplicationGoesOn)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kRole, QStringLiteral("run"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/quorlent-test-bus"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=SessionBusWarmupRole.Run")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}
