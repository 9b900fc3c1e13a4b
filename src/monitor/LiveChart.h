#pragma once

#include "monitor/MonitorModel.h"
#include "ui/Theme.h"

#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QPolygonF>
#include <QStringList>
#include <QWidget>

#include <optional>

// A chart over the monitor's points: time runs across (oldest to newest in reading order,
// so right to left in Arabic), the axis labels stand at the leading edge. Every series is
// straight lines between the samples, areas included.
//
// Painted by hand: the grid and the labels change only with the size, the marks, the
// language and the appearance, so they are kept as one picture; a new sample then costs
// that picture, one area and a line or two over at most 120 points.
class LiveChart : public QWidget {
    Q_OBJECT
public:
    enum class Kind {
        processor,  // load as an area with its line, percent axis
        memory,     // memory in use as an area, pressure dashed, percent axis
        network,    // received and sent as lines, throughput axis with round marks
    };
    static constexpr int kLabelGap = 6;  // between the labels and the plot

    explicit LiveChart(Kind kind, QWidget* parent = nullptr);
    ~LiveChart() override;

    Kind kind() const { return kind_; }
    void setPoints(const QList<MonitorModel::Point>& points);

    // What tests look at: the series' points (x in seconds before the newest), the axis
    // labels and their values, the time span shown, the direction and the labels' edge.
    QList<QList<QPointF>> seriesPoints() const { return {first_, second_}; }
    QStringList axisLabels() const { return labels_; }
    QList<double> axisValues() const { return marks_; }
    std::pair<double, double> timeRange() const { return {oldest_, 0.0}; }
    bool isTimeReversed() const { return layoutDirection() == Qt::RightToLeft; }
    Qt::Alignment axisAlignment() const { return isTimeReversed() ? Qt::AlignRight : Qt::AlignLeft; }
    // Where the series are drawn: the widget less the labels' column and half a label's
    // height above the top mark and below the bottom one.
    QRectF plotRect() const;
    // Where a value at a time lands in the widget.
    QPointF mapToPlot(double seconds, double value) const;
    // How many times the grid and labels were drawn (they are kept between samples).
    int backgroundPaints() const { return backgroundPaints_; }

    // The percent axis marks: 0, 0.5 and 1.
    static QList<double> percentMarks() { return {0.0, 0.5, 1.0}; }

    // A chart on a card: the card's surface colour painted under it, so a new sample repaints
    // the chart alone, not the card and its shadow behind it.
    void setSurface(Theme::Color surface);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    void setMarks(const QList<double>& values, double top);
    void relabel();
    qreal labelColumnWidth() const;
    void measureLabels();
    QPointF mapInto(const QRectF& plot, double seconds, double value) const;
    qreal verticalRoom() const;
    void paintBackground(QPainter& p, const QRectF& plot) const;
    // A series as drawn into `plot`, level runs reduced to their ends.
    QPolygonF shownLine(const QRectF& plot, const QList<QPointF>& series) const;

    Kind kind_;
    QList<QPointF> first_;   // processor load, memory used (the area's edge) or received
    QList<QPointF> second_;  // processor line, pressure or sent
    double oldest_ = -1;
    QList<double> marks_;
    QStringList labels_;
    double top_ = 1;
    qreal widestLabel_ = 0;
    qreal room_ = 0;

    QPixmap background_;
    struct BackgroundKey {
        QSize size;
        qreal scale = 0;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        QRgb grid = 0;
        QRgb text = 0;
        QRgb surface = 0;
        QStringList labels;
        QList<double> marks;
        bool operator==(const BackgroundKey&) const = default;
    };
    BackgroundKey backgroundKey_;
    std::optional<Theme::Color> surface_;
    int backgroundPaints_ = 0;
    // The lines the last whole paint drew, and where.
    struct Painted {
        QRectF plot;
        QPolygonF first;
        QPolygonF second;
    };
    std::optional<Painted> painted_;
};
