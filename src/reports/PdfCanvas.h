#pragma once

#include "reports/PdfDocumentInfo.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QPaintDevice>
#include <QPainterPath>
#include <QPointF>
#include <QRawFont>
#include <QSizeF>
#include <QString>

#include <memory>

class PdfCanvasEngine;

// A small PDF writer that draws just what the report draws: filled and stroked paths in
// colours with alpha, an axial gradient, clipping, and glyph runs set in embedded font
// subsets. Coordinates are points with the origin at the top left of the page, as in the
// layout. It is also a paint device, so code that draws through a QPainter (the symbols)
// draws into the same page; only paths reach it that way.
class PdfCanvas final : public QPaintDevice {
public:
    explicit PdfCanvas(QSizeF pageSize);
    ~PdfCanvas() override;
    PdfCanvas(const PdfCanvas&) = delete;
    PdfCanvas& operator=(const PdfCanvas&) = delete;

    QSizeF pageSize() const { return pageSize_; }
    // Starts the next page; the first is begun by the first drawing (or by finish()).
    void newPage();
    int pageCount() const { return int(pages_.size()); }

    void fillPath(const QPainterPath& path, const QColor& color);
    void strokePath(const QPainterPath& path, const QColor& color, double width, Qt::PenCapStyle cap = Qt::SquareCap,
                    Qt::PenJoinStyle join = Qt::BevelJoin, double miterLimit = 2);
    // Fills the path with an axial gradient from `start` (colour `from`) to `end` (`to`),
    // padded beyond both ends.
    void fillPathWithGradient(const QPainterPath& path, QPointF start, QPointF end, const QColor& from, const QColor& to);

    // Graphics state: save() and restore() nest; clip() narrows until the matching restore().
    void save();
    void restore();
    void clip(const QPainterPath& path);

    // One run of glyphs of one face: glyph ids of `font`, positions of their origins
    // relative to `origin`, at `size` (or the font's own pixel size). `text` holds the characters the glyphs were set from (for
    // copying and searching: each glyph is read as the character whose nominal glyph it is);
    // where shaping makes that ambiguous, the run goes between begin- and endActualText.
    struct GlyphRun {
        QRawFont font;
        const quint32* glyphs = nullptr;
        const QPointF* positions = nullptr;
        qsizetype count = 0;
        double size = 0;  // the size the glyphs are set at; 0 for the font's own
    };
    void drawGlyphs(const GlyphRun& run, QPointF origin, const QColor& color, const QString& text);
    // Marks the glyphs drawn between begin and end as one piece of text, read as `text`.
    void beginActualText(const QString& text);
    void endActualText();

    // The whole document, with its information dictionary.
    QByteArray finish(const PdfDocumentInfo::Info& info);

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    friend class PdfCanvasEngine;
    struct Font;
    struct Page {
        QByteArray content;
    };

    QByteArray& out();
    void appendPath(const QPainterPath& path);
    QByteArray alphaState(double fill, double stroke);
    void setFill(const QColor& color);
    Font& fontFor(const QRawFont& font);

    const QSizeF pageSize_;
    QList<Page> pages_;
    QList<std::shared_ptr<Font>> fonts_;
    QHash<QString, int> fontIndex_;  // by face
    QList<QPair<QRawFont, int>> rawFonts_;
    QList<QByteArray> alphaStates_;  // "/ca 0.5 /CA 1", named /A<index>
    QList<QByteArray> shadings_;     // shading dictionaries, named /Sh<index>
    int depth_ = 0;
    std::unique_ptr<PdfCanvasEngine> engine_;
};
