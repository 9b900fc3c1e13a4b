#pragma once

#include "platform/AtomicWrite.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <utility>

// An exclusive lock on a lock file beside a file that several running copies write (the history,
// the preferences): flock, so the kernel releases it when its holder dies and no leftover lock file
// of any content (empty, garbage, an older version's, another machine's) can block a writer.
// Released when this goes (or the process dies). The holder removes the lock file as it lets go;
// a waiting copy that finds it removed opens the new one and waits again.
class FileLock final {
public:
    FileLock() = default;
    FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    // Waits up to `waitMs` for the lock; on failure `failure` says why (the log's words and the reason).
    static FileLock take(const QString& lockPath, int waitMs, AtomicWrite::Result* failure);
    bool held() const { return fd_ >= 0; }

private:
    static FileLock takeOnce(const QString& lockPath, int waitMs, const QDeadlineTimer& deadline, AtomicWrite::Result* failure, bool* removed);
    void release();

    int fd_ = -1;
    // The lock file, removed (while still locked) when the lock goes, so none is ever left behind;
    // empty for something in its place that is not ours to remove.
    QByteArray path_;
};

