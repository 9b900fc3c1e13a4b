#include "platform/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimeZone>

namespace {
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
        o["type"] = "date"; o["value"] = v.toDateTime().toUTC().toString(Qt::ISODateWithMs); break;
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
        QDateTime d = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
        return d.isValid() ? QVariant(d) : QVariant();
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
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.readAll();
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        // Keep the damaged file aside rather than overwriting it with the next change.
        QFile::rename(path_, path_ + ".damaged-" + QDateTime::currentDateTimeUtc().toString("yyyyMMdd-HHmmss"));
        return;
    }
    const QJsonObject obj = doc.object();
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        const QVariant v = decode(it.value());
        if (v.isValid()) values_.insert(it.key(), v);
    }
}

void Preferences::save() const
{
    if (path_.isEmpty()) return;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QJsonObject obj;
    for (auto it = values_.begin(); it != values_.end(); ++it) obj.insert(it.key(), encode(it.value()));
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(QJsonDocument(obj).toJson(QJsonDocument::Indented));
    file.commit();
}

void Preferences::setValue(const QString& key, const QVariant& value)
{
    QVariant v = value;
    switch (value.typeId()) {
    case QMetaType::Bool: case QMetaType::LongLong: case QMetaType::Double: case QMetaType::QString:
    case QMetaType::QStringList: case QMetaType::QDateTime: break;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::ULongLong: v = value.toLongLong(); break;
    case QMetaType::Float: v = value.toDouble(); break;
    default: v = value.toString(); break;
    }
    values_.insert(key, v);
    save();
    emit changed(key);
}

void Preferences::remove(const QString& key)
{
    if (!values_.remove(key)) return;
    save();
    emit changed(key);
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
