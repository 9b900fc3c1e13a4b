#pragma once

// Poppler's command-line tools, run on a PDF written to a temporary file.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QRectF>
#include <QString>
#include <QTemporaryDir>

namespace PdfTools {

struct Word {
    int page = 0;  // 1-based
    QString text;
    QRectF box;    // points, origin at the top left of the page
};

// Holds a PDF on disk for the tools.
class Document {
public:
    explicit Document(const QByteArray& bytes);
    QString path() const { return path_; }
    // pdfinfo's fields ("Pages", "Page size", "Title", ...).
    QMap<QString, QString> info() const;
    // pdftotext -layout of one page (1-based), or of all pages with 0.
    QString text(int page = 0) const;
    // pdftotext -bbox-layout: every word with its page and box.
    QList<Word> words() const;
    // pdffonts' table.
    QString fonts() const;
    // pdftoppm -png of one page at `dpi`, saved as `pngPath`.
    bool renderPage(int page, const QString& pngPath, int dpi = 110) const;

private:
    QTemporaryDir dir_;
    QString path_;
};

// Standard output of a program; fails the current test when it cannot run.
QByteArray run(const QString& program, const QStringList& arguments);

}  // namespace PdfTools
