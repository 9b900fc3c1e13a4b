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

Result write(const QString& path, const QByteArray& bytes)
{
    // A file-size limit would otherwise end the process with SIGXFSZ instead of failing the write.
    static const bool ignoreFileSizeSignal = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)ignoreFileSizeSignal;

    if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) return failure(path, ENOENT);
    const QByteArray target = QFile::encodeName(path);
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    // rename() would replace an empty folder: a folder in the way is never the file.
    if (exists && S_ISDIR(existing.st_mode)) return failure(path, EISDIR);

    QByteArray temporary;
    const int fd = createTemporary(path, &temporary);
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
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return {true, {}};
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
