#include "ui/ScoreRing.h"

#include "ui/PaintedText.h"

#include <QAccessibleWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>

#include <array>
#include <cmath>
#include <vector>

// The pictures a ring paints from. The track changes only with the size and the
// appearance; the arc's shape, its glow and the arc itself are brought from the fraction
// they hold to a new one by redrawing only the stretch between the two ends.
struct ScoreRing::Pictures {
    // What they were made for.
    QSize pixels;
    qreal dpr = 0;
    qreal lineWidth = 0;
    Theme::Appearance appearance = Theme::Appearance::Light;
    int gradientGeneration = -1;
    QGradientStops stops;  // resolved
    double shapeFraction = -1;  // the arc the shape and the glow hold; below 0: none yet
    double arcFraction = -1;    // the arc the arc picture holds; below 0: none yet

    QImage track;                // the faint full circle
    QImage fullShape;            // the whole ring's stroke (alpha only)
    QImage fullArc;              // the whole ring in the gradient
    QImage shape;                // the arc stroked with round caps (alpha only)
    QImage glow;                 // the shape blurred, in the glow colour at the glow's opacity
    QImage arc;                  // the arc in its gradient, with solid caps
    std::array<QRgb, 256> tint;  // glow colour per blurred coverage
    // Per pixel: its angle clockwise from twelve o'clock (radians); shared by the copies a
    // settled ring hands on, for it changes only with the size.
    std::shared_ptr<const std::vector<float>> angles;
    std::vector<quint32> scratch;  // the blur's working area, kept from frame to frame
    PictureCounts counts;
};

namespace {

constexpr double kGlowOpacity = 0.6;
constexpr int kGlowBlur = 3;      // the box's half-width; three boxes each way
constexpr int kGlowPasses = 3;

// The glow's alpha: three box blurs across and three down (close to a Gaussian) of the
// shape's alpha inside `target`, read from the shape around it (outside the picture
// counts as empty), written into `glow` through the colour table. Runs on every step of a
// sweep, so it works row by row on two planes of the scratch area, without allocating.
void blurInto(const QImage& shape, QImage& glow, const QRect& target, int radius,
              const std::array<QRgb, 256>& tint, std::vector<quint32>& scratch)
{
    const int reach = kGlowPasses * radius;
    const QRect window = target.adjusted(-reach, -reach, reach, reach) & shape.rect();
    if (window.isEmpty()) return;
    const int w = window.width(), h = window.height();
    const size_t cells = size_t(w) * size_t(h);
    if (scratch.size() < 2 * cells + size_t(w)) scratch.resize(2 * cells + size_t(w));
    quint32* a = scratch.data();
    quint32* b = a + cells;
    quint32* sums = b + cells;
    for (int y = 0; y < h; ++y) {
        const uchar* from = shape.constScanLine(window.top() + y) + window.left();
        quint32* to = a + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) to[x] = from[x];
    }
    // A box's mean, truncated, by a multiplication: exact for sums of up to 255 per cell.
    const quint32 box = quint32(2 * radius + 1);
    const quint32 inverse = (65536 + box - 1) / box;
    auto across = [&](const quint32* from, quint32* to) {
        for (int y = 0; y < h; ++y) {
            const quint32* s = from + size_t(y) * size_t(w);
            quint32* d = to + size_t(y) * size_t(w);
            quint32 sum = 0;
            for (int i = 0; i <= radius && i < w; ++i) sum += s[i];
            for (int i = 0; i < w; ++i) {
                d[i] = (sum * inverse) >> 16;
                if (i - radius >= 0) sum -= s[i - radius];
                if (i + radius + 1 < w) sum += s[i + radius + 1];
            }
        }
    };
    auto down = [&](const quint32* from, quint32* to) {
        std::fill(sums, sums + w, 0u);
        for (int i = 0; i <= radius && i < h; ++i) {
            const quint32* row = from + size_t(i) * size_t(w);
            for (int x = 0; x < w; ++x) sums[x] += row[x];
        }
        for (int i = 0; i < h; ++i) {
            quint32* d = to + size_t(i) * size_t(w);
            for (int x = 0; x < w; ++x) d[x] = (sums[x] * inverse) >> 16;
            if (i - radius >= 0) {
                const quint32* leaving = from + size_t(i - radius) * size_t(w);
                for (int x = 0; x < w; ++x) sums[x] -= leaving[x];
            }
            if (i + radius + 1 < h) {
                const quint32* entering = from + size_t(i + radius + 1) * size_t(w);
                for (int x = 0; x < w; ++x) sums[x] += entering[x];
            }
        }
    };
    static_assert(kGlowPasses == 3, "the passes below alternate between the two planes");
    across(a, b);
    across(b, a);
    across(a, b);
    down(b, a);
    down(a, b);
    down(b, a);
    const QRect out = target & window;
    for (int y = out.top(); y <= out.bottom(); ++y) {
        const quint32* from = a + size_t(y - window.top()) * size_t(w) + (out.left() - window.left());
        QRgb* to = reinterpret_cast<QRgb*>(glow.scanLine(y)) + out.left();
        for (int x = 0; x < out.width(); ++x) to[x] = tint[qMin<quint32>(from[x], 255)];
    }
}

