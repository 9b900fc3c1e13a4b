#include "platform/AtomicWrite.h"

#include "platform/i18n/Localization.h"

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
    return {false, QStringLiteral("The file “") + path + QStringLiteral("” could not be written: ") + reason(error), reasonFor(error), error};
}

// What kind of thing stands at the destination, for the log.
QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
    if (S_ISCHR(mode)) return QStringLiteral("a character device");
    if (S_ISBLK(mode)) return QStringLiteral("a block device");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
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
Reason reasonFor(int error)
{
    switch (error) {
    case 0: return Reason::none;
    case ENOSPC: return Reason::noSpace;
    case EDQUOT: return Reason::quotaExceeded;
    case EROFS: return Reason::readOnly;
    case EACCES: case EPERM: return Reason::permissionDenied;
    case ENOENT: return Reason::noFolder;
    case ENOTDIR: case EISDIR: case ENOTEMPTY: return Reason::folderInTheWay;
    case EFBIG: return Reason::tooLarge;
    case ENXIO: case ENODEV: return Reason::notRegularFile;
    case EWOULDBLOCK: return Reason::busy;
    default: return Reason::other;
    }
}

QString describe(Reason reason, const Localization& L)
{
    switch (reason) {
    case Reason::none: return {};
    case Reason::noSpace: return L.tr("There isn’t enough space on the disk.");
    case Reason::quotaExceeded: return L.tr("Your disk quota is used up.");
    case Reason::readOnly: return L.tr("The disk is read-only.");
    case Reason::permissionDenied: return L.tr("You don’t have permission to save there.");
    case Reason::noFolder: return L.tr("The folder doesn’t exist.");
    case Reason::folderInTheWay: return L.tr("A folder is in the way of the file.");
    case Reason::tooLarge: return L.tr("The file is too large.");
    case Reason::notRegularFile: return L.tr("The destination isn’t a regular file.");
    case Reason::busy: return L.tr("Another copy of Quorlent is using the file.");
    case Reason::other: break;
    }
    return L.tr("The file couldn’t be written.");
}

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
    // Nor is a pipe, a device node or a socket, wherever a link leads: as root, a link into /dev
    // would otherwise swap a device for a plain file.
    if (exists && !S_ISREG(existing.st_mode))
        return {false, QStringLiteral("The file “") + path + QStringLiteral("” could not be written: it is ") + kindOf(existing.st_mode)
                           + QStringLiteral(", not a regular file"),
                Reason::notRegularFile, 0};

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
    return {false, QStringLiteral("The unreadable file “") + path + QStringLiteral("” could not be kept aside: ") + reason(error), reasonFor(error),
            error};
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
