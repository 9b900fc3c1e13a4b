#include "monitor/MonitorTrayItem.h"
#include "platform/i18n/StringFormat.h"

#include "monitor/MenuBarMonitorView.h"
#include "platform/i18n/LocaleFormat.h"
#include "ui/Formatters.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <cmath>

namespace {
// How long after the panel lost the focus a click on the icon still counts as the one that took it.
constexpr qint64 kClickAfterFocusLossMs = 300;
}  // namespace

MonitorTrayItem::MonitorTrayItem(LiveMonitor& monitor, QObject* parent)
    : MonitorTrayItem(monitor, [] { return QSystemTrayIcon::isSystemTrayAvailable(); }, parent)
{
}

MonitorTrayItem::MonitorTrayItem(LiveMonitor& monitor, Availability trayAvailable, QObject* parent)
    : QObject(parent), monitor_(monitor)
{
    // Without a tray the item is not there at all: no icon and no client.
    if (!trayAvailable || !trayAvailable()) return;
    icon_ = std::make_unique<QSystemTrayIcon>();
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &MonitorTrayItem::handleActivation);
    connect(&monitor_, &LiveMonitor::latestChanged, this, &MonitorTrayItem::update);
    update();
    icon_->show();
    client_ = true;
    monitor_.start();
}

MonitorTrayItem::~MonitorTrayItem()
{
    if (panel_) {
        // Its last events (hide, destruction) are none of this item's business any more.
        panel_->removeEventFilter(this);
        delete panel_.data();
    }
    if (client_) monitor_.stop();
}

void MonitorTrayItem::setContextMenu(QMenu* menu)
{
    if (icon_) icon_->setContextMenu(menu);
}

QString MonitorTrayItem::accessibleLabel() { return UiLanguage::current().tr("Quorlent live monitor"); }

QString MonitorTrayItem::toolTip() const { return toolTip_; }

void MonitorTrayItem::update()
{
    if (!icon_) return;
    const auto& latest = monitor_.latest();
    std::optional<int> load;
    // Rounded as the percentage texts round (half to even).
    if (latest) load = int(std::nearbyint(std::clamp(std::isfinite(latest->cpuUsage) ? latest->cpuUsage : 0.0, 0.0, 1.0) * 100));
    if (load != shownLoad_ || icon_->icon().isNull()) {
        shownLoad_ = load;
        icon_->setIcon(cachedIcon(load));
    }
    const Localization l = UiLanguage::current();
    QString tip = accessibleLabel();
    if (latest) tip += QLatin1Char('\n') + formatString(l.tr("CPU: %@"), {Formatters::percent(latest->cpuUsage, l)});
    if (tip != toolTip_) {
        toolTip_ = tip;
        icon_->setToolTip(tip);
    }
}

QIcon MonitorTrayItem::cachedIcon(std::optional<int> load)
{
    // An idle machine moves between a handful of loads: the last few icons are kept, so most
    // samples draw nothing (each icon is six pictures, about 35 KB).
    constexpr qsizetype kKept = 8;
    const QString digits = UiLanguage::current().qlocale().name();
    const int key = load ? *load : -1;
    for (qsizetype i = 0; i < iconCache_.size(); ++i) {
        if (iconCache_[i].load == key && iconCache_[i].digits == digits) {
            if (i > 0) iconCache_.move(i, 0);
            return iconCache_.constFirst().icon;
        }
    }
    QIcon icon;
    for (int size : MonitorTrayItem::kIconSizes) icon.addPixmap(QPixmap::fromImage(iconImage(load, size)));
    iconCache_.prepend({key, digits, icon});
    if (iconCache_.size() > kKept) iconCache_.removeLast();
    return icon;
}

namespace {

// The brand tile of one size, drawn once: every load's icon starts as a copy of it.
QImage tileImage(int size)
{
    static QHash<int, std::pair<QRgb, QImage>> tiles;  // by size, with the colour it was drawn in
    const Theme::LinearGradient g = Theme::brandGradient();
    const QRgb key = Theme::brandPrimary().rgba() ^ (Theme::brandSecondary().rgba() << 1);
    auto it = tiles.find(size);
    if (it != tiles.end() && it->first == key) return it->second;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0.5, 0.5, size - 1, size - 1);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::toQGradient(g, tile, Qt::LeftToRight));
    p.drawRoundedRect(tile, size * 0.22, size * 0.22);
    p.end();
    tiles.insert(size, {key, image});
    return image;
}

// The digits' pixel size in a box: as large as fit, measured once per size and text.
int digitsPixelSize(const QString& digits, const QRectF& textBox, int size)
{
    static QHash<QString, int> fitted;
    const QString key = QString::number(size) + QLatin1Char(' ') + Theme::textFamily() + QLatin1Char(' ') + digits;
    if (auto it = fitted.constFind(key); it != fitted.cend()) return *it;
    // Text grows in proportion to its pixel size: measured once at the box's height, the
    // size that fits follows, checked once more for the rounding of hinted sizes.
    QFont font = Theme::systemFont(textBox.height(), QFont::Bold);
    font.setPixelSize(std::max(1, int(textBox.height())));
    const QFontMetricsF fm(font);
    const qreal advance = fm.horizontalAdvance(digits), cap = fm.capHeight();
    qreal px = textBox.height();
    if (advance > 0) px = std::min(px, px * textBox.width() / advance);
    if (cap > 0) px = std::min(px, textBox.height() * textBox.height() / cap);
    px = std::max<qreal>(4, std::floor(px * 2) / 2);
    font.setPixelSize(std::max(1, int(px)));
    while (px > 4 && QFontMetricsF(font).horizontalAdvance(digits) > textBox.width()) {
        px -= 1;
        font.setPixelSize(int(px));
    }
    const int result = std::max(1, int(px));
    if (fitted.size() > 2048) fitted.clear();  // a bound; in practice 101 loads × 5 sizes per language
    fitted.insert(key, result);
    return result;
}

}  // namespace

