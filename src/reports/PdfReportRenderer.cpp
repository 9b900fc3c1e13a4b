#include "reports/PdfReportRenderer.h"

#include "platform/AssetCatalog.h"
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "reports/PdfCanvas.h"
#include "reports/PdfDocumentInfo.h"
#include "reports/PdfPagination.h"
#include "ui/SmoothCorners.h"
#include "ui/Symbols.h"
#include "ui/TextFamily.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QtDebug>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>

namespace {

// Text is measured against a 72 dpi device, the PDF's own resolution, so both passes and
// the final drawing agree on every glyph position.
const QPaintDevice* measureDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        image.setDotsPerMeterX(2835);  // 72 dpi
        image.setDotsPerMeterY(2835);
        return image;
    }();
    return &device;
}

QColor srgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(float(c.alphaF() * alpha));
    return c;
}

QColor named(const char* first, const char* second, QColor fallback)
{
    for (const char* name : {first, second}) {
        if (!name) continue;
        if (std::optional<QColor> c = AssetCatalog::color(QString::fromLatin1(name), AssetCatalog::Appearance::Light))
            return c->toRgb();
    }
    return fallback;
}

// Whether the text names its own direction: a strong letter outside any isolated datum.
bool hasStrongDirection(const QString& text)
{
    int isolates = 0;
    for (QChar c : text) {
        switch (c.direction()) {
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI: ++isolates; break;
        case QChar::DirPDI:
            if (isolates > 0) --isolates;
            break;
        case QChar::DirL:
        case QChar::DirR:
        case QChar::DirAL:
            if (isolates == 0) return true;
            break;
        default: break;
        }
    }
    return false;
}

// Whether any part of the text may run right to left: a right-to-left letter, or a control
// that can turn a run around (from machine data, say).
bool mayRunRightToLeft(const QString& text)
{
    for (QChar c : text) {
        switch (c.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
        case QChar::DirFSI: return true;
        default: break;
        }
    }
    return false;
}

bool isBidiControl(QChar c)
{
    switch (c.direction()) {
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirPDF:
    case QChar::DirLRI:
    case QChar::DirRLI:
    case QChar::DirFSI:
    case QChar::DirPDI: return true;
    default: return c.unicode() == 0x200E || c.unicode() == 0x200F || c.unicode() == 0x061C;
    }
}

// Whether every character of the text stays in reading order whatever its direction controls
// say: nothing in it runs right to left or can make a run do so, and no letter is shaped into
// glyphs that no character names (which the PDF then gives their text as a whole).
bool ordersLeftToRight(const QString& text)
{
    // Whole code points: a right-to-left script beyond the first plane (Adlam, say) comes as a
    // surrogate pair, whose halves say nothing of its direction.
    bool controls = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI: return false;
        default: break;
        }
        if (QChar::script(c) == QChar::Script_Devanagari) return false;
        controls = controls || (c <= 0xFFFF && isBidiControl(QChar(char16_t(c))));
    }
    return controls;
}

// The text face as a layout in `font` loads it: QRawFont::fromFont would load it a second time,
// apart from the fallback faces, with a font match of its own.
QRawFont loadedTextFace(const QFont& font)
{
    QTextLayout probe(QStringLiteral("0"), font, measureDevice());
    probe.beginLayout();
    probe.createLine();
    probe.endLayout();
    const QList<QGlyphRun> runs = probe.glyphRuns();
    return runs.isEmpty() ? QRawFont() : runs.first().rawFont();
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace('\n', ' ');
    text.replace('\r', ' ');
    return text;
}

}  // namespace

PdfReportRenderer::PdfReportRenderer(const DeviceSummary& summary, const QList<CapabilitySection>& sections,
                                     const QDateTime& date, const Localization& L, const QString& region)
    : summary_(summary),
      sections_(sections),
      date_(date),
      L_(L),
      rtl_(L.isRightToLeft()),
      pageSize_(pageSizeForRegion(region)),
      ink_(srgb(0.11, 0.11, 0.13)),
      secondaryInk_(srgb(0.38, 0.39, 0.43)),
      tertiaryInk_(srgb(0.56, 0.57, 0.61)),
      hairline_(srgb(0.88, 0.89, 0.91)),
      zebra_(srgb(0.965, 0.969, 0.976)),
      card_(srgb(0.955, 0.96, 0.97)),
      accent_(named("BrandPrimary", "AccentColor", srgb(0.27, 0.29, 0.85))),
      heroStart_(named("BrandPrimary", nullptr, srgb(0.25, 0.22, 0.80))),
      heroEnd_(named("BrandSecondary", nullptr, srgb(0.10, 0.50, 0.95))),
      supported_(named("StatusSupported", nullptr, srgb(0.16, 0.66, 0.33))),
      warning_(named("StatusWarning", nullptr, srgb(0.93, 0.55, 0.05))),
      unsupported_(named("StatusUnsupported", nullptr, srgb(0.86, 0.21, 0.20)))
{
}

PdfReportRenderer::~PdfReportRenderer() = default;

QSizeF PdfReportRenderer::pageSizeForRegion(const QString& region)
{
    static const QStringList letter = {"US", "CA", "MX", "PH", "CL", "CO", "VE", "PR", "GT", "CR", "SV", "PA", "DO"};
    if (letter.contains(region)) return {612, 792};
    return {595.28, 841.89};
}

