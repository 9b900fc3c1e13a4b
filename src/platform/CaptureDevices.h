#pragma once

#include <QList>
#include <QString>

// Kinds of capture device a discovery can ask for.
enum class CaptureDeviceType {
    BuiltInWideAngleCamera,
    External,
    ContinuityCamera,
    DeskViewCamera,
    ExternalUnknown,
    Microphone,
    BuiltInMicrophone,
};

enum class CaptureMedia { Video, Audio };

struct CaptureDevice {
    QString name;
    CaptureDeviceType type = CaptureDeviceType::External;
    bool operator==(const CaptureDevice&) const = default;
};

// Camera authorisation, with the platform's numbering.
enum class CameraAuthorization { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3, Unknown = -1 };

class CaptureDevices {
public:
    virtual ~CaptureDevices() = default;
    // The devices of `media` whose type is one of `types`, in the platform's order.
    // Only lists them: never opens one.
    virtual QList<CaptureDevice> devices(const QList<CaptureDeviceType>& types, CaptureMedia media) const = 0;
    // Never asks the user.
    virtual CameraAuthorization cameraAuthorization() const = 0;
};
