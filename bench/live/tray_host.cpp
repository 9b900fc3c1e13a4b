// A desktop tray for bench/live-cpu.sh: a StatusNotifierWatcher with a host, on the session
// bus it is started on. Like a panel, it fetches an item's properties (icon pixmaps, tool tip)
// each time the item says its icon or tool tip changed, so the application pays for what it
// sends as it would on a real desktop. It writes what it fetched to the file named by its
// first argument, one line per fetch.
//
//   bench_tray_host <log file>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QSet>
#include <QTimer>
#include <QStringList>

#include <cstdio>

namespace {

const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    explicit Watcher(QString log) : log_(std::move(log)) {}
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return items_; }

public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        // A bus name (Qt's items) or an object path on the caller's connection.
        const QString owner = service.startsWith(QLatin1Char('/')) ? message.service() : service;
        const QString path = service.startsWith(QLatin1Char('/')) ? service : QStringLiteral("/StatusNotifierItem");
        items_ << owner + path;
        QDBusConnection bus = QDBusConnection::sessionBus();
        for (const char* signal : {"NewIcon", "NewToolTip", "NewTitle"})
            bus.connect(owner, path, kItemInterface, QString::fromLatin1(signal), this, SLOT(itemChanged(QDBusMessage)));
        fetch(owner, path, "registered");
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private slots:
    void itemChanged(const QDBusMessage& m)
    {
        // As a panel does: the signals of one change (icon, tool tip) are gathered for 10 ms
        // and answered with one fetch.
        const QString key = m.service() + m.path();
        if (pending_.contains(key)) return;
        pending_.insert(key);
        QTimer::singleShot(10, this, [this, key, owner = m.service(), path = m.path(), why = m.member().toLatin1()] {
            pending_.remove(key);
            fetch(owner, path, why);
        });
    }

private:
    void fetch(const QString& owner, const QString& path, const QByteArray& why)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(owner, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("GetAll"));
        get << kItemInterface;
        auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
        connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, why] {
            call->deleteLater();
            const QDBusMessage reply = call->reply();
            qint64 iconBytes = 0;
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                // a{sv}; IconPixmap is a(iiay): count the bytes of the pictures.
                const QDBusArgument all = reply.arguments().constFirst().value<QDBusArgument>();
                all.beginMap();
                while (!all.atEnd()) {
                    QString key;
                    QDBusVariant value;
                    all.beginMapEntry();
                    all >> key >> value;
                    all.endMapEntry();
                    if (key != QLatin1String("IconPixmap")) continue;
                    const QDBusArgument pixmaps = value.variant().value<QDBusArgument>();
                    pixmaps.beginArray();
                    while (!pixmaps.atEnd()) {
                        int w = 0, h = 0;
                        QByteArray bytes;
                        pixmaps.beginStructure();
                        pixmaps >> w >> h >> bytes;
                        pixmaps.endStructure();
                        iconBytes += bytes.size();
                    }
                    pixmaps.endArray();
                }
                all.endMap();
            }
            QFile f(log_);
            if (f.open(QIODevice::Append)) f.write(why + ' ' + QByteArray::number(iconBytes) + '\n');
        });
    }
    QString log_;
    QStringList items_;
    QSet<QString> pending_;
};

}  // namespace

#include "tray_host.moc"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_tray_host <log file>\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "no session bus\n");
        return 1;
    }
    Watcher watcher(QString::fromLocal8Bit(argv[1]));
    bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                       QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties);
    if (!bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "the watcher's name is taken\n");
        return 1;
    }
    return app.exec();
}
