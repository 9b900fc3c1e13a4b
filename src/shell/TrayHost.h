#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <memory>

class LanguageManager;
class Preferences;
class QMenu;
class UpdateGate;

// What the tray item's context menu and its own signals ask for.
struct TrayActions {
    std::function<void()> openMainWindow;
    std::function<void()> openLiveMonitor;
    std::function<void()> checkForUpdates;
    std::function<void()> openSettings;
    std::function<void()> quit;
};

// Whether the desktop offers a tray now, with word each time that changes: a tray may start
// after the application (autostart order) or go away and come back (a panel restarted).
class TrayPresence : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool available() const = 0;

signals:
    void changed();
};

// A tray as a function says it is (tests, benchmarks); `recheck()` asks it again.
class FixedTrayPresence : public TrayPresence {
    Q_OBJECT
public:
    explicit FixedTrayPresence(std::function<bool()> available, QObject* parent = nullptr);
    bool available() const override { return available_; }
    void recheck();

private:
    std::function<bool()> source_;
    bool available_ = false;
};

class XcbTrayWatch;

// The desktop's tray as it comes and goes: a StatusNotifier host (the name
// org.kde.StatusNotifierWatcher on the session bus, with a host registered) or, under X11,
// an XEmbed tray (the owner of the selection _NET_SYSTEM_TRAY_S<screen>).
class DesktopTrayPresence : public TrayPresence {
    Q_OBJECT
public:
    static inline const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
    static inline const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

    explicit DesktopTrayPresence(QObject* parent = nullptr);
    // Watches `bus` only (no X11): a private bus in tests.
    explicit DesktopTrayPresence(const QDBusConnection& bus, bool watchX11 = false, QObject* parent = nullptr);
    ~DesktopTrayPresence() override;
    bool available() const override { return notifierHost_ || xembedTray_; }
    bool hasNotifierHost() const { return notifierHost_; }
    bool hasXembedTray() const { return xembedTray_; }

private slots:
    void askForHost();

private:
    void setNotifierHost(bool present);
    void setXembedTray(bool present);
    QDBusConnection bus_;
    bool notifierHost_ = false;
    bool xembedTray_ = false;
    quint64 asked_ = 0;  // the newest question to the watcher; older answers are stale
    std::unique_ptr<XcbTrayWatch> xcb_;
};

// The tray item (the desktop's stand-in for a menu bar extra): present while the preference
// "menuBarMonitorEnabled" is on (absent counts as on) and the desktop offers a tray. Its
// context menu — Open Quorlent, Check for Updates…, Settings…, Quit — is the way back when
// no window is open.
class TrayHost : public QObject {
    Q_OBJECT
public:
    // Makes the item, owned by `parent`, with the context menu and the actions wired.
    using Factory = std::function<QObject*(QObject* parent, QMenu* contextMenu, const TrayActions& actions)>;

    // Follows `presence` while running: the item comes with the tray and goes with it.
    TrayHost(Preferences& preferences, std::unique_ptr<TrayPresence> presence, Factory factory, TrayActions actions,
             QObject* parent = nullptr);
    ~TrayHost() override;

    static inline const QString kPreferenceKey = QStringLiteral("menuBarMonitorEnabled");

    // Whether the item should exist: the stored Boolean, on when nothing (or no Boolean) is stored.
    static bool wanted(const QVariant& stored);
    // Whether closing the last window quits: only when a Boolean false is stored, or when the
    // desktop has no tray (then nothing would bring a window back).
    static bool quitsOnLastWindowClosed(const QVariant& stored, bool trayAvailable);

    // The tray now, and the quit rule that follows from it and the preference.
    bool trayAvailable() const { return presence_->available(); }
    bool quitsOnLastWindowClosed() const;
    TrayPresence& presence() const { return *presence_; }

    QObject* item() const { return item_; }
    bool hasItem() const { return item_ != nullptr; }
    QMenu* contextMenu() const { return menu_; }

    // Creates or removes the item to match the preference and the tray.
    void sync();
    void retranslate();
    // "Check for Updates…" is unavailable while a check runs.
    void setCheckingForUpdates(bool checking);

    // A factory for any item type with setContextMenu(QMenu*) and the signals
    // openMainWindowRequested() and quitRequested() (and openLiveMonitorRequested() when it has one).
    template <typename Item>
    static Factory factoryFor(std::function<Item*(QObject* parent)> make)
    {
        return [make](QObject* parent, QMenu* menu, const TrayActions& actions) -> QObject* {
            Item* item = make(parent);
            if (!item) return nullptr;
            item->setContextMenu(menu);
            QObject::connect(item, &Item::openMainWindowRequested, parent, [a = actions.openMainWindow] { if (a) a(); });
            QObject::connect(item, &Item::quitRequested, parent, [a = actions.quit] { if (a) a(); });
            if constexpr (requires { &Item::openLiveMonitorRequested; })
                QObject::connect(item, &Item::openLiveMonitorRequested, parent, [a = actions.openLiveMonitor] { if (a) a(); });
            return item;
        };
    }
    // A plain tray icon with the application's icon: a click opens the main window.
    static Factory plainIcon();

signals:
    void itemChanged();
    // The tray came or went, or the preference changed: the quit rule may differ.
    void quitRuleChanged(bool quitsOnLastWindowClosed);

private:
    Preferences& preferences_;
    std::unique_ptr<TrayPresence> presence_;
    Factory factory_;
    TrayActions actions_;
    QMenu* menu_;
    QPointer<QObject> item_;
};
