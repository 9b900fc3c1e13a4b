#include "platform/linux/LinuxSystemBus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

LinuxSystemBus::LinuxSystemBus(QDBusConnection connection, int timeoutMs)
    : connection_(std::move(connection)), timeoutMs_(qBound(1, timeoutMs, kTimeoutMs))
{
}

const SystemBus& LinuxSystemBus::shared()
{
    static const LinuxSystemBus bus(QDBusConnection::systemBus());
    static const StallGuardBus guarded(bus);
    return guarded;
}

bool LinuxSystemBus::isConnected() const { return connection_.isConnected(); }

QVariant LinuxSystemBus::plain(const QVariant& v)
{
    if (v.metaType() == QMetaType::fromType<QDBusVariant>()) return plain(v.value<QDBusVariant>().variant());
    if (v.metaType() == QMetaType::fromType<QDBusObjectPath>()) return v.value<QDBusObjectPath>().path();
    if (v.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const QDBusArgument arg = v.value<QDBusArgument>();
        // Only string arrays are asked for; other containers stay opaque.
        if (arg.currentSignature() == QLatin1String("as")) return qdbus_cast<QStringList>(arg);
        if (arg.currentSignature() == QLatin1String("ao")) {
            QStringList paths;
            for (const QDBusObjectPath& p : qdbus_cast<QList<QDBusObjectPath>>(arg)) paths << p.path();
            return paths;
        }
        return {};
    }
    return v;
}

BusReply LinuxSystemBus::call(const QString& service, const QString& path, const QString& interface,
                              const QString& method, const QVariantList& args) const
{
    BusReply reply;
    if (!connection_.isConnected()) {
        reply.errorName = BusError::kDisconnected;
        return reply;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    // Properties.Get expects string arguments; everything else is passed as given.
    message.setArguments(args);
    // Block waits on the connection's own thread, never on this thread's event loop.
    const QDBusMessage answer = connection_.call(message, QDBus::Block, timeoutMs_);
    if (answer.type() != QDBusMessage::ReplyMessage) {
        reply.errorName = answer.errorName().isEmpty() ? BusError::kNoReply : answer.errorName();
        return reply;
    }
    reply.ok = true;
    for (const QVariant& a : answer.arguments()) reply.arguments << plain(a);
    return reply;
}
