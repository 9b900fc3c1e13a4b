#pragma once

#include "history/ScanSnapshot.h"
#include "platform/AtomicWrite.h"
#include "platform/FileLock.h"

#include <QObject>
#include <QSet>

#include <functional>

// The file-system side of the scan history.
//
// Several running copies may share one history (two sessions of one user on one home: the
// single-instance guard lives in the session's runtime folder). So no copy owns the file: every
// save takes a kernel lock on a file beside the history (flock, which dies with its holder, so a
// leftover lock file of any content never blocks), reads what is on disk, merges it with its own
// list and writes the result before letting go. What a copy deleted or cleared is written as
// tombstones (identifiers) beside the history, so another copy's merge never brings it back.
//
// Reading at start touches nothing: no folder, no lock, no renaming. A file that cannot be read is
// kept aside under a dated name at the first save, never overwritten.

// The kernel lock every save takes (see FileLock).
using HistoryLock = FileLock;

class HistoryStorage final {
public:
    enum class Outcome {
        missing,  // no file: an empty history
        empty,    // a file with nothing in it (or white space only): an empty history, nothing to keep
        loaded,
        damaged,  // a file that cannot be read: kept aside before the first write
    };
    struct ReadResult {
        Outcome outcome = Outcome::missing;
        QList<ScanSnapshot> snapshots;  // as stored, in file order
    };

    // The one line logged before the reason whenever a write does not happen.
    static inline const QString kFailurePrefix = QStringLiteral("ScanHistory: could not save snapshots: ");
    // How long a save waits for another copy's write to finish.
    static constexpr int kLockWaitMs = 10000;
    // Tombstones kept beside the history: far more than any copy can still hold in memory.
    static constexpr qsizetype kTombstoneLimit = 2000;

    // Reads one file without touching it; a pipe or device in its place is damaged, never opened.
    static ReadResult read(const QString& filePath, qint64 maximumSize);
    static QString lockPath(const QString& filePath) { return filePath + QStringLiteral(".lock"); }
    static QString tombstonePath(const QString& filePath) { return filePath + QStringLiteral(".removed"); }
    // The identifiers of deleted snapshots, oldest deletion first; nothing for a missing or damaged file.
    static QList<QUuid> readTombstones(const QString& filePath);

    // Whether a write could succeed as things stand, found without creating anything: the folder
    // (or the nearest existing one above it) can be written.
    static bool looksWritable(const QString& filePath);
};

// One change the main thread made to its list, replayed by the writer under the lock.
struct HistoryOperation {
    enum class Kind { record, remove, clear };
    Kind kind = Kind::record;
    quint64 sequence = 0;
    ScanSnapshot snapshot;  // record
    QByteArray encoded;     // record: the snapshot as the file holds it
    QUuid id;               // remove
    QDateTime keepAsideTime;  // dates a damaged file kept aside; the system clock when invalid
};

// Owns the history as this copy last wrote it; runs on the history's worker thread. Each
// operation is applied, then saved: lock, merge with the disk (and its tombstones), write.
class HistoryWriter final : public QObject {
    Q_OBJECT
public:
    struct Saved {
        quint64 sequence = 0;
        QList<ScanSnapshot> snapshots;  // the merged list, newest first
        AtomicWrite::Result result;
    };
    HistoryWriter(QString filePath, qint64 maximumSize, qsizetype limit, QList<ScanSnapshot> loaded, std::function<void(Saved)> done);

    void apply(const HistoryOperation& operation);

private:
    struct Entry {
        ScanSnapshot snapshot;
        QByteArray encoded;
    };
    AtomicWrite::Result save(const QDateTime& keepAsideTime);
    QString fingerprint(const QString& path) const;

    QString filePath_;
    qint64 maximumSize_;
    qsizetype limit_;
    std::function<void(Saved)> done_;
    QList<Entry> entries_;
    // What this copy deleted, in order: written beside the history at every save.
    QList<QUuid> deleted_;
    QSet<QUuid> deletedSet_;
    bool clearPending_ = false;  // a clear whose save has not yet seen the disk
    // The file as this copy last wrote or read it, to skip reading it again when nobody else wrote.
    QString diskFingerprint_;
    QList<Entry> disk_;
};
