#include "PdfTools.h"

#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace PdfTools {

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString()
                      << " (poppler-utils is needed by these tests)";
        return {};
    }
    return p.readAllStandardOutput();
}

Document::Document(const QByteArray& bytes)
{
    path_ = dir_.filePath(QStringLiteral("report.pdf"));
    QFile f(path_);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) ADD_FAILURE() << "cannot write " << path_.toStdString();
}

QMap<QString, QString> Document::info() const
{
    QMap<QString, QString> fields;
    const QString out = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path_}));
    for (const QString& line : out.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) fields.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    return fields;
}

QString Document::text(int page) const
{
    QStringList args = {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (page > 0) args << "-f" << QString::number(page) << "-l" << QString::number(page);
    args << path_ << QStringLiteral("-");
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), args));
}

QList<Word> Document::words() const
{
    const QByteArray xml = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox-layout"), QStringLiteral("-enc"),
                                                             QStringLiteral("UTF-8"), path_, QStringLiteral("-")});
    QList<Word> words;
    QXmlStreamReader r(xml);
    int page = 0;
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement) continue;
        if (r.name() == QLatin1String("page")) {
            ++page;
        } else if (r.name() == QLatin1String("word")) {
            const auto a = r.attributes();
            const double x0 = a.value("xMin").toDouble(), y0 = a.value("yMin").toDouble();
            const double x1 = a.value("xMax").toDouble(), y1 = a.value("yMax").toDouble();
            words.append({page, r.readElementText(), QRectF(QPointF(x0, y0), QPointF(x1, y1))});
        }
    }
    return words;
}

QString Document::fonts() const
{
    return QString::fromUtf8(run(QStringLiteral("pdffonts"), {path_}));
}

bool Document::renderPage(int page, const QString& pngPath, int dpi) const
{
    QString base = pngPath;
    if (base.endsWith(QLatin1String(".png"))) base.chop(4);
    run(QStringLiteral("pdftoppm"), {"-png", "-singlefile", "-r", QString::number(dpi), "-f", QString::number(page), "-l",
                                     QString::number(page), path_, base});
    return QFile::exists(base + QStringLiteral(".png"));
}

}  // namespace PdfTools
