#include "platform/Preferences.h"

#include <algorithm>

#include "platform/AtomicWrite.h"
#include "platform/FileLock.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTimeZone>

#include <cmath>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kFailurePrefix = QStringLiteral("Preferences: could not save preferences: ");

// The one form a date takes in the file: UTC with milliseconds, years 0001 to 9999.
QString formatDate(const QDateTime& d)
{
    if (!d.isValid()) return {};
    const QDateTime utc = d.toUTC();
    if (utc.date().year() < 1 || utc.date().year() > 9999) return {};
    return utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
}

std::optional<QDateTime> parseDate(const QString& text)
{
    QDateTime d = QDateTime::fromString(text, Qt::ISODateWithMs);
    // Only what formatDate writes reads back: anything else would not survive the next save.
    if (!d.isValid() || formatDate(d) != text) return std::nullopt;
    return d.toUTC();
}

// Each value is stored as {"type": ..., "value": ...} so the type survives the round trip.
QJsonObject encode(const QVariant& v)
{
    QJsonObject o;
    switch (v.typeId()) {
    case QMetaType::Bool: o["type"] = "bool"; o["value"] = v.toBool(); break;
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt: case QMetaType::ULongLong:
        o["type"] = "integer"; o["value"] = QString::number(v.toLongLong()); break;
    case QMetaType::Double: case QMetaType::Float: o["type"] = "real"; o["value"] = v.toDouble(); break;
    case QMetaType::QStringList: o["type"] = "strings"; o["value"] = QJsonArray::fromStringList(v.toStringList()); break;
    case QMetaType::QDateTime:
        o["type"] = "date"; o["value"] = formatDate(v.toDateTime()); break;
    default: o["type"] = "string"; o["value"] = v.toString(); break;
    }
    return o;
}

QVariant decode(const QJsonValue& j)
{
    const QJsonObject o = j.toObject();
    const QString type = o.value("type").toString();
    const QJsonValue v = o.value("value");
    if (type == "bool" && v.isBool()) return v.toBool();
    if (type == "integer" && v.isString()) {
        bool ok = false;
        const qint64 n = v.toString().toLongLong(&ok);
        return ok ? QVariant(n) : QVariant();
    }
    if (type == "real" && v.isDouble()) return v.toDouble();
    if (type == "string" && v.isString()) return v.toString();
    if (type == "strings" && v.isArray()) {
        QStringList list;
        for (const QJsonValue& e : v.toArray()) {
            if (!e.isString()) return {};
            list << e.toString();
        }
        return list;
    }
    if (type == "date" && v.isString()) {
        const std::optional<QDateTime> d = parseDate(v.toString());
        return d ? QVariant(*d) : QVariant();
    }
    return {};
}
}  // namespace

Preferences& Preferences::shared()
{
    static Preferences* instance = [] {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        return new Preferences(dir.isEmpty() ? QString() : dir + "/preferences.json");
    }();
    return *instance;
}

Preferences::Preferences(QString filePath, QObject* parent) : QObject(parent), path_(std::move(filePath))
{
    load();
}

namespace {
// Larger than any preferences file could honestly grow, yet bounded.
constexpr qint64 kMaximumFileSize = 256LL * 1024 * 1024;

enum class FileState { missing, empty, loaded, damaged };

// Reads the file's object without ever blocking on something else in its place.
FileState readObject(const QString& filePath, QJsonObject* object)
{
    const QByteArray path = QFile::encodeName(filePath);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) return FileState::missing;  // no file: nothing stored yet
    if (!S_ISREG(st.st_mode) || st.st_size > kMaximumFileSize) return FileState::damaged;
    // Only a regular file is opened, and without blocking: a pipe in its place must not hang the start.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        return FileState::damaged;
    }
    // Read for the size found, not for the limit: a read of the limit reserves all of it at once
    // (256 MB on every load and save). A file that grew since is read on, up to the limit.
    QByteArray bytes;
    qint64 want = std::min<qint64>(st.st_size, kMaximumFileSize) + 1;
    while (bytes.size() <= kMaximumFileSize) {
        const QByteArray part = file.read(std::min<qint64>(want, kMaximumFileSize + 1 - bytes.size()));
        if (part.isEmpty()) break;
        bytes += part;
        want = std::min<qint64>(want * 2, 64LL << 20);
    }
    const bool readFailed = file.error() != QFileDevice::NoError || bytes.size() > kMaximumFileSize;
    if (!readFailed && bytes.trimmed().isEmpty()) return FileState::empty;  // nothing stored yet, nothing to keep
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (readFailed || error.error != QJsonParseError::NoError || !doc.isObject()) return FileState::damaged;
    *object = doc.object();
    return FileState::loaded;
}
}  // namespace

