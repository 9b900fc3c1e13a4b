#pragma once

#include "monitor/MonitorModel.h"
#include "ui/Card.h"

#include <QAbstractAnimation>
#include <QChartView>
#include <QElapsedTimer>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class QAreaSeries;
class QCategoryAxis;
class QLabel;
class QLineSeries;
class QValueAxis;
class QVariantAnimation;

// One line of text in a text style and a colour role, elided at its end when the room is
// short (the whole text stays in the tool tip). Plain text: it shows machine figures.
class ElidedText : public QWidget {
    Q_OBJECT
public:
    ElidedText(const QString& text, const QFont& font, MonitorTint tint, QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return text_; }
    void setTint(MonitorTint tint);
    // Drawn against the trailing edge instead of the leading one.
    void setTrailing(bool trailing);
    // The text as drawn in the current width.
    QString shownText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
    MonitorTint tint_;
    bool trailing_ = false;
};

// A titled card around a chart: the title and the current value on one row, the chart
// 140 high, and an optional footnote under it.
class ChartCard : public CardFrame {
    Q_OBJECT
public:
    static constexpr int kChartHeight = 140;
    ChartCard(const QString& title, const QString& value, std::optional<QString> footnote, QWidget* chart,
              QWidget* parent = nullptr);
    void setTitle(const QString& title);
    void setValue(const QString& value);
    void setFootnote(std::optional<QString> footnote);
    QString title() const;
    QString value() const;
    std::optional<QString> footnote() const;
    QWidget* chart() const { return chart_; }

private:
    void updateAccessibility();
    QLabel* title_;
    ElidedText* value_;
    QWidget* chart_;
    ElidedText* footnote_;
};

// A chart over the monitor's points: time runs across (oldest to newest in reading order,
// so right to left in Arabic), the axis labels stand at the leading edge. Every series
// is straight lines between the samples, areas included.
class LiveChart : public QChartView {
    Q_OBJECT
public:
    enum class Kind {
        processor,  // load as an area with its line, percent axis
        memory,     // memory in use as an area, pressure dashed, percent axis
        network,    // received and sent as lines, throughput axis with round marks
    };
    explicit LiveChart(Kind kind, QWidget* parent = nullptr);
    ~LiveChart() override;

    Kind kind() const { return kind_; }
    void setPoints(const QList<MonitorModel::Point>& points);

    // What tests look at: the series' points, the axis labels and their values.
    QList<QList<QPointF>> seriesPoints() const;
    QStringList axisLabels() const;
    QList<double> axisValues() const;
    std::pair<double, double> timeRange() const;
    bool isTimeReversed() const;
    Qt::Alignment axisAlignment() const;

    // The percent axis marks: 0, 0.5 and 1.
    static QList<double> percentMarks() { return {0.0, 0.5, 1.0}; }

protected:
    void changeEvent(QEvent* e) override;

private:
    void applyColors();
    void applyDirection();
    void relabel();
    void setMarks(const QList<double>& values, double top);

    Kind kind_;
    QChart* chart_;
    QValueAxis* time_;
    QCategoryAxis* values_;
    QLineSeries* first_ = nullptr;   // processor load, memory used (the area's edge) or received
    QLineSeries* second_ = nullptr;  // processor line, pressure or sent
    QAreaSeries* area_ = nullptr;
    QList<double> marks_;
    double top_ = 1;
};

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
    void repaintMoved(bool last);
    void startAnimation();
    QList<double> values_;
    QList<double> from_;
    QList<double> to_;
    double progress_ = 1;
    double paintedProgress_ = 1;
    std::optional<Theme::Color> surface_;
    QPointer<QAbstractAnimation> animation_;
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

// The "Live" badge: a green dot that fades between full and 0.35 opacity (0.9 s each way,
// easing in and out) while the badge is on screen; with motion reduced it stays full.
class LivePulse : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHalfPeriodMs = 900;
    static constexpr double kLowOpacity = 0.35;
    explicit LivePulse(QWidget* parent = nullptr);
    // The dot's opacity now.
    double dotOpacity() const { return opacity_; }
    bool isPulsing() const { return timer_.isActive(); }
    // The opacity `ms` after the pulse started.
    static double opacityAt(qint64 ms);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    void restart();
    QRectF dotRect() const;
    QTimer timer_;
    QElapsedTimer clock_;
    double opacity_ = 1.0;
};

// An indeterminate progress indicator: a ring of dots turning (still with motion reduced).
class BusyIndicator : public QWidget {
    Q_OBJECT
public:
    explicit BusyIndicator(int size, QWidget* parent = nullptr);
    bool isSpinning() const { return timer_.isActive(); }
    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    int size_;
    int step_ = 0;
    QTimer timer_;
};
