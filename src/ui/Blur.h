#pragma once

#include <QImage>

// Blurs the alpha channel of a premultiplied ARGB image in place (three box blurs
// approximate a Gaussian; `radius` is the box's half-width). The colour becomes black:
// callers use it for shadows and glows and tint when drawing.
void blurAlpha(QImage& image, int radius);
