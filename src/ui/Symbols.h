#pragma once

#include <QBrush>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// Marks a literal as a symbol name, so the check over src/ finds every name in use.
// Write symbol names as QRL_SYMBOL("…") wherever they appear in code (section builders
// passing them to CapabilitySection::make and literal arguments of Symbols:: are found too).
#define QRL_SYMBOL(name) QStringLiteral(name)

// The product's symbol names (the other platform's symbol names, as the texts use them)
// drawn as glyphs of the Material Icons font: vector, tintable, gradient-fillable, and
// usable both in widgets and in the PDF.
namespace Symbols {

// The Material Icons ligature for a symbol name ("check_circle"); unknown names give an
// empty string (and log once).
QString glyph(const QString& symbolName);
// The glyph's code point in the Material Icons font; 0 for an unknown name.
char32_t codepoint(const QString& symbolName);
bool isKnown(const QString& symbolName);
// Directional symbols ("chevron.forward") point the other way in right-to-left layouts.
bool mirrorsInRightToLeft(const QString& symbolName);
// Every symbol name the table knows.
QStringList names();

// The Material Icons font at a pixel size.
QFont font(qreal pixelSize);
// The font's family name once loaded; empty when the font file is missing.
QString loadedFamily();
// Makes ahead, on the calling thread (any), the font match the outlines' face will ask for on
// its first use (see FontMatches).
void matchOutlineFaceAhead();

// The icon font draws each symbol within 20 of its em's 24 units: an em this many times
// the symbol's size makes the symbol itself (its live area) the size asked for.
inline constexpr qreal kEmPerInk = 24.0 / 20.0;

// Draws the symbol centred in `rect`, its live area as high as the rect (the em is
// kEmPerInk times that and overhangs the rect a little), filled with `brush` (a colour or a gradient). An unknown name draws a neutral dot. In a
// painter whose layout direction is right-to-left, directional symbols are mirrored.
void draw(QPainter& painter, const QString& symbolName, const QRectF& rect, const QBrush& brush);

}  // namespace Symbols
