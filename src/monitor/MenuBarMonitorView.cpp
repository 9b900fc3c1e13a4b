#include "monitor/MenuBarMonitorView.h"

#include "app/AppRouter.h"
#include "monitor/ChartCard.h"
#include "ui/BusyIndicator.h"
#include "ui/PaintedText.h"
#include "ui/Formatters.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// A hairline between the panel's parts.
class Divider : public QWidget {
public:
    Divider()
    {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Theme::primary(0.1));
    }
};

QColor faded(QColor c, double opacity)
{
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
}

}  // namespace

// ---------------------------------------------------------------- MiniChartRow

MiniChartRow::MiniChartRow(Theme::Color tint, QWidget* parent) : QWidget(parent), tint_(tint)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void MiniChartRow::set(const QString& title, const QString& value, const QList<std::pair<QDateTime, double>>& values)
{
    title_ = title;
    value_ = value;
    values_ = values;
    setAccessibleName(title);
    setAccessibleDescription(value);
    update();
}

QSize MiniChartRow::sizeHint() const
{
    const int texts = QFontMetrics(Theme::font(Theme::TextStyle::caption)).height() + 1 +
                      QFontMetrics(Theme::font(Theme::TextStyle::title3, QFont::DemiBold)).height();
    return QSize(kLabelWidth + 12 + 100, std::max(kChartHeight, texts));
}

QRectF MiniChartRow::chartRect() const
{
    const qreal chartWidth = std::max<qreal>(width() - kLabelWidth - 12, 0);
    const qreal top = (height() - kChartHeight) / 2.0;
    const qreal x = layoutDirection() == Qt::RightToLeft ? 0 : kLabelWidth + 12;
    return QRectF(x, top, chartWidth, kChartHeight);
}

QList<QPointF> MiniChartRow::chartPoints() const
{
    QList<QPointF> points;
    if (values_.isEmpty()) return points;
    const QRectF r = chartRect();
    const QDateTime first = values_.constFirst().first, last = values_.constLast().first;
    const double span = double(first.msecsTo(last));
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    points.reserve(values_.size());
    for (const auto& [date, value] : values_) {
        // One point alone sits at the newest end.
        double t = span > 0 ? double(first.msecsTo(date)) / span : 1.0;
        if (rtl) t = 1 - t;
        const double v = std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
        points << QPointF(r.left() + t * r.width(), r.bottom() - v * r.height());
    }
    return points;
}

void MiniChartRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setLayoutDirection(layoutDirection());
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QFont caption = Theme::font(Theme::TextStyle::caption);
    const QFont big = Theme::font(Theme::TextStyle::title3, QFont::DemiBold);
    const qreal titleHeight = PaintedText::lineHeight(caption, title_), valueHeight = PaintedText::lineHeight(big, value_);
    const qreal textHeight = titleHeight + 1 + valueHeight;
    const qreal labelX = rtl ? width() - kLabelWidth : 0;
    const qreal top = (height() - textHeight) / 2.0;
    const int align = int((rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::AlignAbsolute);
    p.setFont(caption);
    p.setPen(Theme::foreground(Theme::Level::secondary));
    PaintedText::draw(p, QRectF(labelX, top, kLabelWidth, titleHeight), Qt::Alignment(align), title_);
    p.setFont(big);
    p.setPen(Theme::foreground(Theme::Level::primary));
    PaintedText::draw(p, QRectF(labelX, top + titleHeight + 1, kLabelWidth, valueHeight), Qt::Alignment(align), value_);

    const QList<QPointF> points = chartPoints();
    if (points.isEmpty()) return;
    const QRectF r = chartRect();
    const QColor tint = Theme::color(tint_);
    // Straight lines between the samples, for the area and the line alike.
    QPainterPath line;
    line.moveTo(points.first());
    for (qsizetype i = 1; i < points.size(); ++i) line.lineTo(points[i]);
    QPainterPath area = line;
    area.lineTo(points.last().x(), r.bottom());
    area.lineTo(points.first().x(), r.bottom());
    area.closeSubpath();
    // The fade runs over the area itself, from its highest point to its base, as the live
    // page's charts do: a quiet machine's low area still starts at the full 0.45.
    QLinearGradient fill(QPointF(0, area.boundingRect().top()), QPointF(0, r.bottom()));
    fill.setColorAt(0, faded(tint, 0.45));
    fill.setColorAt(1, faded(tint, 0.03));
    p.fillPath(area, fill);
    p.setPen(QPen(tint, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (points.size() == 1) p.drawPoint(points.first());
    else p.drawPath(line);
}

// ---------------------------------------------------------------- InfoLine

InfoLine::InfoLine(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void InfoLine::set(const QString& symbol, const QString& title, const QString& value, Theme::Tint color)
{
    if (symbol == symbol_ && title == title_ && value == value_ && color == color_) return;
    symbol_ = symbol;
    title_ = title;
    value_ = value;
    color_ = color;
    setAccessibleName(title);
    setAccessibleDescription(value);
    update();
}

QSize InfoLine::sizeHint() const
{
    const QFontMetrics fm(Theme::font(Theme::TextStyle::callout));
    return QSize(200, std::max(fm.height(), 16));
}

QRectF InfoLine::valueRect() const
{
    const QFontMetricsF fm(Theme::font(Theme::TextStyle::callout));
    const qreal titleEnd = 18 + 8 + fm.horizontalAdvance(title_) + 8;
    const qreal room = std::max<qreal>(width() - titleEnd, 0);
    const qreal w = std::min<qreal>(fm.horizontalAdvance(value_) + 1, room);
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    return QRectF(rtl ? 0 : width() - w, 0, w, height());
}

QString InfoLine::shownValue() const
{
    return QFontMetricsF(Theme::font(Theme::TextStyle::callout)).elidedText(value_, Qt::ElideRight, valueRect().width());
}

void InfoLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setLayoutDirection(layoutDirection());
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QFont font = Theme::font(Theme::TextStyle::callout);
    const QFontMetricsF fm(font);
    const QColor secondary = Theme::foreground(Theme::Level::secondary);
    const qreal symbolSize = std::min<qreal>(fm.height(), 16);
    const QRectF symbolBox(rtl ? width() - 18 : 0, 0, 18, height());
    Symbols::draw(p, symbol_, QRectF(symbolBox.center().x() - symbolSize / 2, symbolBox.center().y() - symbolSize / 2,
                                     symbolSize, symbolSize), secondary);
    const QRectF value = valueRect();
    const qreal titleStart = 18 + 8;
    const qreal titleWidth = std::max<qreal>(width() - titleStart - value.width() - 8, 0);
    const int lead = int((rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::AlignAbsolute);
    const int trail = int((rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter | Qt::AlignAbsolute);
    p.setFont(font);
    p.setPen(secondary);
    PaintedText::draw(p, QRectF(rtl ? width() - titleStart - titleWidth : titleStart, 0, titleWidth, height()), Qt::Alignment(lead), title_);
    p.setPen(color_.resolve());
    PaintedText::draw(p, value, Qt::Alignment(trail), shownValue());
}

// ---------------------------------------------------------------- MenuBarMonitorView

MenuBarMonitorView::MenuBarMonitorView(LiveMonitor& monitor, QWidget* parent) : QWidget(parent), monitor_(monitor)
{
    setObjectName(QStringLiteral("menuBarMonitor"));
    setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    QWidget* icon = nullptr;
    if (!QApplication::windowIcon().isNull()) {
        auto* image = new QLabel;
        image->setPixmap(QApplication::windowIcon().pixmap(22, 22));
        image->setFixedSize(22, 22);
        image->setScaledContents(true);
        icon = image;
    } else {
        icon = new IconTile(QRL_SYMBOL("waveform.path.ecg"), 22, Theme::brandGradient());
    }
    icon->setAccessibleName(QString());
    header->addWidget(icon);
    name_ = new ThemedLabel(QStringLiteral("Quorlent"), Theme::font(Theme::TextStyle::headline), Theme::Level::primary);
    header->addWidget(name_);
    header->addStretch(1);
    column->addLayout(header);

    auto* body = new QWidget;
    faces_ = new QStackedLayout(body);
    collecting_ = new QWidget;
    collecting_->setMinimumHeight(80);
    auto* waiting = new QHBoxLayout(collecting_);
    waiting->setContentsMargins(0, 0, 0, 0);
    waiting->addStretch(1);
    waiting->addWidget(new BusyIndicator(16));
    waiting->addSpacing(8);
    collectingText_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::body), Theme::Level::secondary);
    waiting->addWidget(collectingText_);
    waiting->addStretch(1);
    faces_->addWidget(collecting_);

    readings_ = new QWidget;
    auto* lines = new QVBoxLayout(readings_);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(12);
    cpuRow_ = new MiniChartRow(Theme::Color::brandPrimary);
    cpuRow_->setObjectName(QStringLiteral("cpuRow"));
    memoryRow_ = new MiniChartRow(Theme::Color::brandSecondary);
    memoryRow_->setObjectName(QStringLiteral("memoryRow"));
    thermalLine_ = new InfoLine;
    thermalLine_->setObjectName(QStringLiteral("thermalLine"));
    batteryLine_ = new InfoLine;
    batteryLine_->setObjectName(QStringLiteral("batteryLine"));
    networkLine_ = new InfoLine;
    networkLine_->setObjectName(QStringLiteral("networkLine"));
    lines->addWidget(cpuRow_);
    lines->addWidget(memoryRow_);
    lines->addWidget(new Divider);
    lines->addWidget(thermalLine_);
    lines->addWidget(batteryLine_);
    lines->addWidget(networkLine_);
    faces_->addWidget(readings_);
    column->addWidget(body);

    column->addWidget(new Divider);
    auto* buttons = new QHBoxLayout;
    open_ = new QPushButton;
    open_->setObjectName(QStringLiteral("openButton"));
    open_->setDefault(true);
    open_->setCursor(Qt::PointingHandCursor);
    quit_ = new QPushButton;
    quit_->setObjectName(QStringLiteral("quitButton"));
    quit_->setFlat(true);
    quit_->setCursor(Qt::PointingHandCursor);
    buttons->addWidget(open_);
    buttons->addStretch(1);
    buttons->addWidget(quit_);
    column->addLayout(buttons);
    connect(open_, &QPushButton::clicked, this, &MenuBarMonitorView::openLiveMonitor);
    connect(quit_, &QPushButton::clicked, this, &MenuBarMonitorView::quitRequested);

    restyleButtons();
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, [this] {
        restyleButtons();
        update();
    });
    retranslate();
    // Redrawn with each sample only while open.
    connect(&monitor_, &LiveMonitor::latestChanged, this, [this] {
        if (isVisible()) refresh();
    });
    refresh();
}

MenuBarMonitorView::~MenuBarMonitorView()
{
    if (client_) monitor_.stop();
}

bool MenuBarMonitorView::showsSamples() const { return faces_->currentWidget() == readings_; }

void MenuBarMonitorView::openLiveMonitor()
{
    AppRouter& router = router_ ? *router_ : AppRouter::shared();
    router.setStatusFocus(std::nullopt);
    router.setSelection(SidebarItem::pro(ProFeature::liveMonitor));
    emit openLiveMonitorRequested();
}

void MenuBarMonitorView::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!client_) {
        client_ = true;
        monitor_.start();
    }
    refresh();
}

