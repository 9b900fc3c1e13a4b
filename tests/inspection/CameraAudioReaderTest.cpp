#include "platform/linux/LinuxCaptureDevices.h"

#include <gtest/gtest.h>

namespace {

using T = CaptureDeviceType;
const QString laptop = QStringLiteral(QRL_FIXTURES_DIR "/sb-laptop");

LinuxCaptureDevices::PortalLookup noPortal()
{
    return [](const QString&) -> std::optional<QStringList> {
        ADD_FAILURE() << "the portal is only asked inside a sandbox";
        return std::nullopt;
    };
}

TEST(CameraAudioReader, CamerasOfTheLaptopTreeLeaveMetadataNodesOut)
{
    const QList<V4lCamera> cameras = LinuxCaptureDevices(laptop, noPortal()).cameras();
    ASSERT_EQ(cameras.size(), 2);
    EXPECT_EQ(cameras[0].name, "Integrated Camera: Integrated C");  // udev says capture; video1 is metadata
    EXPECT_TRUE(cameras[0].builtIn);
    EXPECT_EQ(cameras[0].node, laptop + "/dev/video0");
    EXPECT_EQ(cameras[1].name, "USB Webcam HD");  // no udev record: index 0 is the picture stream
    EXPECT_FALSE(cameras[1].builtIn);
    EXPECT_EQ(cameras[1].node, laptop + "/dev/video2");
}

TEST(CameraAudioReader, MicrophonesAreTheCapturePcms)
{
    const QList<AlsaCapture> mics = LinuxCaptureDevices(laptop, noPortal()).microphones();
    ASSERT_EQ(mics.size(), 2);  // playback and HDMI PCMs are not microphones
    EXPECT_EQ(mics[0].name, "HDA Intel PCH");
    EXPECT_FALSE(mics[0].usb);
    EXPECT_EQ(mics[1].name, "USB Headset");
    EXPECT_TRUE(mics[1].usb);
}

TEST(CameraAudioReader, DiscoveryByType)
{
    const LinuxCaptureDevices capture(laptop, noPortal());
    struct Case {
        const char* name;
        QList<T> types;
        CaptureMedia media;
        QList<CaptureDevice> expected;
    };
    const QList<Case> cases = {
        {"current camera types", {T::BuiltInWideAngleCamera, T::External, T::ContinuityCamera, T::DeskViewCamera}, CaptureMedia::Video,
         {{"Integrated Camera: Integrated C", T::BuiltInWideAngleCamera}, {"USB Webcam HD", T::External}}},
        {"older camera types", {T::BuiltInWideAngleCamera, T::ExternalUnknown, T::DeskViewCamera}, CaptureMedia::Video,
         {{"Integrated Camera: Integrated C", T::BuiltInWideAngleCamera}, {"USB Webcam HD", T::External}}},
        {"built-in only", {T::BuiltInWideAngleCamera}, CaptureMedia::Video, {{"Integrated Camera: Integrated C", T::BuiltInWideAngleCamera}}},
        {"microphones", {T::Microphone}, CaptureMedia::Audio, {{"HDA Intel PCH", T::Microphone}, {"USB Headset", T::Microphone}}},
        {"older microphone types", {T::BuiltInMicrophone}, CaptureMedia::Audio, {{"HDA Intel PCH", T::BuiltInMicrophone}}},
        {"cameras are not audio", {T::External}, CaptureMedia::Audio, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(capture.devices(c.types, c.media), c.expected) << c.name;
}

TEST(CameraAudioReader, VmAndGarbageTrees)
{
    const LinuxCaptureDevices vm(QStringLiteral(QRL_FIXTURES_DIR "/sb-vm"), noPortal());
    EXPECT_TRUE(vm.cameras().isEmpty());
    EXPECT_TRUE(vm.microphones().isEmpty());
    EXPECT_EQ(vm.cameraAuthorization(), CameraAuthorization::Unknown);

    // Garbage: the udev record is unreadable and the index is no number, so the node counts
    // as a picture stream; its name loses its control characters and the device name that
    // leaves the device folder is not followed.
    const LinuxCaptureDevices garbage(QStringLiteral(QRL_FIXTURES_DIR "/sb-garbage"),
                                      [](const QString&) -> std::optional<QStringList> { return QStringList{"yes"}; });
    const QList<V4lCamera> cameras = garbage.cameras();
    ASSERT_EQ(cameras.size(), 1);
    EXPECT_EQ(cameras[0].name, "Camera[31m");
    EXPECT_TRUE(cameras[0].node.endsWith("/dev/video0"));
    const QList<AlsaCapture> mics = garbage.microphones();
    ASSERT_EQ(mics.size(), 1);
    EXPECT_FALSE(mics[0].name.isEmpty());
    // A damaged sandbox record has no app id to ask for.
    EXPECT_EQ(garbage.flatpakAppId(), QString());
    EXPECT_EQ(garbage.cameraAuthorization(), CameraAuthorization::Unknown);
}

TEST(CameraAudioReader, PermissionInsideFlatpakIsThePortalsAnswer)
{
    struct Case {
        std::optional<QStringList> answer;
        CameraAuthorization expected;
    };
    const Case cases[] = {
        {QStringList{"yes"}, CameraAuthorization::Authorized}, {QStringList{"no"}, CameraAuthorization::Denied},
        {QStringList{"ask"}, CameraAuthorization::NotDetermined}, {QStringList{}, CameraAuthorization::NotDetermined},
        {QStringList{"perhaps"}, CameraAuthorization::Unknown}, {std::nullopt, CameraAuthorization::Unknown},
    };
    for (const Case& c : cases) {
        QString askedFor;
        const LinuxCaptureDevices capture(QStringLiteral(QRL_FIXTURES_DIR "/sb-flatpak"), [&](const QString& app) {
            askedFor = app;
            return c.answer;
        });
        EXPECT_EQ(capture.cameraAuthorization(), c.expected);
        EXPECT_EQ(askedFor, "com.example.Quorlent");
    }
}

TEST(CameraAudioReader, PermissionOutsideASandboxIsAccessToTheNodes)
{
    EXPECT_EQ(LinuxCaptureDevices::fromDeviceAccess({}), CameraAuthorization::Unknown);
    EXPECT_EQ(LinuxCaptureDevices::fromDeviceAccess({false}), CameraAuthorization::Denied);
    EXPECT_EQ(LinuxCaptureDevices::fromDeviceAccess({false, true}), CameraAuthorization::Authorized);
    // The fixture's nodes are plain files this process may open.
    EXPECT_EQ(LinuxCaptureDevices(laptop, noPortal()).cameraAuthorization(), CameraAuthorization::Authorized);
}

TEST(CameraAudioReader, ThisMachine)
{
    const LinuxCaptureDevices capture;
    for (const V4lCamera& c : capture.cameras()) EXPECT_FALSE(c.name.isEmpty());
    for (const AlsaCapture& a : capture.microphones()) EXPECT_FALSE(a.name.isEmpty());
    if (capture.cameras().isEmpty() && !capture.flatpakAppId()) {
        EXPECT_EQ(capture.cameraAuthorization(), CameraAuthorization::Unknown);
    }
}

}  // namespace
