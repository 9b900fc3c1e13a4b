#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// The tests start this test program again in a role, to have real second processes.
namespace {
const char* kRole = "QRL_INSTANCE_ROLE";
const char* kName = "QRL_INSTANCE_NAME";
const char* kLog = "QRL_INSTANCE_LOG";

void log(const QString& line)
{
    QFile f(qEnvironmentVariable(kLog));
    if (f.open(QIODevice::Append)) f.write((line + QStringLiteral(" %1\n").arg(getpid())).toUtf8());
}

QStringList logLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

int countStarting(const QStringList& lines, const QString& word)
{
    int n = 0;
    for (const QString& l : lines)
        if (l.startsWith(word + ' ')) ++n;
    return n;
}

struct Roles {
    QTemporaryDir dir;
    QString name = dir.filePath("instance");
    QString logPath = dir.filePath("log");

    QProcessEnvironment env(const QString& role) const
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(kRole, role);
        e.insert(kName, name);
        e.insert(kLog, logPath);
        return e;
    }
    QStringList args() const { return {"--gtest_filter=StartSingleInstanceRole.Run"}; }
    void start(QProcess& p, const QString& role) const
    {
        p.setProcessEnvironment(env(role));
        // Not pipes: a relaunched copy inherits them and would die writing into a closed one.
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(QCoreApplication::applicationFilePath(), args());
    }
    bool waitForLog(const QString& word, int count, int ms = 15000) const
    {
        return QTest::qWaitFor([&] { return countStarting(logLines(logPath), word) >= count; }, ms);
    }
};
}  // namespace

TEST(StartSingleInstanceRole, Run)
{
    const QString role = qEnvironmentVariable(kRole);
    if (role.isEmpty()) GTEST_SKIP() << "only run as a helper process";
    log("started " + role);
    SingleInstance instance(qEnvironmentVariable(kName));
    const SingleInstance::Outcome outcome = instance.start();
    log(QStringLiteral("outcome %1").arg(int(outcome)));
    if (role == "second") {
        log(outcome == SingleInstance::Outcome::forwarded ? "forwarded" : "ran");
        if (outcome == SingleInstance::Outcome::forwarded) ::_exit(0);
        ::_exit(1);
    }
    ASSERT_EQ(outcome, SingleInstance::Outcome::primary);
    log("listening");
    QEventLoop loop;
    QObject::connect(&instance, &SingleInstance::activationRequested, &loop, [&] {
        log("raised");
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (role == "relauncher") {
        // As after a language change: let go, start the new copy, quit.
        qputenv(kRole, "primary");
        instance.releaseAndStart(QCoreApplication::applicationFilePath(), {"--gtest_filter=StartSingleInstanceRole.Run"});
        log("relaunched");
        ::_exit(0);
    }
    loop.exec();
    ::_exit(0);
}

TEST(StartSingleInstance, ASecondLaunchRaisesTheFirstAndExits)
{
    Roles r;
    QProcess first;
    r.start(first, "primary");
    ASSERT_TRUE(r.waitForLog("listening", 1));
    QProcess second;
    r.start(second, "second");
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(r.waitForLog("raised", 1));
    EXPECT_TRUE(first.waitForFinished(15000));
    EXPECT_EQ(countStarting(logLines(r.logPath), "forwarded"), 1);
    EXPECT_EQ(countStarting(logLines(r.logPath), "listening"), 1);
}

TEST(StartSingleInstance, AStaleSocketDoesNotKeepTheAppFromStarting)
{
    Roles r;
    {
        // A copy that ended without cleaning up leaves its socket file behind.
        QFile stale(r.name);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    SingleInstance instance(r.name);
    EXPECT_EQ(instance.start(), SingleInstance::Outcome::primary);
    EXPECT_TRUE(instance.isListening());
    instance.release();
    EXPECT_FALSE(instance.isListening());
    SingleInstance again(r.name);
    EXPECT_EQ(again.start(), SingleInstance::Outcome::primary);
}

TEST(StartSingleInstance, ASocketLeftByACrashedCopyDoesNotBlockTheNextStart)
{
    Roles r;
    {
        // A copy killed while listening leaves a real socket behind that nobody accepts on.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(r.name);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(fd, 1), 0);
        ::close(fd);
    }
    SingleInstance instance(r.name);
    EXPECT_EQ(instance.start(), SingleInstance::Outcome::primary);
    EXPECT_TRUE(instance.isListening());
    // Only this user may reach the running copy.
    struct stat info{};
    ASSERT_EQ(::stat(QFile::encodeName(r.name).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST(StartSingleInstance, ReleasingLetsTheNextCopyTakeOver)
{
    Roles r;
    SingleInstance first(r.name);
    ASSERT_EQ(first.start(), SingleInstance::Outcome::primary);
    first.release();
    EXPECT_FALSE(QFile::exists(r.name));
    SingleInstance next(r.name);
    EXPECT_EQ(next.start(), SingleInstance::Outcome::primary);
    // A path too long for a Unix socket runs without the guard rather than failing the start.
    SingleInstance tooLong(r.dir.filePath(QString(200, u'x')));
    EXPECT_EQ(tooLong.start(), SingleInstance::Outcome::alone);
}

TEST(StartSingleInstance, ARelaunchYieldsExactlyOneNewCopy)
{
    Roles r;
    QProcess old;
    r.start(old, "relauncher");
    ASSERT_TRUE(old.waitForFinished(15000));
    EXPECT_EQ(old.exitCode(), 0);
    // The new copy was not swallowed by the old one's guard: it listens.
    ASSERT_TRUE(r.waitForLog("listening", 2)) << logLines(r.logPath).join('\n').toStdString();
    QProcess second;
    r.start(second, "second");
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(r.waitForLog("raised", 1));
    const QStringList lines = logLines(r.logPath);
    EXPECT_EQ(countStarting(lines, "listening"), 2) << lines.join('\n').toStdString();
    EXPECT_EQ(countStarting(lines, "relaunched"), 1);
    EXPECT_EQ(countStarting(lines, "raised"), 1);
    EXPECT_EQ(countStarting(lines, "forwarded"), 1);
}
