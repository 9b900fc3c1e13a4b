#include "reports/PdfDocumentInfo.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace PdfDocumentInfo {
namespace {

// The value that follows a name in the trailer dictionary, up to the next name or its end.
std::optional<QByteArray> trailerEntry(const QByteArray& trailer, const char* name)
{
    const QRegularExpression re(QStringLiteral("/%1(?![A-Za-z0-9])\\s*([^/>]*(?:>(?!>)[^/>]*)*)").arg(QLatin1String(name)));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(trailer));
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1).trimmed().toLatin1();
}

QByteArray pdfDate(const QDateTime& when)
{
    const QDateTime utc = when.toTimeZone(QTimeZone::utc());
    return "(D:" + utc.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + "Z)";
}

}  // namespace

QByteArray textString(const QString& text)
{
    QByteArray out = "<FEFF";
    for (QChar c : text) out += QByteArray::number(c.unicode(), 16).toUpper().rightJustified(4, '0');
    out += '>';
    return out;
}

QByteArray dictionary(const Info& info)
{
    QByteArray out = "<<\n";
    out += "/Title " + textString(info.title) + "\n";
    out += "/Creator " + textString(info.creator) + "\n";
    out += "/Subject " + textString(info.subject) + "\n";
    if (!info.producer.isEmpty()) out += "/Producer " + textString(info.producer) + "\n";
    if (info.created.isValid()) out += "/CreationDate " + pdfDate(info.created) + "\n";
    out += ">>";
    return out;
}

std::optional<QByteArray> appendInfo(const QByteArray& pdf, const Info& info)
{
    // The last cross-reference section and the trailer in front of it.
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (startxref < 0) return std::nullopt;
    bool ok = false;
    const qint64 previousXref = pdf.mid(startxref + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok || previousXref <= 0 || previousXref >= startxref) return std::nullopt;
    const qsizetype trailerAt = pdf.lastIndexOf("trailer", startxref);
    if (trailerAt < 0) return std::nullopt;
    const QByteArray trailer = pdf.mid(trailerAt, startxref - trailerAt);

    const std::optional<QByteArray> sizeText = trailerEntry(trailer, "Size");
    const std::optional<QByteArray> root = trailerEntry(trailer, "Root");
    if (!sizeText || !root || !QRegularExpression(QStringLiteral("^\\d+ \\d+ R$")).match(QString::fromLatin1(*root)).hasMatch())
        return std::nullopt;
    const qint64 size = sizeText->toLongLong(&ok);
    if (!ok || size <= 0) return std::nullopt;
    const std::optional<QByteArray> id = trailerEntry(trailer, "ID");

    QByteArray out = pdf;
    if (!out.endsWith('\n')) out += '\n';
    const qint64 object = size;
    const qsizetype objectAt = out.size();
    out += QByteArray::number(object) + " 0 obj\n" + dictionary(info) + "\nendobj\n";

    const qsizetype xrefAt = out.size();
    out += "xref\n" + QByteArray::number(object) + " 1\n";
    out += QByteArray::number(qint64(objectAt)).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<<\n/Size " + QByteArray::number(object + 1) + "\n/Root " + *root + "\n/Info "
           + QByteArray::number(object) + " 0 R\n/Prev " + QByteArray::number(previousXref) + "\n";
    if (id && !id->isEmpty()) out += "/ID " + *id + "\n";
    out += ">>\nstartxref\n" + QByteArray::number(qint64(xrefAt)) + "\n%%EOF\n";
    return out;
}

}  // namespace PdfDocumentInfo
