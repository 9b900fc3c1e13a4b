#pragma once
// Small builders and a log catcher shared by the history tests.

#include "history/ScanHistory.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStringList>
#include <QTimeZone>

namespace history_test {

inline ScanSnapshot::Item item(QString label, QString value, CapabilityStatus status = CapabilityStatus::supported,
                               std::optional<QString> key = std::nullopt, bool isVolatile = false)
{
    return ScanSnapshot::Item{std::move(label), std::move(value), status, std::move(key), isVolatile};
}

inline ScanSnapshot::Section section(QString title, QList<ScanSnapshot::Item> items, std::optional<QString> key = std::nullopt,
                                     QString symbol = QStringLiteral("cpu"))
{
    return ScanSnapshot::Section{std::move(title), std::move(symbol), std::move(items), std::move(key)};
}

inline QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

inline ScanSnapshot snapshot(QList<ScanSnapshot::Section> sections, std::optional<QString> language = QStringLiteral("en"),
                             QDateTime date = utc(2026, 3, 1, 9, 15, 42), QString model = QStringLiteral("ThinkPad21"))
{
    ScanSnapshot s;
    s.id = QUuid::createUuid();
    s.date = std::move(date);
    s.deviceName = QStringLiteral("bench");
    s.modelIdentifier = std::move(model);
    s.chip = QStringLiteral("Ryzen");
    s.osVersion = QStringLiteral("Debian 12");
    s.sections = std::move(sections);
    s.language = std::move(language);
    return s;
}

// The inspection-side records for ScanHistory::record.
inline CapabilityItem capItem(QString label, QString value, CapabilityStatus status = CapabilityStatus::supported,
                              std::optional<QString> key = std::nullopt, bool isVolatile = false)
{
    return CapabilityItem{QUuid::createUuid(), std::move(label), std::move(value), status, std::move(key), isVolatile};
}

inline CapabilitySection capSection(QString title, QList<CapabilityItem> items, std::optional<QString> key = std::nullopt)
{
    return CapabilitySection{QUuid::createUuid(), std::move(title), QStringLiteral("cpu"), std::move(items), std::move(key)};
}

inline DeviceSummary summary(QString model = QStringLiteral("ThinkPad21"))
{
    return DeviceSummary{QStringLiteral("bench"), std::move(model), QStringLiteral("Ryzen"), QStringLiteral("16 GB"),
                         QStringLiteral("512 GB"), QStringLiteral("Debian 12"), false, true};
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline bool writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}

// Collects the warnings logged while it lives (from any thread).
class LogCatcher {
public:
    LogCatcher()
    {
        current() = this;
        previous_ = qInstallMessageHandler(&LogCatcher::handle);
    }
    ~LogCatcher()
    {
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    QStringList lines() const
    {
        QMutexLocker lock(&mutex_);
        return lines_;
    }
    QStringList linesStartingWith(const QString& prefix) const
    {
        QStringList out;
        for (const QString& l : lines())
            if (l.startsWith(prefix)) out << l;
        return out;
    }

private:
    static LogCatcher*& current()
    {
        static LogCatcher* c = nullptr;
        return c;
    }
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        if (LogCatcher* c = current()) {
            QMutexLocker lock(&c->mutex_);
            c->lines_ << message;
        }
    }
    QtMessageHandler previous_ = nullptr;
    mutable QMutex mutex_;
    QStringList lines_;
};

}  // namespace history_test
