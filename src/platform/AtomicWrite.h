#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct Localization;

// The one way the application writes a whole file: into a temporary file beside the target,
// every write checked, flushed to the disk, then renamed over the target. A write that fails at
// any step (disk full, file-size limit, I/O error, a missing folder, a folder in the way) leaves
// the earlier file byte for byte, removes its temporary file and says why.
//
// QSaveFile is not used: on Qt 6.4 its commit() can report success after a buffered write failed.
namespace AtomicWrite {

// Why a write failed, in the words a person can act on. Each has a looked-up description.
enum class Reason {
    none,
    noSpace,           // the disk is full
    quotaExceeded,     // the user's disk quota is used up
    readOnly,          // a read-only file system
    permissionDenied,  // not allowed to write there
    noFolder,          // the folder does not exist
    folderInTheWay,    // a folder stands where the file (or a folder where a file) belongs
    tooLarge,          // the file would be larger than the file system or the process may make
    notRegularFile,    // a pipe, device, socket (or a link to one) at the destination
    busy,              // another copy holds the file's lock for too long
    other,
};

// The reason a C library error stands for.
Reason reasonFor(int error);

struct Result {
    bool ok = false;
    // When !ok: one sentence naming the file and the system's reason, for instance
    // "The file “/home/u/report.pdf” could not be written: No space left on device". English, for
    // the log.
    QString error;
    Reason reason = Reason::none;
    int code = 0;  // the C library's error number, when there was one
    explicit operator bool() const { return ok; }
};

// What went wrong, in the interface language, for an alert or a page: one short sentence.
QString describe(Reason reason, const Localization& L);
inline QString describe(const Result& result, const Localization& L) { return describe(result.reason, L); }

// Writes `bytes` to `path`. Does not create the folder: callers that own a folder create it.
// An existing file keeps its permissions. Only a regular file is ever replaced: a pipe, a device
// node, a socket (or a link to any of them) at `path` fails with Reason::notRegularFile and stays.
// Safe to call from any thread.
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
