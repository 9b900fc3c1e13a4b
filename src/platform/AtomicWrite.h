#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The one way the application writes a whole file: into a temporary file beside the target,
// every write checked, flushed to the disk, then renamed over the target. A write that fails at
// any step (disk full, file-size limit, I/O error, a missing folder, a folder in the way) leaves
// the earlier file byte for byte, removes its temporary file and says why.
//
// QSaveFile is not used: on Qt 6.4 its commit() can report success after a buffered write failed.
namespace AtomicWrite {

struct Result {
    bool ok = false;
    // When !ok: one sentence naming the file and the system's reason, for instance
    // "The file “/home/u/report.pdf” could not be written: No space left on device".
    QString error;
    explicit operator bool() const { return ok; }
};

// Writes `bytes` to `path`. Does not create the folder: callers that own a folder create it.
// An existing file keeps its permissions. Safe to call from any thread.
Result write(const QString& path, const QByteArray& bytes);

// Moves a file (or folder) that cannot be read out of the way, to "<path>.damaged-yyyyMMdd-HHmmss"
// dated by `now` in UTC, or with "-2", "-3", … added when that name is taken: nothing is ever
// replaced. `keptAs` receives the new path. A path that is gone already counts as done (keptAs empty).
Result keepAside(const QString& path, const QDateTime& now, QString* keptAs = nullptr);

// Whether `fileName` (a name, not a path) is a temporary file that write() makes for a target
// named `targetName`: "<targetName>.tmp-" followed by six letters or digits.
bool isTemporaryName(const QString& fileName, const QString& targetName);

// Removes the temporary files that writes of `path` killed midway left beside it; returns how
// many went. Only the owner of `path`, holding whatever lock keeps other writers out, may call it.
int removeLeftovers(const QString& path);

}  // namespace AtomicWrite
