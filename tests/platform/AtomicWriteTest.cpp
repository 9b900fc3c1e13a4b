// The one atomic-write helper: what it leaves on disk when it works and when it fails, including a
// full disk, played by a child process that runs under a small file-size limit.
#include "platform/AtomicWrite.h"
#include "platform/Preferences.h"
#include "platform/i18n/Localization.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList entries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

// Bytes of every value, as a PDF or an image holds them.
QByteArray someBytes(qsizetype size, quint32 seed)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& c : b) c = char(random.bounded(256));
    return b;
}

TEST(AtomicWrite, WritesANewFileAndReplacesAnOldOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    const QByteArray first = someBytes(70000, 1);
    ASSERT_TRUE(AtomicWrite::write(path, first));
    EXPECT_EQ(readFile(path), first);
    ASSERT_TRUE(AtomicWrite::write(path, "short"));
    EXPECT_EQ(readFile(path), QByteArray("short"));
    ASSERT_TRUE(AtomicWrite::write(path, {}));
    EXPECT_EQ(readFile(path), QByteArray());
    EXPECT_EQ(entries(dir.path()), QStringList{"report.pdf"});
}

TEST(AtomicWrite, TheReplacementKeepsTheEarlierFilesPermissions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    writeFile(path, "{}");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    ASSERT_TRUE(AtomicWrite::write(path, "{\"a\":1}"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(AtomicWrite, ALinkIsFollowedAndStays)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.filePath("dotfiles")));
    const QString real = dir.filePath("dotfiles/preferences.json");
    writeFile(real, "{}");
    const QString link = dir.filePath("preferences.json");
    ASSERT_TRUE(QFile::link("dotfiles/preferences.json", link));
    ASSERT_TRUE(AtomicWrite::write(link, "{\"a\":1}"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(real), QByteArray("{\"a\":1}"));
    EXPECT_EQ(entries(dir.filePath("dotfiles")), QStringList{"preferences.json"});
}

TEST(AtomicWrite, FailuresLeaveEverythingAsItWasAndSayWhy)
{
    QTemporaryDir dir;
    // A folder where the file belongs, even an empty one, is never replaced.
    const QString folderInTheWay = dir.filePath("in-the-way");
    ASSERT_TRUE(QDir().mkpath(folderInTheWay));
    const AtomicWrite::Result a = AtomicWrite::write(folderInTheWay, "x");
    EXPECT_FALSE(a);
    EXPECT_EQ(a.error, "The file “" + folderInTheWay + "” could not be written: Is a directory");
    EXPECT_TRUE(QFileInfo(folderInTheWay).isDir());

    // A missing folder is not created.
    const QString inMissingFolder = dir.filePath("missing/report.txt");
    const AtomicWrite::Result b = AtomicWrite::write(inMissingFolder, "x");
    EXPECT_FALSE(b);
    EXPECT_EQ(b.error, "The file “" + inMissingFolder + "” could not be written: No such file or directory");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing")));

    // A file where a folder should be (a read-only folder would not stop a test run as root).
    writeFile(dir.filePath("blocker"), "keep");
    EXPECT_FALSE(AtomicWrite::write(dir.filePath("blocker/report.txt"), "x"));
    EXPECT_EQ(readFile(dir.filePath("blocker")), QByteArray("keep"));

    EXPECT_FALSE(AtomicWrite::write(QString(), "x"));
    EXPECT_EQ(entries(dir.path()), QStringList({"blocker", "in-the-way"}));
}

TEST(AtomicWrite, TemporaryNamesAndLeftovers)
{
    struct Case {
        const char* name;
        bool temporary;
    };
    const Case cases[] = {
        {"snapshots.json.tmp-a1B2c3", true},
        {"snapshots.json.tmp-000000", true},
        {"snapshots.json.tmp-a1B2c", false},
        {"snapshots.json.tmp-a1B2c34", false},
        {"snapshots.json.tmp-a1B2c-", false},
        {"snapshots.json.tmp-a1B2cé", false},
        {"snapshots.json.backup", false},
        {"snapshots.jsonXtmp-a1B2c3", false},
        {"other.json.tmp-a1B2c3", false},
        {"snapshots.json", false},
    };
    for (const Case& c : cases) EXPECT_EQ(AtomicWrite::isTemporaryName(QString::fromUtf8(c.name), "snapshots.json"), c.temporary) << c.name;

    QTemporaryDir dir;
    for (const Case& c : cases) writeFile(dir.filePath(QString::fromUtf8(c.name)), "x");
    EXPECT_EQ(AtomicWrite::removeLeftovers(dir.filePath("snapshots.json")), 2);
    for (const Case& c : cases) EXPECT_EQ(QFileInfo::exists(dir.filePath(QString::fromUtf8(c.name))), !c.temporary) << c.name;
}

TEST(AtomicWrite, KeepAsideNeverReplacesATakenName)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("snapshots.json");
    const QDateTime when(QDate(2026, 3, 1), QTime(9, 15, 42), Qt::UTC);
    const QString base = path + ".damaged-20260301-091542";
    writeFile(base, "taken");
    writeFile(base + "-2", "taken too");
    writeFile(path, "damaged");
    QString keptAs;
    ASSERT_TRUE(AtomicWrite::keepAside(path, when.toOffsetFromUtc(3600), &keptAs));  // named in UTC
    EXPECT_EQ(keptAs, base + "-3");
    EXPECT_EQ(readFile(base), QByteArray("taken"));
    EXPECT_EQ(readFile(base + "-2"), QByteArray("taken too"));
    EXPECT_EQ(readFile(base + "-3"), QByteArray("damaged"));
    EXPECT_FALSE(QFileInfo::exists(path));
    // Nothing there: nothing to do.
    EXPECT_TRUE(AtomicWrite::keepAside(path, when, &keptAs));
    EXPECT_TRUE(keptAs.isEmpty());
}