void Preferences::load()
{
    if (path_.isEmpty()) return;
    QJsonObject obj;
    const FileState state = readObject(path_, &obj);
    // Left as it is until the first change keeps it aside.
    mustKeepAside_ = state == FileState::damaged;
    if (state != FileState::loaded) return;
    stored_ = obj;
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        const QVariant v = decode(it.value());
        if (v.isValid()) values_.insert(it.key(), v);
    }
}

bool Preferences::save()
{
    if (path_.isEmpty()) {
        unsaved_.clear();
        return true;
    }
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        qWarning().noquote() << kFailurePrefix + QStringLiteral("The folder “") + folder + QStringLiteral("” could not be created.");
        return false;
    }
    AtomicWrite::Result lockFailure;
    const FileLock lock = FileLock::take(path_ + QStringLiteral(".lock"), 5000, &lockFailure);
    if (!lock.held()) {
        qWarning().noquote() << kFailurePrefix + lockFailure.error;
        return false;
    }
    // What the file holds now: another copy may have changed other keys since it was read.
    QJsonObject base = stored_;
    QJsonObject current;
    const FileState state = readObject(path_, &current);
    if (state == FileState::loaded) base = current;
    else if (state == FileState::empty || state == FileState::missing) base = QJsonObject();
    if (state == FileState::damaged || mustKeepAside_) {
        QString keptAs;
        const AtomicWrite::Result kept = AtomicWrite::keepAside(path_, QDateTime::currentDateTimeUtc(), &keptAs);
        if (!kept) {
            qWarning().noquote() << kFailurePrefix + kept.error;
            return false;
        }
        mustKeepAside_ = false;
        if (!keptAs.isEmpty()) qWarning().noquote() << QStringLiteral("Preferences: kept the unreadable file aside as “") + keptAs + QStringLiteral("”");
    }
    for (const QString& key : std::as_const(unsaved_)) {
        if (values_.contains(key)) base.insert(key, encode(values_.value(key)));
        else base.remove(key);
    }
    const AtomicWrite::Result written = AtomicWrite::write(path_, QJsonDocument(base).toJson(QJsonDocument::Indented));
    if (!written) {
        qWarning().noquote() << kFailurePrefix + written.error;
        return false;
    }
    unsaved_.clear();
    stored_ = base;
    // Take in what the other copies changed meanwhile.
    QStringList changedElsewhere;
    for (auto it = base.begin(); it != base.end(); ++it) {
        const QVariant v = decode(it.value());
        if (!v.isValid()) {
            if (values_.remove(it.key())) changedElsewhere << it.key();
        } else if (values_.value(it.key()) != v || values_.value(it.key()).typeId() != v.typeId()) {
            values_.insert(it.key(), v);
            changedElsewhere << it.key();
        }
    }
    for (const QString& key : values_.keys())
        if (!base.contains(key)) {
            values_.remove(key);
            changedElsewhere << key;
        }
    for (const QString& key : std::as_const(changedElsewhere)) emit changed(key);
    return true;
}

bool Preferences::setValue(const QString& key, const QVariant& value)
{
    QVariant v = value;
    switch (value.typeId()) {
    case QMetaType::Bool: case QMetaType::LongLong: case QMetaType::QString: case QMetaType::QStringList: break;
    case QMetaType::Int: case QMetaType::UInt: v = value.toLongLong(); break;
    case QMetaType::ULongLong:
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max())) return false;
        v = value.toLongLong();
        break;
    case QMetaType::Double: case QMetaType::Float:
        if (!std::isfinite(value.toDouble())) return false;
        v = value.toDouble();
        break;
    case QMetaType::QDateTime:
        if (formatDate(value.toDateTime()).isEmpty()) return false;
        // What the next start will read: whole milliseconds in UTC.
        v = *parseDate(formatDate(value.toDateTime()));
        break;
    default: v = value.toString(); break;
    }
    values_.insert(key, v);
    unsaved_.insert(key);
    const bool saved = save();
    emit changed(key);
    return saved;
}

bool Preferences::remove(const QString& key)
{
    if (!values_.remove(key)) return true;
    unsaved_.insert(key);
    const bool saved = save();
    emit changed(key);
    return saved;
}

std::optional<bool> Preferences::boolValue(const QString& key) const
{
    const QVariant v = values_.value(key);
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    return std::nullopt;
}

std::optional<qint64> Preferences::intValue(const QString& key) const
{
    const QVariant v = values_.value(key);
    if (v.typeId() == QMetaType::LongLong) return v.toLongLong();
    return std::nullopt;
}

std::optional<QString> Preferences::stringValue(const QString& key) const
{
    const QVariant v = values_.value(key);
    if (v.typeId() == QMetaType::QString) return v.toString();
    return std::nullopt;
}

std::optional<QStringList> Preferences::stringListValue(const QString& key) const
{
    const QVariant v = values_.value(key);
    if (v.typeId() == QMetaType::QStringList) return v.toStringList();
    return std::nullopt;
}

std::optional<QDateTime> Preferences::dateValue(const QString& key) const
{
    const QVariant v = values_.value(key);
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    return std::nullopt;
}
