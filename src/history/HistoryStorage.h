#pragma once

#include "history/ScanSnapshot.h"

#include <QLockFile>
#include <QObject>

#include <functional>
#include <memory>

// The file-system side of the scan history.
//
// Reading touches nothing: no folder, no lock, no renaming. Everything else waits for the first
// write, which prepare() readies on the main thread: it creates the folder, takes the lock beside
// the file (so a second running copy never overwrites the history), removes temporary files that a
// killed write left, and keeps an unreadable file aside under a dated name before it could be
// replaced. The writes themselves run on the history's worker thread (HistoryWriter).
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

    enum class Readiness { ready, heldByAnotherCopy, failed };
    struct Preparation {
        Readiness readiness = Readiness::failed;
        QString failure;  // why not, for the log line
        // When the file changed on disk since it was read (another copy wrote it before this one
        // took the lock): what it holds now, so nothing that copy recorded is lost.
        std::optional<QList<ScanSnapshot>> changedOnDisk;
    };

    // The one line logged before the reason whenever a write does not happen.
    static inline const QString kFailurePrefix = QStringLiteral("ScanHistory: could not save snapshots: ");

    HistoryStorage(QString filePath, qint64 maximumSize);
    ~HistoryStorage();

    // Reads one file without touching it.
    static ReadResult read(const QString& filePath, qint64 maximumSize);

    // Reads this store's file without touching anything on disk, and remembers what it saw.
    ReadResult load();
    // Readies the file for a write (see above); cheap once ready. `now` dates a file kept aside.
    Preparation prepare(const std::function<QDateTime()>& now);
    // Lets go of the lock (at quit); the next prepare() takes it again.
    void release();
    bool holdsLock() const { return lock_ && lock_->isLocked(); }

    // Whether a write could succeed as things stand, found without creating anything: the folder
    // (or the nearest existing one above it) can be written, and no other live copy holds the lock.
    bool looksWritable() const;

    const QString& filePath() const { return filePath_; }

private:
    bool keepAside(const QDateTime& now, QString* failure);
    // What the file looks like now, to notice a change made while the lock was not ours.
    QString fingerprint() const;

    QString filePath_;
    qint64 maximumSize_;
    std::unique_ptr<QLockFile> lock_;
    bool mustKeepAside_ = false;  // the file on disk is one we could not read
    QString loadedFingerprint_;
};

// Writes the history file on the worker thread, atomically, and logs the failure line.
class HistoryWriter final : public QObject {
    Q_OBJECT
public:
    explicit HistoryWriter(QString filePath) : filePath_(std::move(filePath)) {}
    void write(const QByteArray& bytes);

signals:
    void written(bool ok);

private:
    QString filePath_;
};
