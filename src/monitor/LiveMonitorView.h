#pragma once

#include "monitor/LiveMonitor.h"
#include "monitor/MonitorModel.h"
#include "ui/FrameClock.h"

#include <QWidget>

#include <optional>

class BusyIndicator;
class CardFrame;
class ChartCard;
class LiveChart;
class LivePulse;
class PerCoreBars;
class QLabel;
class QScrollArea;
class QStackedLayout;
class QVBoxLayout;
class RingGauge;
class ScreenHeader;
class ThemedLabel;

// One cell of the gauge grid: a ring gauge of 88 in a card. It keeps one gauge for life:
// a new title (a language switch, the battery starting to charge), a new tint (the thermal
// state) or an appearance switch changes that gauge in place, without a sweep.
class MonitorGaugeCell : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kGaugeSize = 88;
    // Half a percent: about a pixel of the ring's arc.
    static constexpr double kVisibleStep = 0.005;
    explicit MonitorGaugeCell(QWidget* parent = nullptr);
    void set(const QString& title, double value, const QString& valueText, Theme::Tint tint);
    // A value of 0 draws an empty ring (no reading) rather than the minimum arc's dot.
    void setEmptyAtZero(bool empty);
    RingGauge* gauge() const { return gauge_; }
    QString title() const { return title_; }
    double value() const { return value_; }
    QString valueText() const { return valueText_; }
    Theme::Tint tint() const { return tint_; }

private:
    CardFrame* card_;
    RingGauge* gauge_ = nullptr;
    QString title_;
    double value_ = 0;
    double ringValue_ = 0;  // what the ring was last given
    bool emptyAtZero_ = false;
    QString valueText_;
    Theme::Tint tint_;
};

// The live monitor page laid out for one model: header with the "Live" badge, four gauges,
// the processor chart, memory and network side by side, and the per-core bars; in a
// scrolling column at most 1100 wide. Updating with a new model changes what changed.
class LiveMonitorContent : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaximumColumnWidth = 1100;
    explicit LiveMonitorContent(QWidget* parent = nullptr);
    void setModel(const MonitorModel& model);
    const MonitorModel& model() const { return model_; }

    ScreenHeader* header() const { return header_; }
    LivePulse* pulse() const { return pulse_; }
    MonitorGaugeCell* gaugeCell(int index) const { return gauges_[index]; }
    ChartCard* processorCard() const { return cpuCard_; }
    ChartCard* memoryCard() const { return memoryCard_; }
    ChartCard* networkCard() const { return networkCard_; }
    LiveChart* processorChart() const { return cpuChart_; }
    LiveChart* memoryChart() const { return memoryChart_; }
    LiveChart* networkChart() const { return networkChart_; }
    PerCoreBars* perCoreBars() const { return bars_; }
    QString coresText() const;
    QScrollArea* scrollArea() const { return scroll_; }

protected:
    void changeEvent(QEvent* e) override;

private:
    void rebuildHeader();
    void applyTexts();
    MonitorModel model_;
    QScrollArea* scroll_;
    QVBoxLayout* column_;
    ScreenHeader* header_ = nullptr;
    LivePulse* pulse_ = nullptr;
    MonitorGaugeCell* gauges_[4];
    ChartCard* cpuCard_;
    ChartCard* memoryCard_;
    ChartCard* networkCard_;
    LiveChart* cpuChart_;
    LiveChart* memoryChart_;
    LiveChart* networkChart_;
    QLabel* perCoreTitle_;
    ThemedLabel* coresLabel_;
    PerCoreBars* bars_;
};

// The live monitor page of the main window. While shown it is one client of the monitor
// (start on show, stop on hide, whichever face is up; a minimised window still counts as shown); it shows "Collecting samples…"
// until the first sample, then the content, redrawn with every sample. A sample that comes
// while the content is up shows in the frame clock's next tick, so its repaint is the one of
// the pulse's and the rings' frame rather than one of its own.
class LiveMonitorView : public QWidget, public FrameClock::Client {
    Q_OBJECT
public:
    explicit LiveMonitorView(LiveMonitor& monitor, QWidget* parent = nullptr);
    ~LiveMonitorView() override;

    bool isClient() const { return client_; }
    bool showsContent() const;
    LiveMonitorContent* content() const { return content_; }
    QWidget* placeholder() const { return placeholder_; }
    // Whether a sample waits for the next tick of the frame clock.
    bool hasPendingSample() const { return FrameClock::shared().isScheduled(this); }
    std::optional<qint64> advance(qint64 now) override;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void refresh();
    LiveMonitor& monitor_;
    QStackedLayout* faces_;
    QWidget* placeholder_;
    QLabel* collecting_;
    LiveMonitorContent* content_;
    bool client_ = false;
    bool stale_ = true;
    bool mapped_ = false;  // shown and not minimised
};
