// The network path monitor: NetworkManager's metered answer, and real routing changes
// followed in a network namespace of the test's own.
#include "platform/linux/LinuxNetworkPathMonitor.h"
#include "platform/linux/LinuxNetworkInterfaces.h"
#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"

#include "inspection/SecuritySectionFakeBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_tun.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

using Type = NetworkPath::InterfaceType;

const QString kNm = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNmPath = QStringLiteral("/org/freedesktop/NetworkManager");

QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + name; }

InterfaceAddress address(const char* name, int family, const char* host)
{
    InterfaceAddress a;
    a.name = name;
    a.family = family;
    a.numericHost = host;
    a.up = true;
    return a;
}

// ---- NetworkManager's metered state ---------------------------------------------------

enum class Nm { Absent, Down, Stalls, Answers };

struct MeteredCase {
    const char* name;
    Nm nm;
    QVariant answer;  // the Metered property, when NetworkManager answers
    std::optional<bool> metered;
};

TEST(NetworkMetered, ReadsNetworkManagersAnswerAndNothingElse)
{
    const MeteredCase cases[] = {
        {"unknown", Nm::Answers, QVariant(0u), std::nullopt},
        {"yes", Nm::Answers, QVariant(1u), true},
        {"no", Nm::Answers, QVariant(2u), false},
        {"guessed yes", Nm::Answers, QVariant(3u), true},
        {"guessed no", Nm::Answers, QVariant(4u), false},
        {"a value from a newer daemon", Nm::Answers, QVariant(7u), std::nullopt},
        {"a string is no answer", Nm::Answers, QVariant(QStringLiteral("1")), std::nullopt},
        {"an empty reply", Nm::Answers, QVariant(), std::nullopt},
        {"no NetworkManager", Nm::Absent, {}, std::nullopt},
        {"no reply in time", Nm::Stalls, {}, std::nullopt},
        {"no system bus", Nm::Down, {}, std::nullopt},
    };
    for (const MeteredCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        bus.connected = c.nm != Nm::Down;
        if (c.nm == Nm::Answers) bus.replyProperty(kNm, kNmPath, kNm, "Metered", c.answer);
        if (c.nm == Nm::Stalls) bus.failProperty(kNm, kNmPath, kNm, "Metered", BusError::kNoReply);
        EXPECT_EQ(LinuxNetworkPathMonitor::meteredState(bus), c.metered);
        // A bus that is not there is not even asked.
        EXPECT_EQ(bus.calls.isEmpty(), c.nm == Nm::Down);
    }
}

struct ExpensiveCase {
    const char* name;
    const char* tree;
    std::optional<bool> metered;
    bool expensive;
};

TEST(NetworkMetered, ExpensiveFollowsNetworkManagerElseTheCellularLink)
{
    const QList<InterfaceAddress> addresses = {address("enp3s0", AF_INET, "192.168.1.10"),
                                               address("wlp2s0", AF_INET, "192.168.2.10"),
                                               address("wwan0", AF_INET, "10.64.0.5")};
    const ExpensiveCase cases[] = {
        {"wired, NetworkManager does not know", "laptop", std::nullopt, false},
        {"wired, metered", "laptop", true, true},  // e.g. a phone's hotspot behind a wired adapter
        {"wired, not metered", "laptop", false, false},
        {"cellular, NetworkManager does not know", "netmon-cellular", std::nullopt, true},
        {"cellular, metered", "netmon-cellular", true, true},
        {"cellular on a flat rate", "netmon-cellular", false, false},
        {"offline, metered", "vm", true, false},  // nothing is being paid for without a path
        {"offline, not known", "vm", std::nullopt, false},
    };
    for (const ExpensiveCase& c : cases) {
        SCOPED_TRACE(c.name);
        const NetworkPath p = LinuxNetworkPathMonitor::currentPath(SysFs(fixture(c.tree)), addresses, c.metered);
        EXPECT_EQ(p.isExpensive, c.expensive);
        EXPECT_FALSE(p.isConstrained);
    }
    // The answer changes nothing else about the path.
    const NetworkPath cellular = LinuxNetworkPathMonitor::currentPath(SysFs(fixture("netmon-cellular")), addresses, false);
    EXPECT_EQ(cellular.status, NetworkPath::Status::Satisfied);
    EXPECT_EQ(cellular.interfaceTypes, QList<Type>{Type::Cellular});
    EXPECT_TRUE(cellular.supportsIPv4);
}

