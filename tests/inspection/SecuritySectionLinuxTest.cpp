#include "SecuritySectionFakeBus.h"

#include "inspection/DeviceProbe.h"
#include "platform/linux/LinuxSecurityFacts.h"
#include "platform/linux/LinuxSystemBus.h"
#include "support/FakePlatform.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kFprint = QStringLiteral("net.reactivated.Fprint");
const QString kManager = QStringLiteral("/net/reactivated/Fprint/Manager");
const QString kManagerIface = QStringLiteral("net.reactivated.Fprint.Manager");
const QString kDevice = QStringLiteral("/net/reactivated/Fprint/Device/0");
const QString kDeviceIface = QStringLiteral("net.reactivated.Fprint.Device");
const QString kAccounts = QStringLiteral("org.freedesktop.Accounts");
const QString kUser = QStringLiteral("/org/freedesktop/Accounts/User1000");
const QString kUserIface = QStringLiteral("org.freedesktop.Accounts.User");

void write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

void withDevice(ScriptedBus& b) { b.reply(kFprint, kManager, kManagerIface, "GetDefaultDevice", {}, {kDevice}); }

struct BioCase {
    const char* name;
    std::function<void(ScriptedBus&)> script;
    BiometricState expected;
};

class FingerprintCases : public testing::TestWithParam<BioCase> {};

TEST_P(FingerprintCases, State)
{
    ScriptedBus bus;
    GetParam().script(bus);
    const LinuxSecurityFacts facts("/nonexistent", &bus, QHash<QString, QString>{}, 1000);
    EXPECT_EQ(facts.biometrics(), GetParam().expected);
}