ReportExporter::PdfResult PdfReportRenderer::render()
{
    // Counting pass: measures and breaks pages only.
    drawing_ = false;
    canvas_ = nullptr;
    painter_ = nullptr;
    runPass();
    totalPages_ = pageNumber_;

    const QString title = L_.tr("Device Capabilities Report") + QStringLiteral(" \u2014 ") + summary_.deviceName;
    const QString creator = QStringLiteral("Quorlent");
    const QString subject = summary_.chip + QStringLiteral(" \u00B7 ") + summary_.modelIdentifier + QStringLiteral(" \u00B7 ")
                            + summary_.osVersion;
    // Our own writer makes the file, so the producer is the application too.
    const PdfDocumentInfo::Info info{title, creator, subject, creator, QDateTime::currentDateTimeUtc()};
    PdfCanvas canvas(pageSize_);
    if (!drawInto(canvas)) return ReportExporter::ExportError::pdfContext;
    const QByteArray written = canvas.finish(info);
    if (written.isEmpty()) return ReportExporter::ExportError::pdfContext;
    return written;
}

void PdfReportRenderer::prepare()
{
    // The counting pass lays out every kind of text, which loads each face; the
    // drawing would only write pages that are thrown away. Of the drawing, what outlasts the
    // document is each symbol's outline (kept per thread) and the symbols' face.
    drawing_ = false;
    canvas_ = nullptr;
    painter_ = nullptr;
    runPass();
    totalPages_ = pageNumber_;
    PdfCanvas canvas(pageSize_);
    QPainter painter;
    if (!painter.begin(&canvas)) return;
    static const char* const symbols[] = {"laptopcomputer", "desktopcomputer", "checkmark.circle.fill", "exclamationmark.triangle.fill",
                                          "xmark.circle.fill", "cpu", "memorychip", "internaldrive", "apple.logo"};
    for (const char* name : symbols) Symbols::draw(painter, QString::fromLatin1(name), QRectF(0, 0, 12, 12), Qt::black);
    painter.end();
}