// --- A full disk, played by RLIMIT_FSIZE in a child process ---

const char* kChildVariable = "QRL_ATOMIC_WRITE_CHILD";

// Runs only inside the child started below. The variable holds "what|path|limit": it sets the
// limit, makes the write and prints the outcome.
TEST(AtomicWriteChild, WritesUnderAFileSizeLimit)
{
    const QStringList job = qEnvironmentVariable(kChildVariable).split('|');
    if (job.size() != 3) GTEST_SKIP() << "runs as the child of the full-disk tests";
    const QString what = job[0], path = job[1];
    const rlim_t limit = rlim_t(job[2].toULongLong());
    // Made before the limit, so only the write itself meets it.
    Preferences* preferences = what == "preferences" ? new Preferences(path) : nullptr;
    QByteArray bytes;
    if (what.startsWith("bytes:")) bytes = someBytes(what.mid(6).toLongLong(), 7);

    const rlimit rl{limit, limit};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &rl), 0);
    bool ok = false;
    QString error;
    if (preferences) {
        ok = preferences->setValue("QRLServerURL", "https://example.test/" + QString(8000, 'x'));
        // Whether the change holds for this run, written or not.
        error = preferences->stringValue("QRLServerURL").value_or(QString()).size() == 8021 ? "kept" : "lost";
        delete preferences;
    } else {
        const AtomicWrite::Result r = AtomicWrite::write(path, bytes);
        ok = r.ok;
        error = r.error;
    }
    std::fprintf(stdout, "\nRESULT %d %s\n", ok ? 1 : 0, error.toUtf8().constData());
    std::fflush(stdout);
}

struct ChildOutcome {
    bool ok = false;
    QString error;
    QString log;  // what the child logged
};

ChildOutcome runChild(const QString& what, const QString& path, qint64 limit)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), what + '|' + path + '|' + QString::number(limit));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=AtomicWriteChild.WritesUnderAFileSizeLimit"});
    EXPECT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);  // not ended by SIGXFSZ
    EXPECT_EQ(child.exitCode(), 0);  // nor by a fault or a leak
    ChildOutcome outcome;
    outcome.log = QString::fromUtf8(child.readAllStandardError());
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    const qsizetype at = out.lastIndexOf("\nRESULT ");
    EXPECT_GE(at, 0) << out.toStdString() << outcome.log.toStdString();
    if (at < 0) return outcome;
    const QString line = out.mid(at + 8).section('\n', 0, 0);
    outcome.ok = line.startsWith('1');
    outcome.error = line.mid(2);
    return outcome;
}

TEST(AtomicWriteDiskFull, ReportBytesOfEveryKindLeaveTheEarlierFile)
{
    struct Case {
        const char* kind;
        qint64 size;
        qint64 limit;
    };
    // Sizes of the four formats' files, each past the room left; small ones too, which a buffered
    // writer would only have tried to write at the very end.
    const Case cases[] = {
        {"plain text", 3000, 1024},
        {"Markdown", 20000, 16384},
        {"JSON", 5000, 4096},
        {"PDF", 300000, 65536},
        {"one byte, no room", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        QTemporaryDir dir;
        const QString path = dir.filePath("Quorlent Report.out");
        const QByteArray earlier = someBytes(500, 3);
        writeFile(path, earlier);
        const ChildOutcome outcome = runChild("bytes:" + QString::number(c.size), path, c.limit);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.error, "The file “" + path + "” could not be written: File too large");
        EXPECT_EQ(readFile(path), earlier);
        EXPECT_EQ(entries(dir.path()), QStringList{"Quorlent Report.out"});  // no temporary file left
    }
    // The same harness with room enough: the file is replaced.
    QTemporaryDir dir;
    const QString path = dir.filePath("Quorlent Report.out");
    writeFile(path, "earlier");
    EXPECT_TRUE(runChild("bytes:900", path, 1024).ok);
    EXPECT_EQ(readFile(path), someBytes(900, 7));
}

