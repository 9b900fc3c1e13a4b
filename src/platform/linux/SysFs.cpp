#include "platform/linux/SysFs.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>

#include <dirent.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SysFs::SysFs(QString root) : root_(std::move(root))
{
    if (root_.isEmpty()) root_ = QStringLiteral("/");
    if (!root_.endsWith('/')) root_ += '/';
}

QString SysFs::path(const QString& relative) const
{
    QString r = relative;
    while (r.startsWith('/')) r.remove(0, 1);
    return root_ + r;
}

int SysFs::openRegular(const QByteArray& path)
{
    // Looked at before opening, so no device's open routine runs; looked at again after, in case
    // the name changed in between.
    struct stat st {};
    // The kernel's own /proc and /sys hold no device nodes: there the look after opening
    // is enough, and it saves a system call on every reading.
    const bool kernelTree = path.startsWith("/proc/") || path.startsWith("/sys/");
    if (!kernelTree && (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))) return -1;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<QByteArray> SysFs::read(const QString& relative, qint64 limit) const
{
    const int fd = openRegular(QFile::encodeName(path(relative)));
    if (fd < 0) return std::nullopt;
    // Pseudo-files report no size: read in chunks until the end or the limit.
    QByteArray data;
    qint64 chunk = std::min<qint64>(limit, 4096);
    bool failed = false;
    while (data.size() < limit) {
        const qsizetype at = data.size();
        data.resize(at + qsizetype(std::min<qint64>(chunk, limit - at)));
        const ssize_t n = ::read(fd, data.data() + at, size_t(data.size() - at));
        if (n < 0 && errno == EINTR) {
            data.resize(at);
            continue;
        }
        if (n <= 0) {
            data.resize(at);
            failed = n < 0;
            break;
        }
        data.resize(at + n);
        chunk = std::min<qint64>(chunk * 2, 1 << 20);
    }
    ::close(fd);
    if (failed && data.isEmpty()) return std::nullopt;
    return data;
}

std::optional<QString> SysFs::line(const QString& relative) const
{
    auto data = read(relative, 64 * 1024);
    if (!data) return std::nullopt;
    const qsizetype nl = data->indexOf('\n');
    QString s = QString::fromUtf8(nl >= 0 ? data->left(nl) : *data);
    // Strip spaces, tabs and stray line ends only.
    qsizetype b = 0, e = s.size();
    auto blank = [](QChar c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == QChar(0); };
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    s = s.mid(b, e - b);
    if (s.isEmpty()) return std::nullopt;
    return s;
}

std::optional<qint64> SysFs::integer(const QString& relative) const
{
    auto s = line(relative);
    if (!s) return std::nullopt;
    bool ok = false;
    const qint64 v = s->toLongLong(&ok);
    if (!ok) return std::nullopt;
    return v;
}

bool SysFs::exists(const QString& relative) const { return ::access(QFile::encodeName(path(relative)).constData(), F_OK) == 0; }

QStringList SysFs::list(const QString& relative) const
{
    // Plain readdir: the readers list /sys folders on every inspection and every live
    // sample, and QDir stats each entry it lists.
    QStringList names;
    DIR* dir = opendir(QFile::encodeName(path(relative)).constData());
    if (!dir) return names;
    while (const dirent* e = readdir(dir)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
        names << QFile::decodeName(n);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

QHash<QString, QString> SysFs::keyValues(const QByteArray& text, QChar separator)
{
    QHash<QString, QString> map;
    for (const QByteArray& raw : text.split('\n')) {
        const QString lineText = QString::fromUtf8(raw);
        const qsizetype at = lineText.indexOf(separator);
        if (at <= 0) continue;
        const QString key = lineText.left(at).trimmed();
        QString value = lineText.mid(at + 1).trimmed();
        if (separator == '=' && value.size() >= 2 &&
            ((value.startsWith('"') && value.endsWith('"')) || (value.startsWith('\'') && value.endsWith('\''))))
            value = value.mid(1, value.size() - 2);
        if (!key.isEmpty() && !map.contains(key)) map.insert(key, value);
    }
    return map;
}
