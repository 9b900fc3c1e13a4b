#pragma once

#include "platform/NetworkInterfaces.h"
#include "platform/linux/SysFs.h"

// The interface address list: getifaddrs for this machine ("/"); under another root, the
// files that list the same (/sys/class/net/<if>/flags, the local addresses of
// /proc/net/fib_trie placed on their interfaces by /proc/net/route, /proc/net/if_inet6),
// so a fixture tree is read alone and never the machine the tests run on.
class LinuxNetworkInterfaces : public NetworkInterfaces {
public:
    explicit LinuxNetworkInterfaces(QString root = QStringLiteral("/"));
    std::optional<QList<InterfaceAddress>> addresses() const override;

    // The same list from the files under `fs`, in /sys/class/net order.
    static std::optional<QList<InterfaceAddress>> fromFiles(const SysFs& fs);

private:
    SysFs fs_;
};
