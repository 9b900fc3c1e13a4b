#include "ui/Blur.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

// The first overview blurs a few shadow and glow images before it can show: each pass works on
// a compact alpha plane (rows for the horizontal pass, whole rows of column sums for the vertical
// one, so memory is read in order), and the division by the box width is a table look-up.
// Every pass gives exactly the integer result a plain running box sum would.
void blurAlpha(QImage& img, int radius)
{
    if (radius <= 0) return;
    const int w = img.width(), h = img.height();
    if (w <= 0 || h <= 0) return;
    // The pixels reached directly: QImage::scanLine checks for sharing on every call.
    uchar* const bits = img.bits();
    const qsizetype stride = img.bytesPerLine();
    const size_t count = size_t(w) * size_t(h);
    std::vector<uint8_t> plane(count), spare(count);
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(bits + qsizetype(y) * stride);
        uint8_t* out = plane.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) out[x] = uint8_t(qAlpha(row[x]));
    }
    const int width = 2 * radius + 1;
    std::vector<uint8_t> quotient(size_t(255 * width + 1));
    for (size_t s = 0; s < quotient.size(); ++s) quotient[s] = uint8_t(int(s) / width);
    const uint8_t* const q = quotient.data();

    auto horizontal = [&](const uint8_t* src, uint8_t* dst) {
        for (int y = 0; y < h; ++y) {
            const uint8_t* in = src + size_t(y) * size_t(w);
            uint8_t* out = dst + size_t(y) * size_t(w);
            int sum = 0;
            for (int i = 0; i <= radius && i < w; ++i) sum += in[i];
            for (int x = 0; x < w; ++x) {
                out[x] = q[sum];
                const int leaving = x - radius, entering = x + radius + 1;
                if (leaving >= 0) sum -= in[leaving];
                if (entering < w) sum += in[entering];
            }
        }
    };
    std::vector<int> sums(static_cast<size_t>(w));
    auto vertical = [&](const uint8_t* src, uint8_t* dst) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int i = 0; i <= radius && i < h; ++i) {
            const uint8_t* in = src + size_t(i) * size_t(w);
            for (int x = 0; x < w; ++x) sums[size_t(x)] += in[x];
        }
        for (int y = 0; y < h; ++y) {
            uint8_t* out = dst + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) out[x] = q[sums[size_t(x)]];
            const int leaving = y - radius, entering = y + radius + 1;
            if (leaving >= 0) {
                const uint8_t* in = src + size_t(leaving) * size_t(w);
                for (int x = 0; x < w; ++x) sums[size_t(x)] -= in[x];
            }
            if (entering < h) {
                const uint8_t* in = src + size_t(entering) * size_t(w);
                for (int x = 0; x < w; ++x) sums[size_t(x)] += in[x];
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        horizontal(plane.data(), spare.data());
        vertical(spare.data(), plane.data());
    }
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(bits + qsizetype(y) * stride);
        const uint8_t* in = plane.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) row[x] = qRgba(0, 0, 0, in[x]);
    }
}
