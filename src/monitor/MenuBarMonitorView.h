#pragma once

#include "app/AppRouter.h"
#include "monitor/LiveMonitor.h"
#include "monitor/MonitorModel.h"

#include <QPointer>
#include <QWidget>

class BusyIndicator;
class QLabel;
class QPushButton;
class QStackedLayout;
class QVBoxLayout;
class ThemedLabel;

// A sparkline row of the tray panel: title over the current value (80 wide), then the
// last minute as an area with its line, 40 high, on a fixed 0…1 scale, no axes. Time
// runs in reading order (right to left in Arabic).
class MiniChartRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLabelWidth = 80;
    static constexpr int kChartHeight = 40;
    MiniChartRow(Theme::Color tint, QWidget* parent = nullptr);
    void set(const QString& title, const QString& value, const QList<std::pair<QDateTime, double>>& values);
    QString title() const { return title_; }
    QString value() const { return value_; }
    const QList<std::pair<QDateTime, double>>& values() const { return values_; }
    // The chart's points in widget coordinates (for tests and painting).
    QList<QPointF> chartPoints() const;
    QRectF chartRect() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Theme::Color tint_;
    QString title_;
    QString value_;
    QList<std::pair<QDateTime, double>> values_;
};

// An information line of the tray panel: symbol (18 wide), title, and the value in its
// colour at the trailing end, on one line.
class InfoLine : public QWidget {
    Q_OBJECT
public:
    explicit InfoLine(QWidget* parent = nullptr);
    void set(const QString& symbol, const QString& title, const QString& value, Theme::Tint color);
    QString symbol() const { return symbol_; }
    QString title() const { return title_; }
    QString value() const { return value_; }
    Theme::Tint color() const { return color_; }
    QString shownValue() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QRectF valueRect() const;
    QString symbol_;
    QString title_;
    QString value_;
    Theme::Tint color_;
};

// The tray panel, 300 wide: the product's name, the processor and memory over the last
// minute, the thermal state, the battery (when there is one) and the network, "Open
// Quorlent" (the main window on the live monitor page) and "Quit". While shown it is a
// client of the monitor; it shows "Collecting samples…" until the first sample.
class MenuBarMonitorView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;
    static constexpr qsizetype kSparklineSamples = 60;

    explicit MenuBarMonitorView(LiveMonitor& monitor, QWidget* parent = nullptr);
    ~MenuBarMonitorView() override;

    // The navigation state "Open Quorlent" sets; AppRouter::shared() unless replaced (tests).
    void setRouter(AppRouter* router) { router_ = router; }

    bool isClient() const { return client_; }
    bool showsSamples() const;
    MiniChartRow* cpuRow() const { return cpuRow_; }
    MiniChartRow* memoryRow() const { return memoryRow_; }
    InfoLine* thermalLine() const { return thermalLine_; }
    InfoLine* batteryLine() const { return batteryLine_; }
    InfoLine* networkLine() const { return networkLine_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* quitButton() const { return quit_; }

    // Runs "Open Quorlent": no status focus, the live monitor selected, then the request
    // to bring up the main window.
    void openLiveMonitor();

signals:
    void openLiveMonitorRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;

private:
    void refresh();
    void retranslate();
    void restyleButtons();
    LiveMonitor& monitor_;
    QPointer<AppRouter> router_;
    QLabel* name_;
    QStackedLayout* faces_;
    QWidget* collecting_;
    ThemedLabel* collectingText_;
    QWidget* readings_;
    MiniChartRow* cpuRow_;
    MiniChartRow* memoryRow_;
    InfoLine* thermalLine_;
    InfoLine* batteryLine_;
    InfoLine* networkLine_;
    QPushButton* open_;
    QPushButton* quit_;
    bool client_ = false;
};
