#include "platform/linux/LinuxCaptureDevices.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>
#include <QRegularExpression>

#include <unistd.h>

namespace {

// Device-supplied names: no control characters, no outer spaces.
QString cleanName(const QByteArray& raw)
{
    QString out;
    for (QChar c : QString::fromUtf8(raw))
        if (c.category() != QChar::Other_Control) out += c;
    return out.trimmed();
}

QList<QPair<int, QString>> numbered(const QStringList& entries, const QRegularExpression& re)
{
    QList<QPair<int, QString>> out;
    for (const QString& e : entries) {
        const auto m = re.match(e);
        if (m.hasMatch()) out.append({m.captured(1).toInt(), e});
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

LinuxCaptureDevices::LinuxCaptureDevices(QString root, PortalLookup portal)
    : fs_(std::move(root)), portal_(portal ? std::move(portal) : PortalLookup(&LinuxCaptureDevices::lookupPermissionStore))
{
}

QList<V4lCamera> LinuxCaptureDevices::cameras() const
{
    static const QRegularExpression video(QStringLiteral("^video(\\d+)$"));
    QList<V4lCamera> out;
    for (const auto& [number, entry] : numbered(fs_.list(QStringLiteral("sys/class/video4linux")), video)) {
        const QString dir = QStringLiteral("sys/class/video4linux/") + entry + '/';
        // udev records what each node can do; without that record, the first node of a
        // device is its picture stream and later ones carry metadata.
        std::optional<bool> capture;
        if (auto dev = fs_.line(dir + QStringLiteral("dev"))) {
            if (auto db = fs_.read(QStringLiteral("run/udev/data/c") + *dev, 64 * 1024)) {
                for (const QByteArray& line : db->split('\n'))
                    if (line.startsWith("E:ID_V4L_CAPABILITIES=")) capture = line.contains(":capture:");
            }
        }
        if (!capture) capture = fs_.integer(dir + QStringLiteral("index")).value_or(0) == 0;
        if (!*capture) continue;

        V4lCamera c;
        c.name = cleanName(fs_.read(dir + QStringLiteral("name"), 4096).value_or(QByteArray()));
        if (c.name.isEmpty()) c.name = entry;
        QString devName = entry;
        if (auto uevent = fs_.read(dir + QStringLiteral("uevent"), 64 * 1024)) {
            const QString n = SysFs::keyValues(*uevent, '=').value(QStringLiteral("DEVNAME"));
            if (!n.isEmpty() && !n.contains(QLatin1String(".."))) devName = n;
        }
        c.node = fs_.path(QStringLiteral("dev/") + devName);
        // A camera wired inside the machine sits on a USB port the firmware marks as fixed.
        c.builtIn = fs_.line(dir + QStringLiteral("device/../removable")) == QStringLiteral("fixed");
        out << c;
    }
    return out;
}

QList<AlsaCapture> LinuxCaptureDevices::microphones() const
{
    static const QRegularExpression cardLine(QStringLiteral("^\\s*(\\d+)\\s+\\[[^\\]]*\\]:\\s*(.*)$"));
    static const QRegularExpression capturePcm(QStringLiteral("^pcm(\\d+)c$"));
    QList<AlsaCapture> out;
    const auto cards = fs_.read(QStringLiteral("proc/asound/cards"), 256 * 1024);
    if (!cards) return out;
    for (const QByteArray& raw : cards->split('\n')) {
        const auto m = cardLine.match(QString::fromUtf8(raw));
        if (!m.hasMatch()) continue;
        const QString card = QStringLiteral("proc/asound/card") + m.captured(1) + '/';
        // "HDA-Intel - HDA Intel PCH": driver, then the card's name.
        QString cardName = m.captured(2);
        if (const qsizetype dash = cardName.indexOf(QLatin1String(" - ")); dash >= 0) cardName = cardName.mid(dash + 3);
        cardName = cleanName(cardName.toUtf8());
        const bool usb = fs_.exists(card + QStringLiteral("usbid"));

        QList<QString> pcmNames;
        const auto pcms = numbered(fs_.list(card), capturePcm);
        for (const auto& [n, pcm] : pcms) {
            QString name;
            if (auto info = fs_.read(card + pcm + QStringLiteral("/info"), 64 * 1024))
                name = cleanName(SysFs::keyValues(*info, ':').value(QStringLiteral("name")).toUtf8());
            pcmNames << name;
        }
        for (const QString& pcm : pcmNames) {
            AlsaCapture a;
            a.usb = usb;
            if (pcmNames.size() == 1 || pcm.isEmpty()) a.name = cardName;
            else if (cardName.isEmpty()) a.name = pcm;
            else a.name = cardName + QStringLiteral(": ") + pcm;
            if (a.name.isEmpty()) a.name = QStringLiteral("card") + m.captured(1);
            out << a;
        }
    }
    return out;
}

QList<CaptureDevice> LinuxCaptureDevices::devices(const QList<CaptureDeviceType>& types, CaptureMedia media) const
{
    using T = CaptureDeviceType;
    QList<CaptureDevice> out;
    if (media == CaptureMedia::Video) {
        for (const V4lCamera& c : cameras()) {
            const T type = c.builtIn ? T::BuiltInWideAngleCamera : T::External;
            // Linux does not tell external cameras apart further: both names of the kind apply.
            if (types.contains(type) || (type == T::External && types.contains(T::ExternalUnknown))) out << CaptureDevice{c.name, type};
        }
    } else {
        for (const AlsaCapture& a : microphones()) {
            const T specific = a.usb ? T::ExternalUnknown : T::BuiltInMicrophone;
            if (types.contains(T::Microphone)) out << CaptureDevice{a.name, T::Microphone};
            else if (types.contains(specific)) out << CaptureDevice{a.name, specific};
        }
    }
    return out;
}

std::optional<QString> LinuxCaptureDevices::flatpakAppId() const
{
    const auto info = fs_.read(QStringLiteral(".flatpak-info"), 256 * 1024);
    if (!info) return std::nullopt;
    bool inApplication = false;
    for (const QByteArray& raw : info->split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) inApplication = line == "[Application]";
        else if (inApplication && line.startsWith("name=")) return QString::fromUtf8(line.mid(5)).trimmed();
    }
    return QString();
}

CameraAuthorization LinuxCaptureDevices::fromPortal(const std::optional<QStringList>& permission)
{
    if (!permission) return CameraAuthorization::Unknown;
    if (permission->isEmpty()) return CameraAuthorization::NotDetermined;
    const QString word = permission->first();
    if (word == QLatin1String("yes")) return CameraAuthorization::Authorized;
    if (word == QLatin1String("no")) return CameraAuthorization::Denied;
    if (word == QLatin1String("ask")) return CameraAuthorization::NotDetermined;
    return CameraAuthorization::Unknown;
}

CameraAuthorization LinuxCaptureDevices::fromDeviceAccess(const QList<bool>& accessible)
{
    if (accessible.isEmpty()) return CameraAuthorization::Unknown;  // no camera to be allowed or refused
    return accessible.contains(true) ? CameraAuthorization::Authorized : CameraAuthorization::Denied;
}

std::optional<QStringList> LinuxCaptureDevices::lookupPermissionStore(const QString& appId)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), QStringLiteral("Lookup"));
    call << QStringLiteral("devices") << QStringLiteral("camera");
    // Block: the inspection runs on the main thread and must not run the event loop.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        // The store has no camera table until something was decided.
        if (reply.errorName() == QLatin1String("org.freedesktop.portal.Error.NotFound")) return QStringList{};
        return std::nullopt;
    }
    const QVariant first = reply.arguments().first();
    if (!first.canConvert<QDBusArgument>()) return std::nullopt;
    QMap<QString, QStringList> permissions;
    const QDBusArgument arg = first.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a{sas}")) return std::nullopt;
    arg >> permissions;
    return permissions.value(appId);
}

CameraAuthorization LinuxCaptureDevices::cameraAuthorization() const
{
    if (auto app = flatpakAppId()) {
        if (app->isEmpty()) return CameraAuthorization::Unknown;
        return fromPortal(portal_(*app));
    }
    QList<bool> accessible;
    for (const V4lCamera& c : cameras()) {
        const QByteArray node = QFile::encodeName(c.node);
        if (::access(node.constData(), F_OK) != 0) continue;  // no node, nothing to allow or refuse
        accessible << (::access(node.constData(), R_OK | W_OK) == 0);
    }
    return fromDeviceAccess(accessible);
}
