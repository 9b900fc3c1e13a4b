#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// The user's preferences: a typed key–value store that keeps each value's type
// (Boolean, integer, real, text, list of texts, date) as it was written, so
// "is a Boolean stored" can be asked. One JSON file, written atomically on every
// change; or memory only (tests, and a store whose file cannot be used).
//
// A file that cannot be read is left as it is until the first change, which keeps it aside
// under a dated name before writing anew; an empty file is simply empty preferences. A change
// that cannot be written stays in effect for the run and is logged.
//
// Several running copies may share the file (two sessions of one user): each change is written
// under a kernel lock beside the file, onto what the file holds then, so one copy's change never
// undoes another's change of a different key. Entries this version cannot read (a newer version's
// type) are carried over as they stand.
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

    // Values of other types are stored as text. A value the file cannot hold (a date outside the
    // years 1 to 9999 or not valid, a real that is not finite, an unsigned integer beyond the signed
    // 64-bit range) is refused: nothing changes. Returns false when refused or when the file could
    // not be written (the value then holds for this run only).
    bool setValue(const QString& key, const QVariant& value);
    // False when the file could not be written.
    bool remove(const QString& key);

    QString filePath() const { return path_; }

signals:
    void changed(const QString& key);

private:
    void load();
    bool save();

    QString path_;
    QVariantMap values_;
    // Every entry as the file last held it, those this version cannot read included.
    QJsonObject stored_;
    // Keys this copy set or removed that have not reached the file yet.
    QSet<QString> unsaved_;
    bool mustKeepAside_ = false;  // the file on disk is one that could not be read
};
