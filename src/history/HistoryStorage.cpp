#include "history/HistoryStorage.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString folderOf(const QString& filePath) { return QFileInfo(filePath).absolutePath(); }

AtomicWrite::Result failure(QString text, int error, AtomicWrite::Reason reason)
{
    return {false, std::move(text), reason, error};
}

// Creates the folder that holds the file; an existing folder is fine.
AtomicWrite::Result makeFolder(const QString& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdString()), ec);
    if (!ec) return {true, {}};
    return failure(QStringLiteral("The folder “") + folder + QStringLiteral("” could not be created: ") + QString::fromStdString(ec.message()),
                   ec.value(), AtomicWrite::reasonFor(ec.value()));
}

bool onlyWhiteSpace(const QByteArray& bytes)
{
    for (const char c : bytes)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
    return true;
}

// Reads a whole regular file without ever blocking on something else in its place.
std::optional<QByteArray> readRegular(const QString& filePath, qint64 maximumSize, bool* missing)
{
    *missing = false;
    const QByteArray path = QFile::encodeName(filePath);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        *missing = errno == ENOENT || errno == ENOTDIR;
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > maximumSize) return std::nullopt;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
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
    if (failed || bytes.size() > maximumSize) return std::nullopt;
    return bytes;
}
}  // namespace

HistoryStorage::ReadResult HistoryStorage::read(const QString& filePath, qint64 maximumSize)
{
    ReadResult result;
    bool missing = false;
    const std::optional<QByteArray> bytes = readRegular(filePath, maximumSize, &missing);
    if (missing) return result;  // an empty history, nothing to keep
    result.outcome = Outcome::damaged;
    if (!bytes) return result;
    if (onlyWhiteSpace(*bytes)) {
        result.outcome = Outcome::empty;
        return result;
    }
    std::optional<QList<ScanSnapshot>> decoded = SnapshotCodec::decode(*bytes);
    if (!decoded) return result;
    result.outcome = Outcome::loaded;
    result.snapshots = std::move(*decoded);
    return result;
}

QList<QUuid> HistoryStorage::readTombstones(const QString& filePath)
{
    bool missing = false;
    const std::optional<QByteArray> bytes = readRegular(tombstonePath(filePath), 16LL * 1024 * 1024, &missing);
    QList<QUuid> ids;
    if (!bytes) return ids;
    // Only our own words are taken: anything else in the file is ignored, never trusted.
    for (const QJsonValue& v : QJsonDocument::fromJson(*bytes).array()) {
        const QString text = v.toString();
        if (text.size() != 36) continue;
        const QUuid id = QUuid::fromString(text);
        if (!id.isNull()) ids.append(id);
    }
    return ids;
}

bool HistoryStorage::looksWritable(const QString& filePath)
{
    // The nearest folder that exists is where the first write creates the rest.
    QFileInfo folder(folderOf(filePath));
    while (!folder.exists() && !folder.isRoot()) {
        const QString parent = folder.absolutePath();
        if (parent == folder.absoluteFilePath()) break;
        folder = QFileInfo(parent);
    }
    if (!folder.isDir()) return false;
    return ::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK | X_OK) == 0;
}

HistoryWriter::HistoryWriter(QString filePath, qint64 maximumSize, qsizetype limit, QList<ScanSnapshot> loaded,
                             std::function<void(Saved)> done)
    : filePath_(std::move(filePath)), maximumSize_(maximumSize), limit_(limit), done_(std::move(done))
{
    for (ScanSnapshot& s : loaded) entries_.append(Entry{std::move(s), {}});
}

QString HistoryWriter::fingerprint(const QString& path) const
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return QStringLiteral("absent");
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(qulonglong(st.st_dev))
        .arg(qulonglong(st.st_ino))
        .arg(qlonglong(st.st_size))
        .arg(qlonglong(st.st_mtim.tv_sec))
        .arg(qlonglong(st.st_mtim.tv_nsec));
}

void HistoryWriter::apply(const HistoryOperation& op)
{
    switch (op.kind) {
    case HistoryOperation::Kind::record:
        entries_.prepend(Entry{op.snapshot, op.encoded});
        break;
    case HistoryOperation::Kind::remove:
        entries_.removeIf([&](const Entry& e) { return e.snapshot.id == op.id; });
        if (!deletedSet_.contains(op.id)) {
            deleted_.append(op.id);
            deletedSet_.insert(op.id);
        }
        break;
    case HistoryOperation::Kind::clear:
        for (const Entry& e : std::as_const(entries_)) {
            if (deletedSet_.contains(e.snapshot.id)) continue;
            deleted_.append(e.snapshot.id);
            deletedSet_.insert(e.snapshot.id);
        }
        entries_.clear();
        // What the disk holds that this copy never saw is cleared too, once the save reads it.
        clearPending_ = true;
        break;
    }
    const AtomicWrite::Result result = save(op.keepAsideTime);
    if (!result.ok) qWarning().noquote() << HistoryStorage::kFailurePrefix + result.error;
    Saved saved;
    saved.sequence = op.sequence;
    saved.result = result;
    saved.snapshots.reserve(entries_.size());
    for (const Entry& e : std::as_const(entries_)) saved.snapshots.append(e.snapshot);
    done_(std::move(saved));
}

