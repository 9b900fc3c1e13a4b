// Our own PDF writer: the file's structure read back byte by byte (cross-reference offsets,
// reachability, streams), and what poppler makes of its fonts and text in four scripts.
#include "PdfTools.h"
#include "ReportFixtures.h"

#include "reports/PdfCanvas.h"
#include "reports/ReportExporter.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTextLayout>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

struct Object {
    QByteArray dictionary;  // everything between "obj" and "stream"/"endobj"
    QByteArray stream;      // raw stream bytes, /Length of them
};

// Reads the file the way a strict reader does: from startxref to the table, from each
// offset to its object; fails the test on anything out of place.
struct Parsed {
    QMap<int, Object> objects;
    QByteArray trailer;
};

Parsed parse(const QByteArray& pdf)
{
    Parsed out;
    EXPECT_TRUE(pdf.startsWith("%PDF-1."));
    EXPECT_TRUE(pdf.endsWith("%%EOF\n"));
    const qsizetype sx = pdf.lastIndexOf("startxref\n");
    if (sx < 0) {
        ADD_FAILURE() << "no startxref";
        return out;
    }
    const qint64 xref = pdf.mid(sx + 10).split('\n').value(0).toLongLong();
    if (pdf.mid(xref, 5) != "xref\n") {
        ADD_FAILURE() << "startxref does not point at the table";
        return out;
    }
    QList<QByteArray> lines = pdf.mid(xref).split('\n');
    const QList<QByteArray> head = lines.value(1).split(' ');
    EXPECT_EQ(head.value(0), "0");
    const int count = head.value(1).toInt();
    EXPECT_GT(count, 1);
    // Each entry is exactly 20 bytes.
    const qsizetype entries = xref + 5 + lines.value(1).size() + 1;
    EXPECT_EQ(pdf.mid(entries, 20), QByteArray("0000000000 65535 f \n"));
    for (int n = 1; n < count; ++n) {
        const QByteArray entry = pdf.mid(entries + 20 * n, 20);
        EXPECT_TRUE(entry.endsWith(" 00000 n \n")) << entry.constData();
        const qint64 at = entry.left(10).toLongLong();
        const QByteArray header = QByteArray::number(n) + " 0 obj\n";
        if (pdf.mid(at, header.size()) != header) {
            ADD_FAILURE() << "object " << n << " is not at its offset " << at;
            continue;
        }
        const qsizetype body = at + header.size();
        const qsizetype end = pdf.indexOf("endobj", body);
        const qsizetype streamAt = pdf.indexOf("stream\n", body);
        Object object;
        if (streamAt >= 0 && streamAt < end) {
            object.dictionary = pdf.mid(body, streamAt - body);
            const QRegularExpression length(QStringLiteral("/Length (\\d+)"));
            const auto m = length.match(QString::fromLatin1(object.dictionary));
            EXPECT_TRUE(m.hasMatch()) << "stream " << n << " without a direct length";
            const qsizetype size = m.captured(1).toLongLong();
            object.stream = pdf.mid(streamAt + 7, size);
            EXPECT_EQ(pdf.mid(streamAt + 7 + size, 11), QByteArray("\nendstream\n")) << "stream " << n << " length";
        } else {
            object.dictionary = pdf.mid(body, end - body);
        }
        out.objects.insert(n, object);
    }
    const qsizetype trailerAt = pdf.indexOf("trailer\n", xref);
    EXPECT_GT(trailerAt, xref);
    out.trailer = pdf.mid(trailerAt, sx - trailerAt);
    EXPECT_TRUE(out.trailer.contains("/Size " + QByteArray::number(count)));
    return out;
}

QSet<int> references(const QByteArray& text)
{
    QSet<int> refs;
    static const QRegularExpression ref(QStringLiteral("(\\d+) 0 R"));
    for (auto it = ref.globalMatch(QString::fromLatin1(text)); it.hasNext();) refs.insert(it.next().captured(1).toInt());
    return refs;
}

QByteArray inflate(const QByteArray& deflated)
{
    // qUncompress takes the expected size in front; it grows the buffer when that is short.
    QByteArray framed(4, '\0');
    qToBigEndian<quint32>(quint32(deflated.size() * 8 + 1024), framed.data());
    return qUncompress(framed + deflated);
}

