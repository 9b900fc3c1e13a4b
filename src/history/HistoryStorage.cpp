#include "history/HistoryStorage.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
void logLine(const QString& line) { qWarning().noquote() << line; }

QString folderOf(const QString& filePath) { return QFileInfo(filePath).absolutePath(); }

// Creates the folder that holds the file; an existing folder is fine.
bool makeFolder(const QString& folder, QString* failure)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdString()), ec);
    if (!ec) return true;
    if (failure) *failure = QStringLiteral("The folder “") + folder + QStringLiteral("” could not be created: ") + QString::fromStdString(ec.message());
    return false;
}

// Moves `from` to `to` unless `to` exists: a file kept aside is never replaced.
int renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the no-replace flag: check first (the lock keeps other copies of
    // this application out of the folder in between).
    struct stat st {};
    if (::lstat(t.constData(), &st) == 0) return EEXIST;
    return ::rename(f.constData(), t.constData()) == 0 ? 0 : errno;
}
}  // namespace

HistoryStorage::HistoryStorage(QString filePath, qint64 maximumSize) : filePath_(std::move(filePath)), maximumSize_(maximumSize) {}

HistoryStorage::~HistoryStorage() = default;

HistoryStorage::ReadResult HistoryStorage::read(const QString& filePath, qint64 maximumSize)
{
    ReadResult result;
    const QFileInfo info(filePath);
    if (!info.exists()) return result;  // missing: an empty history, nothing to keep
    result.outcome = Outcome::damaged;
    if (!info.isFile() || info.size() > maximumSize) return result;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) return result;
    const QByteArray bytes = file.read(maximumSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maximumSize) return result;
    std::optional<QList<ScanSnapshot>> decoded = SnapshotCodec::decode(bytes);
    if (!decoded) return result;
    result.outcome = Outcome::loaded;
    result.snapshots = std::move(*decoded);
    return result;
}

QString HistoryStorage::fingerprint() const
{
    struct stat st {};
    if (::lstat(QFile::encodeName(filePath_).constData(), &st) != 0) return QStringLiteral("absent");
    return QStringLiteral("%1:%2:%3.%4")
        .arg(qulonglong(st.st_ino))
        .arg(qlonglong(st.st_size))
        .arg(qlonglong(st.st_mtim.tv_sec))
        .arg(qlonglong(st.st_mtim.tv_nsec));
}

bool HistoryStorage::takeLock(QString* failure)
{
    if (lockState_ == Lock::ours) return true;
    const QString folder = folderOf(filePath_);
    if (!makeFolder(folder, failure)) return false;
    if (!lock_) {
        lock_ = std::make_unique<QLockFile>(filePath_ + QStringLiteral(".lock"));
        // A live holder keeps its lock however long it runs; only a dead one's lock is stale.
        lock_->setStaleLockTime(0);
    }
    if (lock_->tryLock(0)) {
        lockState_ = Lock::ours;
        return true;
    }
    if (lock_->error() == QLockFile::LockFailedError) {
        giveUp(QStringLiteral("another running copy holds the lock “") + lock_->fileName() + QStringLiteral("”"));
        return false;
    }
    if (failure) *failure = QStringLiteral("The lock file “") + lock_->fileName() + QStringLiteral("” could not be created.");
    return false;
}

HistoryStorage::ReadResult HistoryStorage::open(const QDateTime& now)
{
    takeLock(nullptr);
    ReadResult result = read(filePath_, maximumSize_);
    loadedFingerprint_ = fingerprint();
    if (result.outcome == Outcome::damaged) {
        mustKeepAside_ = true;
        if (lockState_ == Lock::ours && !keepAside(now))
            giveUp(QStringLiteral("the unreadable history file “") + filePath_ + QStringLiteral("” could not be kept aside"));
    }
    return result;
}

bool HistoryStorage::keepAside(const QDateTime& now)
{
    const QString base = filePath_ + QStringLiteral(".damaged-") + now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString candidate = n == 1 ? base : base + QLatin1Char('-') + QString::number(n);
        const int error = renameNoReplace(filePath_, candidate);
        if (error == EEXIST) continue;
        if (error == ENOENT) {
            // Gone already: nothing left to protect.
            mustKeepAside_ = false;
            return true;
        }
        if (error != 0) return false;
        mustKeepAside_ = false;
        loadedFingerprint_ = fingerprint();
        logLine(QStringLiteral("ScanHistory: kept the unreadable history file aside as “") + candidate + QStringLiteral("”"));
        return true;
    }
    return false;
}

void HistoryStorage::giveUp(const QString& reason)
{
    if (gaveUp_) return;
    gaveUp_ = true;
    logLine(QStringLiteral("ScanHistory: ") + reason + QStringLiteral("; this copy keeps its scan history in memory only."));
}

void HistoryStorage::write(const QByteArray& bytes)
{
    if (gaveUp_) return;
    QString failure;
    if (lockState_ != Lock::ours) {
        if (!takeLock(&failure)) {
            if (!failure.isEmpty()) logLine(kFailurePrefix + failure);
            return;
        }
        // The lock was not ours when the file was read: if it changed since, another copy wrote it.
        if (fingerprint() != loadedFingerprint_) {
            giveUp(QStringLiteral("the history file “") + filePath_ + QStringLiteral("” was changed by another copy"));
            return;
        }
    }
    if (!makeFolder(folderOf(filePath_), &failure)) {
        logLine(kFailurePrefix + failure);
        return;
    }
    if (mustKeepAside_ && !keepAside(QDateTime::currentDateTimeUtc())) {
        giveUp(QStringLiteral("the unreadable history file “") + filePath_ + QStringLiteral("” could not be kept aside"));
        return;
    }
    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly)) {
        logLine(kFailurePrefix + file.errorString());
        return;
    }
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        logLine(kFailurePrefix + error);
        return;
    }
    if (!file.commit()) {
        logLine(kFailurePrefix + file.errorString());
        return;
    }
    loadedFingerprint_ = fingerprint();
}
