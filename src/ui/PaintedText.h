#pragma once

#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

// One line of text painted by our own widgets, laid out as a QLabel lays it out.
//
// The interface face lacks whole scripts (Devanagari, Arabic, CJK): their characters come
// from fallback faces whose lines stand taller than the interface face's own. A box sized by
// QFontMetrics of the interface face is too short for them, and QPainter::drawText into such
// a box clips what rises above it (Devanagari's vowel signs and reph over the headline). Boxes
// are therefore sized by the shaped line, and painting never clips to the box.
namespace PaintedText {

// The text as it is laid out and drawn. ICU ends Arabic percentages with U+061C (ARABIC
// LETTER MARK), which only a fallback face with a far taller line has; where it makes no
// difference to the bidirectional order, it becomes U+200F (RIGHT-TO-LEFT MARK), which the
// interface face draws (invisibly) in its own line.
QString forLayout(const QString& text);

// The shaped line of `text` in `font`: never shorter than the face's own line, and with the
// room that glyphs rising above or reaching below the line need (Devanagari's signs reach
// above the ascent of their face).
struct LineMetrics {
    qreal ascent = 0;    // the line's, at least the face's
    qreal descent = 0;
    qreal inkAbove = 0;  // glyphs beyond the ascent
    qreal inkBelow = 0;  // and beyond the descent
    qreal width = 0;     // the natural width of the shaped text
    // Where the glyphs' outlines lie: x from the line's left edge, y from the baseline
    // (negative above it); empty for a text without ink.
    QRectF ink;
    QList<QRectF> glyphInk;  // each glyph's outline box, in the same coordinates
    qreal height() const { return inkAbove + ascent + descent + inkBelow; }
    // The height of a box that centres the line (as a QLabel does) and still holds every glyph.
    qreal centredHeight() const { return ascent + descent + 2 * qMax(inkAbove, inkBelow); }
};
LineMetrics measure(const QFont& font, const QString& text);
inline qreal lineHeight(const QFont& font, const QString& text) { return measure(font, text).height(); }
inline qreal width(const QFont& font, const QString& text) { return measure(font, text).width; }

// `text` shortened with "…" to fit `width` (the text itself when it fits).
QString elided(const QFont& font, const QString& text, qreal width, Qt::TextElideMode mode = Qt::ElideRight);

// Draws `text` on one line in the painter's font and pen, elided to the box's width, placed
// in `box` by `alignment`: horizontally by the painter's layout direction (left is leading
// and swaps in right to left) unless Qt::AlignAbsolute is set; vertically by the shaped
// line's height. Glyphs that reach beyond the box are drawn whole.
void draw(QPainter& painter, const QRectF& box, Qt::Alignment alignment, const QString& text,
          Qt::TextElideMode mode = Qt::ElideRight);

}  // namespace PaintedText
