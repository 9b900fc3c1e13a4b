#include "platform/DesktopSettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace {
std::optional<bool> readPortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    call << QStringLiteral("org.gnome.desktop.interface") << QStringLiteral("enable-animations");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 300);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    // The portal wraps the value in one or two variants, depending on its version.
    QVariant v = reply.arguments().first();
    for (int depth = 0; depth < 3 && v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>(); ++depth)
        v = v.value<QDBusVariant>().variant();
    if (v.typeId() != QMetaType::Bool) return std::nullopt;
    return v.toBool();
}
}  // namespace

namespace DesktopSettings {
std::optional<bool> animationsEnabled()
{
    static const std::optional<bool> value = readPortal();
    return value;
}
}  // namespace DesktopSettings