// A premultiplied pixel times k/256.
inline QRgb scaled(QRgb p, uint k)
{
    const uint rb = (((p & 0x00ff00ffu) * k) >> 8) & 0x00ff00ffu;
    const uint ag = (((p >> 8) & 0x00ff00ffu) * k) & 0xff00ff00u;
    return rb | ag;
}

// How much of a pixel at `angle` (clockwise from twelve o'clock) lies in the sector from
// twelve o'clock to `end`, as k/256: the sector's two edges fade over about a pixel,
// measured along a circle of `radius` pixels.
inline uint sectorCoverage(float angle, float end, float radius)
{
    constexpr float kTurn = float(2 * M_PI);
    const float inside = angle <= end ? std::min(angle, end - angle) : -std::min(angle - end, kTurn - angle);
    const float c = 0.5f + inside * radius;
    return c <= 0 ? 0u : c >= 1 ? 256u : uint(c * 256.0f + 0.5f);
}

QImage blankPicture(const QSize& pixels, qreal dpr, QImage::Format format)
{
    QImage image(pixels, format);
    image.setDevicePixelRatio(dpr);
    image.fill(0);
    return image;
}

}  // namespace

ScoreRing::ScoreRing(double progress, qreal lineWidth, AngularGradient gradient, QWidget* parent)
    : QWidget(parent), progress_(progress), lineWidth_(lineWidth), gradient_(std::move(gradient)), stops_(gradient_.stops)
{
    setObjectName(QStringLiteral("scoreRing"));
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&shown_, &ClockedMotion::valueChanged, this, &ScoreRing::shownChanged);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    // With motion reduced there is no sweep to wait for: the value is there from the start.
    if (Theme::reduceMotion()) shown_.setValue(clampProgress(progress_));
    drawn_ = arcFraction();
}

ScoreRing::~ScoreRing() = default;

double ScoreRing::clampProgress(double p)
{
    if (std::isnan(p) || p <= 0) return 0;
    return p > 1 ? 1 : p;
}

double ScoreRing::arcFraction() const { return qMax(shown_.value(), minimumArc_); }

void ScoreRing::setEmptyAtZero(bool empty)
{
    const double minimum = empty ? 0.0 : kMinimumArc;
    if (minimum == minimumArc_) return;
    minimumArc_ = minimum;
    shownChanged();
}

void ScoreRing::setProgress(double progress)
{
    if (progress == progress_ || (std::isnan(progress) && std::isnan(progress_))) return;
    progress_ = progress;
    if (isVisible() || Theme::reduceMotion()) step();
}

void ScoreRing::setGradient(const AngularGradient& gradient)
{
    gradient_ = gradient;
    stops_ = Theme::TintedStops(gradient_.stops);
    ++gradientGeneration_;
    update();
}

void ScoreRing::shownChanged()
{
    const double next = arcFraction();
    if (next == drawn_) return;
    // Most of an ease-out's frames move the arc's end by a sliver of a pixel; they are not
    // worth a repaint. The sweep's last value always shows.
    const bool settled = shown_.value() == shown_.target();
    const QRectF square = ringRect();
    const qreal radius = qMax<qreal>(0, (square.width() - lineWidth_) / 2);
    // The scale the pictures were last made at (asking the widget walks up to its screen:
    // too dear for every frame of a sweep).
    const qreal dpr = pictures_ ? pictures_->dpr : devicePixelRatioF();
    const qreal moved = std::abs(next - drawn_) * 2 * M_PI * radius * dpr;
    if (!settled && moved < kRepaintStep) return;
    const QRectF changed = changedArea(drawn_, next);
    drawn_ = next;
    update(changed.toAlignedRect());
}