AtomicWrite::Result HistoryWriter::save(const QDateTime& keepAsideTime)
{
    if (AtomicWrite::Result made = makeFolder(folderOf(filePath_)); !made) return made;
    AtomicWrite::Result lockFailure;
    const HistoryLock lock = HistoryLock::take(HistoryStorage::lockPath(filePath_), HistoryStorage::kLockWaitMs, &lockFailure);
    if (!lock.held()) return lockFailure;

    // Under the lock nobody else writes here: a temporary file beside the history is a killed write's.
    AtomicWrite::removeLeftovers(filePath_);
    AtomicWrite::removeLeftovers(HistoryStorage::tombstonePath(filePath_));

    // Everything any copy deleted, this one's included.
    QList<QUuid> tombstones = HistoryStorage::readTombstones(filePath_);
    QSet<QUuid> dead(tombstones.cbegin(), tombstones.cend());
    const qsizetype tombstonesOnDisk = tombstones.size();

    // What the disk holds now; read again only when someone else wrote it since.
    const QString print = fingerprint(filePath_);
    if (print != diskFingerprint_) {
        HistoryStorage::ReadResult current = HistoryStorage::read(filePath_, maximumSize_);
        if (current.outcome == HistoryStorage::Outcome::damaged) {
            QString keptAs;
            const AtomicWrite::Result kept =
                AtomicWrite::keepAside(filePath_, keepAsideTime.isValid() ? keepAsideTime : QDateTime::currentDateTimeUtc(), &keptAs);
            if (!kept) return kept;  // never overwrite a file that could not be kept
            if (!keptAs.isEmpty())
                qWarning().noquote() << QStringLiteral("ScanHistory: kept the unreadable history file aside as “") + keptAs + QStringLiteral("”");
        }
        disk_.clear();
        for (ScanSnapshot& s : current.snapshots) disk_.append(Entry{std::move(s), {}});
    }

    QHash<QUuid, qsizetype> mine;
    for (qsizetype i = 0; i < entries_.size(); ++i) mine.insert(entries_[i].snapshot.id, i);
    if (clearPending_) {
        for (const Entry& e : std::as_const(disk_)) {
            if (mine.contains(e.snapshot.id) || deletedSet_.contains(e.snapshot.id)) continue;
            deleted_.append(e.snapshot.id);
            deletedSet_.insert(e.snapshot.id);
        }
        clearPending_ = false;
    }
    for (const QUuid& id : std::as_const(deleted_)) {
        if (dead.contains(id)) continue;
        tombstones.append(id);
        dead.insert(id);
    }

    // Both lists, without what anyone deleted; newest first, the limit kept. The file keeps whole
    // seconds only, so that is all two copies can compare; within one second the disk's order holds,
    // after this copy's scans that are not on disk yet (recorded just now).
    QSet<QUuid> onDisk;
    for (const Entry& e : std::as_const(disk_)) onDisk.insert(e.snapshot.id);
    QList<Entry> merged;
    merged.reserve(entries_.size() + disk_.size());
    for (const Entry& e : std::as_const(entries_))
        if (!onDisk.contains(e.snapshot.id) && !dead.contains(e.snapshot.id)) merged.append(e);
    for (const Entry& e : std::as_const(disk_)) {
        if (dead.contains(e.snapshot.id)) continue;
        // This copy's own entry carries the encoding (and the full date) it already has.
        const auto own = mine.constFind(e.snapshot.id);
        merged.append(own != mine.cend() ? entries_[*own] : e);
    }
    const auto second = [](const Entry& e) { return e.snapshot.date.toSecsSinceEpoch(); };
    std::stable_sort(merged.begin(), merged.end(), [&](const Entry& a, const Entry& b) { return second(a) > second(b); });
    if (merged.size() > limit_) merged.resize(limit_);
    entries_ = merged;

    if (tombstones.size() != tombstonesOnDisk) {
        if (tombstones.size() > HistoryStorage::kTombstoneLimit) tombstones.remove(0, tombstones.size() - HistoryStorage::kTombstoneLimit);
        QJsonArray array;
        for (const QUuid& id : std::as_const(tombstones)) array.append(id.toString(QUuid::WithoutBraces).toUpper());
        const AtomicWrite::Result written =
            AtomicWrite::write(HistoryStorage::tombstonePath(filePath_), QJsonDocument(array).toJson(QJsonDocument::Compact));
        if (!written) return written;
    }

    QList<QByteArray> parts;
    parts.reserve(entries_.size());
    for (Entry& e : entries_) {
        if (e.encoded.isEmpty()) {
            std::optional<QByteArray> encoded = SnapshotCodec::encode(e.snapshot);
            if (!encoded) return failure(QStringLiteral("a snapshot could not be encoded"), 0, AtomicWrite::Reason::other);
            e.encoded = std::move(*encoded);
        }
        parts.append(e.encoded);
    }
    const AtomicWrite::Result written = AtomicWrite::write(filePath_, SnapshotCodec::joinArray(parts));
    if (!written) {
        diskFingerprint_.clear();  // what is on disk now is not known: read it next time
        return written;
    }
    disk_ = entries_;
    diskFingerprint_ = fingerprint(filePath_);
    return written;
}
