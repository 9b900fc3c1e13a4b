#include "monitor/ThinStroke.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

struct Vec {
    double x = 0;
    double y = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
double length(Vec a) { return std::hypot(a.x, a.y); }
Vec normalised(Vec a)
{
    const double l = length(a);
    return l > 0 ? Vec{a.x / l, a.y / l} : Vec{};
}
Vec leftOf(Vec u) { return {-u.y, u.x}; }

// A half-plane with a soft edge: a pixel whose centre lies d beyond the edge (k·p - c = d)
// keeps 0.5 - d of its area, clamped to 0…1. Two pieces that meet along one edge take it
// with opposite signs, so their shares of every pixel on it add up to the whole.
struct Plane {
    Vec k;
    double c = 0;
};

// One convex piece of the stroke: a segment's band between its two edges (unless it is a
// join's filler), cut by up to four half-planes across it (its ends) and by up to two bevels.
struct Piece {
    bool band = true;
    Vec n;           // the band's unit normal
    double nc = 0;   // n · a point on its centre line
    double h = 0;    // half the pen
    std::array<Plane, 4> planes;
    int count = 0;
    std::array<Plane, 2> bevels;
    int bevelCount = 0;
    double left = 0, top = 0, right = 0, bottom = 0;  // device pixels
    void add(Vec k, double c) { planes[size_t(count++)] = Plane{k, c}; }
    void addBevel(const Plane& k) { bevels[size_t(bevelCount++)] = k; }
    void cover(Vec p, double r)
    {
        left = std::min(left, p.x - r);
        right = std::max(right, p.x + r);
        top = std::min(top, p.y - r);
        bottom = std::max(bottom, p.y + r);
    }
};

// The share of a pixel (centre at distance t from the centre line, across it) that a band of
// half-width h covers: exact for a band along the pixel grid, close for any other.
inline float bandShare(float t, float h) { return std::max(0.0f, std::min(t + 0.5f, h) - std::max(t - 0.5f, -h)); }
inline float planeShare(float d) { return std::clamp(0.5f - d, 0.0f, 1.0f); }

// The exact share of the pixel at (x, y) inside every plane (k · p <= c): the square clipped
// plane by plane. Used where a cut crosses the pixel, so that the shares of two pieces meeting
// there add up to what their union covers, however steeply their edges run to each other.
float clippedShare(double x, double y, const Plane* const* planes, int count)
{
    // A square cut by up to eight lines has at most twelve corners.
    Vec one[16] = {Vec{x, y}, Vec{x + 1, y}, Vec{x + 1, y + 1}, Vec{x, y + 1}};
    Vec two[16];
    Vec* from = one;
    Vec* to = two;
    int n = 4;
    for (int i = 0; i < count && n > 0; ++i) {
        const Plane& k = *planes[i];
        int m = 0;
        Vec p = from[n - 1];
        double dp = dot(k.k, p) - k.c;
        for (int j = 0; j < n; ++j) {
            const Vec q = from[j];
            const double dq = dot(k.k, q) - k.c;
            if ((dp < 0 && dq > 0) || (dp > 0 && dq < 0)) to[m++] = p + (dp / (dp - dq)) * (q - p);
            if (dq <= 0) to[m++] = q;
            p = q;
            dp = dq;
        }
        std::swap(from, to);
        n = std::min(m, 12);
    }
    double area = 0;
    for (int j = 0; j < n; ++j) area += cross(from[j], from[(j + 1) < n ? j + 1 : 0]);
    return float(std::clamp(std::abs(area) / 2, 0.0, 1.0));
}

// Where a piece's pixels collect: coverage summed per pixel over the line's box, and, per
// column, the rows any piece reached, so that only those are turned into colour; they are
// drawn kRun columns at a time.
constexpr int kRun = 16;

struct Canvas {
    int ox = 0, oy = 0, width = 0, height = 0;
    std::vector<float>* cells = nullptr;
    std::vector<std::pair<int, int>> rows;  // per column: first and last row reached

    // Narrows [lo, hi] (pixel columns) to where a linear function a·px + b of the pixel
    // centre's x stays below `limit`; false when no column is left.
    static bool below(double a, double b, double limit, double& lo, double& hi)
    {
        if (std::abs(a) < 1e-12) return b < limit;
        const double edge = (limit - b) / a;  // in column numbers
        if (a > 0) hi = std::min(hi, std::ceil(edge));
        else lo = std::max(lo, std::floor(edge));
        return lo <= hi;
    }

