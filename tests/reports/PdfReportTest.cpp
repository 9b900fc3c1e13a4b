// The PDF report: page breaking rules, the document information, the page frame and
// right-to-left mirroring, checked on real documents with poppler's tools.
#include "PdfTools.h"
#include "ReportFixtures.h"

#include "inspection/DeviceProbe.h"
#include "reports/PdfDocumentInfo.h"
#include "reports/PdfPagination.h"
#include "reports/PdfReportRenderer.h"
#include "reports/ReportExporter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>

namespace {
using namespace ReportFixtures;
using PdfTools::Document;
using Placement = PdfReportRenderer::Placement;

Localization language(const char* code, const char* locale) { return Localization::forCode(code, locale); }

QByteArray pdfBytes(const Inspection& i, const Localization& L, const QString& region = QStringLiteral("US"))
{
    const ReportExporter::PdfResult result = ReportExporter::pdf(i.summary, i.sections, reportDate(), L, region);
    const QByteArray* bytes = std::get_if<QByteArray>(&result);
    EXPECT_NE(bytes, nullptr);
    // Keep a copy for looking at, when asked to.
    const QString keep = qEnvironmentVariable("QRL_REPORTS_PDF_DIR");
    if (bytes && !keep.isEmpty()) {
        QDir().mkpath(keep);
        static int n = 0;
        QFile f(QStringLiteral("%1/%2-%3.pdf").arg(keep, L.code).arg(++n));
        if (f.open(QIODevice::WriteOnly)) f.write(*bytes);
    }
    return bytes ? *bytes : QByteArray();
}

QList<PdfTools::Word> wordsOn(const QList<PdfTools::Word>& all, int page)
{
    QList<PdfTools::Word> out;
    for (const auto& w : all)
        if (w.page == page) out << w;
    return out;
}

// --- Page breaking ----------------------------------------------------------------------

using PdfPagination::Step;

QList<Step> steps(std::initializer_list<std::pair<Step::Kind, int>> list)
{
    QList<Step> out;
    for (const auto& [kind, row] : list) out.append(Step{kind, row});
    return out;
}
constexpr auto P = Step::NewPage;
constexpr auto H = Step::Header;
constexpr auto C = Step::ContinuedHeader;
constexpr auto R = Step::Row;

TEST(PdfPagination, BreakRules)
{
    // Bottom limit 500, fresh pages start at 74, headers are 34 high.
    const PdfPagination::Geometry g{500, 74, 34, 18};
    struct Case {
        const char* name;
        double y;
        QList<double> rows;
        QList<Step> expected;
    };
    const Case cases[] = {
        {"empty section: header only", 100, {}, steps({{H, -1}})},
        {"everything fits", 100, {20, 20, 20}, steps({{H, -1}, {R, 0}, {R, 1}, {R, 2}})},
        {"row ending exactly at the limit stays", 400, {20, 20, 26}, steps({{H, -1}, {R, 0}, {R, 1}, {R, 2}})},
        {"row ending 0.01 beyond moves behind a continued header", 400, {20, 20, 26.01},
         steps({{H, -1}, {R, 0}, {R, 1}, {P, -1}, {C, -1}, {R, 2}})},
        {"header and first two rows kept together", 420, {20, 27}, steps({{P, -1}, {H, -1}, {R, 0}, {R, 1}})},
        {"header with its only row kept together", 440, {27}, steps({{P, -1}, {H, -1}, {R, 0}})},
        {"three rows: the last goes alone, no orphan rule", 400, {20, 20, 30},
         steps({{H, -1}, {R, 0}, {R, 1}, {P, -1}, {C, -1}, {R, 2}})},
        {"four rows: the last two travel together", 390, {20, 20, 20, 20},
         steps({{H, -1}, {R, 0}, {R, 1}, {P, -1}, {C, -1}, {R, 2}, {R, 3}})},
        {"four rows that all fit stay", 370, {20, 20, 20, 20}, steps({{H, -1}, {R, 0}, {R, 1}, {R, 2}, {R, 3}})},
        {"a row taller than a page stays under its header", 100, {600}, steps({{P, -1}, {H, -1}, {R, 0}})},
        {"a row taller than a page after others starts a page", 100, {20, 20, 600},
         steps({{H, -1}, {R, 0}, {R, 1}, {P, -1}, {C, -1}, {R, 2}})},
        {"a last pair too tall for any page is not moved", 300, {20, 20, 20, 200, 200},
         steps({{H, -1}, {R, 0}, {R, 1}, {R, 2}, {P, -1}, {C, -1}, {R, 3}, {P, -1}, {C, -1}, {R, 4}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PdfPagination::Plan plan = PdfPagination::planSection(c.y, c.rows, g);
        EXPECT_EQ(plan.steps, c.expected);
    }
}

TEST(PdfPagination, EndPositionIncludesTheGap)
{
    const PdfPagination::Geometry g{500, 74, 34, 18};
    EXPECT_DOUBLE_EQ(PdfPagination::planSection(100, {}, g).endY, 100 + 34 + 18);
    EXPECT_DOUBLE_EQ(PdfPagination::planSection(400, {20, 20, 27}, g).endY, 74 + 34 + 27 + 18);
}

// --- Layout of whole documents ----------------------------------------------------------

// The rules every page break must keep, read from where the renderer put things.
void expectSoundLayout(const PdfReportRenderer& r, const Inspection& i)
{
    const double limit = r.pageSize().height() - 44 - 34 + 8;
    const QList<Placement>& all = r.placements();
    int pages = 0;
    for (const Placement& p : all) pages = std::max(pages, p.page);
    EXPECT_EQ(pages, r.totalPages()) << "the drawing pass began as many pages as the counting pass";
    for (int k = 0; k < all.size(); ++k) {
        const Placement& p = all[k];
        if (p.kind == Placement::Row) {
            EXPECT_LE(p.top + p.height, limit + 1e-9) << "row " << p.row << " of section " << p.section << " overruns page " << p.page;
            if (p.page >= 2) {
                EXPECT_GE(p.top, 74 + 34 - 1e-9);
            }
        }
        if (p.kind == Placement::Header || p.kind == Placement::ContinuedHeader) {
            if (p.page >= 2) {
                EXPECT_GE(p.top, 74 - 1e-9);
            }
            // A header never stands alone: the rows after it start on its page.
            const qsizetype rows = i.sections[p.section].items.size();
            const int wanted = p.kind == Placement::Header ? int(std::min<qsizetype>(2, rows)) : 1;
            for (int n = 1; n <= wanted; ++n) {
                ASSERT_LT(k + n, all.size());
                EXPECT_EQ(all[k + n].kind, Placement::Row);
                EXPECT_EQ(all[k + n].page, p.page) << "header of section " << p.section << " left alone";
            }
        }
    }
    // The last two rows of a section of four or more share a page.
    for (int s = 0; s < i.sections.size(); ++s) {
        const qsizetype n = i.sections[s].items.size();
        if (n < 4) continue;
        int pageOfLast = -1, pageOfSecondLast = -2;
        for (const Placement& p : all) {
            if (p.kind != Placement::Row || p.section != s) continue;
            if (p.row == n - 1) pageOfLast = p.page;
            if (p.row == n - 2) pageOfSecondLast = p.page;
        }
        EXPECT_EQ(pageOfLast, pageOfSecondLast) << "section " << s;
    }
}

TEST(PdfLayout, InspectionsOfEverySizeBreakSoundly)
{
    struct Case {
        const char* name;
        Inspection inspection;
        QString region;
        int minPages;
        int maxPages;
    };
    const Case cases[] = {
        {"empty", ReportFixtures::empty(), "US", 1, 1},
        {"english", ReportFixtures::english(), "US", 2, 2},
        {"one long section, letter", longTables(1, 60), "US", 3, 6},
        {"one long section, A4", longTables(1, 60), "DE", 3, 6},
        {"many short sections", longTables(24, 4), "US", 3, 10},
        {"sections of one row", longTables(40, 1), "GB", 2, 5},
        {"sections of three rows", longTables(20, 3), "US", 2, 6},
        {"sections of five rows", longTables(14, 5), "", 2, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PdfReportRenderer renderer(c.inspection.summary, c.inspection.sections, reportDate(), Localization::english(), c.region);
        ASSERT_TRUE(std::holds_alternative<QByteArray>(renderer.render()));
        EXPECT_GE(renderer.totalPages(), c.minPages);
        EXPECT_LE(renderer.totalPages(), c.maxPages);
        expectSoundLayout(renderer, c.inspection);
    }
}

TEST(PdfLayout, OddDataStillGivesADocument)
{
    Inspection i = ReportFixtures::english();
    // A value far taller than a page, empty texts, half a surrogate pair, control characters.
    i.sections << section("", "", std::nullopt, {
        item("Huge", QStringLiteral("word ").repeated(3000), CapabilityStatus::warning),
        item("", "", CapabilityStatus::info),
        item(QString(QChar(0xDC00)), QStringLiteral("\x01\x02") + QChar(0x07) + QChar(0x1B), CapabilityStatus::supported),
    });
    i.summary = {QString(), QString(), QString(), QString(), QString(), QString(), true, true};
    PdfReportRenderer renderer(i.summary, i.sections, reportDate(), Localization::english(), "US");
    const auto result = renderer.render();
    ASSERT_TRUE(std::holds_alternative<QByteArray>(result));
    // The huge row stands under its own header, with no page left holding the header alone.
    int headerPage = 0, hugePage = 0;
    for (const Placement& p : renderer.placements()) {
        if (p.section != 4) continue;
        if (p.kind == Placement::Header) headerPage = p.page;
        if (p.kind == Placement::Row && p.row == 0) hugePage = p.page;
    }
    EXPECT_EQ(headerPage, hugePage);
    const Document doc(std::get<QByteArray>(result));
    EXPECT_EQ(doc.info().value("Pages").toInt(), renderer.totalPages());
    EXPECT_EQ(doc.info().value("Title"), QString::fromUtf8("Device Capabilities Report —"));  // pdfinfo trims the space
}

TEST(PdfLayout, CoverTakesItsFixedHeightAndTablesFollowOnPageOne)
{
    const Inspection i = ReportFixtures::english();
    PdfReportRenderer renderer(i.summary, i.sections, reportDate(), Localization::english(), "US");
    ASSERT_TRUE(std::holds_alternative<QByteArray>(renderer.render()));
    const QList<Placement>& all = renderer.placements();
    ASSERT_GE(all.size(), 3);
    EXPECT_EQ(all[1].kind, Placement::Cover);
    EXPECT_DOUBLE_EQ(all[1].top, 44);
    EXPECT_EQ(all[2].kind, Placement::Header);
    EXPECT_DOUBLE_EQ(all[2].top, 44 + 382);
}

// --- The document -----------------------------------------------------------------------

TEST(PdfDocument, PageSizeByRegion)
{
    struct Case {
        const char* region;
        QSizeF layout;
        const char* pdfinfoSize;
    };
    const Case cases[] = {
        {"US", {612, 792}, "612 x 792 pts (letter)"},
        {"CA", {612, 792}, "612 x 792 pts (letter)"},
        {"DO", {612, 792}, "612 x 792 pts (letter)"},
        {"GB", {595.28, 841.89}, "595 x 842 pts (A4)"},
        {"JP", {595.28, 841.89}, "595 x 842 pts (A4)"},
        {"us", {595.28, 841.89}, "595 x 842 pts (A4)"},  // region codes are upper case
        {"", {595.28, 841.89}, "595 x 842 pts (A4)"},
    };
    const Inspection i = ReportFixtures::empty();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.region);
        EXPECT_EQ(PdfReportRenderer::pageSizeForRegion(QString::fromLatin1(c.region)), c.layout);
        const Document doc(pdfBytes(i, Localization::english(), QString::fromLatin1(c.region)));
        EXPECT_EQ(doc.info().value("Page size"), c.pdfinfoSize);
    }
}

TEST(PdfDocument, InformationTitleCreatorSubject)
{
    struct Case {
        const char* code;
        const char* locale;
        const char* title;
    };
    const Case cases[] = {
        {"en", "en_US", "Device Capabilities Report — Ada’s Workstation"},
        {"ja", "ja_JP", "デバイス機能レポート — Ada’s Workstation"},
    };
    const Inspection i = ReportFixtures::english();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const Document doc(pdfBytes(i, language(c.code, c.locale)));
        const auto info = doc.info();
        EXPECT_EQ(info.value("Title"), QString::fromUtf8(c.title));
        EXPECT_EQ(info.value("Creator"), "Quorlent");
        EXPECT_EQ(info.value("Producer"), "Quorlent");  // the file is ours, not a toolkit's
        EXPECT_EQ(info.value("Subject"),
                  QString::fromUtf8("13th Gen Intel(R) Core(TM) i7-1365U · ThinkPad X1 Carbon Gen 11 · Debian GNU/Linux 12 (bookworm)"));
        EXPECT_EQ(info.value("Pages"), "2");
    }
}

TEST(PdfDocument, EmptyInspectionIsOnePageWithFooterAndNoRunningHeader)
{
    const Document doc(pdfBytes(ReportFixtures::empty(), Localization::english()));
    EXPECT_EQ(doc.info().value("Pages"), "1");
    const QString page = doc.text(1);
    EXPECT_TRUE(page.contains("Page 1 of 1"));
    EXPECT_TRUE(page.contains(QString::fromUtf8("Generated by Quorlent · Lumbrel")));
    EXPECT_FALSE(page.contains(QString::fromUtf8("Mac · Device Capabilities Report")));
    EXPECT_TRUE(page.contains("QUORLENT"));
    for (const char* word : {"Supported", "Warnings", "Not supported", "Processor", "Memory", "Storage", "System"})
        EXPECT_TRUE(page.contains(QString::fromUtf8(word))) << word;
    // A badge with nothing to count still shows its 0.
    int zeros = 0;
    for (const PdfTools::Word& w : doc.words())
        if (w.page == 1 && w.text == QLatin1String("0")) ++zeros;
    EXPECT_EQ(zeros, 3);
}

TEST(PdfDocument, DeviceIconFollowsTheBattery)
{
    // Two covers that differ only in the battery flag differ only inside the icon's box.
    QImage pages[2];
    for (bool battery : {false, true}) {
        Inspection i = ReportFixtures::empty();
        i.summary.hasBattery = battery;
        const Document doc(pdfBytes(i, Localization::english()));
        const QString png = QDir(QFileInfo(doc.path()).absolutePath()).filePath(QStringLiteral("page.png"));
        ASSERT_TRUE(doc.renderPage(1, png, 72));
        pages[battery] = QImage(png).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(pages[battery].isNull());
    }
    ASSERT_EQ(pages[0].size(), pages[1].size());
    const QRect icon(612 - 44 - 28 - 70 - 1, 44 + 49 - 1, 72, 72);
    int inside = 0, outside = 0;
    for (int y = 0; y < pages[0].height(); ++y)
        for (int x = 0; x < pages[0].width(); ++x)
            if (pages[0].pixel(x, y) != pages[1].pixel(x, y)) ++(icon.contains(x, y) ? inside : outside);
    EXPECT_GT(inside, 100);
    EXPECT_EQ(outside, 0);
}

TEST(PdfDocument, LongTablesCarryFootersRunningHeadersAndContinuedHeaders)
{
    const Inspection i = longTables(2, 50);
    const Document doc(pdfBytes(i, Localization::english()));
    const int pages = doc.info().value("Pages").toInt();
    ASSERT_GE(pages, 3);
    const QString runningHeader = QString::fromUtf8("Ada’s Workstation · Device Capabilities Report");
    for (int k = 1; k <= pages; ++k) {
        SCOPED_TRACE(k);
        const QString text = doc.text(k);
        EXPECT_TRUE(text.contains(QStringLiteral("Page %1 of %2").arg(k).arg(pages)));
        EXPECT_EQ(text.contains(runningHeader), k >= 2);
    }
    EXPECT_TRUE(doc.text(2).contains("Section 0 (continued)"));
    EXPECT_FALSE(doc.text(1).contains("(continued)"));

    // No row is split: every word of a row is on the page its label is on.
    QMap<QString, int> pageOfRow;
    const QRegularExpression token(QStringLiteral("^(s\\d+r\\d+)[lvw]"));
    for (const PdfTools::Word& w : doc.words()) {
        const auto m = token.match(w.text);
        if (!m.hasMatch()) continue;
        const QString row = m.captured(1);
        if (!pageOfRow.contains(row)) pageOfRow[row] = w.page;
        EXPECT_EQ(pageOfRow[row], w.page) << "row " << row.toStdString() << " split";
    }
    EXPECT_EQ(pageOfRow.size(), 100);
}

TEST(PdfDocument, OverlongOneLineTextsEndInAnEllipsis)
{
    Inspection i = longTables(1, 40);
    i.summary.deviceName = QStringLiteral("Workstation ").repeated(20) + QStringLiteral("END");
    i.summary.memory = QStringLiteral("Memory ").repeated(20) + QStringLiteral("END");
    const Document doc(pdfBytes(i, Localization::english()));
    ASSERT_GE(doc.info().value("Pages").toInt(), 2);
    EXPECT_EQ(doc.info().value("Title"), QString::fromUtf8("Device Capabilities Report — ") + i.summary.deviceName);
    for (int page : {1, 2}) {
        const QString text = doc.text(page);
        EXPECT_FALSE(text.contains("END")) << "page " << page;
        EXPECT_TRUE(text.contains(QString::fromUtf8("…"))) << "page " << page;
    }
    for (const PdfTools::Word& w : doc.words()) {
        EXPECT_GE(w.box.left(), 44 - 0.5) << w.text.toStdString();
        EXPECT_LE(w.box.right(), 612 - 44 + 0.5) << w.text.toStdString();
    }
}

TEST(PdfDocument, LeftToRightAndMirroredRightToLeft)
{
    struct Case {
        const char* code;
        const char* locale;
        bool mirrored;
    };
    const Case cases[] = {{"en", "en_US", false}, {"ar", "ar_EG", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const Inspection i = ReportFixtures::arabic();
        // The layout is what is measured here: the right-to-left case keeps the English
        // table, so the same words are found in both.
        Localization L = language(c.code, c.locale);
        L.table = StringTable::forCode("en");
        const Document doc(pdfBytes(i, L));
        const QList<PdfTools::Word> words = doc.words();
        ASSERT_FALSE(words.isEmpty());
        const double width = 612;
        // Right-to-left runs come out with their brackets split off, so words are found by what they contain.
        auto find = [&](int page, const QString& text) -> std::optional<QRectF> {
            for (const auto& w : wordsOn(words, page))
                if (w.text.contains(text)) return w.box;
            return std::nullopt;
        };
        // Extent of the text on one line of a page, within a horizontal band.
        auto lineExtent = [&](int page, double centreY, double fromX, double toX) {
            QRectF extent;
            for (const auto& w : wordsOn(words, page))
                if (std::abs(w.box.center().y() - centreY) < 3 && w.box.left() >= fromX - 0.5 && w.box.right() <= toX + 0.5)
                    extent = extent.isNull() ? w.box : extent.united(w.box);
            return extent;
        };
        const double contentWidth = width - 88;
        // Footer: the credit takes the leading 70 % and the page text the trailing 30 %.
        const auto credit = find(1, "Generated");
        ASSERT_TRUE(credit);
        const double footerY = credit->center().y();
        const QRectF pageText = c.mirrored ? lineExtent(1, footerY, 44, 44 + contentWidth * 0.3)
                                           : lineExtent(1, footerY, 44 + contentWidth * 0.7, width - 44);
        const QRectF creditText = c.mirrored ? lineExtent(1, footerY, 44 + contentWidth * 0.3, width - 44)
                                             : lineExtent(1, footerY, 44, 44 + contentWidth * 0.7);
        if (c.mirrored) {
            EXPECT_NEAR(pageText.left(), 44, 1.5);
            EXPECT_NEAR(creditText.right(), width - 44, 1.5);
        } else {
            EXPECT_NEAR(pageText.right(), width - 44, 1.5);
            EXPECT_NEAR(creditText.left(), 44, 1.5);
        }
        // The Processor card is the first of its row: at the right when mirrored.
        const auto processor = find(1, "Processor");
        ASSERT_TRUE(processor);
        EXPECT_NEAR(c.mirrored ? processor->right() : processor->left(), c.mirrored ? width - 44 - 38 : 44 + 38, 1.5);
        // A count chip keeps its mark before its number in reading order: right of it when mirrored.
        const auto mark = find(1, QString::fromUtf8("✓"));
        ASSERT_TRUE(mark);
        std::optional<QRectF> number;
        for (const auto& w : wordsOn(words, 1))
            if (w.text == (c.mirrored ? QString::fromUtf8("١٥") : QStringLiteral("15")) && std::abs(w.box.center().y() - mark->center().y()) < 3)
                number = w.box;
        ASSERT_TRUE(number);
        EXPECT_EQ(mark->left() > number->right(), c.mirrored);
        // The continued title of the long section on page 2 starts 75 points in from the leading edge.
        const auto continued = find(2, "continued");
        ASSERT_TRUE(continued);
        const double titleArea = contentWidth * 0.6;
        const QRectF title = c.mirrored ? lineExtent(2, continued->center().y(), width - 75 - titleArea, width)
                                        : lineExtent(2, continued->center().y(), 0, 75 + titleArea);
        EXPECT_NEAR(c.mirrored ? title.right() : title.left(), c.mirrored ? width - 75 : 75, 1.5);
        // The running header is aligned to the leading margin.
        const auto header = find(2, "Report");
        ASSERT_TRUE(header);
        const QRectF line = lineExtent(2, header->center().y(), 0, width);
        EXPECT_NEAR(c.mirrored ? line.right() : line.left(), c.mirrored ? width - 44 : 44, 1.5);
    }
}

TEST(PdfDocument, ScriptsRenderWithRealFonts)
{
    struct Case {
        const char* code;
        const char* locale;
        QString deviceName;
        const char* font;
    };
    const Case cases[] = {
        {"ja", "ja_JP", QString::fromUtf8("エイダのワークステーション"), "NotoSansCJKjp"},
        {"ar", "ar_EG", QString::fromUtf8("محطة عمل أدا"), "NotoSansArabic"},
        {"hi", "hi_IN", QString::fromUtf8("अदा का वर्कस्टेशन"), "NotoSansDevanagari"},
        {"en", "en_US", QString::fromUtf8("Ada"), "Lato-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Inspection i = ReportFixtures::english();
        i.summary.deviceName = c.deviceName;
        const Document doc(pdfBytes(i, language(c.code, c.locale)));
        const QString fonts = doc.fonts();
        EXPECT_TRUE(fonts.contains(QString::fromLatin1(c.font))) << fonts.toStdString();
        EXPECT_FALSE(fonts.contains("Type 3")) << "glyphs drawn as bitmaps or outlines instead of text";
    }
}

// --- Text as a label sets it ------------------------------------------------------------

// Six rows whose values are Latin tokens, so both languages' rows can be found by them.
Inspection rowsWithLabels(const QStringList& labels)
{
    Inspection i = ReportFixtures::english();
    QList<CapabilityItem> items;
    for (int n = 0; n < labels.size(); ++n)
        items << item(labels[n], QStringLiteral("V%1x").arg(n + 1), CapabilityStatus::supported);
    i.sections = {section(labels.first(), "cpu", std::nullopt, items)};
    return i;
}

std::optional<QRectF> wordBox(const QList<PdfTools::Word>& words, const QString& text)
{
    for (const PdfTools::Word& w : words)
        if (w.text == text) return w.box;
    return std::nullopt;
}

TEST(PdfText, ArabicRowsKeepTheirBracketsAndTheEnglishRowHeight)
{
    const QStringList arabic = {QString::fromUtf8("الذاكرة (RAM)"), QString::fromUtf8("المعالج"), QString::fromUtf8("التخزين"),
                                QString::fromUtf8("النظام"), QString::fromUtf8("الشبكة"), QString::fromUtf8("الطاقة")};
    const QStringList english = {"Memory (RAM)", "Processor", "Storage", "System", "Network", "Power"};
    const Document ar(pdfBytes(rowsWithLabels(arabic), language("ar", "ar_EG")));
    const Document en(pdfBytes(rowsWithLabels(english), Localization::english()));
    const QList<PdfTools::Word> arWords = wordsOn(ar.words(), 1);
    const QList<PdfTools::Word> enWords = wordsOn(en.words(), 1);

    // The brackets face the way a label draws them: "(RAM)" read left to right, standing
    // left of (after, in reading order) the Arabic word it explains.
    const auto arFirst = wordBox(arWords, QStringLiteral("V1x"));
    ASSERT_TRUE(arFirst);
    QList<PdfTools::Word> rowWords;
    for (const PdfTools::Word& w : arWords)
        if (std::abs(w.box.center().y() - arFirst->center().y()) < 6 && w.box.left() > arFirst->right()) rowWords << w;
    const auto ram = wordBox(rowWords, QStringLiteral("(RAM)"));
    ASSERT_TRUE(ram) << "no \"(RAM)\" in the first Arabic row";
    for (const PdfTools::Word& w : rowWords) {
        EXPECT_FALSE(w.text.contains(QStringLiteral(")RAM")) || w.text.contains(QStringLiteral("RAM("))) << w.text.toStdString();
        if (w.text != QLatin1String("(RAM)")) {
            EXPECT_GT(w.box.left(), ram->right() - 0.5) << w.text.toStdString();
        }
    }
    EXPECT_GT(rowWords.size(), 1) << "the Arabic word of the label";

    // Row by row, the Arabic table advances exactly as the English one: a fallback face's
    // taller line does not set the row height.
    for (int n = 2; n <= 6; ++n) {
        SCOPED_TRACE(n);
        const auto arRow = wordBox(arWords, QStringLiteral("V%1x").arg(n));
        const auto enFirst = wordBox(enWords, QStringLiteral("V1x"));
        const auto enRow = wordBox(enWords, QStringLiteral("V%1x").arg(n));
        ASSERT_TRUE(arRow && enFirst && enRow);
        EXPECT_NEAR(arRow->top() - arFirst->top(), enRow->top() - enFirst->top(), 0.25);
        EXPECT_NEAR(enRow->top() - enFirst->top(), (n - 1) * (12 + 2 * PdfReportRenderer::rowPadding), 0.25);
    }
}

TEST(PdfText, DirectionControlsInMachineTextsTurnNoneOfOurWords)
{
    // A right-to-left override in a device name, a model name, a version and a section title
    // stays inside that datum: the sentences around them read as written.
    Inspection i = longTables(1, 60);
    i.summary.deviceName = QString::fromUtf8("Ada\u202E Lab");
    i.summary.modelIdentifier = QString::fromUtf8("X1\u202E Gen 11");
    i.summary.osVersion = QString::fromUtf8("Debian 12\u202E bookworm");
    i.sections[0].title = QString::fromUtf8("Disks\u202E two");
    const Document doc(pdfBytes(i, Localization::english()));
    ASSERT_GE(doc.info().value("Pages").toInt(), 2);

    // The cover's facts line: chip, model, version in their order, the separators between.
    // (Each datum's own reversed tail is its business: "X1" then "11 neG".)
    const QString cover = doc.text(1);
    const auto lineWith = [](const QString& page, const QString& text) {
        for (const QString& line : page.split('\n'))
            if (line.contains(text)) return line.simplified();
        return QString();
    };
    const QString facts = lineWith(cover, QStringLiteral("i7-1365U ·"));
    EXPECT_TRUE(facts.startsWith(QStringLiteral("13th Gen Intel(R) Core(TM) i7-1365U · X1"))) << cover.toStdString();
    EXPECT_GT(facts.indexOf(QStringLiteral(" · Debian 12")), facts.indexOf(QStringLiteral("· X1"))) << facts.toStdString();

    // The running header and the continued title keep our words in their order.
    const QString second = doc.text(2);
    const QString header = lineWith(second, QStringLiteral("Ada"));
    EXPECT_TRUE(header.startsWith(QStringLiteral("Ada"))) << second.toStdString();
    EXPECT_TRUE(header.endsWith(QStringLiteral(" · Device Capabilities Report"))) << second.toStdString();
    const QString title = lineWith(second, QStringLiteral("Disks"));
    EXPECT_TRUE(title.startsWith(QStringLiteral("Disks"))) << second.toStdString();
    EXPECT_TRUE(title.endsWith(QStringLiteral(" (continued)"))) << second.toStdString();
}

TEST(PdfText, DirectionControlsThatTurnNothingMoveNoWord)
{
    // Controls around or inside left-to-right data in an English document change no order:
    // every word stands where the same data without them puts it, on every page.
    const Inspection plain = longTables(1, 60);
    struct Case {
        const char* name;
        QString (*wrap)(const QString&);
    };
    const Case cases[] = {
        {"first-strong isolate", [](const QString& t) { return QStringLiteral("\u2068") + t + QStringLiteral("\u2069"); }},
        {"left-to-right isolate", [](const QString& t) { return QStringLiteral("\u2066") + t + QStringLiteral("\u2069"); }},
        {"left-to-right embedding", [](const QString& t) { return QStringLiteral("\u202A") + t + QStringLiteral("\u202C"); }},
        {"left-to-right mark", [](const QString& t) { return t + QStringLiteral("\u200E"); }},
    };
    const QList<PdfTools::Word> expected = Document(pdfBytes(plain, Localization::english())).words();
    ASSERT_FALSE(expected.isEmpty());
    for (const Case& c : cases) {
        Inspection marked = plain;
        marked.summary.deviceName = c.wrap(plain.summary.deviceName);
        marked.summary.osVersion = c.wrap(plain.summary.osVersion);
        marked.sections[0].title = c.wrap(plain.sections[0].title);
        for (CapabilityItem& item : marked.sections[0].items) item.value = c.wrap(item.value);
        const QList<PdfTools::Word> words = Document(pdfBytes(marked, Localization::english())).words();
        ASSERT_EQ(words.size(), expected.size()) << c.name;
        for (qsizetype w = 0; w < words.size(); ++w) {
            EXPECT_EQ(words[w].page, expected[w].page) << c.name;
            EXPECT_EQ(words[w].text, expected[w].text) << c.name;
            EXPECT_NEAR(words[w].box.left(), expected[w].box.left(), 0.01) << c.name << ' ' << words[w].text.toStdString();
            EXPECT_NEAR(words[w].box.top(), expected[w].box.top(), 0.01) << c.name << ' ' << words[w].text.toStdString();
            EXPECT_NEAR(words[w].box.width(), expected[w].box.width(), 0.01) << c.name << ' ' << words[w].text.toStdString();
        }
    }
}

TEST(PdfText, AFirstStrongIsolateAroundRightToLeftLettersBeyondTheFirstPlaneStillIsolates)
{
    // Adlam is written right to left and comes as surrogate pairs. Around "𞤀𞤁𞤂!" a
    // first-strong isolate turns right to left, as an explicit right-to-left one does, so the
    // mark stands where that one puts it (before the letters), not after them.
    const QString adlam = QString::fromUtf8("\U0001E900\U0001E901\U0001E902!");
    const auto wordsWith = [&](const QString& isolate) {
        Inspection i = longTables(1, 4);
        i.sections[0].items[0].value = QStringLiteral("Left ") + isolate + adlam + QStringLiteral("\u2069 right");
        return Document(pdfBytes(i, Localization::english())).words();
    };
    const QList<PdfTools::Word> rightToLeft = wordsWith(QStringLiteral("\u2067"));
    const QList<PdfTools::Word> firstStrong = wordsWith(QStringLiteral("\u2068"));
    ASSERT_EQ(firstStrong.size(), rightToLeft.size());
    for (qsizetype w = 0; w < firstStrong.size(); ++w) {
        EXPECT_EQ(firstStrong[w].text, rightToLeft[w].text);
        EXPECT_NEAR(firstStrong[w].box.left(), rightToLeft[w].box.left(), 0.01) << firstStrong[w].text.toStdString();
        EXPECT_NEAR(firstStrong[w].box.width(), rightToLeft[w].box.width(), 0.01) << firstStrong[w].text.toStdString();
    }
}

TEST(PdfDocument, PreparingOnTheThreadChangesNothingInTheDocument)
{
    // preparePdf loads fonts ahead on the thread that will write the PDF; the document written
    // after it is the one written without it (apart from the moment it was made).
    const auto madeOnAThread = [](const Inspection& i, const Localization& L, bool prepared) {
        QByteArray bytes;
        std::thread thread([&] {
            if (prepared) ReportExporter::preparePdf(L);
            bytes = pdfBytes(i, L);
        });
        thread.join();
        static const QRegularExpression moment(QStringLiteral("/(CreationDate|ModDate) \\(D:[^)]*\\)"));
        return QString::fromLatin1(bytes).replace(moment, QString());
    };
    for (const auto& [i, L] : {std::pair{longTables(3, 30), Localization::english()},
                               std::pair{ReportFixtures::arabic(), language("ar", "ar_EG")},
                               std::pair{ReportFixtures::japanese(), language("ja", "ja_JP")}}) {
        const QString alone = madeOnAThread(i, L, false);
        ASSERT_FALSE(alone.isEmpty());
        EXPECT_EQ(madeOnAThread(i, L, true), alone) << L.code.toStdString();
    }
}

TEST(PdfDocument, JapaneseFixedWordsAreLookedUp)
{
    const Document doc(pdfBytes(ReportFixtures::japanese(), language("ja", "ja_JP")));
    const QString page = doc.text(1);
    EXPECT_TRUE(page.contains(QString::fromUtf8("1 / 1 ページ")));
    EXPECT_TRUE(page.contains(QString::fromUtf8("プロセッサ")));
    EXPECT_FALSE(page.contains("Page 1 of 1"));
}

TEST(PdfDocument, ThisMachinesInspectionRendersSoundly)
{
    const Localization L = Localization::english();
    const ProbeContext ctx{Platform::host(), L};
    Inspection i;
    i.summary = DeviceProbe::summary(ctx);
    i.sections = DeviceProbe::sections(ctx, std::nullopt);
    PdfReportRenderer renderer(i.summary, i.sections, reportDate(), L, "US");
    const auto result = renderer.render();
    ASSERT_TRUE(std::holds_alternative<QByteArray>(result));
    expectSoundLayout(renderer, i);
    const Document doc(pdfBytes(i, L));
    EXPECT_EQ(doc.info().value("Pages").toInt(), renderer.totalPages());
    const QString last = doc.text(renderer.totalPages());
    EXPECT_TRUE(last.contains(QStringLiteral("Page %1 of %1").arg(renderer.totalPages())));
}

// --- Document information update --------------------------------------------------------

QByteArray plainPdf()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("T (1)"));
        QPainter p(&writer);
        p.drawRect(10, 10, 50, 50);
    }
    return buffer.data();
}

TEST(PdfDocumentInfo, AppendsAnUpdateAndLeavesTheOriginalBytesAlone)
{
    const QByteArray original = plainPdf();
    const auto updated = PdfDocumentInfo::appendInfo(
        original, {QString::fromUtf8("Tïtle (x) \\ ) ("), "Quorlent", QString::fromUtf8("Chip · Model · 日本"), "Qt", reportDate()});
    ASSERT_TRUE(updated.has_value());
    EXPECT_TRUE(updated->startsWith(original));
    EXPECT_TRUE(updated->endsWith("%%EOF\n"));
    const Document doc(*updated);
    const auto info = doc.info();
    EXPECT_EQ(info.value("Title"), QString::fromUtf8("Tïtle (x) \\ ) ("));
    EXPECT_EQ(info.value("Subject"), QString::fromUtf8("Chip · Model · 日本"));
    EXPECT_EQ(info.value("Creator"), "Quorlent");
    EXPECT_EQ(info.value("Pages"), "1");
    EXPECT_FALSE(info.contains("Syntax Error"));
}

TEST(PdfDocumentInfo, CarriesTheDocumentIdentifierOver)
{
    QByteArray pdf = plainPdf();
    const qsizetype at = pdf.lastIndexOf("/Root");
    pdf.insert(at, "/ID [<0123ABCD><0123ABCD>]\n");
    const auto updated = PdfDocumentInfo::appendInfo(pdf, {"T", "C", "S", {}, {}});
    ASSERT_TRUE(updated.has_value());
    const QByteArray tail = updated->mid(pdf.size());
    EXPECT_TRUE(tail.contains("/ID [<0123ABCD><0123ABCD>]"));
}

TEST(PdfDocumentInfo, UnreadableTrailersGiveNothing)
{
    const QByteArray good = plainPdf();
    QByteArray noRoot = good;
    noRoot.replace("/Root", "/Rooz");
    QByteArray badOffset = good;
    badOffset.replace(badOffset.lastIndexOf("startxref"), 9, "startxref\n99999999");
    const QByteArray cases[] = {QByteArray(), "garbage", "startxref\n12\n%%EOF", good.left(good.size() / 2), noRoot, badOffset};
    for (const QByteArray& c : cases) EXPECT_FALSE(PdfDocumentInfo::appendInfo(c, {"T", "C", "S", {}, {}}).has_value());
}

TEST(PdfDocumentInfo, TextStringsAreUtf16BigEndianInHex)
{
    EXPECT_EQ(PdfDocumentInfo::textString("A"), "<FEFF0041>");
    EXPECT_EQ(PdfDocumentInfo::textString(QString::fromUtf8("·\U0001F4E6")), "<FEFF00B7D83DDCE6>");
    EXPECT_EQ(PdfDocumentInfo::textString(""), "<FEFF>");
}

// --- Region of the user's locale --------------------------------------------------------

TEST(PdfDocument, RegionComesFromThePaperLocaleSettings)
{
    struct Case {
        const char* all;
        const char* paper;
        const char* lang;
        const char* region;
    };
    const Case cases[] = {
        {"", "", "en_US.UTF-8", "US"},
        {"", "de_DE.UTF-8", "en_US.UTF-8", "DE"},
        {"fr_CA.UTF-8", "de_DE.UTF-8", "en_US.UTF-8", "CA"},
        {"C.UTF-8", "", "", ""},
        {"", "", "", ""},
        {"", "", "sr_RS@latin", "RS"},
        {"", "", "es_419.UTF-8", "419"},
    };
    const QByteArray saved[] = {qgetenv("LC_ALL"), qgetenv("LC_PAPER"), qgetenv("LANG")};
    for (const Case& c : cases) {
        qputenv("LC_ALL", c.all);
        qputenv("LC_PAPER", c.paper);
        qputenv("LANG", c.lang);
        EXPECT_EQ(ReportExporter::systemRegion(), QString::fromLatin1(c.region)) << c.all << '|' << c.paper << '|' << c.lang;
    }
    qputenv("LC_ALL", saved[0]);
    qputenv("LC_PAPER", saved[1]);
    qputenv("LANG", saved[2]);
}

}  // namespace
