// A tray that comes after the application and goes while it runs: a fake StatusNotifier
// watcher on a private session bus (a dbus-daemon of the test's own) appears, gains a host,
// leaves and comes back; the tray item and the quit rule follow each step.
#include "platform/Preferences.h"
#include "shell/TrayHost.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The part of a StatusNotifierWatcher the tray host asks about.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
public:
    bool host = true;
    bool isHostRegistered() const { return host; }
};

class FakeItem : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void setContextMenu(QMenu*) {}
signals:
    void openMainWindowRequested();
    void quitRequested();
};

// A session bus of the test's own.
class PrivateBus {
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) return;
        process_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                                QStringLiteral("--print-address=1")});
        if (!process_.waitForStarted(5000)) return;
        QDeadlineTimer deadline(5000);
        while (!process_.canReadLine() && !deadline.hasExpired()) process_.waitForReadyRead(100);
        address_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
        process_.kill();
        process_.waitForFinished(2000);
    }
    bool ok() const { return !address_.isEmpty(); }
    QDBusConnection connect(const QString& name)
    {
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QProcess process_;
    QString address_;
    QStringList names_;
};

bool waitFor(const std::function<bool()>& condition, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

}  // namespace

TEST(TrayArrival, ItemAndQuitRuleFollowATrayThatComesAndGoes)
{
    PrivateBus bus;
    if (!bus.ok()) GTEST_SKIP() << "no dbus-daemon to run a private session bus";
    QDBusConnection app = bus.connect(QStringLiteral("quorlent"));
    QDBusConnection panel = bus.connect(QStringLiteral("panel"));
    ASSERT_TRUE(app.isConnected());
    ASSERT_TRUE(panel.isConnected());

    Preferences preferences{QString()};
    auto presence = std::make_unique<DesktopTrayPresence>(app);
    DesktopTrayPresence* watch = presence.get();
    int made = 0;
    TrayHost host(preferences, std::move(presence), TrayHost::factoryFor<FakeItem>([&](QObject* parent) {
                      ++made;
                      return new FakeItem(parent);
                  }),
                  TrayActions{});
    QSignalSpy rule(&host, &TrayHost::quitRuleChanged);

    // Started before the desktop's tray: no item, and closing the window would quit.
    EXPECT_FALSE(host.hasItem());
    EXPECT_TRUE(host.quitsOnLastWindowClosed());

    // The panel starts: a watcher with a host.
    FakeWatcher watcher;
    ASSERT_TRUE(panel.registerObject(DesktopTrayPresence::kWatcherPath, &watcher, QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(panel.registerService(DesktopTrayPresence::kWatcherService));
    ASSERT_TRUE(waitFor([&] { return host.hasItem(); }));
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(watch->hasNotifierHost());
    EXPECT_FALSE(host.quitsOnLastWindowClosed());
    ASSERT_FALSE(rule.isEmpty());
    EXPECT_FALSE(rule.constLast().at(0).toBool());

    // The setting off: no item, closing quits; on again: the item is back.
    preferences.setValue(TrayHost::kPreferenceKey, false);
    EXPECT_FALSE(host.hasItem());
    EXPECT_TRUE(host.quitsOnLastWindowClosed());
    EXPECT_TRUE(rule.constLast().at(0).toBool());
    preferences.setValue(TrayHost::kPreferenceKey, true);
    EXPECT_TRUE(host.hasItem());
    EXPECT_FALSE(host.quitsOnLastWindowClosed());

    // The panel crashes: the item goes, and closing the window quits again.
    rule.clear();
    ASSERT_TRUE(panel.unregisterService(DesktopTrayPresence::kWatcherService));
    ASSERT_TRUE(waitFor([&] { return !host.hasItem(); }));
    EXPECT_TRUE(host.quitsOnLastWindowClosed());
    ASSERT_FALSE(rule.isEmpty());
    EXPECT_TRUE(rule.constLast().at(0).toBool());

    // It comes back as a watcher whose host registers a moment later.
    watcher.host = false;
    ASSERT_TRUE(panel.registerService(DesktopTrayPresence::kWatcherService));
    // The watcher is asked and answers "no host": still no item.
    waitFor([] { return false; }, 300);
    EXPECT_FALSE(host.hasItem());
    EXPECT_TRUE(host.quitsOnLastWindowClosed());
    watcher.host = true;
    panel.send(QDBusMessage::createSignal(DesktopTrayPresence::kWatcherPath, DesktopTrayPresence::kWatcherService,
                                          QStringLiteral("StatusNotifierHostRegistered")));
    ASSERT_TRUE(waitFor([&] { return host.hasItem(); }));
    EXPECT_EQ(made, 3);
    EXPECT_FALSE(host.quitsOnLastWindowClosed());
    panel.unregisterService(DesktopTrayPresence::kWatcherService);
    panel.unregisterObject(DesktopTrayPresence::kWatcherPath);
}

TEST(TrayArrival, AFixedSourceIsAskedAgainOnRequest)
{
    Preferences preferences{QString()};
    bool tray = false;
    auto presence = std::make_unique<FixedTrayPresence>([&] { return tray; });
    FixedTrayPresence* source = presence.get();
    TrayHost host(preferences, std::move(presence), TrayHost::factoryFor<FakeItem>([](QObject* parent) { return new FakeItem(parent); }),
                  TrayActions{});
    EXPECT_FALSE(host.hasItem());
    tray = true;
    source->recheck();
    EXPECT_TRUE(host.hasItem());
    EXPECT_FALSE(host.quitsOnLastWindowClosed());
    tray = false;
    source->recheck();
    EXPECT_FALSE(host.hasItem());
    EXPECT_TRUE(host.quitsOnLastWindowClosed());
}

#include "TrayArrivalTest.moc"
