#include "ui/SmoothCorners.h"

#include <QPointF>

#include <algorithm>
#include <cmath>

namespace SmoothCorners {

namespace {
constexpr qreal kPi = 3.14159265358979323846;
qreal radians(qreal degrees) { return degrees * kPi / 180; }

// One corner for a unit radius in the corner's own frame: x runs from the corner back
// along the edge the outline comes from, y from the corner along the edge it goes to.
// A transition curve leads from the edge onto the corner's circle (centre (1, 1)), a
// circular arc follows, and a mirrored transition leads off it onto the next edge.
struct Corner {
    QPointF points[10];  // start, then three cubic curves (two controls and an end each)
};

Corner corner(qreal smoothing)
{
    const qreal p = 1 + smoothing;                      // where the outline leaves the edge
    const qreal arcDegrees = 90 * (1 - smoothing);      // the circle's share of the corner
    const qreal arcChord = std::sin(radians(arcDegrees / 2)) * std::sqrt(2.0);  // its extent along each axis
    const qreal alpha = (90 - arcDegrees) / 2;          // the turn each transition makes
    const qreal tangentLength = std::tan(radians(alpha / 2));
    const qreal beta = 45 * smoothing;
    const qreal c = tangentLength * std::cos(radians(beta));
    const qreal d = c * std::tan(radians(beta));
    // The transition's inner handle is chosen so its curvature where it meets the circle is
    // the circle's own (1): the bend grows from the straight edge into the arc without a step.
    // Its outer handle takes up the rest of the way from the edge.
    const qreal b = d > 1e-9 ? 1.5 * std::pow(c * c + d * d, 1.5) / d : 0;
    const qreal a = std::max<qreal>(0, p - arcChord - c - d - b);

    const QPointF start(p, 0);
    const QPointF arcStart(d + arcChord, d);
    const QPointF arcEnd(d, d + arcChord);
    // The arc as one cubic: handles of 4/3 tan(θ/4) along the circle's tangents.
    const qreal handle = 4.0 / 3.0 * std::tan(radians(arcDegrees / 4));
    const QPointF centre(1, 1);
    const QPointF fromCentre = arcStart - centre;                   // unit length
    const QPointF along(fromCentre.y(), -fromCentre.x());            // tangent, towards the arc's end
    const QPointF handleIn = arcStart + along * handle;
    const QPointF handleOut(handleIn.y(), handleIn.x());            // mirrored across the diagonal
    return Corner{{
        start,
        {p - a, 0}, {p - a - b, 0}, arcStart,
        handleIn, handleOut, arcEnd,
        {0, p - a - b}, {0, p - a}, {0, p},
    }};
}
}  // namespace

QPainterPath path(const QRectF& rectIn, qreal radius)
{
    QPainterPath path;
    const QRectF rect = rectIn.normalized();
    if (rect.isEmpty()) return path;
    if (!(radius > 0)) {
        path.addRect(rect);
        return path;
    }
    const qreal half = std::min(rect.width(), rect.height()) / 2;
    const qreal r = std::min(radius, half);
    // The transitions take (1 + smoothing) × r of each side; with less room they shorten.
    const Corner c = corner(std::clamp(half / r - 1, 0.0, kSmoothing));

    // Each corner: its point, the unit vector back along the incoming edge and the unit
    // vector along the outgoing one.
    struct Frame {
        QPointF corner, back, out;
    };
    const Frame frames[] = {
        {rect.topRight(), {-1, 0}, {0, 1}},
        {rect.bottomRight(), {0, -1}, {-1, 0}},
        {rect.bottomLeft(), {1, 0}, {0, -1}},
        {rect.topLeft(), {0, 1}, {1, 0}},
    };
    auto at = [&](const Frame& f, const QPointF& q) { return f.corner + f.back * (q.x() * r) + f.out * (q.y() * r); };

    path.moveTo(at(frames[3], c.points[9]));
    for (const Frame& f : frames) {
        path.lineTo(at(f, c.points[0]));
        for (int i = 1; i < 10; i += 3) path.cubicTo(at(f, c.points[i]), at(f, c.points[i + 1]), at(f, c.points[i + 2]));
    }
    path.closeSubpath();
    return path;
}

QPainterPath capsule(const QRectF& rect) { return path(rect, std::min(rect.width(), rect.height()) / 2); }

}  // namespace SmoothCorners