void MenuBarMonitorView::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    if (client_) {
        client_ = false;
        monitor_.stop();
    }
}

void MenuBarMonitorView::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) {
        retranslate();
        refresh();
    }
}

void MenuBarMonitorView::paintEvent(QPaintEvent*)
{
    // The panel stands alone on the desktop: its own background and a hairline edge.
    QPainter p(this);
    p.fillRect(rect(), Theme::palette(Theme::appearance()).color(QPalette::Window));
    if (isWindow()) {
        p.setPen(Theme::primary(0.15));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void MenuBarMonitorView::retranslate()
{
    const Localization l = UiLanguage::current();
    collectingText_->setText(l.tr("Collecting samples…"));
    open_->setText(l.tr("Open Quorlent"));
    quit_->setText(l.tr("Quit"));
}

void MenuBarMonitorView::restyleButtons()
{
    const QColor brand = Theme::brandPrimary();
    open_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 6px;"
                                        " padding: 4px 12px; }"
                                        " QPushButton:pressed { background: %2; }")
                             .arg(brand.name(), brand.darker(120).name()));
    quit_->setStyleSheet(QStringLiteral("QPushButton { background: transparent; color: %1; border: none; padding: 4px 6px; }")
                             .arg(Theme::foreground(Theme::Level::secondary).name(QColor::HexArgb)));
    open_->setFont(Theme::font(Theme::TextStyle::body));
    quit_->setFont(Theme::font(Theme::TextStyle::body));
}

void MenuBarMonitorView::refresh()
{
    const auto& latest = monitor_.latest();
    if (!latest) {
        faces_->setCurrentWidget(collecting_);
        return;
    }
    const Localization l = UiLanguage::current();
    const MonitorModel model(monitor_.samples(), *latest);
    const QList<MonitorModel::Point> minute = model.lastPoints(kSparklineSamples);
    QList<std::pair<QDateTime, double>> cpu, memory;
    cpu.reserve(minute.size());
    memory.reserve(minute.size());
    for (const MonitorModel::Point& p : minute) {
        cpu.append({p.date, p.cpu});
        memory.append({p.date, p.memory});
    }
    cpuRow_->set(l.tr("CPU"), Formatters::percent(model.cpu, l), cpu);
    memoryRow_->set(l.tr("Memory"), Formatters::percent(model.memoryFraction(), l), memory);

    Theme::Tint thermalColor = ThermalPresentation::tint(model.thermal);
    thermalLine_->set(QRL_SYMBOL("thermometer.medium"), l.tr("Thermal state"), ThermalPresentation::title(model.thermal, l),
                      thermalColor);
    batteryLine_->setVisible(model.battery.has_value());
    if (model.battery) {
        batteryLine_->set(model.charging.value_or(false) ? QRL_SYMBOL("battery.100.bolt") : QRL_SYMBOL("battery.75"),
                          l.tr("Battery"), Formatters::percent(*model.battery, l), Theme::Tint(Theme::Level::primary));
    }
    networkLine_->set(QRL_SYMBOL("arrow.down.arrow.up"), l.tr("Network"),
                      MonitorTexts::networkValue(model.networkIn, model.networkOut, l), Theme::Tint(Theme::Level::primary));
    faces_->setCurrentWidget(readings_);
}