QRectF ScoreRing::changedArea(double from, double to) const
{
    if (from > to) std::swap(from, to);
    const QRectF square = ringRect();
    const QPointF c = square.center();
    const qreal r = qMax<qreal>(0, (square.width() - lineWidth_) / 2);
    // The stretch of the stroke's centre line between the two ends (its ends and every
    // quarter it passes), grown by everything drawn around the line: half the stroke (the
    // round cap reaches as far), the blur's reach and a pixel of antialiasing.
    auto at = [&](double fraction) {
        const double a = 2 * M_PI * fraction;  // clockwise from twelve o'clock
        return QPointF(c.x() + r * std::sin(a), c.y() - r * std::cos(a));
    };
    QRectF bounds(at(from), QSizeF(0, 0));
    auto include = [&](QPointF p) {
        bounds.setLeft(qMin(bounds.left(), p.x()));
        bounds.setRight(qMax(bounds.right(), p.x()));
        bounds.setTop(qMin(bounds.top(), p.y()));
        bounds.setBottom(qMax(bounds.bottom(), p.y()));
    };
    include(at(to));
    for (double quarter = std::ceil(from * 4); quarter < to * 4; ++quarter) include(at(quarter / 4));
    const qreal grow = lineWidth_ / 2 + kGlowPasses * kGlowBlur + 2;
    return bounds.adjusted(-grow, -grow, grow, grow) & QRectF(rect());
}

ScoreRing::PictureCounts ScoreRing::pictureCounts() const { return pictures_ ? pictures_->counts : PictureCounts{}; }

void ScoreRing::step()
{
    // The sweep changes what is drawn only by visible steps of the arc's end, and wakes the
    // application only for those.
    const qreal radius = qMax<qreal>(0, (ringRect().width() - lineWidth_) / 2);
    const qreal dpr = pictures_ ? pictures_->dpr : devicePixelRatioF();
    const double step = radius > 0 ? kRepaintStep / (2 * M_PI * radius * dpr) : 0;
    shown_.animateInSteps(clampProgress(progress_), Theme::ringFill(), step);
}

void ScoreRing::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (e->spontaneous()) return;
    // Coming on screen sweeps from empty again.
    if (!Theme::reduceMotion()) shown_.setValue(0);
    step();
}

QConicalGradient ScoreRing::conical(const AngularGradient& g, const QPointF& centre)
{
    // Qt's conical gradient runs counter-clockwise from three o'clock: mirror the stops and
    // start at twelve o'clock, so they read clockwise as the ring draws.
    QConicalGradient q(centre, 90.0 - g.startDegrees);
    QGradientStops mirrored;
    for (auto it = g.stops.crbegin(); it != g.stops.crend(); ++it) mirrored.append({1.0 - it->first, it->second});
    q.setStops(mirrored);
    return q;
}

QColor ScoreRing::colorAt(const AngularGradient& g, double fraction)
{
    if (g.stops.isEmpty()) return {};
    // Stop positions run clockwise from the gradient's start, which lies startDegrees past twelve.
    // (A whole turn is the gradient's end, not its start again.)
    double position = fraction - std::fmod(g.startDegrees, 360.0) / 360.0;
    if (position < 0) position += 1;
    if (position > 1) position -= 1;
    const QGradientStop* before = &g.stops.first();
    if (position <= before->first) return before->second;
    for (const QGradientStop& stop : g.stops) {
        if (stop.first >= position) {
            const double span = stop.first - before->first;
            const double t = span > 0 ? (position - before->first) / span : 1;
            const QColor a = before->second.toRgb(), b = stop.second.toRgb();
            auto mix = [t](float x, float y) { return float(x + (y - x) * t); };
            return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                                    mix(a.alphaF(), b.alphaF()));
        }
        before = &stop;
    }
    return g.stops.last().second;
}

QSize ScoreRing::sizeFor(qreal diameter)
{
    const int side = int(std::ceil(diameter)) + 2 * kGlowMargin;
    return QSize(side, side);
}

QRectF ScoreRing::ringRect() const
{
    const qreal d = qMax<qreal>(0, qMin(width(), height()) - 2 * kGlowMargin);
    return QRectF((width() - d) / 2, (height() - d) / 2, d, d);
}

