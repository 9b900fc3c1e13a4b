#pragma once

#include "monitor/LiveMonitor.h"
#include "monitor/MenuBarMonitorView.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

class QMenu;

// The live monitor in the desktop's tray: an icon with the processor load painted into
// it (a tray shows no text), the load again in the tool tip after "Quorlent live monitor",
// and on a click the panel (MenuBarMonitorView) at the icon, closed again when it loses
// focus. Exists only where the desktop has a tray; while it exists it is a client of the
// monitor, so sampling runs for as long as the tray item is there.
class MonitorTrayItem : public QObject {
    Q_OBJECT
public:
    using Availability = std::function<bool()>;

    explicit MonitorTrayItem(LiveMonitor& monitor, QObject* parent = nullptr);
    // `trayAvailable` stands in for QSystemTrayIcon::isSystemTrayAvailable (tests).
    MonitorTrayItem(LiveMonitor& monitor, Availability trayAvailable, QObject* parent = nullptr);
    ~MonitorTrayItem() override;

    // The icon's menu on a right click (the application's own: show window, settings, quit).
    void setContextMenu(QMenu* menu);

    // Null where the desktop has no tray.
    QSystemTrayIcon* trayIcon() const { return icon_.get(); }
    bool isClient() const { return client_; }
    // Null until the panel is first opened.
    MenuBarMonitorView* panel() const { return panel_; }
    bool isPanelOpen() const;
    void openPanel();
    void closePanel();
    // What a click on the icon does: a left click opens or closes the panel, a double or
    // middle click asks for the main window.
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

    // The load shown in the icon now, in whole percent; absent before the first sample.
    std::optional<int> shownLoad() const { return shownLoad_; }
    // "Quorlent live monitor", then the processor load when there is one.
    QString toolTip() const;
    static QString accessibleLabel();

    // The sizes the icon is drawn at. A D-Bus tray is sent every one of them on each change
    // (and fetches them all again), so no more than panels ask for: 16 and 22 (the sizes
    // the protocol's hosts expect), 24 and 32, and 48 for a panel at twice the scale.
    static constexpr int kIconSizes[] = {16, 22, 24, 32, 48};
    // The icon at a pixel size: a rounded tile with the load's digits and a bar under them,
    // or the gauge symbol before the first sample.
    static QImage iconImage(std::optional<int> loadPercent, int size);
    // Where the panel goes: under an icon in the upper half of its screen, above one in the
    // lower half, centred on it and kept on the screen; at the pointer when the desktop
    // does not tell where the icon is (an empty geometry, as on Wayland).
    static QPoint panelPosition(const QRect& iconGeometry, const QPoint& cursor, const QSize& panel, const QRect& screen);

signals:
    void openMainWindowRequested();
    void openLiveMonitorRequested();
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();
    LiveMonitor& monitor_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QPointer<MenuBarMonitorView> panel_;
    QPointer<QObject> panelObject_;  // the same, for comparing without a cast
    std::optional<int> shownLoad_;
    QIcon cachedIcon(std::optional<int> load);
    struct CachedIcon {
        int load;
        QString digits;  // the locale the digits were drawn in
        QIcon icon;
    };
    QList<CachedIcon> iconCache_;  // most recent first
    QString toolTip_;
    // A click on the icon first takes the focus from an open panel: that click closes it.
    QElapsedTimer closedByFocusLoss_;
    bool client_ = false;
};
