#pragma once

#include <QPen>
#include <QPolygonF>
#include <QRectF>

class QPainter;

// The live charts' lines: a polyline one to a few pixels wide over up to 120 points, stroked
// again for every sample for as long as the page is open. Qt's stroker turns such a line into
// an outline of hundreds of edges and its antialiasing rasteriser walks a sorted list of cells
// per pixel row for each, which made the charts most of the page's processor time. Here each
// segment is a band between two parallel edges, cut at its ends where it meets its neighbours,
// and every pixel near it takes the band's share of its area; the shares of two segments that
// meet add up to the whole pixel, so a join shows no seam and no double ink.
//
// Pens: solid colours, flat caps, miter joins (beveled where the miter is longer than the
// limit, in pen widths), bevel joins, solid or dashed (the pattern and its offset in pen
// widths, running on across the joins). Anything else, and a painter that rotates, scales
// apart from the screen's ratio or does not antialias, is stroked by Qt itself.
class ThinStroke {
public:
    static bool handles(const QPainter& p, const QPen& pen);
    // Strokes `line` inside `clip` (the painter's coordinates; the painter's own clip applies too).
    static void draw(QPainter& p, const QPolygonF& line, const QPen& pen, const QRectF& clip);
};
