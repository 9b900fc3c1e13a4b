#pragma once

#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>

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

// The tray item (the desktop's stand-in for a menu bar extra): present while the preference
// "menuBarMonitorEnabled" is on (absent counts as on) and the desktop offers a tray. Its
// context menu — Open Quorlent, Check for Updates…, Settings…, Quit — is the way back when
// no window is open.
class TrayHost : public QObject {
    Q_OBJECT
public:
    // Makes the item, owned by `parent`, with the context menu and the actions wired.
    using Factory = std::function<QObject*(QObject* parent, QMenu* contextMenu, const TrayActions& actions)>;

    TrayHost(Preferences& preferences, std::function<bool()> trayAvailable, Factory factory, TrayActions actions,
             QObject* parent = nullptr);
    ~TrayHost() override;

    static inline const QString kPreferenceKey = QStringLiteral("menuBarMonitorEnabled");

    // Whether the item should exist: the stored Boolean, on when nothing (or no Boolean) is stored.
    static bool wanted(const QVariant& stored);
    // Whether closing the last window quits: only when a Boolean false is stored, or when the
    // desktop has no tray (then nothing would bring a window back).
    static bool quitsOnLastWindowClosed(const QVariant& stored, bool trayAvailable);

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

private:
    Preferences& preferences_;
    std::function<bool()> trayAvailable_;
    Factory factory_;
    TrayActions actions_;
    QMenu* menu_;
    QPointer<QObject> item_;
};
