#pragma once

#include "ui/FrameClock.h"
#include "ui/Motion.h"
#include "ui/Theme.h"

#include <QGradientStops>
#include <QWidget>

#include <memory>
#include <optional>

// An angular gradient around a ring's centre: stop positions run clockwise from
// `startDegrees` (0 = three o'clock); the ring turns it so that 0 lies at twelve o'clock.
struct AngularGradient {
    QGradientStops stops;
    double startDegrees = 0;
};

// A fraction as a filled arc over a faint track: the arc starts at twelve o'clock and
// grows clockwise, painted with the gradient and a soft glow in brandGlow. It sweeps
// from empty to its value when it comes on screen and from the old to the new value on
// every change (0.9 s ease-out), or shows the value at once with motion reduced.
//
// A ring may stay on screen for hours with its value changing every second, so a frame
// costs little: the track, the glow and the arc are kept as pictures, and a step of the
// sweep repaints only the stretch around the arc's end, and only once the end has moved
// by a visible fraction of a pixel.
class ScoreRing : public QWidget {
    Q_OBJECT
public:
    ScoreRing(double progress, qreal lineWidth, AngularGradient gradient, QWidget* parent = nullptr);
    ~ScoreRing() override;
    double progress() const { return progress_; }
    void setProgress(double progress);
    qreal lineWidth() const { return lineWidth_; }
    // A new gradient (colours resolved again after an appearance change); no sweep.
    void setGradient(const AngularGradient& gradient);
    // The fraction drawn now (animated).
    double shown() const { return shown_.value(); }
    // The trimmed end of the arc: the shown fraction, at least 0.001 so an empty ring
    // still shows a dot-sized start.
    double arcFraction() const;
    // Progress clamped to 0…1; not-a-number reads as 0.
    static double clampProgress(double progress);
    static constexpr double kMinimumArc = 0.001;
    // Whether nothing (0) draws an empty ring instead of the minimum arc's dot: for a gauge
    // whose zero means "no reading" rather than a score of nothing.
    void setEmptyAtZero(bool empty);
    // The Qt gradient that paints `gradient` clockwise from twelve o'clock around `centre`.
    static QConicalGradient conical(const AngularGradient& gradient, const QPointF& centre);
    // The gradient's colour where the arc has run `fraction` of the circle from twelve o'clock.
    static QColor colorAt(const AngularGradient& gradient, double fraction);

    // The glow reaches this far beyond the stroke. The ring keeps that much room inside its
    // own rectangle on every side, so no edge of the widget clips it: the circle is the
    // largest that fits the rectangle inset by the margin.
    static constexpr int kGlowMargin = 12;
    // The widget size for a ring of `diameter` with its glow around it.
    static QSize sizeFor(qreal diameter);
    // The square the circle (stroke included) fits in.
    QRectF ringRect() const;
    QSize sizeHint() const override { return sizeFor(120); }

    // The fraction the arc is drawn at: the shown fraction, followed in steps of at least
    // kRepaintStep device pixels along the arc, and exactly once a sweep is over.
    double drawnFraction() const { return drawn_; }
    static constexpr qreal kRepaintStep = 1.0;
    // The part of the widget that changes when the arc's end moves between two fractions
    // (the stroke, its caps and the glow around them).
    QRectF changedArea(double from, double to) const;
    // How many times the pictures were made afresh, and how many pixels were redrawn in
    // them since (for tests and benchmarks).
    struct PictureCounts {
        int rebuilds = 0;
        qint64 pixelsRedrawn = 0;
    };
    PictureCounts pictureCounts() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent* e) override;

private:
    struct Pictures;
    void step();
    void shownChanged();
    void bringPicturesTo(double fraction);
    double progress_;
    qreal lineWidth_;
    AngularGradient gradient_;
    Theme::TintedStops stops_;  // the gradient's colours, resolved when painted
    int gradientGeneration_ = 0;
    ClockedMotion shown_{0};
    double drawn_ = kMinimumArc;
    double minimumArc_ = kMinimumArc;
    bool settledOffered_ = false;
    std::unique_ptr<Pictures> pictures_;
};