void ScoreRing::bringPicturesTo(double fraction)
{
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    const Theme::Appearance appearance = Theme::appearance();
    if (!pictures_) pictures_ = std::make_unique<Pictures>();
    Pictures& pic = *pictures_;
    const QRectF square = ringRect();
    const QPointF c = square.center();
    const qreal r = qMax<qreal>(0, (square.width() - lineWidth_) / 2);
    const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);
    const qreal h = lineWidth_ / 2;

    // A new size or line width starts over; so does a new appearance, for every colour
    // (track, glow and gradient) may have changed with it.
    if (pic.pixels != pixels || pic.dpr != dpr || pic.lineWidth != lineWidth_ || pic.appearance != appearance) {
        pic.pixels = pixels;
        pic.dpr = dpr;
        pic.lineWidth = lineWidth_;
        pic.appearance = appearance;
        pic.shapeFraction = -1;
        pic.arcFraction = -1;
        pic.gradientGeneration = -1;
        pic.track = blankPicture(pixels, dpr, QImage::Format_ARGB32_Premultiplied);
        pic.fullShape = blankPicture(pixels, dpr, QImage::Format_Alpha8);
        pic.fullArc = blankPicture(pixels, dpr, QImage::Format_ARGB32_Premultiplied);
        pic.shape = blankPicture(pixels, dpr, QImage::Format_Alpha8);
        pic.glow = blankPicture(pixels, dpr, QImage::Format_ARGB32_Premultiplied);
        pic.arc = blankPicture(pixels, dpr, QImage::Format_ARGB32_Premultiplied);
        {
            QPainter t(&pic.track);
            t.setRenderHint(QPainter::Antialiasing);
            t.setPen(QPen(Theme::primary(0.08), lineWidth_, Qt::SolidLine, Qt::FlatCap));
            t.setBrush(Qt::NoBrush);
            t.drawEllipse(circle);
        }
        {
            QPainter f(&pic.fullShape);
            f.setRenderHint(QPainter::Antialiasing);
            f.setPen(QPen(Qt::black, lineWidth_, Qt::SolidLine, Qt::FlatCap));
            f.setBrush(Qt::NoBrush);
            f.drawEllipse(circle);
        }
        auto angles = std::make_shared<std::vector<float>>(size_t(pixels.width()) * size_t(pixels.height()));
        const QPointF centre = c * dpr;
        // Read only where the ring's stroke has ink: a pixel's angle is taken within the band
        // (with two pixels to spare for the antialiased edges), the rest stays 0.
        const double inner = std::max(0.0, (r - h) * dpr - 2), outer = (r + h) * dpr + 2;
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x) {
                const float dx = float(x + 0.5 - centre.x()), dy = float(centre.y() - (y + 0.5));
                const double d2 = double(dx) * dx + double(dy) * dy;
                if (d2 < inner * inner || d2 > outer * outer) continue;
                // Clockwise from twelve o'clock, 0 … 2π, at the pixel's centre.
                float a = std::atan2(dx, dy);
                if (a < 0) a += float(2 * M_PI);
                (*angles)[size_t(y) * size_t(pixels.width()) + size_t(x)] = a;
            }
        pic.angles = std::move(angles);
        const QColor glow = Theme::brandGlow();
        for (int a = 0; a < 256; ++a) {
            QColor shade = glow;
            shade.setAlphaF(float(glow.alphaF() * kGlowOpacity * a / 255.0));
            pic.tint[size_t(a)] = qPremultiply(shade.rgba());
        }
        ++pic.counts.rebuilds;
    }
    AngularGradient live = gradient_;
    if (pic.gradientGeneration != gradientGeneration_) {
        // The arc in other colours: its shape and glow stay, the arc is drawn again whole.
        pic.gradientGeneration = gradientGeneration_;
        pic.stops = stops_.resolve(appearance);
        pic.arcFraction = -1;
        live.stops = pic.stops;
        pic.fullArc.fill(0);
        QPainter f(&pic.fullArc);
        f.setRenderHint(QPainter::Antialiasing);
        QPainterPath ring;
        ring.arcMoveTo(circle, 90);
        ring.arcTo(circle, 90, -360);
        ring.closeSubpath();
        QPainterPathStroker stroker;
        stroker.setWidth(lineWidth_);
        stroker.setCapStyle(Qt::FlatCap);
        stroker.setJoinStyle(Qt::MiterJoin);
        stroker.setMiterLimit(10);
        f.fillPath(stroker.createStroke(ring), QBrush(conical(live, c)));
    }
    live.stops = pic.stops;
    if (pic.shapeFraction == fraction && pic.arcFraction == fraction) return;

    // The arc is the whole ring cut to the sector from twelve o'clock to its end, so the
    // stretch it already had stays exactly as drawn: only the sector's edge and the end
    // cap move. What a picture must redraw: everything when it holds nothing yet, else the
    // stretch between the two ends (in device pixels; redrawn there only).
    const QRect all(QPoint(0, 0), pixels);
    auto changedPixels = [&](double from) {
        if (from < 0) return all;
        const QRectF area = changedArea(from, fraction);
        return QRectF(area.topLeft() * dpr, area.size() * dpr).toAlignedRect() & all;
    };
    auto clipOf = [dpr](const QRect& device) {
        return QRectF(QPointF(device.topLeft()) / dpr, QSizeF(device.size()) / dpr);
    };
    const double end = 2 * M_PI * fraction;
    const QPointF start(c.x(), c.y() - r);
    const QPointF finish(c.x() + r * std::sin(end), c.y() - r * std::cos(end));
    // Redraws a picture inside `changed`: the whole ring from `whole`, cut to the sector.
    // By hand, pixel by pixel: a painter's path fill of this size costs many times more. The
    // sector's edges need no care beyond this: the caps cover them.
    // A full ring is closed: no ends, so no caps to meet in a seam. An empty one is nothing
    // at all: not even the caps' dot at twelve.
    const bool complete = fraction >= 1, empty = !(fraction > 0);
    const float sectorEnd = float(end), pixelRadius = float(r * dpr);
    auto cutFromWhole = [&](QImage& picture, const QImage& whole, const QRect& changed) {
        const bool alphaOnly = picture.format() == QImage::Format_Alpha8;
        for (int y = changed.top(); y <= changed.bottom(); ++y) {
            const float* angle = pic.angles->data() + size_t(y) * size_t(pixels.width());
            if (alphaOnly) {
                const uchar* from = whole.constScanLine(y);
                uchar* to = picture.scanLine(y);
                for (int x = changed.left(); x <= changed.right(); ++x)
                    to[x] = empty ? 0
                            : from[x] && !complete ? uchar((from[x] * sectorCoverage(angle[x], sectorEnd, pixelRadius)) >> 8)
                                                   : from[x];
            } else {
                const QRgb* from = reinterpret_cast<const QRgb*>(whole.constScanLine(y));
                QRgb* to = reinterpret_cast<QRgb*>(picture.scanLine(y));
                for (int x = changed.left(); x <= changed.right(); ++x)
                    to[x] = empty ? 0
                            : from[x] && !complete ? scaled(from[x], sectorCoverage(angle[x], sectorEnd, pixelRadius))
                                                   : from[x];
            }
        }
    };

    if (pic.shapeFraction != fraction) {
        // The glow's shape: the stroke with round caps (a disc at each end: the half behind
        // the end lies within the stroke anyway).
        const QRect changed = changedPixels(pic.shapeFraction);
        cutFromWhole(pic.shape, pic.fullShape, changed);
        QPainter g(&pic.shape);
        g.setClipRect(clipOf(changed));
        g.setRenderHint(QPainter::Antialiasing);
        g.setPen(Qt::NoPen);
        g.setBrush(Qt::black);
        if (!empty && !complete) {
            g.drawEllipse(start, h, h);
            g.drawEllipse(finish, h, h);
        }
        g.end();
        blurInto(pic.shape, pic.glow, changed, qMax(1, qRound(kGlowBlur * dpr)), pic.tint, pic.scratch);
        pic.shapeFraction = fraction;
        pic.counts.pixelsRedrawn += qint64(changed.width()) * changed.height();
    }
    if (pic.arcFraction == fraction) return;
    const QRect changed = changedPixels(pic.arcFraction);
    // The arc's body with flat ends, and each round cap as the half disc beyond its end in
    // one solid colour. The angular gradient wraps at twelve o'clock: a cap stroked with it
    // would show the end colour on the half of the start cap that lies before twelve. A later
    // part replaces what it covers (a full ring's end cap lies on its start), so translucent
    // colours never darken where they meet.
    cutFromWhole(pic.arc, pic.fullArc, changed);
    QPainter l(&pic.arc);
    l.setClipRect(clipOf(changed));
    l.setRenderHint(QPainter::Antialiasing);
    l.setPen(Qt::NoPen);
    // A half disc of the cap's radius around `at`, on the side `degrees` points to (the
    // painter's angles: counter-clockwise from three o'clock), reaching one pixel back over
    // the body so no antialiased seam shows between them.
    auto halfDisc = [h](QPointF at, qreal degrees) {
        QPainterPath cap;  // one outline: two outlines would leave an antialiased seam
        cap.moveTo(-1, h);
        cap.arcTo(QRectF(-h, -h, 2 * h, 2 * h), -90, 180);
        cap.lineTo(-1, -h);
        cap.closeSubpath();
        QTransform place;
        place.translate(at.x(), at.y());
        place.rotate(-degrees);
        return place.map(cap);
    };
    l.setCompositionMode(QPainter::CompositionMode_Source);
    if (!empty && !complete) {
        // The arc leaves twelve o'clock heading right: its start cap lies to the left.
        l.fillPath(halfDisc(start, 180), colorAt(live, 0));
        // At the end the arc heads 360 × fraction degrees clockwise from rightwards.
        l.fillPath(halfDisc(finish, -360.0 * fraction), colorAt(live, fraction));
    }
    l.end();
    pic.arcFraction = fraction;
    pic.counts.pixelsRedrawn += qint64(changed.width()) * changed.height();
}