    void paint(const Piece& piece)
    {
        const int x0 = std::max(0, int(std::floor(piece.left)) - ox);
        const int x1 = std::min(width - 1, int(std::ceil(piece.right)) - ox);
        const int y0 = std::max(0, int(std::floor(piece.top)) - oy);
        const int y1 = std::min(height - 1, int(std::ceil(piece.bottom)) - oy);
        if (x0 > x1 || y0 > y1) return;
        const float h = float(piece.h);
        // Every edge of the piece, for the pixels a cut crosses.
        std::array<Plane, 8> all;
        int total = 0;
        if (piece.band) {
            all[size_t(total++)] = Plane{piece.n, piece.nc + piece.h};
            all[size_t(total++)] = Plane{-1.0 * piece.n, -piece.nc + piece.h};
        }
        const int cutsFrom = total;
        for (int i = 0; i < piece.count; ++i) all[size_t(total++)] = piece.planes[size_t(i)];
        for (int i = 0; i < piece.bevelCount; ++i) all[size_t(total++)] = piece.bevels[size_t(i)];
        // How far from a pixel's centre an edge can cross the pixel, and which cuts run closer
        // to the band's direction than to across it.
        std::array<double, 8> reachOf;
        std::array<bool, 8> alongBand;
        for (int i = 0; i < total; ++i) {
            const Vec k = all[size_t(i)].k;
            reachOf[size_t(i)] = (std::abs(k.x) + std::abs(k.y)) / 2;
            alongBand[size_t(i)] = !piece.band || std::abs(dot(k, piece.n)) > 0.5;
        }
        for (int y = y0; y <= y1; ++y) {
            const double py = oy + y + 0.5;
            double lo = x0;
            double hi = x1;
            bool any = true;
            // Columns where the band can reach, and where no half-plane leaves nothing.
            if (piece.band) {
                const double b = piece.n.y * py - piece.nc + piece.n.x * (ox + 0.5);
                any = below(piece.n.x, b, piece.h + 0.5, lo, hi) && below(-piece.n.x, -b, piece.h + 0.5, lo, hi);
            }
            for (int i = cutsFrom; any && i < total; ++i) {
                const Plane& k = all[size_t(i)];
                any = below(k.k.x, k.k.y * py - k.c + k.k.x * (ox + 0.5), 0.75, lo, hi);
            }
            if (!any) continue;
            const int from = std::max(x0, int(lo));
            const int to = std::min(x1, int(hi));
            if (from > to) continue;
            float* cell = cells->data() + size_t(y) * size_t(width);
            for (int x = from; x <= to; ++x) {
                const double px = ox + x + 0.5;
                float share = piece.band ? bandShare(float(piece.n.x * px + piece.n.y * py - piece.nc), h) : 1.0f;
                if (share <= 0) continue;
                // A cut that crosses the pixel: where it runs nearly along the band (a sharp
                // join's bisector, a bevel), or a second cut crosses it too, the shares would
                // not multiply, so the pixel takes its exact share, clipped by the edges that
                // reach into it; a single cut across the band multiplies the band's share by
                // its own.
                bool exact = false;
                bool outside = false;
                float across = 1.0f;
                const Plane* reaching[8];
                int reached = 0;
                for (int i = 0; i < total; ++i) {
                    const Plane& k = all[size_t(i)];
                    const double d = k.k.x * px + k.k.y * py - k.c;
                    const double reach = reachOf[size_t(i)];
                    if (d >= reach) {
                        outside = true;
                        break;
                    }
                    if (d > -reach) {
                        reaching[reached++] = &k;
                        if (i >= cutsFrom) {
                            if (alongBand[size_t(i)]) exact = true;
                            // Two cuts across one pixel (both ends of a piece shorter than a
                            // pixel, a dash's among them) overlap rather than multiply.
                            else if (across < 1.0f) exact = true;
                            else across *= planeShare(float(d));
                        }
                    }
                }
                if (outside) continue;
                share = exact ? clippedShare(px - 0.5, py - 0.5, reaching, reached) : share * across;
                if (share > 0) {
                    cell[x] += share;
                    auto& [first, last] = rows[size_t(x)];
                    first = std::min(first, y);
                    last = std::max(last, y);
                }
            }
        }
    }
};

// The joins' and ends' cuts of one run of points (a whole line, or one dash of it).
void addRun(const std::vector<Vec>& points, double h, Qt::PenJoinStyle join, double limit, std::vector<Piece>& out)
{
    std::vector<Vec> q;
    q.reserve(points.size());
    for (const Vec& v : points)
        if (q.empty() || length(v - q.back()) > 1e-9) q.push_back(v);
    const size_t m = q.size();
    if (m < 2) return;
    std::vector<Vec> u(m - 1);
    std::vector<double> len(m - 1);
    for (size_t j = 0; j + 1 < m; ++j) {
        len[j] = length(q[j + 1] - q[j]);
        u[j] = normalised(q[j + 1] - q[j]);
    }
    const size_t first = out.size();
    for (size_t j = 0; j + 1 < m; ++j) {
        Piece s;
        s.n = leftOf(u[j]);
        s.nc = dot(s.n, q[j]);
        s.h = h;
        s.left = s.right = q[j].x;
        s.top = s.bottom = q[j].y;
        out.push_back(s);
    }
    auto segment = [&](size_t j) -> Piece& { return out[first + j]; };
    // Butt ends.
    segment(0).add(-1.0 * u[0], -dot(u[0], q[0]));
    segment(0).cover(q[0], h + 1);
    segment(m - 2).add(u[m - 2], dot(u[m - 2], q[m - 1]));
    segment(m - 2).cover(q[m - 1], h + 1);
    for (size_t j = 1; j + 1 < m; ++j) {
        const Vec v = q[j];
        const Vec a = u[j - 1];
        const Vec b = u[j];
        Piece& before = segment(j - 1);
        Piece& after = segment(j);
        const double turnCos = std::clamp(dot(a, b), -1.0, 1.0);
        if (turnCos < -0.9999) {
            // Straight back on itself: two butt ends.
            before.add(a, dot(a, v));
            after.add(-1.0 * b, -dot(b, v));
            before.cover(v, h + 1);
            after.cover(v, h + 1);
            continue;
        }
        const double halfCos = std::sqrt((1 + turnCos) / 2);
        const double halfTan = std::sqrt(std::max(0.0, 1 - turnCos) / (1 + turnCos));
        // A turn too slight for a bevel to take anything off keeps its miter.
        const bool mitred = (join != Qt::BevelJoin && 1 / halfCos <= limit) || turnCos > 1 - 1e-9;
        const double side = cross(a, b) > 0 ? -1 : 1;  // the outer side, along the normals
        const Vec outward = side * normalised(leftOf(a) + leftOf(b));
        const Plane bevel{outward, dot(outward, v) + h * halfCos};
        // How far past the point the join's corners lie along each segment.
        if (h * halfTan <= 0.5 * std::min(len[j - 1], len[j])) {
            // The two bands meet along the bisector; a bevel cuts the tip.
            const Vec k = normalised(a + b);
            before.add(k, dot(k, v));
            after.add(-1.0 * k, -dot(k, v));
            if (!mitred) {
                before.addBevel(bevel);
                after.addBevel(bevel);
            }
            // The corners on the bisector, half the pen over the half turn's cosine out.
            const Vec across = (h / halfCos) * normalised(leftOf(a) + leftOf(b));
            for (Piece* piece : {&before, &after}) {
                piece->cover(v + across, 1);
                piece->cover(v - across, 1);
            }
            continue;
        }
        // Too sharp a turn for its short segments: both end square at the point, they overlap
        // on the inner side, and a filler closes the wedge between them on the outer side.
        before.add(a, dot(a, v));
        after.add(-1.0 * b, -dot(b, v));
        before.cover(v, h + 1);
        after.cover(v, h + 1);
        Piece filler;
        filler.band = false;
        filler.left = filler.right = v.x;
        filler.top = filler.bottom = v.y;
        filler.add(-1.0 * a, -dot(a, v));
        filler.add(b, dot(b, v));
        const Vec na = side * leftOf(a);
        const Vec nb = side * leftOf(b);
        filler.cover(v + h * na, 1);
        filler.cover(v + h * nb, 1);
        if (mitred) {
            filler.add(na, dot(na, v) + h);
            filler.add(nb, dot(nb, v) + h);
            filler.cover(v + (h / halfCos) * outward, 1);
        } else {
            filler.addBevel(bevel);
        }
        out.push_back(filler);
    }
}

// The runs of points a dash pattern leaves on (lengths in device pixels).
std::vector<std::vector<Vec>> dashed(const std::vector<Vec>& q, const std::vector<double>& pattern, double offset)
{
    std::vector<std::vector<Vec>> runs;
    double total = 0;
    for (double d : pattern) total += d;
    if (q.size() < 2 || total <= 0) return {q};
    size_t index = 0;
    double left = std::fmod(std::max(0.0, offset), total);
    while (left >= pattern[index]) {
        left -= pattern[index];
        index = (index + 1) % pattern.size();
    }
    double remaining = pattern[index] - left;  // of the current dash or gap
    bool on = index % 2 == 0;
    std::vector<Vec> run;
    if (on) run.push_back(q[0]);
    for (size_t j = 0; j + 1 < q.size(); ++j) {
        Vec at = q[j];
        double segment = length(q[j + 1] - at);
        const Vec dir = normalised(q[j + 1] - at);
        while (segment > remaining) {
            at = at + remaining * dir;
            segment -= remaining;
            if (on) {
                run.push_back(at);
                runs.push_back(std::move(run));
                run.clear();
            } else {
                run.push_back(at);
            }
            on = !on;
            index = (index + 1) % pattern.size();
            remaining = pattern[index];
        }
        remaining -= segment;
        if (on) run.push_back(q[j + 1]);
    }
    if (on && run.size() >= 2) runs.push_back(std::move(run));
    return runs;
}

}  // namespace

