#include "monitor/LiveMonitorView.h"

#include "monitor/ChartCard.h"
#include "monitor/LiveChart.h"
#include "monitor/LivePulse.h"
#include "monitor/PerCoreBars.h"
#include "ui/BusyIndicator.h"
#include "ui/AdaptiveGridLayout.h"
#include "ui/Card.h"
#include "ui/Formatters.h"
#include "ui/Motion.h"
#include "ui/ScoreRing.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QHideEvent>

#include <algorithm>
#include <cmath>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>

// ---------------------------------------------------------------- MonitorGaugeCell

MonitorGaugeCell::MonitorGaugeCell(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    card_ = new CardFrame(16, 14);
    outer->addWidget(card_);
    // The ring follows a named colour by itself; a tint of its own (the thermal state's
    // warning at 0.8) is resolved again, without a new ring and without a sweep.
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, [this] {
        if (gauge_) gauge_->setTint(tint_.resolve());
    });
}

void MonitorGaugeCell::set(const QString& title, double value, const QString& valueText, Theme::Tint tint)
{
    // A ring sweeps for most of a second on every change: one that would not move by a
    // visible step (memory drifting by a few megabytes) keeps still.
    const bool changed = valueText != valueText_ || !(std::abs(value - ringValue_) < kVisibleStep);
    const bool retitled = title != title_, retinted = tint != tint_;
    title_ = title;
    value_ = value;
    valueText_ = valueText;
    tint_ = tint;
    if (!gauge_) {
        // The one ring of this cell: later titles, colours and values go to it, so it never
        // sweeps from empty again while the page stays on screen.
        ringValue_ = value_;
        gauge_ = new RingGauge(title_, value_, valueText_, tint_.resolve(), kGaugeSize);
        gauge_->setObjectName(QStringLiteral("ringGauge"));
        gauge_->setSurface(Theme::Color::surfaceElevated);
        gauge_->ring()->setEmptyAtZero(emptyAtZero_);
        card_->contentLayout()->addWidget(gauge_, 0, Qt::AlignHCenter);
        return;
    }
    if (retitled) gauge_->setTitle(title_);
    if (retinted) gauge_->setTint(tint_.resolve());
    if (changed) {
        ringValue_ = value;
        gauge_->setValue(value, valueText);
    }
}

void MonitorGaugeCell::setEmptyAtZero(bool empty)
{
    emptyAtZero_ = empty;
    if (gauge_) gauge_->ring()->setEmptyAtZero(empty);
}

// ---------------------------------------------------------------- LiveMonitorContent

