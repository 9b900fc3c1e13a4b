#pragma once

#include "platform/NetworkInterfaces.h"
#include "platform/NetworkPath.h"
#include "platform/linux/SysFs.h"

#include <QTimer>

#include <functional>

class QSocketNotifier;

// Watches the kernel's routing netlink messages (links, addresses, routes) on the main
// thread and delivers the network path whenever it really changes.
class LinuxNetworkPathMonitor : public NetworkPathMonitor {
    Q_OBJECT
public:
    // Where the path is read from on each evaluation; the machine's own when empty.
    using PathSource = std::function<NetworkPath()>;
    explicit LinuxNetworkPathMonitor(QObject* parent = nullptr, PathSource source = {});
    ~LinuxNetworkPathMonitor() override;

    void start() override;
    void cancel() override;

    // The path from the routing tables and interface list under `fs`.
    static NetworkPath currentPath(const SysFs& fs, const QList<InterfaceAddress>& addresses);

private:
    void evaluate();

    int socket_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    PathSource source_;
    QTimer settle_;
    bool running_ = false;
    std::optional<NetworkPath> last_;
};
