#pragma once

#include <QByteArray>
#include <QString>

// The one way the application writes a whole file: into a temporary file beside the
// target, flushed and checked, then renamed over it. A write that fails at any step
// (disk full, file-size limit, I/O error, a missing folder, a directory in the way)
// leaves the earlier file byte for byte, removes the temporary file and says why.
//
// QSaveFile alone is not enough on Qt 6.4: commit() can report success after a buffered
// write failed, so every step's result is checked here.
namespace AtomicWrite {

struct Result {
    bool ok = false;
    QString error;  // the reason, in the system's words, when !ok
    explicit operator bool() const { return ok; }
};

// Writes `bytes` to `path`. Does not create the folder: callers that own a folder create it.
Result write(const QString& path, const QByteArray& bytes);

}  // namespace AtomicWrite