void ScoreRing::paintEvent(QPaintEvent*)
{
    if (width() <= 0 || height() <= 0) return;
    // Rings of one size, line, colours and fraction look the same: a new ring (the overview
    // builds its ring anew each time it is shown) starts from the pictures the last settled
    // one was left with, instead of making them again. Kept only once a ring has settled, so
    // a sweep's frames neither copy nor detach them.
    static struct {
        std::unique_ptr<Pictures> pictures;
        double startDegrees = 0;
    } settled;
    const Theme::Appearance appearance = Theme::appearance();
    auto same = [&](const Pictures& p, double startDegrees) {
        const qreal dpr = devicePixelRatioF();
        return p.pixels == (QSizeF(size()) * dpr).toSize() && p.dpr == dpr && p.lineWidth == lineWidth_ &&
               p.appearance == appearance && p.shapeFraction == drawn_ && p.arcFraction == drawn_ &&
               startDegrees == gradient_.startDegrees && p.stops == stops_.resolve(appearance);
    };
    if (!pictures_ && settled.pictures && same(*settled.pictures, settled.startDegrees)) {
        pictures_ = std::make_unique<Pictures>(*settled.pictures);
        pictures_->gradientGeneration = gradientGeneration_;
        pictures_->counts = PictureCounts{1, 0};  // made once for this ring, by copying
    }
    bringPicturesTo(drawn_);
    // Offered once each time the ring comes to rest: a page of rings at rest, repainted
    // under other widgets' frames, would otherwise copy them back and forth on every frame.
    const bool atRest = shown_.value() == shown_.target();
    if (!atRest) settledOffered_ = false;
    if (atRest && !settledOffered_) {
        settledOffered_ = true;
        if (!(settled.pictures && same(*settled.pictures, settled.startDegrees))) {
            // The blur's working area is this ring's alone.
            std::vector<quint32> scratch = std::move(pictures_->scratch);
            settled.pictures = std::make_unique<Pictures>(*pictures_);
            pictures_->scratch = std::move(scratch);
            settled.startDegrees = gradient_.startDegrees;
        }
    }
    QPainter p(this);
    // Back to front: the track, the glow (under the arc, over the track) and the arc.
    p.drawImage(QPointF(0, 0), pictures_->track);
    p.drawImage(QPointF(0, 0), pictures_->glow);
    p.drawImage(QPointF(0, 0), pictures_->arc);
}