TEST(NetworkMetered, AMonitorAsksAStalledDaemonOnceNotOnEveryLook)
{
    ScriptedBus bus;
    bus.failProperty(kNm, kNmPath, kNm, "Metered", BusError::kNoReply);
    LinuxNetworkPathMonitor monitor(bus);
    QList<NetworkPath> delivered;
    QObject::connect(&monitor, &NetworkPathMonitor::pathChanged, [&](const NetworkPath& p) { delivered << p; });
    for (int look = 0; look < 3; ++look) {  // each start() looks at the machine again
        monitor.start();
        QCoreApplication::processEvents();
    }
    monitor.cancel();
    EXPECT_EQ(bus.calls.size(), 1);
    // No answer: only a mobile-data link would count as expensive.
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered.first().isExpensive, delivered.first().interfaceTypes.value(0, Type::Other) == Type::Cellular);
}

TEST(NetworkMetered, AMonitorPassesTheAnswerIntoTheMachinesPath)
{
    ScriptedBus bus;
    bus.replyProperty(kNm, kNmPath, kNm, "Metered", QVariant(1u));
    LinuxNetworkPathMonitor monitor(bus);
    QList<NetworkPath> delivered;
    QObject::connect(&monitor, &NetworkPathMonitor::pathChanged, [&](const NetworkPath& p) { delivered << p; });
    monitor.start();
    QCoreApplication::processEvents();
    monitor.cancel();
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(bus.calls.size(), 1);
    // Whatever this machine's routes: a metered connection is expensive exactly when there is one.
    EXPECT_EQ(delivered.first().isExpensive, delivered.first().status == NetworkPath::Status::Satisfied);
}

// ---- Real changes in a network namespace ----------------------------------------------

const char* kNamespaceChild = "QRL_NETMON_NAMESPACE_CHILD";
const char* kSkipMarker = "NETMON-SKIP: ";

// Routing requests of the test's own, answered with the kernel's acknowledgement.
class Rtnl {
public:
    Rtnl() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {}
    ~Rtnl()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Rtnl(const Rtnl&) = delete;
    Rtnl& operator=(const Rtnl&) = delete;

    // A message under construction: header, fixed part, attributes (nested ones too).
    class Message {
    public:
        Message(uint16_t type, uint16_t flags, const void* head, size_t headLength)
        {
            nlmsghdr h{};
            h.nlmsg_type = type;
            h.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK | flags;
            append(&h, sizeof h);
            append(head, headLength);
        }
        void attribute(uint16_t type, const void* data, size_t length)
        {
            rtattr a{};
            a.rta_type = type;
            a.rta_len = uint16_t(RTA_LENGTH(length));
            append(&a, sizeof a);
            append(data, length);
        }
        void attribute(uint16_t type, const char* text) { attribute(type, text, std::strlen(text) + 1); }
        qsizetype beginNested(uint16_t type)
        {
            const qsizetype at = bytes_.size();
            attribute(type, nullptr, 0);
            return at;
        }
        void endNested(qsizetype at)
        {
            auto* a = reinterpret_cast<rtattr*>(bytes_.data() + at);
            a->rta_len = uint16_t(bytes_.size() - at);
        }
        QByteArray finished(uint32_t sequence)
        {
            auto* h = reinterpret_cast<nlmsghdr*>(bytes_.data());
            h->nlmsg_len = uint32_t(bytes_.size());
            h->nlmsg_seq = sequence;
            return bytes_;
        }

    private:
        void append(const void* data, size_t length)
        {
            if (length) bytes_.append(static_cast<const char*>(data), qsizetype(length));
            while (bytes_.size() % 4) bytes_.append('\0');
        }
        QByteArray bytes_;
    };