TEST(AtomicWriteDiskFull, PreferencesKeepTheEarlierFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    {
        Preferences p(path);
        ASSERT_TRUE(p.setValue("menuBarMonitorEnabled", false));
        ASSERT_TRUE(p.setValue("AppleLanguages", QStringList{"de"}));
        ASSERT_TRUE(p.setValue("onboardingCompleted", true));
    }
    const QByteArray earlier = readFile(path);
    const ChildOutcome outcome = runChild("preferences", path, earlier.size() + 64);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "kept");
    EXPECT_TRUE(outcome.log.contains("Preferences: could not save preferences: The file “" + path + "” could not be written: File too large\n"))
        << outcome.log.toStdString();
    EXPECT_EQ(readFile(path), earlier);
    EXPECT_EQ(entries(dir.path()), QStringList{"preferences.json"});
    const Preferences reread(path);
    EXPECT_EQ(reread.boolValue("menuBarMonitorEnabled"), false);
    EXPECT_EQ(reread.stringListValue("AppleLanguages"), QStringList{"de"});
    EXPECT_EQ(reread.boolValue("onboardingCompleted"), true);
    EXPECT_FALSE(reread.contains("QRLServerURL"));
}

}  // namespace

TEST(AtomicWrite, OnlyARegularFileIsReplaced)
{
    struct Case {
        const char* name;
        std::function<bool(const QString& path)> make;  // puts the thing at `path`
        bool (*stillThere)(const QString& path);
    };
    const auto isFifo = [](const QString& p) {
        struct stat st {};
        return ::lstat(QFile::encodeName(p).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
    };
    const auto isSocket = [](const QString& p) {
        struct stat st {};
        return ::lstat(QFile::encodeName(p).constData(), &st) == 0 && S_ISSOCK(st.st_mode);
    };
    const auto isLink = [](const QString& p) { return QFileInfo(p).isSymLink(); };
    const Case cases[] = {
        {"a named pipe", [](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0; }, isFifo},
        {"a socket",
         [](const QString& p) {
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address {};
             address.sun_family = AF_UNIX;
             const QByteArray name = QFile::encodeName(p);
             if (fd < 0 || name.size() >= qsizetype(sizeof(address.sun_path))) return false;
             std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
             const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
             ::close(fd);
             return bound;
         },
         isSocket},
        // As root a link into /dev would otherwise turn a device node into a plain file.
        {"a link to a device", [](const QString& p) { return QFile::link(QStringLiteral("/dev/null"), p); }, isLink},
        {"a link to a pipe",
         [](const QString& p) { return ::mkfifo(QFile::encodeName(p + ".fifo").constData(), 0600) == 0 && QFile::link(p + ".fifo", p); },
         isLink},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath("r.txt");
        ASSERT_TRUE(c.make(path));
        const QStringList before = entries(dir.path());
        const AtomicWrite::Result r = AtomicWrite::write(path, "report");
        EXPECT_FALSE(r);
        EXPECT_EQ(r.reason, AtomicWrite::Reason::notRegularFile);
        EXPECT_TRUE(r.error.startsWith("The file “" + path + "” could not be written: it is ")) << r.error.toStdString();
        EXPECT_TRUE(r.error.endsWith(", not a regular file")) << r.error.toStdString();
        EXPECT_TRUE(c.stillThere(path));
        EXPECT_EQ(entries(dir.path()), before);  // no temporary file left either
        EXPECT_EQ(AtomicWrite::describe(r, Localization::english()), QString::fromUtf8("The destination isn’t a regular file."));
    }
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(AtomicWrite, EachFailureHasADescriptionInEveryLanguage)
{
    using R = AtomicWrite::Reason;
    const struct {
        int error;
        R reason;
    } cases[] = {
        {ENOSPC, R::noSpace}, {EDQUOT, R::quotaExceeded}, {EROFS, R::readOnly}, {EACCES, R::permissionDenied},
        {EPERM, R::permissionDenied}, {ENOENT, R::noFolder}, {EISDIR, R::folderInTheWay}, {ENOTDIR, R::folderInTheWay},
        {EFBIG, R::tooLarge}, {EIO, R::other},
    };
    for (const auto& c : cases) EXPECT_EQ(AtomicWrite::reasonFor(c.error), c.reason) << c.error;
    const R reasons[] = {R::noSpace, R::quotaExceeded, R::readOnly, R::permissionDenied, R::noFolder, R::folderInTheWay,
                         R::tooLarge, R::notRegularFile, R::busy, R::other};
    const Localization english = Localization::english();
    for (const QString& code : StringTable::availableCodes()) {
        const Localization L = Localization::forCode(code, QStringLiteral("en_US"));
        QSet<QString> seen;
        for (R reason : reasons) {
            const QString text = AtomicWrite::describe(reason, L);
            EXPECT_FALSE(text.isEmpty());
            EXPECT_TRUE(L.table && L.table->contains(AtomicWrite::describe(reason, english))) << code.toStdString();
            if (code != QStringLiteral("en")) EXPECT_NE(text, AtomicWrite::describe(reason, english)) << code.toStdString();
            seen.insert(text);
        }
        EXPECT_EQ(seen.size(), qsizetype(std::size(reasons))) << code.toStdString();
    }
    // A full disk says so (the write keeps the earlier file).
    EXPECT_EQ(AtomicWrite::describe(R::noSpace, english), QString::fromUtf8("There isn’t enough space on the disk."));
}
