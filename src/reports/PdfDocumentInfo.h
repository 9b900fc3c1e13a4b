#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The document information dictionary (title, creator, subject, producer, date). The
// report's own writer puts it in directly; for a PDF written elsewhere an incremental
// update is appended instead: a new information dictionary, an xref section for it and a
// trailer that points back to the original one, so every reader sees the new dictionary
// and the original file stays byte for byte intact at the front.
namespace PdfDocumentInfo {

struct Info {
    QString title;
    QString creator;
    QString subject;
    QString producer;
    QDateTime created;
};

// The document with the update appended; nothing when its trailer cannot be read.
std::optional<QByteArray> appendInfo(const QByteArray& pdf, const Info& info);

// The information dictionary itself, "<< ... >>".
QByteArray dictionary(const Info& info);

// A PDF text string: UTF-16BE with a byte-order mark, written in hexadecimal.
QByteArray textString(const QString& text);

}  // namespace PdfDocumentInfo
