#pragma once

#include <QString>
#include <QVariantList>

// A blocking request/reply channel to the system message bus, small enough to fake.
// Replies carry plain values: object paths arrive as strings, variants unwrapped.
struct BusReply {
    bool ok = false;
    QString errorName;  // the bus error's name when `ok` is false ("org.freedesktop.DBus.Error.ServiceUnknown")
    QVariantList arguments;

    QVariant first() const { return arguments.isEmpty() ? QVariant() : arguments.first(); }
};

class SystemBus {
public:
    virtual ~SystemBus() = default;
    virtual bool isConnected() const = 0;
    // Calls a method and waits for its reply without running the event loop.
    virtual BusReply call(const QString& service, const QString& path, const QString& interface, const QString& method,
                          const QVariantList& args = {}) const = 0;
    // One property through org.freedesktop.DBus.Properties.Get.
    BusReply property(const QString& service, const QString& path, const QString& interface, const QString& name) const
    {
        return call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
    }
};

namespace BusError {
inline const QString kServiceUnknown = QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown");
inline const QString kNoReply = QStringLiteral("org.freedesktop.DBus.Error.NoReply");
inline const QString kTimeout = QStringLiteral("org.freedesktop.DBus.Error.Timeout");
inline const QString kDisconnected = QStringLiteral("org.freedesktop.DBus.Error.Disconnected");
// True when waiting longer or asking again would not help in this inspection.
inline bool isStall(const QString& name) { return name == kNoReply || name == kTimeout || name == kDisconnected; }
}  // namespace BusError
