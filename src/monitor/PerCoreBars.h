#pragma once

#include "ui/FrameClock.h"
#include "ui/Theme.h"

#include <QAbstractAnimation>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <optional>

// One vertical bar per processor core, filled to its load. The bars share the width; where
// they would grow too thin (hundreds of cores), the gaps narrow and then the bars wrap into
// rows, so every core stays legible from 1 to 256 and beyond. Value changes ease out over
// 0.4 s, whatever the motion setting (the bars follow the load, they are not decoration).
class PerCoreBars : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kHeight = 90;
    static constexpr qreal kSpacing = 4;
    static constexpr qreal kRadius = 3;
    static constexpr qreal kStub = 2;  // an idle core still shows this much
    static constexpr int kAnimationMs = 400;

    explicit PerCoreBars(QWidget* parent = nullptr);
    void setValues(const QList<double>& values);
    const QList<double>& values() const { return values_; }
    // A core's level: its value clamped to 0…1, not-a-number as 0.
    static double level(double value);
    // The fill's height for a level in a bar of `height`.
    static qreal fillHeight(double level, qreal height);

    // Where each bar goes in a given width (with the height that width asks for).
    struct Layout {
        int rows = 0;
        int perRow = 0;
        qreal barWidth = 0;
        qreal spacing = kSpacing;
        qreal rowHeight = kHeight;
        qreal rowSpacing = 0;
        qreal height = kHeight;
    };
    static Layout layoutFor(int count, qreal width);
    QRectF barRect(int index) const;
    // The level shown now (animated); the bars are repainted once it has moved by a
    // visible step.
    double shownLevel(int index) const;
    // Bars on a card: the card's surface colour painted under them, so their frames do not
    // repaint the card.
    void setSurface(Theme::Color surface);
    QString barName(int index) const;   // "Core 3"
    QString barValue(int index) const;  // "42%"
    // The moments (milliseconds into the ease, with the progress of that moment) at which a
    // bar top travelling `travel` device pixels over the whole ease has moved by another
    // pixel, no sooner than a frame apart; the last is the end with progress 1.
    static QList<QPair<int, double>> stepMoments(double travel);
    bool isAnimating() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    double levelAt(int index, double progress) const;
    // The level bar `index` is painted at.
    double shownAt(int index) const;
    void repaintMoved(bool last);
    void startAnimation();
    QList<double> values_;
    QList<double> from_;
    QList<double> to_;
    double progress_ = 1;
    // The level each bar was last painted at: what the screen shows. A bar's entry changes
    // only together with a repaint of the strip it changed.
    QList<double> painted_;
    std::optional<Theme::Color> surface_;
    QPointer<QAbstractAnimation> animation_;  // under a test's animation clock
    ClockedMotion eased_;                     // else: the ease's progress, on the frame clock
    QPixmap tracks_;
    // What the tracks picture was drawn for.
    struct TracksKey {
        QSize size;
        int count = -1;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        QRgb colour = 0;
        qreal scale = 0;
        bool operator==(const TracksKey&) const = default;
    };
    TracksKey tracksKey_;
    qreal paintedScale_ = 0;
};
