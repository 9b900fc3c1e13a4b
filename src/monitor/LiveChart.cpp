#include "monitor/LiveChart.h"

#include "monitor/ThinStroke.h"
#include "ui/Formatters.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QColor withOpacity(QColor c, double opacity)
{
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
}

// Not-a-number and infinities draw at the bottom; the series keep what they were given.
double drawable(double v) { return std::isfinite(v) ? v : 0.0; }

// Qt's antialiasing rasteriser keeps each pixel row's cells in a sorted list it walks from the
// head for every new cell, so one path across the whole plot costs with the square of its
// width: a flat line at an idle machine's level fills rows of hundreds of cells. Drawn as
// narrow strips instead, each clipped to its own columns and given every segment that can reach
// them, every pixel is drawn once, from the same edges, and comes out as the whole path would
// have painted it. `reach(i)` is how far from segment i (points i and i + 1) its paint can
// land; `draw` gets the run of points for one strip; `clip` is the clip kept around them all.
constexpr int kStripWidth = 48;

template <class Reach, class Draw>
void inStrips(QPainter& p, const QPolygonF& line, Reach reach, const QRectF& clip, Draw draw)
{
    const QRectF bounds = line.boundingRect();
    if (line.size() < 3 || bounds.width() < 2 * kStripWidth) {
        draw(0, int(line.size()));
        return;
    }
    const QRect columns = clip.toAlignedRect();
    const int left = std::max(columns.left(), int(std::floor(bounds.left())) - kStripWidth);
    const int right = std::min(columns.right() + 1, int(std::ceil(bounds.right())) + kStripWidth);
    for (int x0 = left; x0 < right; x0 += kStripWidth) {
        const int x1 = std::min(right, x0 + kStripWidth);
        int lo = -1;
        int hi = -1;
        for (int i = 0; i + 1 < line.size(); ++i) {
            const qreal r = reach(i);
            const qreal a = std::min(line[i].x(), line[i + 1].x()) - r;
            const qreal b = std::max(line[i].x(), line[i + 1].x()) + r;
            if (b >= x0 && a <= x1) {
                if (lo < 0) lo = i;
                hi = i + 1;
            }
        }
        if (lo < 0) continue;
        p.setClipRect(QRect(x0, columns.top(), x1 - x0, columns.height()));
        draw(lo, hi - lo + 1);
    }
    p.setClipRect(clip);
}

// Exactly level runs (a network at rest, a load pinned at the top) as their two ends: a stroke or
// an area's edge along a level run paints the same pixels through its inner points as without
// them, and the rasteriser no longer walks a cell list per point. With the runs gone, a chart
// whose series only slid along a level line shows the same polylines as before.
QPolygonF withoutLevelRuns(const QPolygonF& line)
{
    if (line.size() < 3) return line;
    QPolygonF kept;
    kept.reserve(line.size());
    kept << line[0];
    for (qsizetype i = 1; i + 1 < line.size(); ++i)
        if (!(line[i - 1].y() == line[i].y() && line[i].y() == line[i + 1].y())) kept << line[i];
    kept << line.constLast();
    return kept;
}

bool samePoints(const QPolygonF& a, const QPolygonF& b)
{
    // Exactly: QPointF's own comparison forgives differences a paint could show.
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].x() != b[i].x() || a[i].y() != b[i].y()) return false;
    return true;
}

}  // namespace