bool PdfReportRenderer::drawInto(PdfCanvas& canvas)
{
    QPainter painter;
    if (!painter.begin(&canvas)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    canvas_ = &canvas;
    painter_ = &painter;
    drawing_ = true;
    placements_.clear();
    runPass();
    painter.end();
    canvas_ = nullptr;
    painter_ = nullptr;
    return true;
}

void PdfReportRenderer::runPass()
{
    pageNumber_ = 0;
    y_ = 0;
    beginPage();
    drawCover();
    for (int i = 0; i < sections_.size(); ++i) drawSection(i);
}

// --- Page frame -------------------------------------------------------------------------

void PdfReportRenderer::beginPage()
{
    if (pageNumber_ >= 1 && canvas_) canvas_->newPage();
    ++pageNumber_;
    y_ = margin;
    if (drawing_) placements_.append({Placement::Page, pageNumber_, -1, -1, 0, pageSize_.height()});
    if (canvas_) {
        if (pageNumber_ >= 2) drawRunningHeader();
        drawFooter();
    } else if (pageNumber_ >= 2) {
        y_ = margin + runningHeaderHeight;
    }
}

void PdfReportRenderer::drawRunningHeader()
{
    const double width = contentWidth();
    const QString text = isolated(summary_.deviceName) + QStringLiteral(" \u00B7 ") + L_.tr("Device Capabilities Report");
    textBox(text, {8, QFont::Medium, false, tertiaryInk_, leading()}, margin, y_, width);
    fillRoundedRect(QRectF(margin, y_ + 16, width, 0.5), 0, hairline_);
    y_ += runningHeaderHeight;
}

void PdfReportRenderer::drawFooter()
{
    const double width = contentWidth();
    const double top = pageSize_.height() - margin - 10;
    fillRoundedRect(QRectF(margin, top - 8, width, 0.5), 0, hairline_);
    const QString page = formatString(L_.tr("Page %lld of %lld"), {LocaleFormat::count(pageNumber_, L_), LocaleFormat::count(totalPages_, L_)});
    textBox(page, {8, QFont::Medium, true, tertiaryInk_, trailing()}, margin + width * 0.7, top, width * 0.3);
    textBox(L_.tr("Generated by Quorlent · Lumbrel"), {8, QFont::Normal, false, tertiaryInk_, leading()}, margin, top,
            width * 0.7);
}

// --- Cover ------------------------------------------------------------------------------

void PdfReportRenderer::drawCover()
{
    const double T = y_;
    const double w = contentWidth();
    const QRectF band(margin, T, w, 168);
    if (drawing_) placements_.append({Placement::Cover, pageNumber_, -1, -1, T, 382});

    if (canvas_) {
        canvas_->save();
        const QPainterPath clip = SmoothCorners::path(band, 18);
        canvas_->clip(clip);
        canvas_->fillPathWithGradient(clip, rtl_ ? band.topRight() : band.topLeft(), rtl_ ? band.bottomLeft() : band.bottomRight(),
                                      heroStart_, heroEnd_);
        const double circleX = rtl_ ? band.left() - 40 : band.right() - 180;
        QPainterPath circle;
        circle.addEllipse(QRectF(circleX, T - 70, 220, 220));
        canvas_->fillPath(circle, withAlpha(Qt::white, 0.08));
        canvas_->restore();
    }

    drawSymbol(summary_.hasBattery ? QStringLiteral("laptopcomputer") : QStringLiteral("desktopcomputer"), 54,
               QRectF(margin + w - 28 - 70, T + 49, 70, 70), withAlpha(Qt::white, 0.92));

    const double x = 70;
    const double tw = w - 138;
    const QColor white = Qt::white;
    QString eyebrow = L_.tr("Quorlent");
    double kern = 0;
    if (!rtl_) {
        eyebrow = L_.qlocale().toUpper(eyebrow);
        kern = 1.4;
    }
    double top = T + 24;
    top += textBox(eyebrow, {8.5, QFont::Bold, false, withAlpha(white, 0.78), leading(), false, kern}, x, top, tw) + 6;
    top += textBox(L_.tr("Device Capabilities Report"), {22, QFont::Bold, false, white, leading(), true}, x, top, tw) + 8;
    top += textBox(summary_.deviceName, {14, QFont::DemiBold, false, withAlpha(white, 0.95), leading()}, x, top, tw) + 3;
    // Machine texts may carry their own direction controls: each is isolated, so none can
    // turn the separators or its neighbours around.
    const QString facts = isolated(summary_.chip) + QStringLiteral(" \u00B7 ") + isolated(summary_.modelIdentifier)
                          + QStringLiteral(" \u00B7 ") + isolated(summary_.osVersion);
    top += textBox(facts, {9.5, QFont::Normal, false, withAlpha(white, 0.82), leading(), true}, x, top, tw) + 3;
    textBox(ReportExporter::formattedDate(date_, L_), {9, QFont::Medium, false, withAlpha(white, 0.7), leading()}, x, top, tw);

    y_ = T + 186;
    drawSummaryBadges();
    drawFactCards();
    y_ += 10;
}

void PdfReportRenderer::drawSummaryBadges()
{
    const ReportExporter::Counts counts(sections_);
    struct Badge {
        CapabilityStatus status;
        const char* symbol;
        qint64 count;
    };
    const Badge badges[] = {
        {CapabilityStatus::supported, "checkmark.circle.fill", counts.supported},
        {CapabilityStatus::warning, "exclamationmark.triangle.fill", counts.warning},
        {CapabilityStatus::unsupported, "xmark.circle.fill", counts.unsupported},
    };
    const double w = contentWidth();
    const double bw = (w - 20) / 3;
    for (int i = 0; i < 3; ++i) {
        const Badge& b = badges[i];
        const QColor c = statusColor(b.status);
        const double x = margin + i * (bw + 10);
        const double top = y_;
        if (canvas_) {
            const QRectF rect(mirrorX(x, bw), top, bw, 62);
            canvas_->fillPath(SmoothCorners::path(rect, 12), withAlpha(c, 0.1));
            canvas_->strokePath(SmoothCorners::path(rect.adjusted(0.375, 0.375, -0.375, -0.375), 12), withAlpha(c, 0.25), 0.75);
        }
        drawSymbol(QString::fromLatin1(b.symbol), 15, QRectF(x + bw - 14 - 20, top + 12, 20, 20), c);
        textBox(integer(b.count), {22, QFont::Bold, true, c, leading()}, x + 14, top + 9, bw - 52);
        textBox(ReportExporter::statusTitle(b.status, L_), {9.5, QFont::Medium, false, secondaryInk_, leading()}, x + 14,
                top + 39, bw - 28);
    }
    y_ += 74;
}

void PdfReportRenderer::drawFactCards()
{
    struct Fact {
        const char* symbol;
        QString label;
        QString value;
    };
    const Fact facts[] = {
        {"cpu", L_.tr("Processor"), summary_.chip},
        {"memorychip", L_.tr("Memory"), summary_.memory},
        {"internaldrive", L_.tr("Storage"), summary_.storage},
        {"apple.logo", L_.tr("System"), summary_.osVersion},
    };
    const double w = contentWidth();
    const double cw = (w - 10) * 0.5;
    for (int i = 0; i < 4; ++i) {
        const double x = margin + (i % 2) * (cw + 10);
        const double top = y_ + (i / 2) * 54;
        fillRoundedRect(QRectF(x, top, cw, 44), 10, card_);
        drawSymbol(QString::fromLatin1(facts[i].symbol), 13, QRectF(x + 10, top + 12, 20, 20), accent_);
        textBox(facts[i].label, {8, QFont::DemiBold, false, tertiaryInk_, leading()}, x + 38, top + 8, cw - 48);
        textBox(facts[i].value, {10.5, QFont::Medium, false, ink_, leading()}, x + 38, top + 21, cw - 48);
    }
    y_ += 112;
}

// --- Section tables ---------------------------------------------------------------------

void PdfReportRenderer::drawSection(int index)
{
    const CapabilitySection& section = sections_[index];
    QList<Row> rows;
    QList<double> heights;
    rows.reserve(section.items.size());
    heights.reserve(section.items.size());
    for (const CapabilityItem& item : section.items) {
        rows.append(measureRow(item));
        heights.append(rows.last().height);
    }
    const PdfPagination::Geometry geometry{bottomLimit(), margin + runningHeaderHeight, sectionHeaderHeight, 18};
    const PdfPagination::Plan plan = PdfPagination::planSection(y_, heights, geometry);
    for (const PdfPagination::Step& step : plan.steps) {
        switch (step.kind) {
        case PdfPagination::Step::NewPage: beginPage(); break;
        case PdfPagination::Step::Header: drawSectionHeader(index, false); break;
        case PdfPagination::Step::ContinuedHeader: drawSectionHeader(index, true); break;
        case PdfPagination::Step::Row:
            if (drawing_) placements_.append({Placement::Row, pageNumber_, index, step.row, y_, rows[step.row].height});
            drawRow(rows[step.row], step.row % 2 == 1);
            break;
        }
    }
    y_ += 18;
}

PdfReportRenderer::Row PdfReportRenderer::measureRow(const CapabilityItem& item) const
{
    const double tableWidth = contentWidth() - statusColumn;
    Row row;
    row.label = layoutText(item.label, {9.5, QFont::Normal, false, secondaryInk_, leading(), true}, tableWidth * 0.42 - 8);
    row.value = layoutText(item.value, {9.5, QFont::Medium, false, ink_, leading(), true}, tableWidth * 0.58 - 12);
    row.status = item.status;
    row.height = std::max({row.label.height, row.value.height, 12.0}) + 2 * rowPadding;
    return row;
}

void PdfReportRenderer::drawSectionHeader(int index, bool continued)
{
    const CapabilitySection& section = sections_[index];
    const double w = contentWidth();
    if (drawing_)
        placements_.append({continued ? Placement::ContinuedHeader : Placement::Header, pageNumber_, index, -1, y_,
                            sectionHeaderHeight});
    const QRectF tile(margin, y_ + 2, 22, 22);
    fillRoundedRect(tile, 6, withAlpha(accent_, 0.12));
    drawSymbol(section.symbol, 11, tile, accent_);

    const QString title = continued ? formatString(L_.tr("%@ (continued)"), {isolated(section.title)}) : section.title;
    textBox(title, {13, QFont::DemiBold, false, ink_, leading()}, margin + 31, y_ + 4.5, w * 0.6);

    if (!continued) {
        const ReportExporter::Counts counts(section.items);
        QString line;
        QList<QTextLayout::FormatRange> formats;
        const auto chip = [&](qint64 count, const char* mark, CapabilityStatus status) {
            if (count == 0) return;
            if (!line.isEmpty()) line += QStringLiteral("   ");
            QTextLayout::FormatRange range;
            range.start = int(line.size());
            line += QString::fromUtf8(mark) + ' ' + integer(count);
            range.length = int(line.size()) - range.start;
            range.format.setForeground(statusColor(status));
            formats.append(range);
        };
        chip(counts.supported, "\u2713", CapabilityStatus::supported);
        chip(counts.warning, "!", CapabilityStatus::warning);
        chip(counts.unsupported, "\u2717", CapabilityStatus::unsupported);
        if (!line.isEmpty()) {
            const TextBlock block = layoutText(line, {9, QFont::DemiBold, true, ink_, trailing()}, w * 0.4, formats);
            drawText(block, margin + w * 0.6, y_ + 8, w * 0.4);
        }
    }
    fillRoundedRect(QRectF(margin, y_ + 30, w, 0.75), 0, hairline_);
    y_ += sectionHeaderHeight;
}

void PdfReportRenderer::drawRow(const Row& row, bool striped)
{
    const double w = contentWidth();
    const double tableWidth = w - statusColumn;
    const double labelWidth = tableWidth * 0.42 - 8;
    const double valueWidth = tableWidth * 0.58 - 12;
    if (striped) fillRoundedRect(QRectF(margin, y_, w, row.height), 4, zebra_);
    drawText(row.label, margin + 8, y_ + rowPadding, labelWidth);
    drawText(row.value, margin + 8 + labelWidth + 8, y_ + rowPadding, valueWidth);

    const QRectF box(pageSize_.width() - margin - statusColumn + 3, y_ + rowPadding, 12, 12);
    switch (row.status) {
    case CapabilityStatus::supported: drawSymbol(QStringLiteral("checkmark.circle.fill"), 10, box, supported_); break;
    case CapabilityStatus::warning: drawSymbol(QStringLiteral("exclamationmark.triangle.fill"), 9.5, box, warning_); break;
    case CapabilityStatus::unsupported: drawSymbol(QStringLiteral("xmark.circle.fill"), 10, box, unsupported_); break;
    case CapabilityStatus::info:
        fillRoundedRect(QRectF(box.center().x() - 2, box.center().y() - 2, 4, 4), 2, withAlpha(tertiaryInk_, 0.45));
        break;
    }
    y_ += row.height;
}

QColor PdfReportRenderer::statusColor(CapabilityStatus status) const
{
    switch (status) {
    case CapabilityStatus::supported: return supported_;
    case CapabilityStatus::warning: return warning_;
    case CapabilityStatus::unsupported: return unsupported_;
    case CapabilityStatus::info: return tertiaryInk_;
    }
    return tertiaryInk_;
}

QString PdfReportRenderer::integer(qint64 n) const
{
    return LocaleFormat::decimal(double(n), L_, 0, true);
}

// --- Text and shapes --------------------------------------------------------------------

QFont PdfReportRenderer::font(double size, QFont::Weight weight, const QString& text) const
{
    QFont f;
    f.setFamilies(familiesFor(text));
    f.setPointSizeF(size);
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferNoHinting);
    // No optional ligatures: the PDF reads each glyph back as the character whose own glyph
    // it is, and a ligature glyph is no character's, so the "ti" of "Workstation" would
    // vanish from copied and searched text. Scripts that need shaping
    // (Arabic, Devanagari) get their shaping back in layoutText.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

PdfReportRenderer::TextBlock PdfReportRenderer::layoutText(const QString& text, const TextStyle& style, double width,
                                                           const QList<QTextLayout::FormatRange>& formats) const
{
    TextBlock block;
    if (text.isEmpty()) return block;
    // Both passes set the same texts in the same boxes: the drawing pass takes the counting
    // pass's layouts.
    QString key = text;
    key += QChar(0);
    key += QString::number(style.size) + ',' + QString::number(int(style.weight)) + ',' + QString::number(int(style.monoDigits))
           + ',' + QString::number(int(style.align)) + ',' + QString::number(int(style.wrap)) + ','
           + QString::number(style.kern) + ',' + QString::number(width, 'g', 17) + ',' + QString::number(style.color.rgba(), 16);
    for (const QTextLayout::FormatRange& r : formats)
        key += ',' + QString::number(r.start) + ':' + QString::number(r.length) + ':'
               + QString::number(r.format.foreground().color().rgba(), 16);
    if (const auto it = layouts_.constFind(key); it != layouts_.constEnd()) return *it;

    // A face is set at whole points (9.5 points come out at 10, as they always have here):
    // the text is laid out at the one layout size and scaled to that.
    const int shownSize = std::max(1, qRound(style.size));
    const double scale = double(shownSize) / layoutSize;
    QFont f = font(layoutSize, style.weight, text);
    // Tracking would tear apart the joined letters of Arabic and the headline of Devanagari.
    const bool shaped = !shapedRuns(text).isEmpty();
    if (style.kern != 0 && !shaped) f.setLetterSpacing(QFont::AbsoluteSpacing, style.kern / scale);
    QString shown;
    if (style.wrap) {
        shown = text;
        shown.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
        shown.replace('\n', QChar::LineSeparator);
    } else {
        shown = oneLine(text);
    }
    // Direction controls in a line that nothing can turn right to left (a name isolated in an
    // English line) leave every character where it was: they go, and with them the faces Qt
    // would load in another style only to set them (each a font match of its own).
    if (formats.isEmpty() && !(rtl_ && !hasStrongDirection(shown)) && ordersLeftToRight(shown)) shown.removeIf(isBidiControl);
    // Every line takes the text face's height, with its baseline where the text face puts
    // it: a fallback face's taller ascent and descent (Arabic, CJK, a stray mark such as
    // U+061C) must not make one language's rows taller than another's.
    // The shown size's own metrics place the lines: scaled ones would round differently, and a
    // row's height (rounded up to a whole point) could change with them.
    const QFontMetricsF metrics(f, measureDevice());
    const double lineHeight = metrics.ascent() + metrics.descent() + std::max(0.0, metrics.leading());
    const LineMetrics shownLine = shownMetrics(f, shownSize);
    block.scale = scale;
    block.shownSize = shownSize;
    const auto build = [&](const QString& shown) {
        block.layout = std::make_shared<QTextLayout>(shown, f, measureDevice());
        QTextOption option(style.align);
        option.setWrapMode(style.wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
        // Each text takes its direction from its first strong character. Text with none (counts,
        // marks) follows the document, so "✓ 15" reads as one chip in a right-to-left line too.
        option.setTextDirection(rtl_ && !hasStrongDirection(shown) ? Qt::RightToLeft : Qt::LayoutDirectionAuto);
        option.setUseDesignMetrics(true);
        block.layout->setTextOption(option);
        QList<QTextLayout::FormatRange> ranges;
        block.paints.clear();
        if (shown == text) {
            ranges = formats;
            for (const QTextLayout::FormatRange& r : formats)
                if (r.format.hasProperty(QTextFormat::ForegroundBrush))
                    block.paints.append({r.start, r.length, r.format.foreground().color()});
        }
        if (style.monoDigits) ranges += digitFallbacks(shown);
        ranges += shapedRuns(shown);
        // Direction controls (the isolates around inserted data, marks in machine texts)
        // draw nothing; kept to the text face, no fallback face is looked up or opened for them.
        for (qsizetype i = 0; i < shown.size(); ++i) {
            if (!isBidiControl(shown[i])) continue;
            QTextLayout::FormatRange range;
            range.start = int(i);
            range.length = 1;
            range.format.setFontFamilies({TextFamily::family()});
            range.format.setFontStyleStrategy(QFont::StyleStrategy(QFont::PreferNoShaping | QFont::NoFontMerging));
            ranges << range;
        }
        if (!ranges.isEmpty()) block.layout->setFormats(ranges);
        block.layout->setCacheEnabled(true);
        double height = 0, shownHeight = 0, widest = 0;
        block.layoutBaselines.clear();
        block.shownBaselines.clear();
        block.layout->beginLayout();
        for (QTextLine line = block.layout->createLine(); line.isValid(); line = block.layout->createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(width / scale);
            line.setPosition(QPointF(0, height + metrics.ascent() - line.ascent()));
            block.layoutBaselines.append(height + metrics.ascent());
            block.shownBaselines.append(shownHeight + shownLine.ascent);
            height += lineHeight;
            shownHeight += shownLine.lineHeight;
            widest = std::max(widest, line.naturalTextWidth() * scale);
        }
        block.layout->endLayout();
        block.height = std::ceil(shownHeight - 1e-6);
        return widest;
    };
    // A one-line text is cut with an ellipsis only when it does not fit.
    if (build(shown) > width + 1e-6 && !style.wrap)
        build(QFontMetricsF(f, measureDevice()).elidedText(shown, Qt::ElideRight, width / scale));
    block.color = style.color;
    layouts_.insert(key, block);
    return block;
}

PdfReportRenderer::LineMetrics PdfReportRenderer::shownMetrics(const QFont& layoutFont, int size) const
{
    const int key = int(layoutFont.weight()) << 16 | size;
    if (const auto it = shownMetrics_.constFind(key); it != shownMetrics_.constEnd()) return *it;
    // The text face at the layout size, copied at the shown one: a copy shares the loaded face
    // and asks fontconfig nothing.
    QRawFont face = loadedTextFace(layoutFont);
    LineMetrics m;
    if (face.isValid()) {
        face.setPixelSize(size);
        m.ascent = face.ascent();
        m.lineHeight = face.ascent() + face.descent() + std::max(0.0, face.leading());
    } else {
        const QFontMetricsF metrics(layoutFont, measureDevice());
        const double scale = double(size) / layoutSize;
        m.ascent = metrics.ascent() * scale;
        m.lineHeight = (metrics.ascent() + metrics.descent() + std::max(0.0, metrics.leading())) * scale;
    }
    shownMetrics_.insert(key, m);
    return m;
}

QList<QTextLayout::FormatRange> PdfReportRenderer::shapedRuns(const QString& text)
{
    // Qt skips shaping under PreferNoShaping for every script, so Arabic and Devanagari runs
    // (with the spaces and marks between their letters) get it back; Latin text around them
    // stays unshaped, keeping its letters searchable.
    // Unshaped text is never mirrored either: where a run may go right to left, brackets and
    // other mirrored characters are shaped, so "(RAM)" in an Arabic line keeps its brackets
    // facing the right way (the shaper mirrors only those the bidi algorithm turned around),
    // and the direction controls are shaped away to nothing as a label would.
    // Each of those characters is a range of its own: shaped inside a longer run, Qt turned
    // the brackets of "%@ (continued)" one way and its Arabic words the other.
    const bool mirrors = mayRunRightToLeft(text);
    auto needsShaping = [](QChar c) { return c.script() == QChar::Script_Arabic || c.script() == QChar::Script_Devanagari; };
    auto alone = [mirrors](QChar c) { return mirrors && c.hasMirrored(); };
    auto joins = [](QChar c) { return c.script() == QChar::Script_Common || c.script() == QChar::Script_Inherited; };
    QList<QTextLayout::FormatRange> runs;
    auto add = [&runs](qsizetype start, qsizetype length) {
        QTextLayout::FormatRange range;
        range.start = int(start);
        range.length = int(length);
        range.format.setFontStyleStrategy(QFont::PreferDefault);
        runs << range;
    };
    for (qsizetype i = 0; i < text.size();) {
        if (alone(text[i])) {
            add(i, 1);
            ++i;
            continue;
        }
        if (!needsShaping(text[i])) {
            ++i;
            continue;
        }
        qsizetype end = i + 1, last = i + 1;
        for (; end < text.size() && !alone(text[end]) && (needsShaping(text[end]) || joins(text[end])); ++end)
            if (needsShaping(text[end]) || text[end].script() == QChar::Script_Inherited) last = end + 1;
        add(i, last - i);
        i = last;
    }
    return runs;
}

QStringList PdfReportRenderer::familiesFor(const QString& text) const
{
    // Only the faces a text needs, in fallback order: the text face, the face of each other
    // script the text holds (the interface language's CJK face first, so shared Han
    // characters take that language's forms), then DejaVu Sans for marks and symbols. A
    // face that no text asks for is never opened, nor embedded.
    enum Need { arabic = 1, devanagari = 2, cjk = 4, other = 8 };
    int needs = 0;
    for (QChar c : text) {
        if (c.unicode() < 0x0370) continue;
        switch (c.script()) {
        case QChar::Script_Common:
        case QChar::Script_Inherited:
        case QChar::Script_Latin:
        case QChar::Script_Greek:
        case QChar::Script_Cyrillic: break;
        case QChar::Script_Arabic: needs |= arabic; break;
        case QChar::Script_Devanagari: needs |= devanagari; break;
        case QChar::Script_Han:
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana:
        case QChar::Script_Hangul:
        case QChar::Script_Bopomofo: needs |= cjk; break;
        default: needs |= other; break;
        }
    }
    if (const auto it = families_.constFind(needs); it != families_.constEnd()) return *it;
    QStringList all = {TextFamily::family()};
    if (needs & arabic) all << QStringLiteral("Noto Sans Arabic");
    if (needs & devanagari) all << QStringLiteral("Noto Sans Devanagari");
    if (needs & cjk) {
        const QString lang = L_.code.section('-', 0, 0).toLower();
        QStringList cjkFaces = {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans CJK SC")};
        const QString preferred = lang == "ko" ? cjkFaces[1] : lang == "zh" ? cjkFaces[2] : cjkFaces[0];
        cjkFaces.removeAll(preferred);
        all << preferred << cjkFaces;
    }
    if (needs & other && !all.contains(QStringLiteral("Noto Sans"))) all << QStringLiteral("Noto Sans");
    all << QStringLiteral("DejaVu Sans");
    if (!(needs & other) && !all.contains(QStringLiteral("Noto Sans"))) all << QStringLiteral("Noto Sans");
    families_.insert(needs, all);
    return all;
}

QList<QTextLayout::FormatRange> PdfReportRenderer::digitFallbacks(const QString& text) const
{
    // The text face's own digits are tabular; only digits it lacks (Arabic-Indic) come from
    // DejaVu Sans, whose digits of every script share one width. Letters stay as they are.
    QList<QTextLayout::FormatRange> ranges;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // The text face has every ASCII digit; the face is opened only to ask about others.
        if (!c.isDigit() || c.unicode() < 0x80) continue;
        if (!textFace_) textFace_ = loadedTextFace(font(layoutSize, QFont::Normal, text));
        if (!textFace_->isValid() || textFace_->supportsCharacter(c)) continue;
        if (!ranges.isEmpty() && ranges.last().start + ranges.last().length == i) {
            ++ranges.last().length;
            continue;
        }
        QTextLayout::FormatRange range;
        range.start = int(i);
        range.length = 1;
        range.format.setFontFamilies(QStringList{QStringLiteral("DejaVu Sans")} + familiesFor(text));
        ranges.append(range);
    }
    return ranges;
}

void PdfReportRenderer::drawText(const TextBlock& block, double x, double top, double width)
{
    if (!canvas_ || !block.layout) return;
    const QPointF origin(mirrorX(x, width), top);
    if (block.paints.isEmpty()) {
        drawRange(block, -1, -1, block.color, origin);
        return;
    }
    for (const TextBlock::Paint& p : block.paints) drawRange(block, p.start, p.length, p.color, origin);
}

void PdfReportRenderer::drawRange(const TextBlock& block, int start, int length, const QColor& color, QPointF origin)
{
    const QString& text = block.layout->text();
    const int from = start < 0 ? 0 : start;
    const int to = start < 0 ? int(text.size()) : std::min<int>(int(text.size()), start + length);
    // From the layout's size to the shown one: across in proportion; down to the line's shown
    // baseline, a shaped mark's offset from its own baseline in proportion.
    const auto shown = [&block](QPointF at) {
        const QList<double>& from = block.layoutBaselines;
        if (block.scale == 1 || from.isEmpty()) return at;
        qsizetype line = 0;
        while (line + 1 < from.size() && std::abs(from[line + 1] - at.y()) < std::abs(from[line] - at.y())) ++line;
        return QPointF(at.x() * block.scale, block.shownBaselines[line] + (at.y() - from[line]) * block.scale);
    };
    // Shaped Devanagari reorders and joins letters into glyphs that no character names:
    // each of its runs, line by line, is given its text as a whole. Other glyphs are read
    // one by one as the characters they were set from.
    struct Piece {
        int start;
        int length;
        bool whole;
    };
    QList<Piece> pieces;
    bool devanagari = false;
    for (int i = from; i < to && !devanagari; ++i) devanagari = text[i].script() == QChar::Script_Devanagari;
    if (!devanagari) {
        pieces.append({start, length, false});
    } else {
        const QList<QTextLayout::FormatRange> shaped = shapedRuns(text);
        for (int l = 0; l < block.layout->lineCount(); ++l) {
            const QTextLine line = block.layout->lineAt(l);
            int at = std::max(from, line.textStart());
            const int end = std::min(to, line.textStart() + line.textLength());
            while (at < end) {
                int next = end;
                bool whole = false;
                for (const QTextLayout::FormatRange& r : shaped) {
                    if (text[r.start].script() != QChar::Script_Devanagari) continue;
                    if (r.start <= at && at < r.start + r.length) {
                        next = std::min(end, r.start + r.length);
                        whole = true;
                        break;
                    }
                    if (r.start > at) next = std::min(next, r.start);
                }
                pieces.append({at, next - at, whole});
                at = next;
            }
        }
    }
    // Glyphs go down in visual order, left to right along each line, as a label draws them
    // (Qt merges the runs of one face across a line, so "(" and ")" would come before "RAM"):
    // a reader that joins letters into words by their order then keeps "(RAM)" one word.
    struct Glyph {
        qsizetype run;
        quint32 index;
        QPointF position;
    };
    QList<Glyph> glyphs;
    QList<quint32> indexes;
    QList<QPointF> positions;
    for (const Piece& piece : pieces) {
        // A run without glyphs (a direction control that a fallback face claims) draws
        // nothing, and so does not pull that face into the document.
        const QList<QGlyphRun> runs = piece.start < 0 ? block.layout->glyphRuns() : block.layout->glyphRuns(piece.start, piece.length);
        glyphs.clear();
        for (qsizetype r = 0; r < runs.size(); ++r) {
            const QList<quint32> ids = runs[r].glyphIndexes();
            const QList<QPointF> at = runs[r].positions();
            for (qsizetype g = 0; g < ids.size() && g < at.size(); ++g) glyphs.append({r, ids[g], shown(at[g])});
        }
        if (glyphs.isEmpty()) continue;
        std::stable_sort(glyphs.begin(), glyphs.end(), [](const Glyph& a, const Glyph& b) {
            if (std::abs(a.position.y() - b.position.y()) > 0.5) return a.position.y() < b.position.y();
            return a.position.x() < b.position.x();
        });
        const QString pieceText = piece.start < 0 ? text : text.mid(piece.start, piece.length);
        if (piece.whole) canvas_->beginActualText(pieceText);
        for (qsizetype i = 0; i < glyphs.size();) {
            qsizetype end = i + 1;
            while (end < glyphs.size() && glyphs[end].run == glyphs[i].run) ++end;
            indexes.clear();
            positions.clear();
            for (qsizetype k = i; k < end; ++k) {
                indexes.append(glyphs[k].index);
                positions.append(glyphs[k].position);
            }
            canvas_->drawGlyphs({runs[glyphs[i].run].rawFont(), indexes.constData(), positions.constData(), indexes.size(),
                                 double(block.shownSize)},
                                origin, color, pieceText);
            i = end;
        }
        if (piece.whole) canvas_->endActualText();
    }
}

double PdfReportRenderer::textBox(const QString& text, const TextStyle& style, double x, double top, double width)
{
    const TextBlock block = layoutText(text, style, width);
    drawText(block, x, top, width);
    return block.height;
}

void PdfReportRenderer::drawSymbol(const QString& name, double pointSize, const QRectF& box, const QColor& color)
{
    // A name without a glyph draws nothing; the tile or badge around it still shows.
    if (!painter_ || !Symbols::isKnown(name)) return;
    const QRectF mirrored(mirrorX(box.x(), box.width()), box.y(), box.width(), box.height());
    // Symbols::draw makes the symbol itself (not the font's em) the size asked for.
    const double side = std::min({pointSize, box.width(), box.height()});
    const QRectF rect(mirrored.center().x() - side / 2, mirrored.center().y() - side / 2, side, side);
    Symbols::draw(*painter_, name, rect, color);
}

void PdfReportRenderer::fillRoundedRect(const QRectF& ltrRect, double radius, const QColor& color)
{
    if (!canvas_) return;
    const QRectF rect(mirrorX(ltrRect.x(), ltrRect.width()), ltrRect.y(), ltrRect.width(), ltrRect.height());
    if (radius > 0) {
        canvas_->fillPath(SmoothCorners::path(rect, radius), color);
        return;
    }
    QPainterPath path;
    path.addRect(rect);
    canvas_->fillPath(path, color);
}

// --- Entry points -----------------------------------------------------------------------

namespace ReportExporter {

QString systemRegion()
{
    // The paper category of the locale settings, in POSIX order of precedence.
    for (const char* name : {"LC_ALL", "LC_PAPER", "LANG"}) {
        QString v = qEnvironmentVariable(name);
        if (v.isEmpty()) continue;
        v = v.section('.', 0, 0).section('@', 0, 0);
        const QStringList parts = v.split('_', Qt::SkipEmptyParts);
        for (int i = 1; i < parts.size(); ++i) {
            const QString& p = parts[i];
            if ((p.size() == 2 && p[0].isLetter() && p[1].isLetter()) || (p.size() == 3 && p[0].isDigit())) return p.toUpper();
        }
        return {};
    }
    return {};
}

PdfResult pdf(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
              const Localization& L, const QString& region)
{
    PdfReportRenderer renderer(summary, sections, date, L, region);
    return renderer.render();
}

void loadFontConfiguration() { FcInit(); }

void preparePdf(const Localization& L)
{
    // The installed faces are listed before the symbols' face is registered, so that face,
    // registered last, is the one Qt opens for the symbols: the same font is also installed
    // in a compressed form, which would be unpacked.
    QFontDatabase::families();
    // Every kind of text the report sets: the cover with its badges and cards, a section
    // header with a count chip, a row's label and value, the page frame of a second page.
    DeviceSummary summary{QStringLiteral("Aa"), QStringLiteral("Aa"), QStringLiteral("Aa"), QStringLiteral("0 Aa"),
                          QStringLiteral("0 Aa"), QStringLiteral("Aa 0"), false, true};
    QList<CapabilityItem> items;
    for (int i = 0; i < 24; ++i)
        items << CapabilityItem::make(L.tr("Processor"), QStringLiteral("Aa 0"), CapabilityStatus::supported, QStringLiteral("k"));
    const QList<CapabilitySection> sections = {CapabilitySection::make(L.tr("Processor"), QStringLiteral("cpu"), items)};
    PdfReportRenderer(summary, sections, QDateTime::currentDateTime(), L, systemRegion()).prepare();
}

PdfResult pdf(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
              const Localization& L)
{
    return pdf(summary, sections, date, L, systemRegion());
}

}  // namespace ReportExporter