// A ring with a centred value text and a caption under it; every inner measure scales
// with `size` (the ring's diameter). The ring's glow has room inside the gauge: the ring
// sits ScoreRing::kGlowMargin in from the gauge's top and sides.
class RingGauge : public QWidget {
    Q_OBJECT
public:
    RingGauge(const QString& title, double value, const QString& valueText, const QColor& tint, qreal size,
              QWidget* parent = nullptr);
    // Where the ring's circle lies in the gauge.
    QRectF ringRect() const;
    void setValue(double value, const QString& valueText);
    // A new caption (after a language switch, or when what the gauge shows changes its
    // name); the ring keeps its value and does not sweep.
    void setTitle(const QString& title);
    QString title() const { return title_; }
    // A new colour for the arc; the ring keeps its value and does not sweep.
    void setTint(const QColor& tint);
    ScoreRing* ring() const { return ring_; }
    QString valueText() const { return valueText_; }
    // A gauge on a card: the card's surface colour painted under it, so the ring's frames
    // repaint the gauge only, not the card around it.
    void setSurface(Theme::Color surface);

    struct Metrics {
        qreal lineWidth;    // size × 0.1
        qreal fontSize;     // size × 0.2
        qreal minFontSize;  // 60 % of fontSize
        qreal inset;        // size × 0.12 on each side of the value text
        bool operator==(const Metrics&) const = default;
    };
    static Metrics metrics(qreal size);
    // The value text as the gauge draws it, centred on the ring. Every glyph's ink stays
    // inside the circle of textRadius(size): as wide as the inset leaves at the middle, and
    // narrower above and below, where the ring curves in; a word that stands tall at its ends
    // (Devanagari's signs over the headline) shrinks sooner than its width alone would ask. The text
    // takes the largest whole pixel size from the full size down to the minimum at which it
    // fits; below that it is elided at the minimum.
    struct ValueLine {
        int pixelSize = 0;
        QString text;  // as laid out: elided when even the minimum size is too wide
        qreal width = 0;
        qreal height = 0;  // the shaped line's
        QRectF ink;        // relative to the ring's centre
        QList<QRectF> glyphInk;  // each glyph's, likewise
        bool elided = false;
    };
    static ValueLine fitValueText(const QString& text, qreal size);
    static qreal textRadius(qreal size);
    // The whole pixel sizes the value text may take: the full size as fonts round it, and
    // the smallest at or above the minimum (60 % is never undercut by rounding).
    static int largestPixelSize(qreal size);
    static int smallestPixelSize(qreal size);
    // The value text's pixel size (fitValueText's).
    static qreal fittedFontSize(const QString& text, qreal size);
    static QFont valueFont(qreal pixelSize);
    // The value text as drawn now.
    const ValueLine& valueLine() const { return value_; }
    // Where the value text is drawn, in the gauge's coordinates.
    QRectF valueTextRect() const;
    static AngularGradient gradient(const QColor& tint);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    QRectF titleRect() const;
    static ValueLine fitValueTextAfresh(const QString& text, qreal size);
    // The value text drawn once per text, colour and scale, then copied on every paint that
    // reaches it (a sweep's steps near the centre).
    const QImage& valuePicture(const QRect& area);
    QString title_;
    QString valueText_;
    // Fitted once per value text.
    ValueLine value_;
    std::optional<Theme::Color> surface_;
    qreal size_;
    ScoreRing* ring_;
    struct ValuePicture {
        QImage image;
        QString text;
        int pixelSize = 0;
        QRectF rect;
        QRgb colour = 0;
        QRgb surface = 0;
        qreal dpr = 0;
        Qt::LayoutDirection direction = Qt::LeftToRight;
    };
    QList<ValuePicture> valuePictures_;  // the most recent first
    // The caption's line height, measured once per title (a fallback face stands taller).
    mutable std::optional<std::pair<QString, qreal>> captionHeight_;
};