namespace {
// The gauge is one element for assistive technology: its title as the name and the value
// text as the value; the ring inside is not a separate element.
class RingGaugeAccessible : public QAccessibleWidget {
public:
    explicit RingGaugeAccessible(RingGauge* gauge) : QAccessibleWidget(gauge, QAccessible::Indicator) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return static_cast<const RingGauge*>(widget())->valueText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* ringGaugeAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("RingGauge") && object && object->isWidgetType())
        if (auto* gauge = qobject_cast<RingGauge*>(object)) return new RingGaugeAccessible(gauge);
    return nullptr;
}
}  // namespace

RingGauge::RingGauge(const QString& title, double value, const QString& valueText, const QColor& tint, qreal size,
                     QWidget* parent)
    : QWidget(parent), title_(title), valueText_(valueText), value_(fitValueText(valueText, size)), size_(size)
{
    setObjectName(QStringLiteral("ringGauge"));
    ring_ = new ScoreRing(value, metrics(size).lineWidth, gradient(tint), this);
    static const bool accessible = [] {
        QAccessible::installFactory(ringGaugeAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void RingGauge::setValue(double value, const QString& valueText)
{
    ring_->setProgress(value);
    if (valueText == valueText_) return;
    const QRect before = valueTextRect().toAlignedRect();
    valueText_ = valueText;
    value_ = fitValueText(valueText_, size_);
    update(before | valueTextRect().toAlignedRect());
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, valueText);
        QAccessible::updateAccessibility(&event);
    }
}

void RingGauge::setTitle(const QString& title)
{
    if (title == title_) return;
    title_ = title;
    setAccessibleName(title);
    updateGeometry();
    update(titleRect().toAlignedRect());
}

void RingGauge::setTint(const QColor& tint) { ring_->setGradient(gradient(tint)); }

void RingGauge::setSurface(Theme::Color surface)
{
    surface_ = surface;
    setAttribute(Qt::WA_OpaquePaintEvent);
    update();
}

RingGauge::Metrics RingGauge::metrics(qreal size) { return {size * 0.1, size * 0.2, size * 0.2 * 0.6, size * 0.12}; }

QFont RingGauge::valueFont(qreal pixelSize) { return Theme::systemFont(pixelSize, QFont::DemiBold); }

qreal RingGauge::textRadius(qreal size) { return size / 2 - metrics(size).inset; }

int RingGauge::largestPixelSize(qreal size) { return qMax(1, qRound(metrics(size).fontSize)); }

int RingGauge::smallestPixelSize(qreal size)
{
    // A hair of tolerance: 60 % of 20 is 12, not 12.000000000000002.
    return qMin(largestPixelSize(size), qMax(1, int(std::ceil(metrics(size).minFontSize - 1e-9))));
}

namespace {
// The line as PaintedText::draw centres it on the ring: its ink relative to the centre.
RingGauge::ValueLine centred(int pixelSize, const QString& text, const PaintedText::LineMetrics& line, bool elided)
{
    const QPointF origin(-line.width / 2, -line.height() / 2 + line.inkAbove + line.ascent);
    QList<QRectF> glyphs;
    glyphs.reserve(line.glyphInk.size());
    for (const QRectF& g : line.glyphInk) glyphs << g.translated(origin);
    return {pixelSize, text, line.width, line.height(), line.ink.translated(origin), glyphs, elided};
}

// Whether every glyph's ink lies inside the circle of `radius` about the centre: a box does
// when its farthest corner does. (The glyphs, not the line's box: a word's corners are
// mostly empty, and the ring is round.)
bool inside(const QList<QRectF>& glyphs, qreal radius)
{
    for (const QRectF& ink : glyphs) {
        const qreal x = qMax(std::abs(ink.left()), std::abs(ink.right()));
        const qreal y = qMax(std::abs(ink.top()), std::abs(ink.bottom()));
        if (x * x + y * y > radius * radius) return false;
    }
    return true;
}
}  // namespace

RingGauge::ValueLine RingGauge::fitValueText(const QString& text, qreal size)
{
    // A live gauge's texts come back again and again (a load of 3 %, 4 %, 3 %): each is
    // shaped and fitted once per size and face.
    struct Fitted {
        QString text;
        qreal size;
        QString face;
        ValueLine line;
    };
    static QList<Fitted> recent;
    constexpr qsizetype kKept = 48;
    const QString face = valueFont(largestPixelSize(size)).key();
    for (qsizetype i = 0; i < recent.size(); ++i) {
        if (recent[i].size != size || recent[i].text != text || recent[i].face != face) continue;
        if (i > 0) recent.move(i, 0);
        return recent.constFirst().line;
    }
    ValueLine line = fitValueTextAfresh(text, size);
    recent.prepend(Fitted{text, size, face, line});
    if (recent.size() > kKept) recent.removeLast();
    return line;
}

RingGauge::ValueLine RingGauge::fitValueTextAfresh(const QString& text, qreal size)
{
    const qreal available = size - 2 * metrics(size).inset;
    const qreal radius = textRadius(size);
    const int smallest = smallestPixelSize(size);
    const QString laid = PaintedText::forLayout(text);
    for (int px = largestPixelSize(size); px >= smallest; --px) {
        const PaintedText::LineMetrics line = PaintedText::measure(valueFont(px), laid);
        const ValueLine fitted = centred(px, laid, line, false);
        if (line.width <= available && inside(fitted.glyphInk, radius)) return fitted;
    }
    // Too long even at the minimum: elided, narrower each time while the shortened line
    // still reaches past the circle (its ellipsis may stand lower than the letters it
    // replaces). An ellipsis alone is as short as the text gets.
    const QFont font = valueFont(smallest);
    qreal width = available;
    const QString ellipsis(QChar(0x2026));
    ValueLine shown;
    for (;; width -= 1) {
        QString line = PaintedText::elided(font, laid, qMax<qreal>(0, width));
        if (line.isEmpty()) line = ellipsis;
        shown = centred(smallest, line, PaintedText::measure(font, line), true);
        if ((shown.width <= available && inside(shown.glyphInk, radius)) || line == ellipsis || width <= 0) break;
    }
    return shown;
}

qreal RingGauge::fittedFontSize(const QString& text, qreal size) { return fitValueText(text, size).pixelSize; }

AngularGradient RingGauge::gradient(const QColor& tint)
{
    QColor light = tint;
    light.setAlphaF(tint.alphaF() * 0.75f);
    return AngularGradient{{{0.0, light}, {1.0, tint}}, 0};
}

QSize RingGauge::sizeHint() const
{
    // The glow's room above and beside the ring; below it the glow fades into the gap
    // over the caption.
    const QFont font = Theme::font(Theme::TextStyle::caption);
    const int s = int(std::ceil(size_));
    const int m = ScoreRing::kGlowMargin;
    // A caption in a fallback face (Japanese, Chinese, Hindi) stands taller than the caption font.
    const PaintedText::LineMetrics caption = PaintedText::measure(font, title_);
    return QSize(qMax(s + 2 * m, int(std::ceil(caption.width))), m + s + 8 + int(std::ceil(caption.height())));
}

QRectF RingGauge::ringRect() const { return QRectF((width() - size_) / 2, ScoreRing::kGlowMargin, size_, size_); }

void RingGauge::resizeEvent(QResizeEvent*)
{
    const QSize s = ScoreRing::sizeFor(size_);
    ring_->setGeometry((width() - s.width()) / 2, 0, s.width(), s.height());
}

QRectF RingGauge::valueTextRect() const
{
    // Where the value text stands: centred in the ring, as wide as the text, with a little
    // room around it for glyphs that reach beyond their advance. The ring's frames mostly
    // miss it, and then need not lay the text out again.
    const qreal line = value_.height + 4, wide = value_.width + 6;
    const QPointF centre = ringRect().center();
    return QRectF(centre.x() - wide / 2, centre.y() - line / 2, wide, line);
}

QRectF RingGauge::titleRect() const
{
    // A caption in a fallback font (Japanese, Chinese, Hindi) stands taller than the caption font.
    const qreal top = ringRect().bottom() + 8;
    if (!captionHeight_ || captionHeight_->first != title_)
        captionHeight_ = std::pair(title_, PaintedText::lineHeight(Theme::font(Theme::TextStyle::caption), title_));
    return QRectF(0, top, width(), qMax(captionHeight_->second, height() - top));
}

const QImage& RingGauge::valuePicture(const QRect& area)
{
    const QRectF textRect = valueTextRect();
    const QRgb colour = Theme::foreground(Theme::Level::primary).rgba();
    const QRgb surface = surface_ ? Theme::color(*surface_).rgba() : 0;
    const qreal dpr = devicePixelRatioF();
    // The last few texts' pictures: a live value goes back and forth between a few texts.
    for (qsizetype i = 0; i < valuePictures_.size(); ++i) {
        const ValuePicture& v = valuePictures_[i];
        if (v.text == value_.text && v.pixelSize == value_.pixelSize && v.rect == textRect && v.colour == colour &&
            v.surface == surface && v.dpr == dpr && v.direction == layoutDirection() && !v.image.isNull() &&
            v.image.size() == (QSizeF(area.size()) * dpr).toSize()) {
            if (i > 0) valuePictures_.move(i, 0);
            return valuePictures_.constFirst().image;
        }
    }
    constexpr qsizetype kKept = 6;
    if (valuePictures_.size() >= kKept) valuePictures_.removeLast();
    valuePictures_.prepend(ValuePicture{});
    ValuePicture& v = valuePictures_.first();
    v = {QImage((QSizeF(area.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied), value_.text, value_.pixelSize,
         textRect, colour, surface, dpr, layoutDirection()};
    v.image.setDevicePixelRatio(dpr);
    // On the surface it is shown on (when known): the text antialiases against it as when drawn in place.
    v.image.fill(surface_ ? QColor::fromRgba(surface) : QColor(Qt::transparent));
    QPainter p(&v.image);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(valueFont(value_.pixelSize));
    p.setPen(QColor::fromRgba(colour));
    // Where it stands in the gauge, less the picture's own corner: the same pixels as in place.
    // Already fitted: the box's slack only keeps a hinted advance from eliding it again.
    PaintedText::draw(p, textRect.translated(-QPointF(area.topLeft())), Qt::AlignCenter, value_.text, Qt::ElideNone);
    return v.image;
}

void RingGauge::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (surface_) p.fillRect(e->rect(), Theme::color(*surface_));
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF textRect = valueTextRect();
    const QRect textArea = textRect.toAlignedRect();
    if (e->rect().intersects(textArea)) p.drawImage(textArea.topLeft(), valuePicture(textArea));
    const QRectF caption = titleRect();
    if (e->rect().intersects(caption.toAlignedRect())) {
        const QFont font = Theme::font(Theme::TextStyle::caption);
        p.setFont(font);
        p.setPen(Theme::foreground(Theme::Level::secondary));
        PaintedText::draw(p, caption, Qt::AlignHCenter | Qt::AlignTop, title_);
    }
}
