#pragma once

// A scripted system bus: replies by (service, path, interface, method, arguments);
// anything unscripted answers as a bus without that service would.
#include "platform/SystemBus.h"

#include <QHash>
#include <QStringList>

class ScriptedBus : public SystemBus {
public:
    bool connected = true;
    mutable QStringList calls;

    static QString keyOf(const QString& service, const QString& path, const QString& interface, const QString& method,
                         const QVariantList& args)
    {
        QStringList parts{service, path, interface, method};
        for (const QVariant& a : args) parts << a.toString();
        return parts.join('|');
    }
    void reply(const QString& service, const QString& path, const QString& interface, const QString& method,
               const QVariantList& args, const QVariantList& out)
    {
        replies_.insert(keyOf(service, path, interface, method, args), BusReply{true, {}, out});
    }
    void fail(const QString& service, const QString& path, const QString& interface, const QString& method,
              const QVariantList& args, const QString& error)
    {
        replies_.insert(keyOf(service, path, interface, method, args), BusReply{false, error, {}});
    }
    void replyProperty(const QString& service, const QString& path, const QString& interface, const QString& name,
                       const QVariant& value)
    {
        reply(service, path, "org.freedesktop.DBus.Properties", "Get", {interface, name}, {value});
    }
    void failProperty(const QString& service, const QString& path, const QString& interface, const QString& name,
                      const QString& error)
    {
        fail(service, path, "org.freedesktop.DBus.Properties", "Get", {interface, name}, error);
    }

    bool isConnected() const override { return connected; }
    BusReply call(const QString& service, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args) const override
    {
        const QString key = keyOf(service, path, interface, method, args);
        calls << key;
        if (!connected) return BusReply{false, BusError::kDisconnected, {}};
        return replies_.value(key, BusReply{false, BusError::kServiceUnknown, {}});
    }

private:
    QHash<QString, BusReply> replies_;
};
