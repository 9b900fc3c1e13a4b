#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// Small, forgiving readers for /proc and /sys files under a file-system root, so the
// same code runs against the machine ("/") and against fixture trees in tests.
class SysFs {
public:
    explicit SysFs(QString root = QStringLiteral("/"));

    QString path(const QString& relative) const;
    // Opens a regular file for reading without blocking (a pipe or device put in its place is
    // refused, never waited on); the descriptor, or -1.
    static int openRegular(const QByteArray& path);
    // The whole file (at most `limit` bytes; pseudo-files have no meaningful size), absent when unreadable.
    std::optional<QByteArray> read(const QString& relative, qint64 limit = 1 << 20) const;
    // The first line without surrounding spaces, tabs and line breaks; absent when unreadable or empty.
    std::optional<QString> line(const QString& relative) const;
    // A decimal integer on the first line; absent when unreadable or not a number.
    std::optional<qint64> integer(const QString& relative) const;
    bool exists(const QString& relative) const;
    // Entry names of a directory, sorted; empty when it cannot be listed.
    QStringList list(const QString& relative) const;
    // "key: value" or "KEY=value" lines of a file as a map of the first occurrence of each key.
    static QHash<QString, QString> keyValues(const QByteArray& text, QChar separator);

    const QString& root() const { return root_; }

private:
    QString root_;
};
