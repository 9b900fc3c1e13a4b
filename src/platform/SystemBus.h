#pragma once

#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

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

// A machine without a system bus (fixture trees in tests): every call fails at once.
class NoSystemBus : public SystemBus {
public:
    bool isConnected() const override { return false; }
    BusReply call(const QString&, const QString&, const QString&, const QString&, const QVariantList& = {}) const override
    {
        BusReply r;
        r.errorName = QStringLiteral("org.freedesktop.DBus.Error.Disconnected");
        return r;
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

// Passes calls through, except to a service that stalled (no reply in time) less than
// `backoffMs` ago: those fail at once, so a hung daemon costs one time-out, not one per
// call and per inspection.
class StallGuardBus : public SystemBus {
public:
    static constexpr qint64 kBackoffMs = 30000;
    // `nowMs` gives a monotonic time in milliseconds (the steady clock when empty).
    explicit StallGuardBus(const SystemBus& inner, std::function<qint64()> nowMs = {}, qint64 backoffMs = kBackoffMs);
    ~StallGuardBus() override;

    bool isConnected() const override { return inner_.isConnected(); }
    BusReply call(const QString& service, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args = {}) const override;

private:
    struct State;
    const SystemBus& inner_;
    std::function<qint64()> now_;
    qint64 backoffMs_;
    std::unique_ptr<State> state_;
};
