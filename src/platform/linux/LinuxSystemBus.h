#pragma once

#include "platform/SystemBus.h"

#include <QDBusConnection>

// The system message bus through Qt D-Bus. Every call blocks the calling thread for at
// most `timeoutMs` and never runs the event loop, so it is safe inside an inspection.
class LinuxSystemBus : public SystemBus {
public:
    static constexpr int kTimeoutMs = 1000;

    explicit LinuxSystemBus(QDBusConnection connection, int timeoutMs = kTimeoutMs);

    // The process's system bus connection, made on first use, behind a stall guard.
    static const SystemBus& shared();

    bool isConnected() const override;
    BusReply call(const QString& service, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args = {}) const override;

    // Object paths to strings, variants unwrapped, string arrays to lists, recursively.
    static QVariant plain(const QVariant& v);

private:
    QDBusConnection connection_;
    int timeoutMs_;
};