QImage MonitorTrayItem::iconImage(std::optional<int> loadPercent, int size)
{
    // The brand tile reads on light and dark panels alike.
    QImage image = tileImage(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    const QRectF tile(0.5, 0.5, size - 1, size - 1);
    if (!loadPercent) {
        Symbols::draw(p, QRL_SYMBOL("gauge.with.dots.needle.33percent"), tile.adjusted(size * 0.14, size * 0.14, -size * 0.14, -size * 0.14),
                      Qt::white);
        return image;
    }
    const int load = std::clamp(*loadPercent, 0, 100);
    // The bar along the bottom: the load at a glance, even where the digits are tiny.
    const qreal barHeight = std::max(2.0, size * 0.12);
    const QRectF bar(size * 0.14, size - size * 0.14 - barHeight, size * 0.72, barHeight);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawRoundedRect(bar, barHeight / 2, barHeight / 2);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(bar.left(), bar.top(), std::max(barHeight, bar.width() * load / 100.0), barHeight), barHeight / 2,
                      barHeight / 2);
    // The digits, as large as fit above the bar.
    const QString digits = LocaleFormat::decimal(load, UiLanguage::current(), 0, false);
    const QRectF textBox(size * 0.06, size * 0.04, size * 0.88, bar.top() - size * 0.06);
    QFont font = Theme::systemFont(textBox.height(), QFont::Bold);
    font.setPixelSize(digitsPixelSize(digits, textBox, size));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(textBox, Qt::AlignCenter, digits);
    return image;
}

QPoint MonitorTrayItem::panelPosition(const QRect& iconGeometry, const QPoint& cursor, const QSize& panel, const QRect& screen)
{
    constexpr int kGap = 4;
    const QRect anchor = iconGeometry.isEmpty() ? QRect(cursor, QSize(1, 1)) : iconGeometry;
    int x = anchor.center().x() - panel.width() / 2;
    int y = anchor.center().y() < screen.center().y() ? anchor.bottom() + 1 + kGap : anchor.top() - kGap - panel.height();
    if (!screen.isEmpty()) {
        x = std::clamp(x, screen.left() + kGap, std::max(screen.left() + kGap, screen.right() + 1 - kGap - panel.width()));
        y = std::clamp(y, screen.top() + kGap, std::max(screen.top() + kGap, screen.bottom() + 1 - kGap - panel.height()));
    }
    return QPoint(x, y);
}

bool MonitorTrayItem::isPanelOpen() const { return panel_ && panel_->isVisible(); }

void MonitorTrayItem::openPanel()
{
    if (!panel_) {
        panel_ = new MenuBarMonitorView(monitor_);
        // A window of its own, without frame, above the others; it goes when it loses focus.
        panel_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        panel_->setAttribute(Qt::WA_DeleteOnClose, false);
        panel_->installEventFilter(this);
        panelObject_ = panel_.data();
        connect(panel_, &MenuBarMonitorView::openLiveMonitorRequested, this, [this] {
            closePanel();
            emit openLiveMonitorRequested();
        });
        connect(panel_, &MenuBarMonitorView::quitRequested, this, [this] {
            closePanel();
            emit quitRequested();
        });
    }
    const Localization l = UiLanguage::current();
    panel_->setLayoutDirection(l.layoutDirection());
    panel_->setPalette(Theme::palette(Theme::appearance()));
    panel_->adjustSize();
    const QRect iconGeometry = icon_ ? icon_->geometry() : QRect();
    const QPoint cursor = QCursor::pos();
    const QPoint anchor = iconGeometry.isEmpty() ? cursor : iconGeometry.center();
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    panel_->move(panelPosition(iconGeometry, cursor, panel_->size(), available));
    panel_->show();
    panel_->raise();
    panel_->activateWindow();
}

void MonitorTrayItem::closePanel()
{
    if (panel_) panel_->hide();
}

void MonitorTrayItem::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (isPanelOpen()) closePanel();
        else if (!closedByFocusLoss_.isValid() || closedByFocusLoss_.elapsed() > kClickAfterFocusLossMs) openPanel();
        break;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::MiddleClick:
        closePanel();
        emit openMainWindowRequested();
        break;
    default:
        break;
    }
}

bool MonitorTrayItem::eventFilter(QObject* watched, QEvent* event)
{
    // Compared as objects: a panel being destroyed is no longer a MenuBarMonitorView.
    if (panelObject_ && watched == panelObject_.data()) {
        // Focus went elsewhere: the panel goes, as a menu would.
        if (event->type() == QEvent::WindowDeactivate && panel_->isVisible()) {
            closedByFocusLoss_.start();
            closePanel();
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) closePanel();
    }
    return QObject::eventFilter(watched, event);
}