void expectSoundStructure(const QByteArray& pdf)
{
    const Parsed parsed = parse(pdf);
    ASSERT_FALSE(parsed.objects.isEmpty());
    // Every object is reached from the trailer (catalog and information), none dangles.
    QSet<int> reached, queue = references(parsed.trailer);
    while (!queue.isEmpty()) {
        const int n = *queue.begin();
        queue.erase(queue.begin());
        if (reached.contains(n)) continue;
        reached.insert(n);
        ASSERT_TRUE(parsed.objects.contains(n)) << "reference to missing object " << n;
        for (int r : references(parsed.objects[n].dictionary))
            if (!reached.contains(r)) queue.insert(r);
    }
    EXPECT_EQ(reached.size(), parsed.objects.size()) << "objects nothing points to";
    // Every compressed stream inflates; page contents balance their states and texts.
    for (auto it = parsed.objects.cbegin(); it != parsed.objects.cend(); ++it) {
        if (!it->dictionary.contains("/FlateDecode")) continue;
        const QByteArray data = inflate(it->stream);
        EXPECT_FALSE(data.isEmpty()) << "stream of object " << it.key() << " does not inflate";
        if (data.contains(" cm\n") && data.contains("BT\n")) {
            EXPECT_EQ(data.count("BT\n"), data.count("ET\n"));
            EXPECT_EQ(data.count("q\n"), data.count("Q\n"));
            EXPECT_EQ(data.count("BDC\n"), data.count("EMC\n"));
        }
    }
}

QByteArray report(const ReportFixtures::Inspection& i, const Localization& L)
{
    const ReportExporter::PdfResult result = ReportExporter::pdf(i.summary, i.sections, ReportFixtures::reportDate(), L, "US");
    const QByteArray* bytes = std::get_if<QByteArray>(&result);
    EXPECT_NE(bytes, nullptr);
    return bytes ? *bytes : QByteArray();
}

