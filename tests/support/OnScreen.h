#pragma once

// What the window system shows of a widget, for faults of partial repaints: grab() repaints the
// whole widget, so it would hide a stale region that only an earlier, narrower update left.
#include <QImage>

class QWidget;

namespace OnScreen {
// The widget's area as the screen holds it now (after the pending events are handled).
QImage shown(QWidget* widget);
// How many pixels of two same-sized images differ by more than `tolerance` in a channel;
// more than their area when the sizes differ.
int differingPixels(const QImage& a, const QImage& b, int tolerance = 2);
}  // namespace OnScreen