LiveMonitorContent::LiveMonitorContent(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("liveMonitorContent"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea;
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setAutoFillBackground(false);
    outer->addWidget(scroll_);

    auto* canvas = new QWidget;
    canvas->setAutoFillBackground(false);
    auto* centring = new QHBoxLayout(canvas);
    centring->setContentsMargins(0, 0, 0, 0);
    auto* columnWidget = new QWidget;
    columnWidget->setMaximumWidth(kMaximumColumnWidth);
    centring->addStretch(0);
    centring->addWidget(columnWidget, 1);
    centring->addStretch(0);
    column_ = new QVBoxLayout(columnWidget);
    column_->setContentsMargins(24, 24, 24, 24);
    column_->setSpacing(20);
    scroll_->setWidget(canvas);

    rebuildHeader();

    auto* grid = new QWidget;
    grid->setObjectName(QStringLiteral("gaugeGrid"));
    auto* gridLayout = new AdaptiveGridLayout(150, 12, 12, grid);
    for (auto*& cell : gauges_) {
        cell = new MonitorGaugeCell;
        gridLayout->addWidget(cell);
    }
    // The thermal gauge is at 0 only when the state is unknown: an empty ring then.
    gauges_[2]->setEmptyAtZero(true);
    column_->addWidget(grid);

    cpuChart_ = new LiveChart(LiveChart::Kind::processor);
    cpuChart_->setSurface(Theme::Color::surfaceElevated);
    cpuCard_ = new ChartCard(QString(), QString(), std::nullopt, cpuChart_);
    cpuCard_->setObjectName(QStringLiteral("processorCard"));
    column_->addWidget(cpuCard_);

    auto* pair = new QHBoxLayout;
    pair->setSpacing(12);
    memoryChart_ = new LiveChart(LiveChart::Kind::memory);
    memoryChart_->setSurface(Theme::Color::surfaceElevated);
    memoryCard_ = new ChartCard(QString(), QString(), QString(), memoryChart_);
    memoryCard_->setObjectName(QStringLiteral("memoryCard"));
    networkChart_ = new LiveChart(LiveChart::Kind::network);
    networkChart_->setSurface(Theme::Color::surfaceElevated);
    networkCard_ = new ChartCard(QString(), QString(), std::nullopt, networkChart_);
    networkCard_->setObjectName(QStringLiteral("networkCard"));
    pair->addWidget(memoryCard_, 1, Qt::AlignTop);
    pair->addWidget(networkCard_, 1, Qt::AlignTop);
    column_->addLayout(pair);

    auto* coresCard = new CardFrame(16, 14);
    coresCard->setObjectName(QStringLiteral("perCoreCard"));
    coresCard->contentLayout()->setSpacing(12);
    auto* coresRow = new QHBoxLayout;
    perCoreTitle_ = new QLabel;
    perCoreTitle_->setTextFormat(Qt::PlainText);
    perCoreTitle_->setFont(Theme::font(Theme::TextStyle::headline));
    coresLabel_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::caption), Theme::Level::secondary);
    coresLabel_->setObjectName(QStringLiteral("coresCount"));
    coresRow->addWidget(perCoreTitle_, 0, Qt::AlignVCenter);
    coresRow->addStretch(1);
    coresRow->addWidget(coresLabel_, 0, Qt::AlignVCenter);
    coresCard->contentLayout()->addLayout(coresRow);
    bars_ = new PerCoreBars;
    bars_->setSurface(Theme::Color::surfaceElevated);
    coresCard->contentLayout()->addWidget(bars_);
    column_->addWidget(coresCard);
    column_->addStretch(1);

    auto recolour = [this] {
        QPalette pal = perCoreTitle_->palette();
        pal.setColor(QPalette::WindowText, Theme::foreground(Theme::Level::primary));
        perCoreTitle_->setPalette(pal);
    };
    recolour();
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, recolour);
    applyTexts();
}

void LiveMonitorContent::rebuildHeader()
{
    const Localization l = UiLanguage::current();
    // The header holds its title for life; a language switch builds a new one.
    pulse_ = new LivePulse;
    auto* header = new ScreenHeader(QRL_SYMBOL("waveform.path.ecg"), l.tr("Live Monitor"),
                                    l.tr("Updated every second · last 2 minutes"), Theme::brandGradient(), pulse_);
    if (header_) {
        delete column_->replaceWidget(header_, header);
        delete header_;
    } else {
        column_->insertWidget(0, header);
    }
    header_ = header;
}

QString LiveMonitorContent::coresText() const { return coresLabel_->text(); }

void LiveMonitorContent::setModel(const MonitorModel& model)
{
    model_ = model;
    applyTexts();
}

void LiveMonitorContent::applyTexts()
{
    const Localization l = UiLanguage::current();
    const MonitorModel& m = model_;
    gauges_[0]->set(l.tr("CPU"), m.cpu, Formatters::percent(m.cpu, l), Theme::Tint(Theme::Color::brandPrimary));
    const double memory = m.memoryFraction();
    gauges_[1]->set(l.tr("Memory used"), memory, Formatters::percent(memory, l), Theme::Tint(Theme::Color::brandSecondary));
    gauges_[2]->set(l.tr("Thermal state"), ThermalPresentation::gaugeValue(m.thermal), ThermalPresentation::title(m.thermal, l),
                    ThermalPresentation::tint(m.thermal));
    const MonitorTexts::PowerGauge power = MonitorTexts::powerGauge(m, l);
    gauges_[3]->set(power.title, power.value, power.valueText, Theme::Tint(Theme::Color::statusSupported));

    cpuCard_->setTitle(l.tr("CPU"));
    cpuCard_->setValue(Formatters::percent(m.cpu, l));
    cpuChart_->setPoints(m.points);
    memoryCard_->setTitle(l.tr("Memory"));
    memoryCard_->setValue(MonitorTexts::memoryValue(m.memoryUsed, m.memoryTotal, l));
    memoryCard_->setFootnote(MonitorTexts::memoryFootnote(m.pressure, m.swapUsed, l));
    memoryChart_->setPoints(m.points);
    networkCard_->setTitle(l.tr("Network"));
    networkCard_->setValue(MonitorTexts::networkValue(m.networkIn, m.networkOut, l));
    networkChart_->setPoints(m.points);

    if (perCoreTitle_->text() != l.tr("Per-core load")) perCoreTitle_->setText(l.tr("Per-core load"));
    const QString cores = MonitorTexts::coresText(m.perCore.size(), l);
    if (coresLabel_->text() != cores) coresLabel_->setText(cores);
    bars_->setValues(m.perCore);
}

