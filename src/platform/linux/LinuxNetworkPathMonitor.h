#pragma once

#include "platform/NetworkInterfaces.h"
#include "platform/NetworkPath.h"
#include "platform/linux/SysFs.h"

#include <QTimer>

class QSocketNotifier;

// Watches the kernel's routing netlink messages (links, addresses, routes) on the main
// thread and delivers the network path whenever it really changes.
class LinuxNetworkPathMonitor : public NetworkPathMonitor {
    Q_OBJECT
public:
    explicit LinuxNetworkPathMonitor(QObject* parent = nullptr);
    ~LinuxNetworkPathMonitor() override;

    void start() override;
    void cancel() override;

    // The path from the routing tables and interface list under `fs`.
    static NetworkPath currentPath(const SysFs& fs, const QList<InterfaceAddress>& addresses);

private:
    void evaluate();

    int socket_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer settle_;
    std::optional<NetworkPath> last_;
};
