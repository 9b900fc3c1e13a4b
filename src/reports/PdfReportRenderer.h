#pragma once

#include "reports/ReportExporter.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QSizeF>
#include <QTextLayout>

#include <memory>
#include <optional>

class QPainter;

// Draws one inspection as a paginated PDF in points (72 per inch), origin at the top left.
// The layout runs twice over the same code: a counting pass that only measures, so the
// drawing pass knows the page count for every footer. Right-to-left documents mirror every
// horizontal position once, here; text alignment is always given absolutely so Qt does not
// flip it a second time.
class PdfReportRenderer final {
public:
    // What the drawing pass placed where, for checking the layout.
    struct Placement {
        enum Kind { Page, Cover, Header, ContinuedHeader, Row } kind;
        int page = 0;
        int section = -1;
        int row = -1;
        double top = 0;
        double height = 0;
    };

    PdfReportRenderer(const DeviceSummary& summary, const QList<CapabilitySection>& sections, const QDateTime& date,
                      const Localization& L, const QString& region);
    ~PdfReportRenderer();

    ReportExporter::PdfResult render();
    // The counting pass alone: loads every face the document sets (each at the one layout
    // size), and draws nothing.
    void prepare();

    QSizeF pageSize() const { return pageSize_; }
    int totalPages() const { return totalPages_; }
    const QList<Placement>& placements() const { return placements_; }

    // US Letter for the regions that use it, A4 for every other and for none.
    static QSizeF pageSizeForRegion(const QString& region);

    static constexpr double margin = 44;
    static constexpr double footerHeight = 34;
    static constexpr double runningHeaderHeight = 30;
    static constexpr double sectionHeaderHeight = 34;
    static constexpr double statusColumn = 22;
    static constexpr double rowPadding = 5.5;

private:
    struct TextStyle {
        double size = 10;
        QFont::Weight weight = QFont::Normal;
        bool monoDigits = false;
        QColor color;
        Qt::Alignment align = Qt::AlignAbsolute | Qt::AlignLeft;
        bool wrap = false;  // word wrap; otherwise one line cut with an ellipsis
        double kern = 0;
    };
    struct TextBlock {
        std::shared_ptr<QTextLayout> layout;  // none for empty text, else laid out at layoutSize
        double height = 0;
        // The layout's positions times `scale` are the shown text's; each line's baseline
        // moves from its place in the layout to its place at the shown size.
        double scale = 1;
        QList<double> layoutBaselines, shownBaselines;
        int shownSize = 0;  // in points, whole: the size every glyph is drawn at
        QColor color;
        // Ranges drawn in a colour of their own (the count chips); when there are any, only
        // they are drawn.
        struct Paint {
            int start;
            int length;
            QColor color;
        };
        QList<Paint> paints;
    };
    struct Row {
        TextBlock label;
        TextBlock value;
        CapabilityStatus status;
        double height = 0;
    };

    void runPass();
    bool drawInto(class PdfCanvas& canvas);
    void beginPage();
    void drawRunningHeader();
    void drawFooter();
    void drawCover();
    void drawSummaryBadges();
    void drawFactCards();
    void drawSection(int index);
    Row measureRow(const CapabilityItem& item) const;
    void drawSectionHeader(int index, bool continued);
    void drawRow(const Row& row, bool striped);

    // Measures `text` for a box of `width`; the height is rounded up to a whole point.
    TextBlock layoutText(const QString& text, const TextStyle& style, double width,
                         const QList<QTextLayout::FormatRange>& formats = {}) const;
    // Draws a measured block at a left-to-right x (mirrored here when right-to-left).
    void drawText(const TextBlock& block, double x, double top, double width);
    void drawRange(const TextBlock& block, int start, int length, const QColor& color, QPointF origin);
    // Lays out and, in the drawing pass, draws; returns the block's height.
    double textBox(const QString& text, const TextStyle& style, double x, double top, double width);
    // A symbol fitted into a box given in left-to-right coordinates.
    void drawSymbol(const QString& name, double pointSize, const QRectF& box, const QColor& color);
    void fillRoundedRect(const QRectF& ltrRect, double radius, const QColor& color);

    // Every text is laid out at this one size and scaled to its own, so each face is loaded
    // once rather than once per size (each load a font match against every installed face).
    // The table's text is set at this size, so its rows are laid out exactly as shown.
    static constexpr int layoutSize = 10;
    struct LineMetrics {
        double ascent = 0;
        double lineHeight = 0;
    };
    // The text face's metrics at a shown size, as a face loaded at that size gives them.
    LineMetrics shownMetrics(const QFont& layoutFont, int size) const;

    QFont font(double size, QFont::Weight weight, const QString& text) const;
    QStringList familiesFor(const QString& text) const;
    // Ranges of `text` whose digits the text face lacks, set in a face with tabular ones.
    static QList<QTextLayout::FormatRange> shapedRuns(const QString& text);
    QList<QTextLayout::FormatRange> digitFallbacks(const QString& text) const;
    double mirrorX(double x, double width) const { return rtl_ ? pageSize_.width() - x - width : x; }
    double contentWidth() const { return pageSize_.width() - 2 * margin; }
    double bottomLimit() const { return pageSize_.height() - margin - footerHeight + 8; }
    Qt::Alignment leading() const { return Qt::AlignAbsolute | (rtl_ ? Qt::AlignRight : Qt::AlignLeft); }
    Qt::Alignment trailing() const { return Qt::AlignAbsolute | (rtl_ ? Qt::AlignLeft : Qt::AlignRight); }
    QColor statusColor(CapabilityStatus status) const;
    QString integer(qint64 n) const;

    const DeviceSummary summary_;
    const QList<CapabilitySection> sections_;
    const QDateTime date_;
    const Localization L_;
    const bool rtl_;
    const QSizeF pageSize_;
    mutable QHash<int, QStringList> families_;      // by the scripts a text needs
    mutable QHash<QString, TextBlock> layouts_;     // by text, style and width
    mutable std::optional<QRawFont> textFace_;  // the text face, to tell which digits it has
    mutable QHash<int, LineMetrics> shownMetrics_;  // by weight and size

    class PdfCanvas* canvas_ = nullptr;  // present only in the drawing pass
    QPainter* painter_ = nullptr;        // on the canvas, for the symbols
    bool drawing_ = false;
    int pageNumber_ = 0;
    int totalPages_ = 0;
    double y_ = 0;
    QList<Placement> placements_;

    const QColor ink_, secondaryInk_, tertiaryInk_, hairline_, zebra_, card_;
    const QColor accent_, heroStart_, heroEnd_;
    const QColor supported_, warning_, unsupported_;
};
