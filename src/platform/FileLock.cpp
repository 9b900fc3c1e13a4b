#include "platform/FileLock.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString systemReason(int error) { return QString::fromStdString(std::system_category().message(error)); }

AtomicWrite::Result failure(QString text, int error, AtomicWrite::Reason reason)
{
    return {false, std::move(text), reason, error};
}
}  // namespace

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

FileLock::~FileLock() { release(); }

void FileLock::release()
{
    if (fd_ < 0) return;
    // Removed while still held: whoever waits on this file finds it gone and takes a new one.
    if (!path_.isEmpty()) ::unlink(path_.constData());
    // Closing the last descriptor of the open file releases the lock.
    ::close(fd_);
    fd_ = -1;
}

FileLock FileLock::take(const QString& lockPath, int waitMs, AtomicWrite::Result* failureOut)
{
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        bool removed = false;
        FileLock lock = takeOnce(lockPath, waitMs, deadline, failureOut, &removed);
        if (lock.held() || !removed) return lock;
        // The holder removed the file as it let go: the next holder locks the new one.
    }
}

FileLock FileLock::takeOnce(const QString& lockPath, int waitMs, const QDeadlineTimer& deadline, AtomicWrite::Result* failureOut,
                                  bool* removed)
{
    const QByteArray path = QFile::encodeName(lockPath);
    // The lock file's contents mean nothing (an older version's, another machine's, garbage): only
    // the kernel's lock on it counts. Opened without blocking, whatever stands there.
    const int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | flags, 0600);
    if (fd < 0 && (errno == EACCES || errno == EISDIR || errno == ELOOP || errno == EROFS || errno == ETXTBSY))
        fd = ::open(path.constData(), O_RDONLY | flags);  // a lock needs no more than reading
    if (fd < 0 && errno == ENOENT) {
        // A link that leads nowhere: nobody can hold a lock through it.
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(path.constData()) == 0)
            fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | flags, 0600);
    }
    if (fd < 0) {
        const int error = errno;
        if (failureOut)
            *failureOut = failure(QStringLiteral("the lock file “") + lockPath + QStringLiteral("” could not be opened: ") + systemReason(error),
                                  error, AtomicWrite::reasonFor(error));
        return {};
    }
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Still the file at that name? The last holder may have removed it meanwhile.
            struct stat held {}, named {}, entry {};
            if (::fstat(fd, &held) != 0 || ::stat(path.constData(), &named) != 0 || held.st_dev != named.st_dev
                || held.st_ino != named.st_ino) {
                ::close(fd);
                *removed = true;
                return {};
            }
            FileLock lock;
            lock.fd_ = fd;
            // Only a plain file is ours to remove; anything else in its place stays as it is.
            if (S_ISREG(held.st_mode) && ::lstat(path.constData(), &entry) == 0 && S_ISREG(entry.st_mode)) lock.path_ = path;
            return lock;
        }
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK || deadline.hasExpired()) {
            ::close(fd);
            if (failureOut) {
                if (error == EWOULDBLOCK)
                    *failureOut = failure(QStringLiteral("another running copy has held the lock “") + lockPath + QStringLiteral("” for more than ")
                                              + QString::number(waitMs / 1000) + QStringLiteral(" seconds"),
                                          error, AtomicWrite::Reason::busy);
                else
                    *failureOut = failure(QStringLiteral("the lock “") + lockPath + QStringLiteral("” could not be taken: ") + systemReason(error),
                                          error, AtomicWrite::reasonFor(error));
            }
            return {};
        }
        QThread::msleep(20);
    }
}

