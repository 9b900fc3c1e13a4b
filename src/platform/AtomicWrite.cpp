#include "platform/AtomicWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicWrite {

namespace {
constexpr QLatin1String kTemporaryInfix(".tmp-");
constexpr int kRandomLength = 6;

QString reason(int error) { return QString::fromStdString(std::system_category().message(error)); }

Result failure(const QString& path, int error)
{
    return {false, QStringLiteral("The file “") + path + QStringLiteral("” could not be written: ") + reason(error)};
}

bool isNameCharacter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'); }

// Creates a fresh temporary file beside `path`; -1 with errno set when none can be made.
int createTemporary(const QString& path, QByteArray* temporaryPath)
{
    static const char kCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = path + kTemporaryInfix;
        for (int i = 0; i < kRandomLength; ++i) name += QLatin1Char(kCharacters[QRandomGenerator::global()->bounded(62)]);
        *temporaryPath = QFile::encodeName(name);
        const int fd = ::open(temporaryPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}
}  // namespace

// A file-size limit would otherwise end the process with SIGXFSZ instead of failing the write, and
// not only in write(): a lock file or a log written elsewhere meets the same limit. So it is ignored
// from the start of any program that writes files through here.
const bool kFileSizeSignalIgnored = [] {
    std::signal(SIGXFSZ, SIG_IGN);
    return true;
}();

Result write(const QString& path, const QByteArray& bytes)
{
    (void)kFileSizeSignalIgnored;

    if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) return failure(path, ENOENT);
    // A link is followed: the file it points to is replaced and the link stays (a settings file
    // linked from elsewhere keeps its place).
    const QFileInfo info(path);
    const QString resolved = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const QByteArray target = QFile::encodeName(resolved);
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    // rename() would replace an empty folder: a folder in the way is never the file.
    if (exists && S_ISDIR(existing.st_mode)) return failure(path, EISDIR);

    QByteArray temporary;
    const int fd = createTemporary(resolved, &temporary);
    if (fd < 0) return failure(path, errno);
    const auto abandon = [&](int error) {
        ::unlink(temporary.constData());
        return failure(path, error);
    };

    // The replacement keeps the permissions the user gave the earlier file.
    if (exists && S_ISREG(existing.st_mode)) (void)::fchmod(fd, existing.st_mode & 07777);
    if (!writeAll(fd, bytes.constData(), bytes.size()) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        return abandon(error);
    }
    if (::close(fd) != 0 && errno != EINTR) return abandon(errno);
    if (::rename(temporary.constData(), target.constData()) != 0) return abandon(errno);

    // The new name itself reaches the disk with the folder; failing that, the file is in place anyway.
    const int folder = ::open(QFile::encodeName(QFileInfo(resolved).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return {true, {}};
}

namespace {
// Moves `from` to `to` unless `to` exists; 0 or the error.
int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the no-replace flag: look first (the caller's lock keeps other copies of
    // this application out of the folder in between).
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0) return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}
}  // namespace

Result keepAside(const QString& path, const QDateTime& now, QString* keptAs)
{
    if (keptAs) keptAs->clear();
    const QString base = path + QStringLiteral(".damaged-") + now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QByteArray from = QFile::encodeName(path);
    int error = EEXIST;
    for (int n = 1; n < 1000 && error == EEXIST; ++n) {
        const QString candidate = n == 1 ? base : base + QLatin1Char('-') + QString::number(n);
        error = renameNoReplace(from, QFile::encodeName(candidate));
        if (error == 0 && keptAs) *keptAs = candidate;
    }
    if (error == 0 || error == ENOENT) return {true, {}};
    return {false, QStringLiteral("The unreadable file “") + path + QStringLiteral("” could not be kept aside: ") + reason(error)};
}

bool isTemporaryName(const QString& fileName, const QString& targetName)
{
    const qsizetype prefix = targetName.size() + kTemporaryInfix.size();
    if (fileName.size() != prefix + kRandomLength || !fileName.startsWith(targetName)
        || QStringView(fileName).mid(targetName.size(), kTemporaryInfix.size()) != kTemporaryInfix)
        return false;
    for (qsizetype i = prefix; i < fileName.size(); ++i)
        if (!isNameCharacter(fileName[i])) return false;
    return true;
}

int removeLeftovers(const QString& path)
{
    const QFileInfo info(path);
    const QString targetName = info.fileName();
    QDir folder = info.absoluteDir();
    int removed = 0;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!isTemporaryName(name, targetName)) continue;
        if (::unlink(QFile::encodeName(folder.filePath(name)).constData()) == 0) ++removed;
    }
    return removed;
}

}  // namespace AtomicWrite
