#pragma once

#include "history/ScanSnapshot.h"

#include <QDateTime>
#include <QLockFile>
#include <QObject>

#include <memory>

// The file-system side of the scan history: the lock beside the file, reading, keeping an unreadable
// file aside, and the atomic writes. open() runs on the creating thread before the object moves to
// the history's worker thread; from then on only that thread touches it.
class HistoryStorage final : public QObject {
    Q_OBJECT
public:
    enum class Outcome { missing, loaded, damaged };
    struct ReadResult {
        Outcome outcome = Outcome::missing;
        QList<ScanSnapshot> snapshots;  // as stored, in file order
    };

    // The one line logged before the reason whenever a write does not happen.
    static inline const QString kFailurePrefix = QStringLiteral("ScanHistory: could not save snapshots: ");

    HistoryStorage(QString filePath, qint64 maximumSize);
    ~HistoryStorage() override;

    // Reads one file without touching it.
    static ReadResult read(const QString& filePath, qint64 maximumSize);

    // Takes the lock (creating the folder for it), reads the file and, when it cannot be read and
    // the lock is ours, keeps it aside under a name dated by `now`.
    ReadResult open(const QDateTime& now);
    // Writes the whole file atomically, or logs why not.
    void write(const QByteArray& bytes);

    // False once this copy has given up writing for the run.
    bool persists() const { return !gaveUp_; }

private:
    enum class Lock { none, ours };
    bool takeLock(QString* failure);
    bool keepAside(const QDateTime& now);
    void giveUp(const QString& reason);
    // What the file looks like now, to notice a change made while the lock was not ours.
    QString fingerprint() const;

    QString filePath_;
    qint64 maximumSize_;
    std::unique_ptr<QLockFile> lock_;
    Lock lockState_ = Lock::none;
    bool mustKeepAside_ = false;  // the file on disk is one we could not read
    bool gaveUp_ = false;
    QString loadedFingerprint_;
};
