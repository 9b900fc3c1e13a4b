#include "history/HistoryStorage.h"

#include "platform/AtomicWrite.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
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

bool onlyWhiteSpace(const QByteArray& bytes)
{
    for (const char c : bytes)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
    return true;
}
}  // namespace

HistoryStorage::HistoryStorage(QString filePath, qint64 maximumSize) : filePath_(std::move(filePath)), maximumSize_(maximumSize) {}

HistoryStorage::~HistoryStorage() { release(); }

HistoryStorage::ReadResult HistoryStorage::read(const QString& filePath, qint64 maximumSize)
{
    ReadResult result;
    const QByteArray path = QFile::encodeName(filePath);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) return result;  // missing: an empty history, nothing to keep
    result.outcome = Outcome::damaged;
    if (!S_ISREG(st.st_mode) || st.st_size > maximumSize) return result;
    // Not blocking: a pipe put in the file's place must not hang the application.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return result;
    QByteArray bytes;
    bool failed = ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode);
    if (!failed) {
        bytes.resize(qsizetype(st.st_size) + 1);
        qsizetype used = 0;
        while (used < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + used, size_t(bytes.size() - used));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) failed = true;
            if (n <= 0) break;
            used += n;
            // Grown since it was measured: read on, up to the limit.
            if (used == bytes.size() && used <= maximumSize) bytes.resize(std::min<qint64>(maximumSize + 1, bytes.size() * 2));
        }
        bytes.truncate(used);
    }
    ::close(fd);
    if (failed || bytes.size() > maximumSize) return result;
    if (onlyWhiteSpace(bytes)) {
        result.outcome = Outcome::empty;
        return result;
    }
    std::optional<QList<ScanSnapshot>> decoded = SnapshotCodec::decode(bytes);
    if (!decoded) return result;
    result.outcome = Outcome::loaded;
    result.snapshots = std::move(*decoded);
    return result;
}

HistoryStorage::ReadResult HistoryStorage::load()
{
    loadedFingerprint_ = fingerprint();
    ReadResult result = read(filePath_, maximumSize_);
    mustKeepAside_ = result.outcome == Outcome::damaged;
    return result;
}

QString HistoryStorage::fingerprint() const
{
    struct stat st {};
    if (::lstat(QFile::encodeName(filePath_).constData(), &st) != 0) return QStringLiteral("absent");
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(qulonglong(st.st_dev))
        .arg(qulonglong(st.st_ino))
        .arg(qlonglong(st.st_size))
        .arg(qlonglong(st.st_mtim.tv_sec))
        .arg(qlonglong(st.st_mtim.tv_nsec));
}

HistoryStorage::Preparation HistoryStorage::prepare(const std::function<QDateTime()>& now)
{
    Preparation p;
    if (!holdsLock()) {
        if (!makeFolder(folderOf(filePath_), &p.failure)) return p;
        if (!lock_) {
            lock_ = std::make_unique<QLockFile>(filePath_ + QStringLiteral(".lock"));
            // A live holder keeps its lock however long it runs; only a dead one's lock is stale.
            lock_->setStaleLockTime(0);
        }
        if (!lock_->tryLock(0)) {
            if (lock_->error() == QLockFile::LockFailedError) {
                p.readiness = Readiness::heldByAnotherCopy;
                p.failure = QStringLiteral("another running copy holds the lock “") + lock_->fileName() + QStringLiteral("”");
            } else {
                p.failure = QStringLiteral("The lock file “") + lock_->fileName() + QStringLiteral("” could not be created.");
            }
            return p;
        }
        // Under the lock nobody else writes here: a temporary file beside the history is a
        // killed write's.
        AtomicWrite::removeLeftovers(filePath_);
        // Another copy may have written the file while the lock was not ours.
        if (fingerprint() != loadedFingerprint_) {
            ReadResult current = read(filePath_, maximumSize_);
            mustKeepAside_ = current.outcome == Outcome::damaged;
            if (current.outcome == Outcome::loaded) p.changedOnDisk = std::move(current.snapshots);
            loadedFingerprint_ = fingerprint();
        }
    }
    if (mustKeepAside_ && !keepAside(now(), &p.failure)) return p;
    p.readiness = Readiness::ready;
    return p;
}

bool HistoryStorage::keepAside(const QDateTime& now, QString* failure)
{
    QString keptAs;
    const AtomicWrite::Result kept = AtomicWrite::keepAside(filePath_, now, &keptAs);
    if (!kept) {
        *failure = kept.error;
        return false;
    }
    if (!keptAs.isEmpty()) qWarning().noquote() << QStringLiteral("ScanHistory: kept the unreadable history file aside as “") + keptAs + QStringLiteral("”");
    mustKeepAside_ = false;
    loadedFingerprint_ = fingerprint();
    return true;
}

void HistoryStorage::release()
{
    if (lock_) lock_->unlock();
}

bool HistoryStorage::looksWritable() const
{
    if (!holdsLock()) {
        QLockFile probe(filePath_ + QStringLiteral(".lock"));
        qint64 pid = 0;
        QString host, application;
        if (probe.getLockInfo(&pid, &host, &application) && host == QSysInfo::machineHostName() && pid > 0
            && (::kill(pid_t(pid), 0) == 0 || errno == EPERM))
            return false;
    }
    // The nearest folder that exists is where the first write creates the rest.
    QFileInfo folder(folderOf(filePath_));
    while (!folder.exists() && !folder.isRoot()) {
        const QString parent = folder.absolutePath();
        if (parent == folder.absoluteFilePath()) break;
        folder = QFileInfo(parent);
    }
    if (!folder.isDir()) return false;
    return ::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK | X_OK) == 0;
}

void HistoryWriter::write(const QByteArray& bytes)
{
    const AtomicWrite::Result result = AtomicWrite::write(filePath_, bytes);
    if (!result) qWarning().noquote() << HistoryStorage::kFailurePrefix + result.error;
    emit written(result.ok);
}