TEST(PdfWriter, FacesCutOnHelperThreadsComeOutTheSameEveryTime)
{
    // Several faces (Latin, Japanese, the symbols) are cut down at once on other threads:
    // the document must not depend on which thread took which face, nor on their timing.
    const Localization L = Localization::forCode(QStringLiteral("ja"), QStringLiteral("ja_JP"));
    const ReportFixtures::Inspection i = ReportFixtures::japanese();
    const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[0-9Z+\\-']+\\)"));
    QByteArray first;
    for (int run = 0; run < 4; ++run) {
        const ReportExporter::PdfResult r = ReportExporter::pdf(i.summary, i.sections, ReportFixtures::reportDate(), L, "JP");
        const QByteArray* bytes = std::get_if<QByteArray>(&r);
        ASSERT_NE(bytes, nullptr);
        const QByteArray undated = QString::fromLatin1(*bytes).remove(date).toLatin1();
        ASSERT_NE(undated, QString::fromLatin1(*bytes).toLatin1()) << "the creation date is found";
        if (run == 0) {
            first = undated;
            EXPECT_GE(parse(*bytes).objects.size(), 20);
            continue;
        }
        EXPECT_EQ(undated, first) << "run " << run;
    }
}

TEST(PdfWriter, ReportsInFourScriptsAreSoundAndReadBack)
{
    struct Case {
        const char* code;
        const char* locale;
        const char* deviceName;
        const char* face;
        const char* type;
    };
    const Case cases[] = {
        {"en", "en_US", "Ada’s official Workstation", "Lato-Regular", "CID TrueType"},
        {"ar", "ar_EG", "محطة عمل أدا", "NotoSansArabic", "CID TrueType"},
        {"hi", "hi_IN", "अदा का वर्कस्टेशन", "NotoSansDevanagari", "CID TrueType"},
        {"ja", "ja_JP", "エイダのワークステーション", "NotoSansCJKjp", "CID Type 0C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ReportFixtures::Inspection i = ReportFixtures::english();
        i.summary.deviceName = QString::fromUtf8(c.deviceName);
        const QByteArray pdf = report(i, Localization::forCode(c.code, c.locale));
        expectSoundStructure(pdf);
        const PdfTools::Document doc(pdf);
        EXPECT_FALSE(doc.info().contains("Syntax Error"));

        // Every font an embedded subset with its text map: "ABCDEF+Name ... yes yes yes".
        const QStringList lines = doc.fonts().split('\n', Qt::SkipEmptyParts);
        ASSERT_GT(lines.size(), 2);
        bool found = false;
        for (qsizetype k = 2; k < lines.size(); ++k) {
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z]{6}\\+\\S+ ")).match(lines[k]).hasMatch()) << lines[k].toStdString();
            EXPECT_TRUE(lines[k].contains(QRegularExpression(QStringLiteral(" yes +yes +yes ")))) << lines[k].toStdString();
            if (lines[k].contains(QString::fromLatin1(c.face))) {
                found = true;
                EXPECT_TRUE(lines[k].contains(QString::fromLatin1(c.type))) << lines[k].toStdString();
            }
        }
        EXPECT_TRUE(found) << c.face << " in " << doc.fonts().toStdString();

        // The device name reads back whole, in logical order, as do the fixed words.
        const QString text = doc.text(1);
        const QString name = QString::fromUtf8(c.deviceName);
        if (QString(c.code) == QLatin1String("ar")) {
            // Poppler sets a right-to-left line's words in reading order; each is whole.
            for (const QString& word : name.split(' ')) EXPECT_TRUE(text.contains(word)) << word.toStdString() << "\n" << text.toStdString();
        } else {
            EXPECT_TRUE(text.contains(name)) << text.toStdString();
        }
        EXPECT_TRUE(text.contains(QStringLiteral("13th Gen Intel(R) Core(TM) i7-1365U"))) << text.toStdString();
    }
}

TEST(PdfWriter, HindiConjunctsAndVowelSignsReadBackInTheirOrder)
{
    // "क्षमता" and "रिपोर्ट" join letters into glyphs and put the sign ि before its
    // consonant: read glyph by glyph they would come out reordered or lost.
    ReportFixtures::Inspection i = ReportFixtures::empty();
    i.summary.deviceName = QString::fromUtf8("क्षमता रिपोर्ट प्रिंटर");
    const PdfTools::Document doc(report(i, Localization::forCode("hi", "hi_IN")));
    const QString text = doc.text(1);
    EXPECT_TRUE(text.contains(QString::fromUtf8("क्षमता रिपोर्ट प्रिंटर"))) << text.toStdString();
}

TEST(PdfWriter, CanvasDrawsShapesGradientClipAndTextOnEveryPage)
{
    // The canvas on its own: two pages, each with a clipped gradient, a translucent fill,
    // a stroke and a line of text; the rendering shows each where it was put.
    PdfCanvas canvas(QSizeF(200, 100));
    QTextLayout layout(QStringLiteral("Hello PDF"), QFont(QStringLiteral("Lato"), 12));
    layout.beginLayout();
    layout.createLine().setPosition(QPointF(0, 0));
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    ASSERT_FALSE(runs.isEmpty());
    for (int page = 0; page < 2; ++page) {
        if (page) canvas.newPage();
        QPainterPath band;
        band.addRect(QRectF(0, 0, 100, 50));
        canvas.save();
        canvas.clip(band);
        QPainterPath big;
        big.addRect(QRectF(0, 0, 200, 100));
        canvas.fillPathWithGradient(big, QPointF(0, 0), QPointF(100, 0), Qt::red, Qt::blue);
        canvas.restore();
        QPainterPath square;
        square.addRect(QRectF(120, 10, 30, 30));
        canvas.fillPath(square, QColor(0, 128, 0, 128));
        canvas.strokePath(square, Qt::black, 2);
        for (const QGlyphRun& run : runs) {
            const QList<quint32> ids = run.glyphIndexes();
            const QList<QPointF> at = run.positions();
            canvas.drawGlyphs({run.rawFont(), ids.constData(), at.constData(), ids.size()}, QPointF(10, 60), Qt::black,
                              QStringLiteral("Hello PDF"));
        }
        // A symbol drawn through a painter lands on the same page.
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::magenta);
        painter.drawEllipse(QRectF(170, 70, 20, 20));
    }
    EXPECT_EQ(canvas.pageCount(), 2);
    const QByteArray pdf = canvas.finish({QStringLiteral("T"), QStringLiteral("C"), QStringLiteral("S"), {}, {}});
    expectSoundStructure(pdf);
    const PdfTools::Document doc(pdf);
    EXPECT_EQ(doc.info().value("Pages"), "2");
    EXPECT_EQ(doc.info().value("Title"), "T");
    EXPECT_EQ(doc.info().value("Subject"), "S");
    for (int page = 1; page <= 2; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(doc.text(page).trimmed(), QStringLiteral("Hello PDF"));
        const QString png = QDir(QFileInfo(doc.path()).absolutePath()).filePath(QStringLiteral("p%1.png").arg(page));
        ASSERT_TRUE(doc.renderPage(page, png, 72));
        const QImage image = QImage(png).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.size(), QSize(200, 100));
        const auto near = [](QRgb a, QColor b) {
            return std::abs(qRed(a) - b.red()) < 40 && std::abs(qGreen(a) - b.green()) < 40 && std::abs(qBlue(a) - b.blue()) < 40;
        };
        EXPECT_TRUE(near(image.pixel(2, 25), Qt::red)) << "gradient start";
        EXPECT_TRUE(near(image.pixel(97, 25), Qt::blue)) << "gradient end";
        EXPECT_TRUE(near(image.pixel(50, 80), Qt::white)) << "clipped away";
        EXPECT_TRUE(near(image.pixel(135, 25), QColor(128, 191, 128))) << "half-transparent green over white";
        EXPECT_TRUE(near(image.pixel(120, 25), Qt::black)) << "stroke";
        EXPECT_TRUE(near(image.pixel(180, 80), Qt::magenta)) << "painter's path";
    }
}

}  // namespace
