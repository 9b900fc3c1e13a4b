#include "shell/SessionBusWarmup.h"

#include "platform/linux/LinuxSystemBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>

#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {
const char* kRole = "QRL_SESSION_BUS_ROLE";
const char* kStallPath = "QRL_SESSION_BUS_STALL";

// A session bus that takes the connection and never answers: a launch that has not ended.
int listenAt(const QByteArray& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (fd < 0 || size_t(path.size()) >= sizeof addr.sun_path) return -1;
    memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int runHelper(const QString& role, QProcessEnvironment env, QString* output)
{
    env.insert(kRole, role);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=SessionBusWarmupRole.*")});
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
    }
    *output = QString::fromUtf8(child.readAll());
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}
}  // namespace

// In a process of its own: the session connection is made once per process, so only a fresh
// one shows what the warm-up leaves behind.
TEST(SessionBusWarmupRole, Run)
{
    if (qEnvironmentVariable(kRole) != QLatin1String("run")) GTEST_SKIP() << "only run as a helper process";
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
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/quorlent-test-bus"));
    QString output;
    EXPECT_EQ(runHelper(QStringLiteral("run"), env, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

TEST(SessionBusWarmup, WhatTheFirstStepConnectsIsThereWhileTheSessionBusIsStillBeingReached)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("stalled-bus"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kStallPath, path);
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + path);
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/quorlent-test-system-bus"));
    QString output;
    EXPECT_EQ(runHelper(QStringLiteral("first"), env, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

// While the session bus is still being reached, the connections asked for in the first step are
// there for the main thread: it does not wait behind the session bus's launch for them.
TEST(SessionBusWarmupRole, FirstStep)
{
    if (qEnvironmentVariable(kRole) != QLatin1String("first")) GTEST_SKIP() << "only run as a helper process";
    const int server = listenAt(qgetenv(kStallPath));
    ASSERT_GE(server, 0);
    std::atomic<bool> firstRan{false};
    std::atomic<bool> onWorker{false};
    std::atomic<bool> released{false};
    Qt::HANDLE mainThread = QThread::currentThreadId();
    std::thread release;
    {
        SessionBusWarmup bus([&] {
            onWorker = QThread::currentThreadId() != mainThread;
            LinuxSystemBus::shared();
            firstRan = true;
        });
        // The worker is inside the session connection once the stalled bus has taken it.
        pollfd wait{server, POLLIN, 0};
        ASSERT_EQ(::poll(&wait, 1, 20000), 1);
        const int taken = ::accept(server, nullptr, nullptr);
        ASSERT_GE(taken, 0);
        // Should the main thread wait after all, the stalled bus lets go a while later, so the
        // helper ends either way.
        release = std::thread([&released, taken, server] {
            ::usleep(3000 * 1000);
            released = true;
            ::shutdown(taken, SHUT_RDWR);
            ::close(taken);
            ::close(server);
        });
        EXPECT_TRUE(firstRan);
        EXPECT_TRUE(onWorker);
        // As the machine's readers ask for it while the window is built.
        EXPECT_FALSE(LinuxSystemBus::shared().isConnected());
        EXPECT_FALSE(released) << "the system bus waited for the session bus";
    }
    release.join();
    EXPECT_FALSE(QDBusConnection::sessionBus().isConnected());
}