LiveChart::LiveChart(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind)
{
    setObjectName(QStringLiteral("liveChart"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumWidth(80);
    setFont(Theme::font(Theme::TextStyle::caption));
    if (kind_ == Kind::network) {
        const NetworkScale::Axis a = NetworkScale::axis(0);
        setMarks(a.ticks, a.top);
    } else {
        setMarks(percentMarks(), 1.0);
    }
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

LiveChart::~LiveChart() = default;

void LiveChart::setSurface(Theme::Color surface)
{
    surface_ = surface;
    setAttribute(Qt::WA_OpaquePaintEvent);
    update();
}

QSize LiveChart::sizeHint() const { return QSize(300, 140); }
QSize LiveChart::minimumSizeHint() const { return QSize(80, 60); }

void LiveChart::setPoints(const QList<MonitorModel::Point>& points)
{
    first_.clear();
    second_.clear();
    first_.reserve(points.size());
    second_.reserve(points.size());
    double largest = 0;
    // Seconds before the newest point: the newest is at 0.
    const QDateTime newest = points.isEmpty() ? QDateTime() : points.constLast().date;
    for (const MonitorModel::Point& p : points) {
        const double x = double(newest.msecsTo(p.date)) / 1000.0;
        switch (kind_) {
        case Kind::processor:
            first_ << QPointF(x, p.cpu);
            second_ << QPointF(x, p.cpu);
            break;
        case Kind::memory:
            first_ << QPointF(x, p.memory);
            second_ << QPointF(x, p.pressure);
            break;
        case Kind::network:
            first_ << QPointF(x, p.networkIn);
            second_ << QPointF(x, p.networkOut);
            if (std::isfinite(p.networkIn)) largest = std::max(largest, p.networkIn);
            if (std::isfinite(p.networkOut)) largest = std::max(largest, p.networkOut);
            break;
        }
    }
    oldest_ = first_.isEmpty() ? -1 : std::min(first_.constFirst().x(), -1.0);
    if (kind_ == Kind::network) {
        const NetworkScale::Axis axis = NetworkScale::axis(largest);
        if (axis.ticks != marks_ || axis.top != top_) setMarks(axis.ticks, axis.top);
    }
    // A sample that leaves every line where it was drawn (a level series moving along itself)
    // changes no pixel: no repaint then. Anything else that changes the picture (size,
    // labels, colours, direction) asks for its own.
    if (painted_ && !first_.isEmpty()) {
        const QRectF plot = plotRect();
        if (plot == painted_->plot && samePoints(shownLine(plot, first_), painted_->first) &&
            samePoints(shownLine(plot, second_), painted_->second))
            return;
    }
    update();
}

QPolygonF LiveChart::shownLine(const QRectF& plot, const QList<QPointF>& series) const
{
    QPolygonF line;
    line.reserve(series.size());
    for (const QPointF& s : series) line << mapInto(plot, s.x(), s.y());
    return withoutLevelRuns(line);
}

void LiveChart::setMarks(const QList<double>& values, double top)
{
    marks_ = values;
    top_ = top > 0 ? top : 1;
    relabel();
}

void LiveChart::relabel()
{
    const Localization l = UiLanguage::current();
    labels_.clear();
    for (double v : marks_) {
        QString text;
        if (std::isfinite(v)) text = kind_ == Kind::network ? Formatters::throughput(v, l) : Formatters::percent(v, l);
        // A label stands alone: the letter mark ICU ends Arabic percentages with is drawn
        // from a taller fallback font, and the direction marks are for running text.
        for (char16_t mark : {u'\u061C', u'\u200E', u'\u200F'}) text.remove(QChar(mark));
        labels_ << text;
    }
    measureLabels();
    updateGeometry();
    update();
}

qreal LiveChart::labelColumnWidth() const
{
    // Never more than a third of the chart: the plot is what the card is for.
    return std::min(widestLabel_, std::floor(width() / 3.0));
}

void LiveChart::measureLabels()
{
    // Measured when the labels or the font change, not for every point of every paint.
    const QFontMetricsF fm(font());
    qreal widest = 0;
    for (const QString& label : labels_) widest = std::max(widest, fm.horizontalAdvance(label));
    widestLabel_ = std::ceil(widest);
    room_ = std::ceil(fm.height() * 0.75);
}

qreal LiveChart::verticalRoom() const
{
    // Half a label above the top mark and below the bottom one; Arabic and Devanagari
    // labels stand taller than Latin ones, so three quarters of the line's height.
    return room_;
}

QRectF LiveChart::plotRect() const
{
    const qreal column = labelColumnWidth();
    const qreal gap = column > 0 ? kLabelGap : 0;
    const qreal room = verticalRoom();
    QRectF r(0, room, std::max<qreal>(width() - column - gap, 1), std::max<qreal>(height() - 2 * room, 1));
    if (layoutDirection() == Qt::LeftToRight) r.moveLeft(column + gap);
    return r;
}

QPointF LiveChart::mapToPlot(double seconds, double value) const { return mapInto(plotRect(), seconds, value); }

QPointF LiveChart::mapInto(const QRectF& plot, double seconds, double value) const
{
    const double span = -oldest_;
    double along = span > 0 ? (drawable(seconds) - oldest_) / span : 1.0;  // 0 oldest, 1 newest
    if (isTimeReversed()) along = 1.0 - along;
    const double up = std::clamp(drawable(value) / top_, 0.0, 1.0);
    return QPointF(plot.left() + along * plot.width(), plot.bottom() - up * plot.height());
}

void LiveChart::paintBackground(QPainter& p, const QRectF& plot) const
{
    // A hairline per mark across the plot, the mark's label at the leading edge, centred on it.
    QPen grid(Theme::primary(0.1));
    grid.setWidthF(1);
    grid.setCosmetic(true);
    const bool rtl = isTimeReversed();
    const QFontMetricsF fm(font());
    const qreal column = labelColumnWidth();
    for (int i = 0; i < marks_.size(); ++i) {
        const double up = std::clamp(drawable(marks_[i]) / top_, 0.0, 1.0);
        // On a pixel's middle, so the hairline stays one crisp pixel.
        const qreal y = std::floor(plot.bottom() - up * plot.height()) + 0.5;
        p.setPen(grid);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        if (i >= labels_.size() || labels_[i].isEmpty() || column <= 0) continue;
        p.setPen(Theme::foreground(Theme::Level::secondary));
        const QRectF box(rtl ? plot.right() + kLabelGap : 0, y - fm.height(), column, 2 * fm.height());
        // Against the plot: trailing in the label column.
        const QString shown = fm.elidedText(labels_[i], Qt::ElideRight, column + 0.5);
        p.drawText(box, int((rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter | Qt::AlignAbsolute), shown);
    }
}

void LiveChart::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    const QRectF plot = plotRect();
    const qreal dpr = devicePixelRatioF();
    const QColor surface = surface_ ? Theme::color(*surface_) : QColor(Qt::transparent);
    const BackgroundKey key{size(), dpr, layoutDirection(), Theme::primary(0.1).rgba(),
                            Theme::foreground(Theme::Level::secondary).rgba(), surface.rgba(), labels_, marks_};
    if (!(key == backgroundKey_) || background_.isNull()) {
        background_ = QPixmap((QSizeF(size()) * dpr).toSize());
        background_.setDevicePixelRatio(dpr);
        background_.fill(surface);
        QPainter b(&background_);
        b.setLayoutDirection(layoutDirection());
        b.setFont(font());
        b.setRenderHint(QPainter::TextAntialiasing);
        paintBackground(b, plot);
        backgroundKey_ = key;
        ++backgroundPaints_;
    }
    p.drawPixmap(0, 0, background_);
    painted_.reset();
    if (first_.isEmpty()) return;

    p.setRenderHint(QPainter::Antialiasing);
    const QRectF clip = plot.adjusted(-2, -2, 2, 2);
    p.setClipRect(clip);
    const QPolygonF a = shownLine(plot, first_);
    const QPolygonF b = shownLine(plot, second_);
    // Only a paint of the whole chart is a picture of these lines.
    if (e->rect().contains(rect())) painted_ = Painted{plot, a, b};
    auto fillArea = [&](const QColor& tint, double top, double bottom) {
        // The fade runs over the area itself: from its highest point to its base.
        const qreal highest = std::min(a.boundingRect().top(), plot.bottom());
        QLinearGradient g(QPointF(0, highest), QPointF(0, plot.bottom()));
        g.setColorAt(0, withOpacity(tint, top));
        g.setColorAt(1, withOpacity(tint, bottom));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        QPolygonF area;
        area.reserve(a.size() + 2);
        inStrips(p, a, [](int) { return 2.0; }, clip, [&](int first, int count) {
            area.clear();
            for (int i = first; i < first + count; ++i) area << a[i];
            area << QPointF(area.constLast().x(), plot.bottom()) << QPointF(area.constFirst().x(), plot.bottom());
            p.drawPolygon(area);
        });
        p.setBrush(Qt::NoBrush);
    };
    switch (kind_) {
    case Kind::processor: {
        const QColor primary = Theme::brandPrimary();
        // The line covers the area's edge (0.8 on each side of it): the fill needs no
        // antialiasing of its own, which is most of its cost.
        p.setRenderHint(QPainter::Antialiasing, false);
        fillArea(primary, 0.45, 0.02);
        p.setRenderHint(QPainter::Antialiasing, true);
        // A miter longer than ten pen widths is beveled.
        QPen line(primary, 1.6, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
        line.setMiterLimit(10);
        ThinStroke::draw(p, b, line, clip);
        break;
    }
    case Kind::memory: {
        fillArea(Theme::brandSecondary(), 0.4, 0.02);
        QPen dashed(Theme::statusWarning(), 1.4, Qt::CustomDashLine, Qt::FlatCap, Qt::SvgMiterJoin);
        dashed.setMiterLimit(10);
        // Dash lengths count in pen widths: 4 points on, 3 off.
        dashed.setDashPattern({4 / 1.4, 3 / 1.4});
        ThinStroke::draw(p, b, dashed, clip);
        break;
    }
    case Kind::network:
        // Bevelled joins: the corners of a two-pixel line that a round join would add do not show.
        ThinStroke::draw(p, a, QPen(Theme::brandPrimary(), 2, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin), clip);
        ThinStroke::draw(p, b, QPen(Theme::proGoldEnd(), 2, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin), clip);
        break;
    }
}

void LiveChart::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LayoutDirectionChange) update();
    if (e->type() == QEvent::LanguageChange) relabel();
    if (e->type() == QEvent::FontChange) {
        measureLabels();
        update();
    }
}
