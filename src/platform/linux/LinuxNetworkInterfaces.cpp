#include "platform/linux/LinuxNetworkInterfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <arpa/inet.h>

#include <algorithm>

LinuxNetworkInterfaces::LinuxNetworkInterfaces(QString root) : fs_(std::move(root)) {}

namespace {
struct Subnet {
    QString interface;
    quint32 network = 0;  // host order
    quint32 mask = 0;
};

// /proc/net/route keeps addresses as little-endian hexadecimal words.
std::optional<quint32> routeWord(const QByteArray& hex)
{
    bool ok = false;
    const quint32 v = hex.toUInt(&ok, 16);
    if (!ok || hex.size() != 8) return std::nullopt;
    return ntohl(v);  // the kernel wrote the word in network order, read on a little-endian host
}
}  // namespace

std::optional<QList<InterfaceAddress>> LinuxNetworkInterfaces::fromFiles(const SysFs& fs)
{
    const QStringList names = fs.list(QStringLiteral("sys/class/net"));
    if (names.isEmpty()) return std::nullopt;

    // The interfaces' own subnets, most specific first, to place each local address.
    QList<Subnet> subnets;
    if (const auto route = fs.read(QStringLiteral("proc/net/route"))) {
        const QList<QByteArray> lines = route->split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> f = lines[i].simplified().split(' ');
            if (f.size() < 8) continue;
            const auto dest = routeWord(f[1]), mask = routeWord(f[7]);
            if (!dest || !mask || *mask == 0) continue;
            subnets.append({QString::fromUtf8(f[0]), *dest, *mask});
        }
    }
    std::stable_sort(subnets.begin(), subnets.end(), [](const Subnet& a, const Subnet& b) { return a.mask > b.mask; });
    QHash<QString, QStringList> ipv4;
    if (const auto trie = fs.read(QStringLiteral("proc/net/fib_trie"))) {
        // "|-- 192.168.1.20" followed by "/32 host LOCAL": an address of this machine.
        QByteArray last;
        QStringList seen;
        for (const QByteArray& raw : trie->split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.startsWith("|-- ")) last = line.mid(4);
            else if (line.startsWith("/32 host LOCAL") && !last.isEmpty()) {
                const QString text = QString::fromLatin1(last);
                if (seen.contains(text)) continue;  // each table lists it again
                seen << text;
                in_addr a{};
                if (inet_pton(AF_INET, last.constData(), &a) != 1) continue;
                const quint32 host = ntohl(a.s_addr);
                for (const Subnet& s : subnets)
                    if ((host & s.mask) == (s.network & s.mask)) {
                        ipv4[s.interface] << text;
                        break;
                    }
            }
        }
    }
    QHash<QString, QStringList> ipv6;
    if (const auto inet6 = fs.read(QStringLiteral("proc/net/if_inet6"))) {
        // "fe800000000000000000000000000001 02 40 20 80 eth0"
        for (const QByteArray& raw : inet6->split('\n')) {
            const QList<QByteArray> f = raw.simplified().split(' ');
            if (f.size() < 6 || f[0].size() != 32) continue;
            const QByteArray bytes = QByteArray::fromHex(f[0]);
            char text[INET6_ADDRSTRLEN] = {};
            if (bytes.size() != 16 || !inet_ntop(AF_INET6, bytes.constData(), text, sizeof text)) continue;
            ipv6[QString::fromUtf8(f[5])] << QString::fromLatin1(text);
        }
    }

    QList<InterfaceAddress> out;
    for (const QString& name : names) {
        const auto flagsText = fs.line(QStringLiteral("sys/class/net/") + name + QStringLiteral("/flags"));
        if (!flagsText) continue;  // not an interface (bonding_masters)
        bool ok = false;
        const uint flags = QString(*flagsText).remove(QStringLiteral("0x")).toUInt(&ok, 16);
        if (!ok) continue;
        InterfaceAddress link;
        link.name = name;
        link.up = flags & IFF_UP;
        link.loopback = flags & IFF_LOOPBACK;
        link.hasAddress = false;
        link.family = AF_PACKET;
        out << link;
        for (const auto& [family, addresses] : {std::pair{AF_INET, &ipv4}, std::pair{AF_INET6, &ipv6}}) {
            for (const QString& a : addresses->value(name)) {
                InterfaceAddress e = link;
                e.hasAddress = true;
                e.family = family;
                e.numericHost = a;
                out << e;
            }
        }
    }
    return out;
}

std::optional<QList<InterfaceAddress>> LinuxNetworkInterfaces::addresses() const
{
    if (fs_.root() != QStringLiteral("/")) return fromFiles(fs_);
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
