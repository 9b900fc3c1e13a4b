#include "platform/AtomicWrite.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace AtomicWrite {

Result write(const QString& path, const QByteArray& bytes)
{
    // A file-size limit would otherwise end the process with SIGXFSZ instead of failing the write.
    static const bool ignoreFileSizeSignal = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)ignoreFileSizeSignal;

    if (QFileInfo(path).isDir()) return {false, QStringLiteral("%1 is a folder").arg(path)};

    QSaveFile file(path);
    // Unbuffered, so each write reaches the kernel and its failure is seen here rather
    // than swallowed by a later flush inside commit().
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return {false, file.errorString()};

    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const QString why = file.errorString().isEmpty() ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
            file.cancelWriting();
            file.commit();  // with writing cancelled this only removes the temporary file
            return {false, why};
        }
        done += n;
    }
    if (file.error() != QFileDevice::NoError) {
        const QString why = file.errorString();
        file.cancelWriting();
        file.commit();
        return {false, why};
    }
    if (!file.commit()) return {false, file.errorString()};
    return {true, {}};
}

}  // namespace AtomicWrite
