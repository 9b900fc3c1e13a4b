#pragma once

#include <QBrush>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

// The product's symbol names (the other platform's symbol names, as the texts use them)
// drawn as glyphs of the Material Icons font: vector, tintable, gradient-fillable, and
// usable both in widgets and in the PDF.
namespace Symbols {

// The glyph for a symbol name; unknown names give an empty string (and log once).
QString glyph(const QString& symbolName);
bool isKnown(const QString& symbolName);
// Every symbol name the table knows.
QStringList names();

// The Material Icons font at a pixel size.
QFont font(qreal pixelSize);

// Draws the symbol centred in `rect`, sized to its height, filled with `brush`
// (a colour or a gradient). An unknown name draws a neutral dot.
void draw(QPainter& painter, const QString& symbolName, const QRectF& rect, const QBrush& brush);

}  // namespace Symbols
