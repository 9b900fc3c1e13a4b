#include "platform/linux/LinuxNetworkPathMonitor.h"

#include "platform/linux/LinuxNetworkInterfaces.h"
#include "platform/linux/LinuxSystemBus.h"

#include <QSocketNotifier>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kSettleMs = 200;  // a link change arrives as a burst of messages

struct DefaultRoute {
    QString interface;
    qint64 metric = 0;
};

QList<DefaultRoute> defaultRoutes4(const SysFs& fs)
{
    QList<DefaultRoute> routes;
    auto data = fs.read("proc/net/route");
    if (!data) return routes;
    const QList<QByteArray> lines = data->split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].simplified().split(' ');
        if (f.size() < 8) continue;
        bool ok = false;
        const uint flags = f[3].toUInt(&ok, 16);
        if (f[1] == "00000000" && f[7] == "00000000" && ok && (flags & 0x1))
            routes.append({QString::fromUtf8(f[0]), f[6].toLongLong()});
    }
    return routes;
}

QList<DefaultRoute> defaultRoutes6(const SysFs& fs)
{
    QList<DefaultRoute> routes;
    auto data = fs.read("proc/net/ipv6_route");
    if (!data) return routes;
    for (const QByteArray& line : data->split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 10) continue;
        bool ok = false;
        const uint flags = f[8].toUInt(&ok, 16);
        const bool isDefault = f[0] == QByteArray(32, '0') && f[1] == "00";
        const bool reject = flags & 0x0200;
        if (isDefault && ok && (flags & 0x1) && !reject && f[9] != "lo")
            routes.append({QString::fromUtf8(f[9]), f[5].toLongLong(nullptr, 16)});
    }
    return routes;
}

NetworkPath::InterfaceType typeOf(const SysFs& fs, const QString& name)
{
    const QString dir = "sys/class/net/" + name + '/';
    if (fs.exists(dir + "wireless") || fs.exists(dir + "phy80211")) return NetworkPath::InterfaceType::Wifi;
    if (auto uevent = fs.read(dir + "uevent", 16 * 1024)) {
        const QString devtype = SysFs::keyValues(*uevent, '=').value("DEVTYPE");
        if (devtype == "wwan") return NetworkPath::InterfaceType::Cellular;
        if (devtype == "wlan") return NetworkPath::InterfaceType::Wifi;
    }
    const auto type = fs.integer(dir + "type");
    if (type == 772) return NetworkPath::InterfaceType::Loopback;
    // A physical Ethernet port has a device behind it; bridges, tunnels and veths do not.
    if (type == 1 && fs.exists(dir + "device")) return NetworkPath::InterfaceType::WiredEthernet;
    return NetworkPath::InterfaceType::Other;
}
}  // namespace

NetworkPath LinuxNetworkPathMonitor::currentPath(const SysFs& fs, const QList<InterfaceAddress>& addresses,
                                                 std::optional<bool> metered)
{
    auto hasAddress = [&](const QString& name, int family) {
        for (const InterfaceAddress& a : addresses) {
            if (a.name != name || a.family != family || !a.up || a.loopback) continue;
            // A link-local IPv6 address alone does not reach the internet.
            if (family == AF_INET6 && a.numericHost.startsWith("fe80", Qt::CaseInsensitive)) continue;
            return true;
        }
        return false;
    };
    auto isUp = [&](const QString& name) {
        for (const InterfaceAddress& a : addresses)
            if (a.name == name && a.up) return true;
        return false;
    };

    NetworkPath path;
    QList<DefaultRoute> routes;
    for (const DefaultRoute& r : defaultRoutes4(fs))
        if (isUp(r.interface) && hasAddress(r.interface, AF_INET)) { routes << r; path.supportsIPv4 = true; }
    for (const DefaultRoute& r : defaultRoutes6(fs))
        if (isUp(r.interface) && hasAddress(r.interface, AF_INET6)) { routes << r; path.supportsIPv6 = true; }
    std::stable_sort(routes.begin(), routes.end(), [](const DefaultRoute& a, const DefaultRoute& b) { return a.metric < b.metric; });
    for (const DefaultRoute& r : routes) {
        const NetworkPath::InterfaceType t = typeOf(fs, r.interface);
        if (!path.interfaceTypes.contains(t)) path.interfaceTypes << t;
    }
    path.status = routes.isEmpty() ? NetworkPath::Status::Unsatisfied : NetworkPath::Status::Satisfied;
    // NetworkManager knows what the user or the carrier said about the connection, a "no"
    // included (a flat-rate mobile plan); without its word, a mobile-data link is the one
    // kind that can be told to be paid for by the byte. Offline nothing is being paid for.
    const bool cellular = path.interfaceTypes.value(0, NetworkPath::InterfaceType::Other) == NetworkPath::InterfaceType::Cellular;
    path.isExpensive = !routes.isEmpty() && metered.value_or(cellular);
    path.isConstrained = false;
    for (const InterfaceAddress& a : addresses)
        if (a.hasAddress && a.up && !a.loopback && a.family == AF_INET && !a.numericHost.isEmpty())
            path.interfaceAddresses.append({a.name, a.numericHost});
    return path;
}

