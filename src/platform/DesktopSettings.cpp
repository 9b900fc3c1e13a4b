#include "platform/DesktopSettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.gnome.desktop.interface");
const QString kAnimations = QStringLiteral("enable-animations");

// The portal wraps values in one or two variants, depending on its version.
std::optional<bool> boolean(QVariant v)
{
    for (int depth = 0; depth < 3 && v.userType() == qMetaTypeId<QDBusVariant>(); ++depth)
        v = v.value<QDBusVariant>().variant();
    if (v.typeId() != QMetaType::Bool) return std::nullopt;
    return v.toBool();
}

std::optional<bool> readPortal(QDBusConnection& bus)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << kGroup << kAnimations;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 300);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    return boolean(reply.arguments().first());
}

struct State {
    bool read = false;
    std::optional<bool> animations;
};
State& state()
{
    static State s;
    return s;
}
}  // namespace

namespace DesktopSettings {

std::optional<bool> animationsEnabled()
{
    State& s = state();
    if (!s.read) {
        s.read = true;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            s.animations = readPortal(bus);
            // Follow later changes too, even when the first read found no portal yet.
            followChanges(bus);
        }
    }
    return s.animations;
}

bool followChanges(const QDBusConnection& bus)
{
    QDBusConnection connection = bus;
    return connection.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), &Changes::shared(),
                              SLOT(onSettingChanged(QString, QString, QDBusVariant)));
}

void applySettingChanged(const QString& group, const QString& key, const QVariant& value)
{
    if (group != kGroup || key != kAnimations) return;
    const std::optional<bool> now = boolean(value);
    if (!now) return;  // a value of another type says nothing about animations
    State& s = state();
    s.read = true;
    if (s.animations == now) return;
    s.animations = now;
    emit Changes::shared().animationsEnabledChanged();
}

Changes& Changes::shared()
{
    static Changes changes;
    return changes;
}

void Changes::onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value)
{
    applySettingChanged(group, key, QVariant::fromValue(value));
}

}  // namespace DesktopSettings
