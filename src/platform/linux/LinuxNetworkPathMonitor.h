#pragma once

#include "platform/NetworkInterfaces.h"
#include "platform/NetworkPath.h"
#include "platform/SystemBus.h"
#include "platform/linux/SysFs.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

// Watches the kernel's routing netlink messages (links, addresses, routes) on the main
// thread and delivers the network path whenever it really changes.
class LinuxNetworkPathMonitor : public NetworkPathMonitor {
    Q_OBJECT
public:
    // Where the path is read from on each evaluation; the machine's own when empty.
    using PathSource = std::function<NetworkPath()>;
    explicit LinuxNetworkPathMonitor(QObject* parent = nullptr, PathSource source = {});
    // The machine's own path, with NetworkManager asked through `bus` (which must outlive
    // the monitor) whether the connection is metered.
    explicit LinuxNetworkPathMonitor(const SystemBus& bus, QObject* parent = nullptr);
    ~LinuxNetworkPathMonitor() override;

    void start() override;
    void cancel() override;

    // The path from the routing tables and interface list under `fs`. `metered` is
    // NetworkManager's word on whether the connection costs by the byte; without it
    // (nullopt) only a mobile-data link counts as expensive.
    static NetworkPath currentPath(const SysFs& fs, const QList<InterfaceAddress>& addresses,
                                   std::optional<bool> metered = std::nullopt);
    // NetworkManager's metered state of the primary connection; nullopt when the bus or the
    // daemon is not there, does not answer, or does not know.
    static std::optional<bool> meteredState(const SystemBus& bus);
    // This machine's path: its routing tables, interfaces and the metered state from `bus`.
    static NetworkPath machinePath(const SystemBus& bus);

private:
    void evaluate();

    int socket_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    PathSource source_;
    std::unique_ptr<StallGuardBus> bus_;
    QTimer settle_;
    bool running_ = false;
    std::optional<NetworkPath> last_;
};
