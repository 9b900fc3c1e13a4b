#include "ui/Blur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

// The first overview blurs a few shadow and glow images before it can show.
namespace {

// Three box blurs of the given half-widths, each way, over a compact alpha plane (rows for the
// horizontal pass, whole rows of column sums for the vertical one, so memory is read in order);
// the division by the box width is a table look-up. Each pass gives exactly the integer result
// a plain running box sum would.
void blurPlane(std::vector<uint8_t>& plane, int w, int h, const int (&radii)[3])
{
    std::vector<uint8_t> spare(plane.size());
    std::vector<int> sums(static_cast<size_t>(w));
    std::vector<uint8_t> quotient;
    for (const int radius : radii) {
        if (radius <= 0) continue;
        const int width = 2 * radius + 1;
        quotient.resize(size_t(255 * width + 1));
        for (size_t s = 0; s < quotient.size(); ++s) quotient[s] = uint8_t(int(s) / width);
        const uint8_t* const q = quotient.data();
        for (int y = 0; y < h; ++y) {
            const uint8_t* in = plane.data() + size_t(y) * size_t(w);
            uint8_t* out = spare.data() + size_t(y) * size_t(w);
            int sum = 0;
            for (int i = 0; i <= radius && i < w; ++i) sum += in[i];
            for (int x = 0; x < w; ++x) {
                out[x] = q[sum];
                const int leaving = x - radius, entering = x + radius + 1;
                if (leaving >= 0) sum -= in[leaving];
                if (entering < w) sum += in[entering];
            }
        }
        std::fill(sums.begin(), sums.end(), 0);
        for (int i = 0; i <= radius && i < h; ++i) {
            const uint8_t* in = spare.data() + size_t(i) * size_t(w);
            for (int x = 0; x < w; ++x) sums[size_t(x)] += in[x];
        }
        for (int y = 0; y < h; ++y) {
            uint8_t* out = plane.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) out[x] = q[sums[size_t(x)]];
            const int leaving = y - radius, entering = y + radius + 1;
            if (leaving >= 0) {
                const uint8_t* in = spare.data() + size_t(leaving) * size_t(w);
                for (int x = 0; x < w; ++x) sums[size_t(x)] -= in[x];
            }
            if (entering < h) {
                const uint8_t* in = spare.data() + size_t(entering) * size_t(w);
                for (int x = 0; x < w; ++x) sums[size_t(x)] += in[x];
            }
        }
    }
}

// The variance of one box of half-width r, in pixels squared.
double boxVariance(int r) { return ((2.0 * r + 1) * (2.0 * r + 1) - 1) / 12; }

}  // namespace

void blurAlpha(QImage& img, int radius)
{
    if (radius <= 0) return;
    const int w = img.width(), h = img.height();
    if (w <= 0 || h <= 0) return;
    // The pixels reached directly: QImage::scanLine checks for sharing on every call.
    uchar* const bits = img.bits();
    const qsizetype stride = img.bytesPerLine();
    std::vector<uint8_t> plane(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(bits + qsizetype(y) * stride);
        uint8_t* out = plane.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) out[x] = uint8_t(qAlpha(row[x]));
    }
    blurPlane(plane, w, h, {radius, radius, radius});
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(bits + qsizetype(y) * stride);
        const uint8_t* in = plane.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) row[x] = qRgba(0, 0, 0, in[x]);
    }
}

void blurAlphaSoft(QImage& img, int radius)
{
    // A wide blur leaves nothing finer than its box: the picture is averaged down by f, blurred
    // there and enlarged again, for about 1/f² of the work. The boxes there are chosen so the
    // spread (the variance of the whole: the averaging, the boxes and the enlarging) is the
    // full-size blur's.
    const int f = radius >= 4 ? 2 : 1;
    const int w = img.width(), h = img.height();
    if (f == 1 || w < 2 * f || h < 2 * f) return blurAlpha(img, radius);
    const int sw = (w + f - 1) / f, sh = (h + f - 1) / f;
    const double wanted = (3 * boxVariance(radius) - (f * f - 1) / 12.0 - f * f / 6.0) / (f * f);
    // Three boxes of about equal width, as the full-size blur's are (a spread matched by boxes
    // of very unequal widths is another shape).
    int radii[3] = {0, 0, 0};
    double best = -1;
    for (int k = 0; k <= radius; ++k)
        for (int wider = 0; wider <= 3; ++wider) {
            const int r[3] = {k + (wider > 0), k + (wider > 1), k + (wider > 2)};
            const double miss = std::abs(boxVariance(r[0]) + boxVariance(r[1]) + boxVariance(r[2]) - wanted);
            if (best < 0 || miss < best) {
                best = miss;
                std::copy(std::begin(r), std::end(r), std::begin(radii));
            }
        }
    uchar* const bits = img.bits();
    const qsizetype stride = img.bytesPerLine();
    std::vector<int> sums(size_t(sw) * size_t(sh));
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(bits + qsizetype(y) * stride);
        int* out = sums.data() + size_t(y / f) * size_t(sw);
        for (int sx = 0, x = 0; sx < sw; ++sx)
            for (int k = 0; k < f && x < w; ++k, ++x) out[sx] += int(qAlpha(row[x]));
    }
    // Beyond the edges the picture is clear, as for the full-size blur.
    std::vector<uint8_t> plane(sums.size());
    for (size_t i = 0; i < sums.size(); ++i) plane[i] = uint8_t((sums[i] + f * f / 2) / (f * f));
    blurPlane(plane, sw, sh, radii);
    // Enlarged by linear interpolation between the small picture's pixel centres: along each
    // small row first, then between two such rows.
    struct Step {
        int from, to, weight;  // the two neighbours (clamped to the picture) and the second's share of 256
    };
    auto steps = [f](int length, int small) {
        std::vector<Step> out(static_cast<size_t>(length));
        for (int i = 0; i < length; ++i) {
            const double u = (i + 0.5) / f - 0.5;
            const int at = int(std::floor(u));
            out[size_t(i)] = {std::clamp(at, 0, small - 1), std::clamp(at + 1, 0, small - 1), int(std::lround((u - at) * 256))};
        }
        return out;
    };
    const std::vector<Step> across = steps(w, sw), down = steps(h, sh);
    std::vector<uint16_t> wide(size_t(w) * size_t(sh));
    for (int sy = 0; sy < sh; ++sy) {
        const uint8_t* in = plane.data() + size_t(sy) * size_t(sw);
        uint16_t* out = wide.data() + size_t(sy) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const Step& s = across[size_t(x)];
            out[x] = uint16_t(in[s.from] * (256 - s.weight) + in[s.to] * s.weight);
        }
    }
    for (int y = 0; y < h; ++y) {
        const Step& s = down[size_t(y)];
        const uint16_t* top = wide.data() + size_t(s.from) * size_t(w);
        const uint16_t* bottom = wide.data() + size_t(s.to) * size_t(w);
        QRgb* row = reinterpret_cast<QRgb*>(bits + qsizetype(y) * stride);
        for (int x = 0; x < w; ++x)
            row[x] = QRgb((top[x] * (256 - s.weight) + bottom[x] * s.weight + (1 << 15)) >> 16) << 24;
    }
}
