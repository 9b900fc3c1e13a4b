#include "ui/Blur.h"

#include <vector>

void blurAlpha(QImage& img, int radius)
{
    if (radius <= 0) return;
    const int w = img.width(), h = img.height();
    if (w <= 0 || h <= 0) return;
    // The pixels reached directly: QImage::scanLine checks for sharing on every call.
    uchar* const bits = img.bits();
    const qsizetype stride = img.bytesPerLine();
    std::vector<int> line(size_t(qMax(w, h)));
    auto pass = [&](bool horizontal) {
        const int outer = horizontal ? h : w, inner = horizontal ? w : h;
        for (int o = 0; o < outer; ++o) {
            auto px = [&](int i) -> QRgb& {
                return reinterpret_cast<QRgb*>(bits + qsizetype(horizontal ? o : i) * stride)[horizontal ? i : o];
            };
            for (int i = 0; i < inner; ++i) line[size_t(i)] = qAlpha(px(i));
            int sum = 0;
            for (int i = -radius; i <= radius; ++i) sum += (i >= 0 && i < inner) ? line[size_t(i)] : 0;
            for (int i = 0; i < inner; ++i) {
                px(i) = qRgba(0, 0, 0, sum / (2 * radius + 1));
                const int out = i - radius, in = i + radius + 1;
                if (out >= 0) sum -= line[size_t(out)];
                if (in < inner) sum += line[size_t(in)];
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(true);
        pass(false);
    }
}