    // 0 on success, else the errno the kernel answered with.
    int send(Message& m)
    {
        if (fd_ < 0) return errno ? errno : EBADF;
        const uint32_t sequence = ++sequence_;
        const QByteArray bytes = m.finished(sequence);
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        if (::sendto(fd_, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
            return errno;
        alignas(nlmsghdr) char buffer[8192];
        for (;;) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n < 0) return errno;
            int length = int(n);
            for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, length); h = NLMSG_NEXT(h, length)) {
                if (h->nlmsg_seq != sequence || h->nlmsg_type != NLMSG_ERROR) continue;
                return -static_cast<const nlmsgerr*>(NLMSG_DATA(h))->error;
            }
        }
    }

    int createLink(const char* name, const char* kind)
    {
        ifinfomsg info{};
        info.ifi_family = AF_UNSPEC;
        Message m(RTM_NEWLINK, NLM_F_CREATE | NLM_F_EXCL, &info, sizeof info);
        m.attribute(IFLA_IFNAME, name);
        const qsizetype linkInfo = m.beginNested(IFLA_LINKINFO);
        m.attribute(IFLA_INFO_KIND, kind, std::strlen(kind));
        m.endNested(linkInfo);
        return send(m);
    }

    int addAddress(unsigned index, const char* ipv4, int prefix)
    {
        ifaddrmsg a{};
        a.ifa_family = AF_INET;
        a.ifa_prefixlen = uint8_t(prefix);
        a.ifa_scope = RT_SCOPE_UNIVERSE;
        a.ifa_index = index;
        in_addr host{};
        ::inet_pton(AF_INET, ipv4, &host);
        Message m(RTM_NEWADDR, NLM_F_CREATE | NLM_F_EXCL, &a, sizeof a);
        m.attribute(IFA_LOCAL, &host, sizeof host);
        m.attribute(IFA_ADDRESS, &host, sizeof host);
        return send(m);
    }

    int deleteLink(unsigned index)
    {
        ifinfomsg info{};
        info.ifi_family = AF_UNSPEC;
        info.ifi_index = int(index);
        Message m(RTM_DELLINK, 0, &info, sizeof info);
        return send(m);
    }

    // A default route straight out of the link, no gateway needed.
    int defaultRoute(bool add, unsigned index)
    {
        rtmsg r{};
        r.rtm_family = AF_INET;
        r.rtm_table = RT_TABLE_MAIN;
        r.rtm_protocol = RTPROT_BOOT;
        r.rtm_scope = RT_SCOPE_LINK;
        r.rtm_type = RTN_UNICAST;
        Message m(add ? RTM_NEWROUTE : RTM_DELROUTE, add ? NLM_F_CREATE | NLM_F_EXCL : 0, &r, sizeof r);
        const uint32_t oif = index;
        m.attribute(RTA_OIF, &oif, sizeof oif);
        return send(m);
    }

private:
    int fd_;
    uint32_t sequence_ = 0;
};

int bringUp(const char* name)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    int error = 0;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) error = errno;
    request.ifr_flags = short(request.ifr_flags | IFF_UP);
    if (!error && ::ioctl(fd, SIOCSIFFLAGS, &request) != 0) error = errno;
    ::close(fd);
    return error;
}

