#pragma once

// Pixel probes for colour rules: look at a few chosen pixels, never compare whole images.
#include <QColor>
#include <QImage>
#include <QRect>

namespace PixelProbe {
QColor at(const QImage& image, int x, int y);
// The mean colour of a region (clipped to the image).
QColor mean(const QImage& image, const QRect& region);
// The largest per-channel difference, 0…255.
int distance(const QColor& a, const QColor& b);
inline bool near(const QColor& a, const QColor& b, int tolerance = 6) { return distance(a, b) <= tolerance; }
// Composites `over` (with its alpha) on an opaque `under`, as painting would.
QColor over(const QColor& over, const QColor& under);
double luminance(const QColor& c);
}  // namespace PixelProbe