using BT = BiometryType;
INSTANTIATE_TEST_SUITE_P(
    Fprintd, FingerprintCases,
    testing::Values(
        BioCase{"NoBus", [](ScriptedBus& b) { b.connected = false; }, {false, BT::none}},
        BioCase{"NoDaemon", [](ScriptedBus&) {}, {false, BT::none}},
        BioCase{"NoReader",
                [](ScriptedBus& b) {
                    b.fail(kFprint, kManager, kManagerIface, "GetDefaultDevice", {}, "net.reactivated.Fprint.Error.NoSuchDevice");
                },
                {false, BT::none}},
        BioCase{"DevicePathOfTheWrongType",
                [](ScriptedBus& b) { b.reply(kFprint, kManager, kManagerIface, "GetDefaultDevice", {}, {42}); },
                {false, BT::none}},
        BioCase{"EnrolledFinger",
                [](ScriptedBus& b) {
                    withDevice(b);
                    b.reply(kFprint, kDevice, kDeviceIface, "ListEnrolledFingers", {QString()},
                            {QStringList{"right-index-finger"}});
                },
                {true, BT::touchID}},
        BioCase{"NoEnrolledPrints",
                [](ScriptedBus& b) {
                    withDevice(b);
                    b.fail(kFprint, kDevice, kDeviceIface, "ListEnrolledFingers", {QString()},
                           "net.reactivated.Fprint.Error.NoEnrolledPrints");
                },
                {false, BT::touchID}},
        BioCase{"EmptyFingerList",
                [](ScriptedBus& b) {
                    withDevice(b);
                    b.reply(kFprint, kDevice, kDeviceIface, "ListEnrolledFingers", {QString()}, {QStringList{}});
                },
                {false, BT::touchID}},
        BioCase{"ReaderThatDoesNotAnswer",
                [](ScriptedBus& b) {
                    withDevice(b);
                    b.fail(kFprint, kDevice, kDeviceIface, "ListEnrolledFingers", {QString()}, BusError::kNoReply);
                },
                {false, BT::touchID}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PasswordCase {
    const char* name;
    std::function<void(ScriptedBus&)> script;
    std::optional<bool> expected;
};

void withUser(ScriptedBus& b) { b.reply(kAccounts, "/org/freedesktop/Accounts", kAccounts, "FindUserById", {1000}, {kUser}); }

class PasswordCases : public testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordCases, Reading)
{
    ScriptedBus bus;
    GetParam().script(bus);
    const LinuxSecurityFacts facts("/nonexistent", &bus, QHash<QString, QString>{}, 1000);
    EXPECT_EQ(facts.devicePasswordSet(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    AccountsService, PasswordCases,
    testing::Values(
        PasswordCase{"NoBus", [](ScriptedBus& b) { b.connected = false; }, std::nullopt},
        PasswordCase{"NoService", [](ScriptedBus&) {}, std::nullopt},
        PasswordCase{"Regular",
                     [](ScriptedBus& b) {
                         withUser(b);
                         b.replyProperty(kAccounts, kUser, kUserIface, "PasswordMode", 0);
                         b.replyProperty(kAccounts, kUser, kUserIface, "Locked", false);
                     },
                     true},
        PasswordCase{"RegularButLocked",
                     [](ScriptedBus& b) {
                         withUser(b);
                         b.replyProperty(kAccounts, kUser, kUserIface, "PasswordMode", 0);
                         b.replyProperty(kAccounts, kUser, kUserIface, "Locked", true);
                     },
                     false},
        PasswordCase{"RegularLockUnreadable",
                     [](ScriptedBus& b) {
                         withUser(b);
                         b.replyProperty(kAccounts, kUser, kUserIface, "PasswordMode", 0);
                     },
                     true},
        PasswordCase{"NoPassword",
                     [](ScriptedBus& b) {
                         withUser(b);
                         b.replyProperty(kAccounts, kUser, kUserIface, "PasswordMode", 2);
                     },
                     false},
        PasswordCase{"SetAtLoginSaysNothing",
                     [](ScriptedBus& b) {
                         withUser(b);
                         b.replyProperty(kAccounts, kUser, kUserIface, "PasswordMode", 1);
                     },
                     std::nullopt},
        PasswordCase{"ModeAsTextSaysNothing",
                     [](ScriptedBus& b) {
                         withUser(b);
                         b.replyProperty(kAccounts, kUser, kUserIface, "PasswordMode", "0");
                     },
                     std::nullopt},
        PasswordCase{"ModeUnreadable",
                     [](ScriptedBus& b) {
                         withUser(b);
                         b.failProperty(kAccounts, kUser, kUserIface, "PasswordMode", "org.freedesktop.DBus.Error.AccessDenied");
                     },
                     std::nullopt},
        PasswordCase{"UnknownUser",
                     [](ScriptedBus& b) {
                         b.fail(kAccounts, "/org/freedesktop/Accounts", kAccounts, "FindUserById", {1000},
                                "org.freedesktop.Accounts.Error.Failed");
                     },
                     std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct ConfinementCase {
    const char* name;
    bool flatpakInfo;
    const char* snap;           // $SNAP, or null
    const char* apparmorFile;   // which attr file holds the label, or null
    const char* label;
    bool expected;
};

class ConfinementCases : public testing::TestWithParam<ConfinementCase> {};

TEST_P(ConfinementCases, Reading)
{
    const ConfinementCase& c = GetParam();
    QTemporaryDir dir;
    if (c.flatpakInfo) write(dir.filePath(".flatpak-info"), "[Application]\nname=org.example.App\n");
    if (c.apparmorFile) write(dir.filePath(c.apparmorFile), QByteArray(c.label) + "\n");
    QHash<QString, QString> env;
    if (c.snap) env.insert("SNAP", c.snap);
    ScriptedBus bus;
    const LinuxSecurityFacts facts(dir.path(), &bus, env, 1000);
    EXPECT_EQ(facts.sandboxConfined(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    FlatpakAndSnap, ConfinementCases,
    testing::Values(ConfinementCase{"Flatpak", true, nullptr, nullptr, "", true},
                    ConfinementCase{"StrictSnap", false, "/snap/app/1", "proc/self/attr/apparmor/current",
                                    "snap.app.app (enforce)", true},
                    ConfinementCase{"StrictSnapOlderKernel", false, "/snap/app/1", "proc/self/attr/current",
                                    "snap.app.app (enforce)", true},
                    ConfinementCase{"DevmodeSnap", false, "/snap/app/1", "proc/self/attr/current", "snap.app.app (complain)",
                                    false},
                    ConfinementCase{"ClassicSnap", false, "/snap/app/1", "proc/self/attr/current", "unconfined", false},
                    ConfinementCase{"SnapLabelWithoutSnap", false, nullptr, "proc/self/attr/current", "snap.app.app (enforce)",
                                    false},
                    ConfinementCase{"SnapWithoutLabel", false, "/snap/app/1", nullptr, "", false},
                    ConfinementCase{"Nothing", false, nullptr, nullptr, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SecurityLinux, EnvironmentIsTheProcessOwnUnlessGiven)
{
    qputenv("QRL_SECURITY_TEST_MARK", "1");
    ScriptedBus bus;
    EXPECT_TRUE(LinuxSecurityFacts("/", &bus).environment().contains("QRL_SECURITY_TEST_MARK"));
    EXPECT_FALSE(LinuxSecurityFacts("/", &bus, QHash<QString, QString>{}).environment().contains("QRL_SECURITY_TEST_MARK"));
    qunsetenv("QRL_SECURITY_TEST_MARK");
}

TEST(SecurityLinux, SectionOverLinuxReaders)
{
    ScriptedBus bus;
    withDevice(bus);
    bus.reply(kFprint, kDevice, kDeviceIface, "ListEnrolledFingers", {QString()}, {QStringList{"left-thumb"}});
    withUser(bus);
    bus.replyProperty(kAccounts, kUser, kUserIface, "PasswordMode", 0);
    QTemporaryDir dir;
    write(dir.filePath(".flatpak-info"), "[Application]\n");
    const LinuxSecurityFacts facts(dir.path(), &bus, QHash<QString, QString>{}, 1000);
    FakeMachine rest;
    const Platform p = rest.platform({.security = &facts});
    const Localization L = Localization::english();
    const CapabilitySection s = DeviceProbe::securitySection(ProbeContext{p, L});
    ASSERT_EQ(s.items.size(), 4);
    EXPECT_EQ(s.items[0].value, "Available and enabled");
    EXPECT_EQ(s.items[1].value, "Not available");  // no Secure Enclave on Linux
    EXPECT_EQ(s.items[2].value, "Set");
    EXPECT_EQ(s.items[3].value, "Active");
}

TEST(SecurityLinux, StalledServiceIsLeftAloneForAWhile)
{
    ScriptedBus inner;
    inner.fail(kFprint, kManager, kManagerIface, "GetDefaultDevice", {}, BusError::kNoReply);
    inner.reply(kAccounts, "/org/freedesktop/Accounts", kAccounts, "FindUserById", {1000}, {kUser});
    qint64 now = 1000;
    const StallGuardBus bus(inner, [&] { return now; }, 30000);
    EXPECT_EQ(bus.call(kFprint, kManager, kManagerIface, "GetDefaultDevice").errorName, BusError::kNoReply);
    ASSERT_EQ(inner.calls.size(), 1);
    // Within the back-off the stalled service is not asked; other services are.
    now += 29999;
    EXPECT_EQ(bus.call(kFprint, kManager, kManagerIface, "GetDefaultDevice").errorName, BusError::kNoReply);
    EXPECT_TRUE(bus.call(kAccounts, "/org/freedesktop/Accounts", kAccounts, "FindUserById", {1000}).ok);
    EXPECT_EQ(inner.calls.size(), 2);
    // Afterwards it is asked again, and an answer clears the stall.
    now += 1;
    inner.reply(kFprint, kManager, kManagerIface, "GetDefaultDevice", {}, {kDevice});
    EXPECT_TRUE(bus.call(kFprint, kManager, kManagerIface, "GetDefaultDevice").ok);
    EXPECT_TRUE(bus.call(kFprint, kManager, kManagerIface, "GetDefaultDevice").ok);
    EXPECT_EQ(inner.calls.size(), 4);
    // Ordinary errors are answers, not stalls.
    inner.fail(kFprint, kManager, kManagerIface, "GetDefaultDevice", {}, "net.reactivated.Fprint.Error.NoSuchDevice");
    bus.call(kFprint, kManager, kManagerIface, "GetDefaultDevice");
    bus.call(kFprint, kManager, kManagerIface, "GetDefaultDevice");
    EXPECT_EQ(inner.calls.size(), 6);
}

TEST(SecurityLinux, BusThatCannotConnect)
{
    const LinuxSystemBus bus(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "qrl-sa-none"));
    EXPECT_FALSE(bus.isConnected());
    const BusReply r = bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorName, BusError::kDisconnected);
    QDBusConnection::disconnectFromBus("qrl-sa-none");
}

// A private bus daemon, when the machine has one installed, checks the real transport.
TEST(SecurityLinux, PrivateBusRoundTrip)
{
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    QProcess proc;
    proc.start(daemon, {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(proc.waitForStarted());
    QByteArray address;
    while (!address.contains('\n') && proc.waitForReadyRead(5000)) address += proc.readAllStandardOutput();
    address = address.trimmed();
    if (address.isEmpty()) {
        proc.kill();
        proc.waitForFinished();
        GTEST_SKIP() << "dbus-daemon gave no address";
    }
    {
        const LinuxSystemBus bus(QDBusConnection::connectToBus(QString::fromUtf8(address), "qrl-sa-private"));
        ASSERT_TRUE(bus.isConnected());
        const BusReply id = bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId");
        ASSERT_TRUE(id.ok) << id.errorName.toStdString();
        EXPECT_EQ(id.first().typeId(), QMetaType::QString);
        EXPECT_FALSE(id.first().toString().isEmpty());
        // A variant holding a string array comes back as a plain list.
        const BusReply features = bus.property("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Features");
        ASSERT_TRUE(features.ok) << features.errorName.toStdString();
        EXPECT_EQ(features.first().typeId(), QMetaType::QStringList);
        const BusReply missing = bus.call(kFprint, kManager, kManagerIface, "GetDefaultDevice");
        EXPECT_FALSE(missing.ok);
        EXPECT_EQ(missing.errorName, BusError::kServiceUnknown);
        // The readers above it take a missing fprintd and AccountsService as no reading.
        const LinuxSecurityFacts facts("/nonexistent", &bus, QHash<QString, QString>{}, 1000);
        EXPECT_EQ(facts.biometrics(), (BiometricState{false, BiometryType::none}));
        EXPECT_EQ(facts.devicePasswordSet(), std::nullopt);
    }
    QDBusConnection::disconnectFromBus("qrl-sa-private");
    proc.kill();
    proc.waitForFinished();
}

TEST(SecurityLinux, ThisMachine)
{
    const Localization L = Localization::english();
    const CapabilitySection s = DeviceProbe::securitySection(ProbeContext{Platform::host(), L});
    ASSERT_EQ(s.items.size(), 4);
    EXPECT_EQ(s.items[1].value, "Not available");
    EXPECT_FALSE(Platform::host().security.secureEnclaveAvailable());
}

}  // namespace
