#pragma once

#include <QImage>

// Blurs the alpha channel of a premultiplied ARGB image in place (three box blurs
// approximate a Gaussian; `radius` is the box's half-width). The colour becomes black:
// callers use it for shadows and glows and tint when drawing.
void blurAlpha(QImage& image, int radius);

// Close to blurAlpha (within a few levels of 255) for a fraction of the work: a wide blur is made
// on the picture reduced, then enlarged. For soft shadows and glows, whose pictures hold nothing
// finer than the blur.
void blurAlphaSoft(QImage& image, int radius);