std::optional<bool> LinuxNetworkPathMonitor::meteredState(const SystemBus& bus)
{
    if (!bus.isConnected()) return std::nullopt;
    const QString nm = QStringLiteral("org.freedesktop.NetworkManager");
    const BusReply reply = bus.property(nm, QStringLiteral("/org/freedesktop/NetworkManager"), nm, QStringLiteral("Metered"));
    if (!reply.ok) return std::nullopt;
    // The property is an unsigned integer; anything else is not an answer.
    const QVariant value = reply.first();
    switch (value.typeId()) {
    case QMetaType::UInt: case QMetaType::Int: case QMetaType::UShort: case QMetaType::Short:
    case QMetaType::UChar: case QMetaType::ULongLong: case QMetaType::LongLong: break;
    default: return std::nullopt;
    }
    switch (value.toLongLong()) {
    case 1: case 3: return true;   // yes, guessed yes
    case 2: case 4: return false;  // no, guessed no
    default: return std::nullopt;  // unknown, or a value newer than this code
    }
}

NetworkPath LinuxNetworkPathMonitor::machinePath(const SystemBus& bus)
{
    const QList<InterfaceAddress> addresses = LinuxNetworkInterfaces().addresses().value_or(QList<InterfaceAddress>{});
    return currentPath(SysFs(), addresses, meteredState(bus));
}

LinuxNetworkPathMonitor::LinuxNetworkPathMonitor(QObject* parent, PathSource source)
    : NetworkPathMonitor(parent), source_(std::move(source))
{
    // The shared bus is guarded already: a hung daemon costs one time-out, not one per look.
    if (!source_) source_ = [] { return machinePath(LinuxSystemBus::shared()); };
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &LinuxNetworkPathMonitor::evaluate);
}

LinuxNetworkPathMonitor::LinuxNetworkPathMonitor(const SystemBus& bus, QObject* parent)
    : LinuxNetworkPathMonitor(parent, PathSource{[] { return NetworkPath{}; }})
{
    // Each look runs on the main thread, so a daemon that stopped answering is asked
    // again only after the guard's back-off, not on every burst of routing messages.
    bus_ = std::make_unique<StallGuardBus>(bus);
    source_ = [this] { return machinePath(*bus_); };
}

LinuxNetworkPathMonitor::~LinuxNetworkPathMonitor() { cancel(); }

void LinuxNetworkPathMonitor::start()
{
    running_ = true;
    if (socket_ < 0) {
        socket_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (socket_ >= 0) {
            sockaddr_nl addr{};
            addr.nl_family = AF_NETLINK;
            addr.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
            if (::bind(socket_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
                ::close(socket_);
                socket_ = -1;
            }
        }
        if (socket_ >= 0) {
            notifier_ = new QSocketNotifier(socket_, QSocketNotifier::Read, this);
            connect(notifier_, &QSocketNotifier::activated, this, [this] {
                char buffer[8192];
                while (::recv(socket_, buffer, sizeof buffer, 0) > 0) {}
                // Counted from the first message of a burst, so a chatty link cannot
                // postpone the next look for ever.
                if (!settle_.isActive()) settle_.start();
            });
        }
    }
    // The first path comes soon after start, in a later turn of the event loop.
    QTimer::singleShot(0, this, &LinuxNetworkPathMonitor::evaluate);
}

void LinuxNetworkPathMonitor::cancel()
{
    running_ = false;
    settle_.stop();
    if (notifier_) { notifier_->setEnabled(false); delete notifier_; notifier_ = nullptr; }
    if (socket_ >= 0) { ::close(socket_); socket_ = -1; }
}

void LinuxNetworkPathMonitor::evaluate()
{
    // A look scheduled before cancel() delivers nothing.
    if (!running_) return;
    const NetworkPath path = source_();
    if (last_ && *last_ == path) return;
    last_ = path;
    emit pathChanged(path);
}
