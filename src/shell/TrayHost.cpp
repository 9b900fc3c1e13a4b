#include "shell/TrayHost.h"

#include "platform/Preferences.h"
#include "shell/MainWindowIcons.h"
#include "ui/UiLanguage.h"

#include <QAbstractNativeEventFilter>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#if QRL_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {
// The tray item until the live monitor's own one takes its place.
class PlainTrayItem : public QObject {
    Q_OBJECT
public:
    explicit PlainTrayItem(QObject* parent) : QObject(parent), icon_(MainWindowIcons::application(), this)
    {
        icon_.setToolTip(UiLanguage::current().tr("Quorlent"));
        connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) emit openMainWindowRequested();
        });
        icon_.show();
    }
    void setContextMenu(QMenu* menu) { icon_.setContextMenu(menu); }

signals:
    void openMainWindowRequested();
    void quitRequested();

private:
    QSystemTrayIcon icon_;
};
}  // namespace

// ---------------------------------------------------------------- tray presence

FixedTrayPresence::FixedTrayPresence(std::function<bool()> available, QObject* parent)
    : TrayPresence(parent), source_(std::move(available)), available_(source_ && source_())
{
}

void FixedTrayPresence::recheck()
{
    const bool now = source_ && source_();
    if (now == available_) return;
    available_ = now;
    emit changed();
}

#if QRL_HAVE_XCB
// The XEmbed tray of the X11 screen: whoever owns the selection _NET_SYSTEM_TRAY_S<screen>.
// A tray that takes the selection says so with a MANAGER message to the root window (Qt
// listens to the root's structure events already); one that goes away destroys its window,
// which is watched once it is known.
class XcbTrayWatch : public QAbstractNativeEventFilter {
public:
    explicit XcbTrayWatch(std::function<void(bool)> report) : report_(std::move(report))
    {
        auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        connection_ = x11 ? x11->connection() : nullptr;
        if (!connection_) return;
        // The screen in DISPLAY (":0.1" is screen 1), else the first.
        const QByteArray display = qgetenv("DISPLAY");
        const qsizetype dot = display.lastIndexOf('.'), colon = display.lastIndexOf(':');
        int screen = 0;
        if (dot > colon && colon >= 0) screen = display.mid(dot + 1).toInt();
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int i = 0; i < screen && it.rem > 1; ++i) xcb_screen_next(&it);
        if (!it.data) {
            connection_ = nullptr;
            return;
        }
        root_ = it.data->root;
        selection_ = atom(QByteArrayLiteral("_NET_SYSTEM_TRAY_S") + QByteArray::number(screen));
        manager_ = atom(QByteArrayLiteral("MANAGER"));
        qGuiApp->installNativeEventFilter(this);
        look();
    }
    ~XcbTrayWatch() override
    {
        if (connection_ && qGuiApp) qGuiApp->removeNativeEventFilter(this);
    }
    bool present() const { return owner_ != 0; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & ~0x80) {
        case XCB_CLIENT_MESSAGE: {
            const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if (m->type == manager_ && m->format == 32 && m->data.data32[1] == selection_) look();
            break;
        }
        case XCB_DESTROY_NOTIFY:
            if (owner_ && reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == owner_) look();
            break;
        default: break;
        }
        return false;  // Qt's own tray code sees the same events
    }

private:
    xcb_atom_t atom(const QByteArray& name) const
    {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, quint16(name.size()), name.constData()), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return a;
    }
    // Who owns the selection now; their window is watched for its end.
    void look()
    {
        xcb_window_t owner = 0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            xcb_get_selection_owner_reply_t* reply =
                xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
            owner = reply ? reply->owner : 0;
            free(reply);
            if (!owner) break;
            const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            // The window may be gone already (a tray quitting as we look): then look again.
            if (xcb_generic_error_t* error =
                    xcb_request_check(connection_, xcb_change_window_attributes_checked(connection_, owner, XCB_CW_EVENT_MASK, &mask))) {
                free(error);
                owner = 0;
                continue;
            }
            break;
        }
        xcb_flush(connection_);
        const bool was = owner_ != 0;
        owner_ = owner;
        if (was != (owner_ != 0) && report_) report_(owner_ != 0);
    }

    std::function<void(bool)> report_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    xcb_atom_t manager_ = XCB_ATOM_NONE;
    xcb_window_t owner_ = 0;
};
#else
class XcbTrayWatch {
public:
    explicit XcbTrayWatch(std::function<void(bool)>) {}
    bool present() const { return false; }
};
#endif

DesktopTrayPresence::DesktopTrayPresence(QObject* parent)
    : DesktopTrayPresence(QDBusConnection::sessionBus(), QGuiApplication::platformName() == QLatin1String("xcb"), parent)
{
}

