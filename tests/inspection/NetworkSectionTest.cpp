#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"
#include "support/SectionsBRows.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

namespace {

using S = CapabilityStatus;
using T = NetworkPath::InterfaceType;

InterfaceAddress address(QString name, QString host, int family = AF_INET, bool up = true, bool loopback = false)
{
    InterfaceAddress a;
    a.name = std::move(name);
    a.numericHost = std::move(host);
    a.family = family;
    a.up = up;
    a.loopback = loopback;
    return a;
}

NetworkPath path(bool satisfied, QList<T> types, bool v4 = true, bool v6 = true, bool expensive = false, bool constrained = false)
{
    NetworkPath p;
    p.status = satisfied ? NetworkPath::Status::Satisfied : NetworkPath::Status::Unsatisfied;
    p.interfaceTypes = std::move(types);
    p.supportsIPv4 = v4;
    p.supportsIPv6 = v6;
    p.isExpensive = expensive;
    p.isConstrained = constrained;
    return p;
}

QList<Row> networkRows(const std::optional<NetworkPath>& p, QList<InterfaceAddress> addresses = {})
{
    FakeMachine m = FakeMachine::linuxPC();
    m.network.list = std::move(addresses);
    const Platform platform = m.platform();
    return rowsOf(DeviceProbe::networkSection(ProbeContext{platform, Localization::english()}, p));
}

const Row v4Yes{"IPv4", "Supported", S::supported, "ipv4"};
const Row v4No{"IPv4", "Not supported", S::unsupported, "ipv4"};
const Row v6Yes{"IPv6", "Supported", S::supported, "ipv6"};
const Row v6No{"IPv6", "Not supported", S::info, "ipv6"};
const Row connected{"Internet connection", "Connected", S::supported, "internet", true};
const Row offline{"Internet connection", "Not connected", S::unsupported, "internet", true};

TEST(NetworkSection, EveryPathCase)
{
    struct Case {
        const char* name;
        std::optional<NetworkPath> path;
        QList<Row> expected;
    };
    const QList<Case> cases = {
        {"before the first path", std::nullopt, {{"Internet connection", "Checking…", S::info, "internet", true}}},
        {"offline", path(false, {}, false, false), {offline, v4No, v6No}},
        {"Wi-Fi and Ethernet", path(true, {T::WiredEthernet, T::Wifi}),
         {connected, {"Connection type", "Wi-Fi + Ethernet", S::info, "connectionType"}, v4Yes, v6Yes}},
        {"no IPv6", path(true, {T::WiredEthernet}, true, false),
         {connected, {"Connection type", "Ethernet", S::info, "connectionType"}, v4Yes, v6No}},
        {"cellular and other", path(true, {T::Other, T::Cellular, T::Loopback}),
         {connected, {"Connection type", "Cellular + Other", S::info, "connectionType"}, v4Yes, v6Yes}},
        {"metered hotspot in low data mode", path(true, {T::Wifi}, true, true, true, true),
         {connected, {"Connection type", "Wi-Fi", S::info, "connectionType"}, v4Yes, v6Yes,
          {"Expensive connection", "Yes (hotspot)", S::warning, "expensiveConnection"},
          {"Low Data Mode", "On", S::warning, "lowDataMode"}}},
        {"metered only", path(true, {}, true, true, true, false),
         {connected, v4Yes, v6Yes, {"Expensive connection", "Yes (hotspot)", S::warning, "expensiveConnection"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(networkRows(c.path), c.expected) << c.name;
}

TEST(NetworkSection, InterfaceRowsFollowTheAddressListEvenBeforeAPath)
{
    const QList<InterfaceAddress> list = {
        address("lo", "127.0.0.1", AF_INET, true, true),   // loopback, even when up
        address("eth0", "192.168.1.20"),
        address("eth0", "fe80::1", AF_INET6),
        address("wlan0", "10.0.0.5", AF_INET, false),      // down
        address("eth0", "192.168.1.21"),
        address("en%@0", "172.16.0.2"),                    // a name is data, never a format
        address("br0", ""),                                // no text for the address
    };
    EXPECT_EQ(networkRows(std::nullopt, list), (QList<Row>{
                                                  {"Internet connection", "Checking…", S::info, "internet", true},
                                                  {"Interface eth0", "192.168.1.20", S::info, "interface.eth0", true},
                                                  {"Interface eth0", "192.168.1.21", S::info, "interface.eth0", true},
                                                  {"Interface en%@0", "172.16.0.2", S::info, "interface.en%@0", true},
                                              }));
}

TEST(NetworkSection, AnUnreadableAddressListGivesNoInterfaceRows)
{
    FakeMachine m = FakeMachine::linuxPC();
    m.network.list = std::nullopt;
    const Platform platform = m.platform();
    const QList<Row> rows = rowsOf(DeviceProbe::networkSection(ProbeContext{platform, Localization::english()}, path(true, {})));
    EXPECT_EQ(rows, (QList<Row>{connected, v4Yes, v6Yes}));
}

}  // namespace