// Runs only inside the child started below, which moves itself into a network namespace of
// its own and watches the real routing socket there while it changes links, addresses and routes.
TEST(NetworkNamespaceChild, FollowsRealChanges)
{
    if (qEnvironmentVariableIsEmpty(kNamespaceChild)) GTEST_SKIP() << "runs as the child of the namespace test";
    auto skip = [](const char* what, int error) {
        std::printf("%s%s: %s\n", kSkipMarker, what, std::strerror(error));
        std::fflush(stdout);
    };
    // Only this (the main) thread moves; it is the one the monitor and the readers run on.
    if (::unshare(CLONE_NEWNET) != 0) {
        const int error = errno;
        if (error == EPERM || error == EINVAL || error == ENOSYS) return skip("unshare(CLONE_NEWNET)", error);
        FAIL() << "unshare: " << std::strerror(error);
    }

    // NetworkManager, as far as this path knows, guesses the connection is metered.
    ScriptedBus bus;
    bus.replyProperty(kNm, kNmPath, kNm, "Metered", QVariant(3u));
    int looks = 0;
    QList<NetworkPath> delivered;
    QEventLoop* waiting = nullptr;
    std::function<bool()> done;
    auto poke = [&] {
        if (waiting && done()) waiting->quit();
    };
    // The machine's own reading, counted, so the test knows when the monitor has looked.
    LinuxNetworkPathMonitor monitor(nullptr, [&] {
        ++looks;
        poke();
        return LinuxNetworkPathMonitor::machinePath(bus);
    });
    QObject::connect(&monitor, &NetworkPathMonitor::pathChanged, [&](const NetworkPath& p) {
        delivered << p;
        poke();
    });
    // Runs the loop until `until` holds; the cap only keeps a broken monitor from hanging the run.
    auto waitFor = [&](std::function<bool()> until) {
        if (until()) return true;
        QEventLoop loop;
        bool capped = false;
        QTimer::singleShot(20000, &loop, [&] { capped = true; loop.quit(); });
        done = std::move(until);
        waiting = &loop;
        loop.exec();
        waiting = nullptr;
        return !capped;
    };
    auto nextLook = [&] {
        const int before = looks;
        return waitFor([&, before] { return looks > before; });
    };
    auto quietSpell = [&] {  // a few settle periods with nothing happening
        QEventLoop loop;
        QTimer::singleShot(600, &loop, &QEventLoop::quit);
        loop.exec();
    };

    monitor.start();
    ASSERT_TRUE(waitFor([&] { return !delivered.isEmpty(); })) << "no first path";
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered[0].status, NetworkPath::Status::Unsatisfied);
    EXPECT_FALSE(delivered[0].isExpensive);  // metered or not, nothing is paid for offline
    quietSpell();
    EXPECT_EQ(delivered.size(), 1) << "a path delivered while nothing changed";

    // Real changes that leave the path as it was: looked at, not delivered.
    Rtnl rtnl;
    if (int error = bringUp("lo")) return skip("bringing lo up", error);
    ASSERT_TRUE(nextLook()) << "no look after lo came up";
    EXPECT_EQ(delivered.size(), 1) << "loopback reaches nothing";

    const char* name = "qrlt0";
    int tap = -1;
    int error = 0;
    for (const char* kind : {"dummy", "bridge", "ifb"})
        if ((error = rtnl.createLink(name, kind)) == 0) break;
    if (error) {  // no such link kind here: a TAP device, kept while the descriptor is open
        tap = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
        ifreq request{};
        std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
        request.ifr_flags = IFF_TAP | IFF_NO_PI;
        error = tap < 0 ? errno : ::ioctl(tap, TUNSETIFF, &request) != 0 ? errno : 0;
        if (error) {
            if (tap >= 0) ::close(tap);
            return skip("making a link (dummy, bridge, ifb or tap)", error);
        }
    }
    const unsigned index = ::if_nametoindex(name);
    ASSERT_NE(index, 0u);
    ASSERT_TRUE(nextLook()) << "no look after the link appeared";
    EXPECT_EQ(delivered.size(), 1);
    if ((error = bringUp(name))) return skip("bringing the link up", error);
    ASSERT_TRUE(nextLook());
    EXPECT_EQ(delivered.size(), 1);
    // The interfaces are part of the path: an address reaches the Network rows even where
    // it reaches nothing beyond, and it does within two seconds.
    using Rows = QList<QPair<QString, QString>>;
    const QString link = QString::fromLatin1(name);
    QElapsedTimer clock;
    auto delivery = [&](qsizetype count) {
        clock.start();
        const bool arrived = waitFor([&] { return delivered.size() >= count; });
        EXPECT_LT(clock.elapsed(), 2000) << "delivery " << count << " took too long";
        return arrived;
    };
    // The rows an inspection shows with the path just delivered.
    auto interfaceRows = [&] {
        const LinuxNetworkInterfaces here;
        FakeMachine m = FakeMachine::linuxPC();
        FakeMachine::Overrides o;
        o.network = &here;
        const Platform p = m.platform(o);
        QStringList rows;
        for (const CapabilityItem& i : DeviceProbe::networkSection(ProbeContext{p, Localization::english()}, delivered.last()).items)
            if (i.key.value_or(QString()).startsWith(QLatin1String("interface."))) rows << i.label + QStringLiteral(" = ") + i.value;
        return rows;
    };
    if ((error = rtnl.addAddress(index, "10.213.0.1", 24))) return skip("adding an address", error);
    ASSERT_TRUE(delivery(2)) << "the new address was not delivered";
    EXPECT_EQ(delivered[1].status, NetworkPath::Status::Unsatisfied) << "an address without a default route reaches nothing";
    EXPECT_EQ(delivered[1].interfaceAddresses, (Rows{{link, QStringLiteral("10.213.0.1")}}));
    EXPECT_EQ(interfaceRows(), QStringList{QStringLiteral("Interface qrlt0 = 10.213.0.1")});

    // A default route appears.
    if ((error = rtnl.defaultRoute(true, index))) return skip("adding a default route", error);
    ASSERT_TRUE(delivery(3)) << "the default route was not delivered";
    ASSERT_EQ(delivered.size(), 3);
    const NetworkPath online = delivered[2];
    EXPECT_EQ(online.status, NetworkPath::Status::Satisfied);
    EXPECT_TRUE(online.supportsIPv4);
    EXPECT_FALSE(online.supportsIPv6);
    // sysfs still shows the namespace it was mounted in, where this link does not exist.
    EXPECT_EQ(online.interfaceTypes, QList<Type>{Type::Other});
    EXPECT_TRUE(online.isExpensive);

    // One delivery per real change: a second address is one.
    ASSERT_EQ(rtnl.addAddress(index, "10.213.0.2", 24), 0);
    ASSERT_TRUE(delivery(4));
    quietSpell();
    ASSERT_EQ(delivered.size(), 4);
    EXPECT_EQ(delivered[3].interfaceAddresses,
              (Rows{{link, QStringLiteral("10.213.0.1")}, {link, QStringLiteral("10.213.0.2")}}));

    ASSERT_EQ(rtnl.defaultRoute(false, index), 0);
    ASSERT_TRUE(delivery(5)) << "losing the default route was not delivered";
    quietSpell();
    ASSERT_EQ(delivered.size(), 5);
    EXPECT_EQ(delivered[4].status, NetworkPath::Status::Unsatisfied);
    EXPECT_FALSE(delivered[4].isExpensive);

    // The link goes away, and its rows with it.
    if (tap < 0) {
        ASSERT_EQ(rtnl.deleteLink(index), 0);
    } else {
        ::close(tap);
        tap = -1;
    }
    ASSERT_TRUE(delivery(6)) << "the link's going was not delivered";
    EXPECT_TRUE(delivered[5].interfaceAddresses.isEmpty());
    EXPECT_TRUE(interfaceRows().isEmpty());

    monitor.cancel();
    if (tap >= 0) ::close(tap);
    std::puts("NETMON-DONE");
}

TEST(NetworkNamespace, OneDeliveryPerRealRoutingChange)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kNamespaceChild), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=NetworkNamespaceChild.FollowsRealChanges")});
    ASSERT_TRUE(child.waitForStarted());
    ASSERT_TRUE(child.waitForFinished(180000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    const qsizetype skipped = out.indexOf(QLatin1String(kSkipMarker));
    if (skipped >= 0) GTEST_SKIP() << out.mid(skipped).section(QLatin1Char('\n'), 0, 0).toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("NETMON-DONE"))) << out.toStdString() << err.toStdString();
}

}  // namespace
