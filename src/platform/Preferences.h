#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// The user's preferences: a typed key–value store that keeps each value's type
// (Boolean, integer, real, text, list of texts, date) as it was written, so
// "is a Boolean stored" can be asked. One JSON file, written atomically on every
// change; or memory only (tests, and a store whose file cannot be used).
class Preferences : public QObject {
    Q_OBJECT
public:
    // The application's store under QStandardPaths::AppConfigLocation.
    static Preferences& shared();
    // A store on a file of the caller's choice; an empty path keeps it in memory.
    explicit Preferences(QString filePath = {}, QObject* parent = nullptr);

    bool contains(const QString& key) const { return values_.contains(key); }
    // The stored value with its type (QMetaType Bool, LongLong, Double, QString, QStringList, QDateTime),
    // or an invalid QVariant when nothing is stored.
    QVariant value(const QString& key) const { return values_.value(key); }
    std::optional<bool> boolValue(const QString& key) const;
    std::optional<qint64> intValue(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;
    std::optional<QStringList> stringListValue(const QString& key) const;
    std::optional<QDateTime> dateValue(const QString& key) const;

    // Values of other types are stored as text.
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    QString filePath() const { return path_; }

signals:
    void changed(const QString& key);

private:
    void load();
    void save() const;

    QString path_;
    QVariantMap values_;
};
