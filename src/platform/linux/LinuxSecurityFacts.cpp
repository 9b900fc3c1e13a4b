#include "platform/linux/LinuxSecurityFacts.h"

#include "platform/linux/LinuxSystemBus.h"

#include <cstring>

#include <unistd.h>

namespace {
const QString kFprint = QStringLiteral("net.reactivated.Fprint");
const QString kAccounts = QStringLiteral("org.freedesktop.Accounts");

// AccountsService's password modes.
constexpr int kPasswordRegular = 0;
constexpr int kPasswordNone = 2;
}  // namespace

LinuxSecurityFacts::LinuxSecurityFacts(QString root, const SystemBus* bus, std::optional<QHash<QString, QString>> environment,
                                       qint64 uid)
    : fs_(std::move(root)), bus_(bus ? bus : &LinuxSystemBus::shared()), environment_(std::move(environment)),
      uid_(uid >= 0 ? uid : qint64(::getuid()))
{
}

BiometricState LinuxSecurityFacts::biometrics() const
{
    BiometricState state;
    if (!bus_->isConnected()) return state;
    const BusReply device = bus_->call(kFprint, QStringLiteral("/net/reactivated/Fprint/Manager"),
                                       QStringLiteral("net.reactivated.Fprint.Manager"), QStringLiteral("GetDefaultDevice"));
    // No daemon, no reader (NoSuchDevice) or no answer: there is no sensor to use.
    if (!device.ok || device.first().typeId() != QMetaType::QString || device.first().toString().isEmpty()) return state;
    state.type = BiometryType::touchID;
    // An empty user name asks for the caller's own enrolled fingers.
    const BusReply fingers = bus_->call(kFprint, device.first().toString(), QStringLiteral("net.reactivated.Fprint.Device"),
                                        QStringLiteral("ListEnrolledFingers"), {QString()});
    // NoEnrolledPrints, a refusal or no answer all leave the sensor unusable for now.
    state.canEvaluate = fingers.ok && !fingers.first().toStringList().isEmpty();
    return state;
}

std::optional<bool> LinuxSecurityFacts::devicePasswordSet() const
{
    if (!bus_->isConnected()) return std::nullopt;
    const BusReply user = bus_->call(kAccounts, QStringLiteral("/org/freedesktop/Accounts"), kAccounts,
                                     QStringLiteral("FindUserById"), {QVariant::fromValue(qlonglong(uid_))});
    if (!user.ok || user.first().typeId() != QMetaType::QString || user.first().toString().isEmpty()) return std::nullopt;
    const QString path = user.first().toString();
    const QString iface = QStringLiteral("org.freedesktop.Accounts.User");
    const BusReply mode = bus_->property(kAccounts, path, iface, QStringLiteral("PasswordMode"));
    if (!mode.ok) return std::nullopt;
    const QVariant value = mode.first();
    const int type = value.typeId();
    if (type != QMetaType::Int && type != QMetaType::UInt && type != QMetaType::LongLong && type != QMetaType::ULongLong)
        return std::nullopt;
    const qint64 m = value.toLongLong();
    if (m == kPasswordNone) return false;
    // "Set at login" stands both for an expired password and for one not chosen yet, and
    // an unknown mode says nothing either.
    if (m != kPasswordRegular) return std::nullopt;
    // A locked password cannot be used to authenticate.
    const BusReply locked = bus_->property(kAccounts, path, iface, QStringLiteral("Locked"));
    if (locked.ok && locked.first().typeId() == QMetaType::Bool && locked.first().toBool()) return false;
    return true;
}

QHash<QString, QString> LinuxSecurityFacts::environment() const
{
    if (environment_) return *environment_;
    // Straight from the process's own table: an inspection asks twice.
    QHash<QString, QString> env;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* text = *entry;
        const char* equals = std::strchr(text, '=');
        if (!equals || equals == text) continue;
        const QString key = QString::fromLocal8Bit(text, qsizetype(equals - text));
        if (!env.contains(key)) env.insert(key, QString::fromLocal8Bit(equals + 1));
    }
    return env;
}

bool LinuxSecurityFacts::sandboxConfined() const
{
    // Flatpak puts its instance description at the root of every sandbox.
    if (fs_.exists(".flatpak-info")) return true;
    // A strictly confined snap runs under its enforcing AppArmor profile; classic and
    // development-mode snaps are not confined.
    const QHash<QString, QString> env = environment();
    if (env.value(QStringLiteral("SNAP")).isEmpty()) return false;
    for (const char* file : {"proc/self/attr/apparmor/current", "proc/self/attr/current"}) {
        if (auto label = fs_.line(file)) {
            return label->startsWith(QLatin1String("snap.")) && label->endsWith(QLatin1String("(enforce)"));
        }
    }
    return false;
}
