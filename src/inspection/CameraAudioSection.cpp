#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

CapabilitySection cameraAudioSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    using T = CaptureDeviceType;
    const CaptureDevices& capture = ctx.platform.capture;

    // Systems older than macOS 14 know a narrower set of device types; every other system
    // (Linux included) is asked with the current set.
    const OperatingSystem os = ctx.platform.system.operatingSystem();
    const bool olderTypes = os.name == QLatin1String("macOS") && os.major < 14;
    const QList<T> cameraTypes = olderTypes
        ? QList<T>{T::BuiltInWideAngleCamera, T::ExternalUnknown, T::DeskViewCamera}
        : QList<T>{T::BuiltInWideAngleCamera, T::External, T::ContinuityCamera, T::DeskViewCamera};
    const QList<T> microphoneTypes =
        olderTypes ? QList<T>{T::BuiltInMicrophone, T::ExternalUnknown} : QList<T>{T::Microphone};

    QList<CapabilityItem> items;
    const QList<CaptureDevice> cameras = capture.devices(cameraTypes, CaptureMedia::Video);
    for (const CaptureDevice& d : cameras) items << CapabilityItem::make(L.tr("Camera"), d.name, S::supported, "camera");
    if (cameras.isEmpty()) items << CapabilityItem::make(L.tr("Camera"), L.tr(QRL_CTX("Camera", "None")), S::unsupported, "camera");

    const QList<CaptureDevice> microphones = capture.devices(microphoneTypes, CaptureMedia::Audio);
    for (const CaptureDevice& d : microphones)
        items << CapabilityItem::make(L.tr("Microphone"), d.name, S::supported, "microphone");
    if (microphones.isEmpty()) items << CapabilityItem::make(L.tr("Microphone"), L.tr(QRL_CTX("Microphone", "None")), S::unsupported, "microphone");

    items << CapabilityItem::make(L.tr("Camera permission"), describe(int(capture.cameraAuthorization()), L), S::info,
                                  "cameraPermission");

    return CapabilitySection::make(L.tr("Camera & Audio"), "camera", items);
}

}  // namespace DeviceProbe