void LiveMonitorContent::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) {
        rebuildHeader();
        applyTexts();
    }
}

// ---------------------------------------------------------------- LiveMonitorView

LiveMonitorView::LiveMonitorView(LiveMonitor& monitor, QWidget* parent) : QWidget(parent), monitor_(monitor)
{
    setObjectName(QStringLiteral("liveMonitor"));
    faces_ = new QStackedLayout(this);

    placeholder_ = new QWidget;
    placeholder_->setObjectName(QStringLiteral("collectingSamples"));
    auto* waiting = new QVBoxLayout(placeholder_);
    waiting->setSpacing(12);
    waiting->addStretch(1);
    waiting->addWidget(new BusyIndicator(24), 0, Qt::AlignHCenter);
    collecting_ = new ThemedLabel(UiLanguage::current().tr("Collecting samples…"), Theme::font(Theme::TextStyle::body),
                                  Theme::Level::secondary);
    collecting_->setAlignment(Qt::AlignCenter);
    collecting_->setWordWrap(true);
    waiting->addWidget(collecting_, 0, Qt::AlignHCenter);
    waiting->addStretch(1);
    faces_->addWidget(placeholder_);

    content_ = new LiveMonitorContent;
    faces_->addWidget(content_);
    faces_->setCurrentWidget(placeholder_);

    // The history changes first and the latest sample last: one redraw per sample.
    connect(&monitor_, &LiveMonitor::latestChanged, this, [this] {
        stale_ = true;
        if (!isVisible() || !mapped_) return;
        // Under a test's animation clock every change shows at once, as every animation does.
        if (showsContent() && MotionValue::stepsSleep()) {
            // In the tick that comes next anyway (the pulse's, a ring's) when it comes within a
            // frame: a tick of its own would be one more repaint.
            FrameClock& clock = FrameClock::shared();
            qint64 at = clock.now();
            if (const std::optional<qint64> next = clock.nextTick(); next && *next - at < FrameClock::kFrameMs)
                at = std::max(at, *next);
            clock.schedule(this, at);
        } else {
            refresh();
        }
    });
}

std::optional<qint64> LiveMonitorView::advance(qint64)
{
    if (stale_ && isVisible() && mapped_) refresh();
    return std::nullopt;
}

LiveMonitorView::~LiveMonitorView()
{
    if (client_) monitor_.stop();
}

bool LiveMonitorView::showsContent() const { return faces_->currentWidget() == content_; }

void LiveMonitorView::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    mapped_ = true;
    if (!client_) {
        client_ = true;
        monitor_.start();
    }
    refresh();
}

void LiveMonitorView::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    // A minimised window (the hide the window system sends) has not left the page: the page
    // stays a client, so the monitor keeps its two minutes; it only stops redrawing.
    if (e->spontaneous()) {
        mapped_ = false;
        return;
    }
    mapped_ = false;
    FrameClock::shared().remove(this);
    if (client_) {
        client_ = false;
        monitor_.stop();
    }
}

void LiveMonitorView::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) collecting_->setText(UiLanguage::current().tr("Collecting samples…"));
}

void LiveMonitorView::refresh()
{
    const auto& latest = monitor_.latest();
    if (!latest) {
        faces_->setCurrentWidget(placeholder_);
        stale_ = false;
        return;
    }
    if (stale_ || !showsContent()) content_->setModel(MonitorModel(monitor_.samples(), *latest));
    stale_ = false;
    faces_->setCurrentWidget(content_);
}