bool ThinStroke::handles(const QPainter& p, const QPen& pen)
{
    const Qt::PenJoinStyle join = pen.joinStyle();
    return p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster && p.testRenderHint(QPainter::Antialiasing) &&
           p.worldTransform().type() <= QTransform::TxTranslate && pen.style() != Qt::NoPen &&
           pen.brush().style() == Qt::SolidPattern && pen.capStyle() == Qt::FlatCap && pen.widthF() > 0 && !pen.isCosmetic() &&
           (join == Qt::MiterJoin || join == Qt::SvgMiterJoin || join == Qt::BevelJoin);
}

void ThinStroke::draw(QPainter& p, const QPolygonF& line, const QPen& pen, const QRectF& clip)
{
    if (line.size() < 2) return;
    auto byQt = [&] {
        p.setPen(pen);
        p.drawPolyline(line);
    };
    if (!handles(p, pen)) return byQt();
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QPointF shift(p.worldTransform().dx(), p.worldTransform().dy());
    const double width = pen.widthF() * dpr;
    const double h = width / 2;

    // The points on the screen's pixels, repeated points dropped (they have no direction).
    std::vector<Vec> q;
    q.reserve(size_t(line.size()));
    for (const QPointF& point : line) {
        const Vec v{(point.x() + shift.x()) * dpr, (point.y() + shift.y()) * dpr};
        if (!std::isfinite(v.x) || !std::isfinite(v.y)) continue;
        if (!q.empty() && q.back().x == v.x && q.back().y == v.y) continue;
        // A point in line with the two around it (a level run) changes nothing but the sums
        // that reach each pixel: it goes, so that the run strokes exactly as its ends alone.
        if (q.size() >= 2) {
            const Vec in = q.back() - q[q.size() - 2];
            const Vec out = v - q.back();
            if (dot(in, out) > 0 && std::abs(cross(in, out)) <= 1e-12 * length(in) * length(out)) q.pop_back();
        }
        q.push_back(v);
    }
    if (q.size() < 2) return;

    std::vector<Piece> pieces;
    pieces.reserve(q.size() * 2);
    const double limit = std::max(1.0, pen.miterLimit());
    if (pen.style() == Qt::SolidLine) {
        addRun(q, h, pen.joinStyle(), limit, pieces);
    } else {
        std::vector<double> pattern;
        for (qreal d : pen.dashPattern()) pattern.push_back(std::max(0.0, d * width));
        if (pattern.size() % 2) pattern.insert(pattern.end(), pattern.begin(), pattern.end());
        for (const std::vector<Vec>& run : dashed(q, pattern, pen.dashOffset() * width))
            addRun(run, h, pen.joinStyle(), limit, pieces);
    }
    if (pieces.empty()) return;

    // The box that collects the coverage: the pieces' reach inside the clip.
    double left = pieces[0].left, top = pieces[0].top, right = pieces[0].right, bottom = pieces[0].bottom;
    for (const Piece& piece : pieces) {
        left = std::min(left, piece.left);
        top = std::min(top, piece.top);
        right = std::max(right, piece.right);
        bottom = std::max(bottom, piece.bottom);
    }
    const QRectF deviceClip((clip.left() + shift.x()) * dpr, (clip.top() + shift.y()) * dpr, clip.width() * dpr,
                            clip.height() * dpr);
    Canvas canvas;
    canvas.ox = int(std::floor(std::max(left, deviceClip.left())));
    canvas.oy = int(std::floor(std::max(top, deviceClip.top())));
    canvas.width = int(std::ceil(std::min(right, deviceClip.right()))) - canvas.ox + 1;
    canvas.height = int(std::ceil(std::min(bottom, deviceClip.bottom()))) - canvas.oy + 1;
    if (canvas.width <= 0 || canvas.height <= 0) return;
    // A clip far larger than a chart: Qt's stroke, rather than a buffer of that size.
    if (qint64(canvas.width) * canvas.height > (qint64(1) << 24)) return byQt();
    // Kept between strokes, and left all zero after each.
    thread_local std::vector<float> cells;
    const size_t needed = size_t(canvas.width) * size_t(canvas.height);
    if (cells.size() < needed) cells.assign(needed, 0.0f);
    canvas.cells = &cells;
    canvas.rows.assign(size_t(canvas.width), {canvas.height, -1});
    for (const Piece& piece : pieces) canvas.paint(piece);

    // Coverage to premultiplied colour, column by column over the rows reached; the picture
    // is kept all transparent between strokes, so a run's rectangle needs no clearing.
    const QColor colour = pen.color();
    const float alpha = float(colour.alphaF());
    const std::array<float, 4> premultiplied{float(colour.redF()) * alpha * 255, float(colour.greenF()) * alpha * 255,
                                             float(colour.blueF()) * alpha * 255, alpha * 255};
    thread_local QImage image;
    if (image.width() < canvas.width || image.height() < canvas.height) {
        image = QImage(std::max(canvas.width, image.width()), std::max(canvas.height, image.height()),
                       QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    image.setDevicePixelRatio(dpr);
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    auto pixelAt = [&](int x, int y) { return reinterpret_cast<QRgb*>(bits + y * stride) + x; };
    for (int x0 = 0; x0 < canvas.width; x0 += kRun) {
        const int x1 = std::min(canvas.width, x0 + kRun);
        int first = canvas.height;
        int last = -1;
        for (int x = x0; x < x1; ++x) {
            const auto [top, bottom] = canvas.rows[size_t(x)];
            first = std::min(first, top);
            last = std::max(last, bottom);
            for (int y = top; y <= bottom; ++y) {
                float& cell = cells[size_t(y) * size_t(canvas.width) + size_t(x)];
                // On a grid of 1/4096 first: the same ink reached by different sums rounds to
                // the same shade.
                const float share = float(int(std::min(cell, 1.0f) * 4096.0f + 0.5f)) / 4096.0f;
                cell = 0;
                *pixelAt(x, y) = share > 0 ? qRgba(int(premultiplied[0] * share + 0.5f), int(premultiplied[1] * share + 0.5f),
                                                   int(premultiplied[2] * share + 0.5f), int(premultiplied[3] * share + 0.5f))
                                           : 0;
            }
        }
        if (first > last) continue;
        const QRectF source(x0, first, x1 - x0, last - first + 1);
        const QPointF target((canvas.ox + x0) / dpr - shift.x(), (canvas.oy + first) / dpr - shift.y());
        p.drawImage(target, image, source);
        for (int x = x0; x < x1; ++x) {
            const auto [top, bottom] = canvas.rows[size_t(x)];
            for (int y = top; y <= bottom; ++y) *pixelAt(x, y) = 0;
        }
    }
}