DesktopTrayPresence::DesktopTrayPresence(const QDBusConnection& bus, bool watchX11, QObject* parent)
    : TrayPresence(parent), bus_(bus)
{
    if (bus_.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(kWatcherService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& owner) {
                    if (owner.isEmpty()) setNotifierHost(false);
                    else askForHost();
                });
        // A host that registers (or leaves) with a watcher already running.
        for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            bus_.connect(kWatcherService, kWatcherPath, kWatcherService, QString::fromLatin1(signal), this, SLOT(askForHost()));
        if (bus_.interface() && bus_.interface()->isServiceRegistered(kWatcherService)) askForHost();
    }
    if (watchX11) {
        xcb_ = std::make_unique<XcbTrayWatch>([this](bool present) { setXembedTray(present); });
        xembedTray_ = xcb_->present();
    }
}

DesktopTrayPresence::~DesktopTrayPresence() = default;

void DesktopTrayPresence::askForHost()
{
    // A watcher without a host shows nothing: ask whether one is registered. The answer
    // comes back through the event loop, so a slow watcher never holds up the window.
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const quint64 question = ++asked_;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, question](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (question != asked_) return;
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError()) {
            // The name has an owner but no answer (gone meanwhile, or a watcher without the
            // property): the owner decides.
            setNotifierHost(bus_.interface() && bus_.interface()->isServiceRegistered(kWatcherService));
            return;
        }
        setNotifierHost(reply.value().variant().toBool());
    });
}

void DesktopTrayPresence::setNotifierHost(bool present)
{
    if (!present) ++asked_;  // an answer still on its way is about a watcher that left
    const bool before = available();
    notifierHost_ = present;
    if (available() != before) emit changed();
}

void DesktopTrayPresence::setXembedTray(bool present)
{
    const bool before = available();
    xembedTray_ = present;
    if (available() != before) emit changed();
}

// ---------------------------------------------------------------- tray host

TrayHost::TrayHost(Preferences& preferences, std::unique_ptr<TrayPresence> presence, Factory factory, TrayActions actions,
                   QObject* parent)
    : QObject(parent), preferences_(preferences), presence_(std::move(presence)), factory_(std::move(factory)),
      actions_(std::move(actions)), menu_(new QMenu)
{
    menu_->setObjectName(QStringLiteral("menu.tray"));
    auto add = [this](const char* name, std::function<void()> TrayActions::*slot) {
        QAction* a = menu_->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, slot] {
            if (actions_.*slot) (actions_.*slot)();
        });
    };
    add("tray.open", &TrayActions::openMainWindow);
    add("tray.checkForUpdates", &TrayActions::checkForUpdates);
    add("tray.settings", &TrayActions::openSettings);
    menu_->addSeparator();
    add("tray.quit", &TrayActions::quit);
    retranslate();
    connect(&preferences_, &Preferences::changed, this, [this](const QString& key) {
        if (key != kPreferenceKey) return;
        sync();
        emit quitRuleChanged(quitsOnLastWindowClosed());
    });
    connect(presence_.get(), &TrayPresence::changed, this, [this] {
        sync();
        emit quitRuleChanged(quitsOnLastWindowClosed());
    });
    sync();
}

TrayHost::~TrayHost()
{
    delete item_.data();
    delete menu_;
}

bool TrayHost::wanted(const QVariant& stored)
{
    if (stored.isValid() && stored.typeId() == QMetaType::Bool) return stored.toBool();
    return true;
}

bool TrayHost::quitsOnLastWindowClosed(const QVariant& stored, bool trayAvailable)
{
    if (!trayAvailable) return true;
    if (!stored.isValid()) return false;
    if (stored.typeId() == QMetaType::Bool) return !stored.toBool();
    return false;
}

bool TrayHost::quitsOnLastWindowClosed() const
{
    return quitsOnLastWindowClosed(preferences_.value(kPreferenceKey), presence_->available());
}

void TrayHost::sync()
{
    const bool want = wanted(preferences_.value(kPreferenceKey)) && presence_->available();
    if (want == hasItem()) return;
    if (want) {
        if (factory_) item_ = factory_(this, menu_, actions_);
    } else {
        delete item_.data();
        item_ = nullptr;
    }
    emit itemChanged();
}

void TrayHost::retranslate()
{
    const Localization L = UiLanguage::current();
    const QList<QAction*> actions = menu_->actions();
    for (QAction* a : actions) {
        const QString name = a->objectName();
        if (name == QLatin1String("tray.open")) a->setText(L.tr("Open Quorlent"));
        else if (name == QLatin1String("tray.checkForUpdates")) a->setText(L.tr("Check for Updates…"));
        else if (name == QLatin1String("tray.settings")) a->setText(L.tr("Settings…"));
        else if (name == QLatin1String("tray.quit")) a->setText(L.tr("Quit"));
    }
}

void TrayHost::setCheckingForUpdates(bool checking)
{
    for (QAction* a : menu_->actions())
        if (a->objectName() == QLatin1String("tray.checkForUpdates")) a->setEnabled(!checking);
}

TrayHost::Factory TrayHost::plainIcon()
{
    return factoryFor<PlainTrayItem>([](QObject* parent) { return new PlainTrayItem(parent); });
}

#include "TrayHost.moc"
