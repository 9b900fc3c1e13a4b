#include "platform/linux/LinuxNetworkInterfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

std::optional<QList<InterfaceAddress>> LinuxNetworkInterfaces::addresses() const
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    QList<InterfaceAddress> out;
    for (ifaddrs* it = list; it; it = it->ifa_next) {
        InterfaceAddress a;
        a.name = QString::fromUtf8(it->ifa_name ? it->ifa_name : "");
        a.hasAddress = it->ifa_addr != nullptr;
        a.up = (it->ifa_flags & IFF_UP) != 0;
        a.loopback = (it->ifa_flags & IFF_LOOPBACK) != 0;
        a.family = it->ifa_addr ? it->ifa_addr->sa_family : 0;
        if (a.family == AF_INET || a.family == AF_INET6) {
            // Linux sockaddr has no length field: pass the family's own size.
            const socklen_t len = a.family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
            char host[1025] = {};
            if (getnameinfo(it->ifa_addr, len, host, sizeof host, nullptr, 0, NI_NUMERICHOST) == 0)
                a.numericHost = QString::fromUtf8(host);
        }
        out << a;
    }
    freeifaddrs(list);
    return out;
}
