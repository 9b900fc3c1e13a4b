#pragma once

#include <QPainterPath>
#include <QRectF>

// Rounded rectangles with continuous corners: the outline leaves each straight edge
// gradually (its bend starts 1.6 × the radius before the corner and grows into the
// corner's circle) instead of jumping from a straight line onto a circle, so no kink of
// curvature shows where edge and arc meet. Every card, tile, pill, capsule and PDF box
// takes its outline from here.
namespace SmoothCorners {

// How much of the corner is transition rather than circle (0 = a plain circular corner).
inline constexpr qreal kSmoothing = 0.6;
// How far before a corner the outline leaves the edge, in radii.
inline constexpr qreal kExtent = 1 + kSmoothing;

// The outline of `rect` (clockwise from the top edge) with continuous corners of
// `radius`. Where a side is shorter than the full transitions need, they shorten towards
// a circular corner; a radius of half the shorter side or more gives a capsule with round
// ends. A radius of 0 or less gives the plain rectangle.
QPainterPath path(const QRectF& rect, qreal radius);

// A capsule: corners of half the shorter side.
QPainterPath capsule(const QRectF& rect);

}  // namespace SmoothCorners
