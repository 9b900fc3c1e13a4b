#include "platform/Preferences.h"

#include "platform/AtomicWrite.h"

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

void Preferences::load()
{
    if (path_.isEmpty()) return;
    const QByteArray path = QFile::encodeName(path_);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) return;  // no file: nothing stored yet
    // Only a regular file is opened, and without blocking: a pipe in its place must not hang the start.
    const int fd = S_ISREG(st.st_mode) ? ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY) : -1;
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        mustKeepAside_ = true;
        return;
    }
    const QByteArray bytes = file.read(16 << 20);
    const bool readFailed = file.error() != QFileDevice::NoError || !file.atEnd();
    if (!readFailed && bytes.trimmed().isEmpty()) return;  // empty: nothing stored yet, nothing to keep
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (readFailed || error.error != QJsonParseError::NoError || !doc.isObject()) {
        // Left as it is until the first change keeps it aside.
        mustKeepAside_ = true;
        return;
    }
    const QJsonObject obj = doc.object();
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        const QVariant v = decode(it.value());
        if (v.isValid()) values_.insert(it.key(), v);
    }
}

bool Preferences::save()
{
    if (path_.isEmpty()) return true;
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        qWarning().noquote() << kFailurePrefix + QStringLiteral("The folder “") + folder + QStringLiteral("” could not be created.");
        return false;
    }
    if (mustKeepAside_) {
        QString keptAs;
        const AtomicWrite::Result kept = AtomicWrite::keepAside(path_, QDateTime::currentDateTimeUtc(), &keptAs);
        if (!kept) {
            qWarning().noquote() << kFailurePrefix + kept.error;
            return false;
        }
        mustKeepAside_ = false;
        if (!keptAs.isEmpty()) qWarning().noquote() << QStringLiteral("Preferences: kept the unreadable file aside as “") + keptAs + QStringLiteral("”");
    }
    QJsonObject obj;
    for (auto it = values_.begin(); it != values_.end(); ++it) obj.insert(it.key(), encode(it.value()));
    const AtomicWrite::Result written = AtomicWrite::write(path_, QJsonDocument(obj).toJson(QJsonDocument::Indented));
    if (!written) qWarning().noquote() << kFailurePrefix + written.error;
    return written.ok;
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
    const bool saved = save();
    emit changed(key);
    return saved;
}

bool Preferences::remove(const QString& key)
{
    if (!values_.remove(key)) return true;
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
