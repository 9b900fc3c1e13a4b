#include "platform/linux/SysFs.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <cerrno>

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
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
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
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray data = f.read(limit);
    if (f.error() != QFileDevice::NoError && data.isEmpty()) return std::nullopt;
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

bool SysFs::exists(const QString& relative) const { return QFile::exists(path(relative)); }

QStringList SysFs::list(const QString& relative) const
{
    QDir d(path(relative));
    if (!d.exists()) return {};
    QStringList names = d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name);
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
