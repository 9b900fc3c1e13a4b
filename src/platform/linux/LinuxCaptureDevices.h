#pragma once

#include "platform/CaptureDevices.h"
#include "platform/linux/SysFs.h"

#include <QStringList>

#include <functional>

// A video4linux node that captures pictures (metadata and output nodes are left out).
struct V4lCamera {
    QString name;
    QString node;        // "/dev/video0" under the root
    bool builtIn = false;
};

// An ALSA PCM that records.
struct AlsaCapture {
    QString name;
    bool usb = false;
};

// Cameras from /sys/class/video4linux, microphones from the capture PCMs of /proc/asound.
// Nothing is opened: capture nodes are told apart by udev's capability record (else by
// their index), and the permission comes from the portal's permission store under
// Flatpak, else from whether this process may open the camera nodes.
class LinuxCaptureDevices : public CaptureDevices {
public:
    // The Flatpak permission store's answer for this app: the permission words ("yes",
    // "no", "ask"), an empty list when it holds none, absent when it cannot be asked.
    using PortalLookup = std::function<std::optional<QStringList>(const QString& appId)>;

    explicit LinuxCaptureDevices(QString root = QStringLiteral("/"), PortalLookup portal = {});

    QList<CaptureDevice> devices(const QList<CaptureDeviceType>& types, CaptureMedia media) const override;
    CameraAuthorization cameraAuthorization() const override;

    QList<V4lCamera> cameras() const;
    QList<AlsaCapture> microphones() const;
    // The app id of the Flatpak sandbox this process runs in; absent outside one.
    std::optional<QString> flatpakAppId() const;

    static CameraAuthorization fromPortal(const std::optional<QStringList>& permission);
    // `accessible`: for each camera node, whether this process may open it for reading and writing.
    static CameraAuthorization fromDeviceAccess(const QList<bool>& accessible);
    // Asks the permission store on the session bus, waiting at most one second, without
    // running the event loop.
    static std::optional<QStringList> lookupPermissionStore(const QString& appId);

private:
    SysFs fs_;
    PortalLookup portal_;
};
