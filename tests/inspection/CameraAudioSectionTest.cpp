#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"
#include "support/SectionsBRows.h"

#include <gtest/gtest.h>

namespace {

using S = CapabilityStatus;
using T = CaptureDeviceType;

QList<Row> captureRows(const FakeMachine& m)
{
    const Platform p = m.platform();
    return rowsOf(DeviceProbe::cameraAudioSection(ProbeContext{p, Localization::english()}));
}

TEST(CameraAudioSection, NoDevicesGiveTwoNoneRowsAndThePermission)
{
    FakeMachine m = FakeMachine::linuxPC();
    EXPECT_EQ(captureRows(m), (QList<Row>{
                                  {"Camera", "None", S::unsupported, "camera"},
                                  {"Microphone", "None", S::unsupported, "microphone"},
                                  {"Camera permission", "Not requested yet", S::info, "cameraPermission"},
                              }));
}

TEST(CameraAudioSection, DevicesAreListedInDiscoveryOrderUnderOneKey)
{
    FakeMachine m = FakeMachine::appleSilicon();
    m.capture.cameras = {{"FaceTime HD Camera", T::BuiltInWideAngleCamera}, {"Studio Display Camera", T::External}};
    m.capture.microphones = {{"USB Headset", T::Microphone}};
    m.capture.authorization = CameraAuthorization::Authorized;
    EXPECT_EQ(captureRows(m), (QList<Row>{
                                  {"Camera", "FaceTime HD Camera", S::supported, "camera"},
                                  {"Camera", "Studio Display Camera", S::supported, "camera"},
                                  {"Microphone", "USB Headset", S::supported, "microphone"},
                                  {"Camera permission", "Allowed", S::info, "cameraPermission"},
                              }));
}

TEST(CameraAudioSection, PermissionWords)
{
    const QList<QPair<CameraAuthorization, QString>> cases = {
        {CameraAuthorization::NotDetermined, "Not requested yet"}, {CameraAuthorization::Restricted, "Restricted"},
        {CameraAuthorization::Denied, "Denied"}, {CameraAuthorization::Authorized, "Allowed"},
        {CameraAuthorization::Unknown, "Unknown"}, {CameraAuthorization(7), "Unknown"}};
    for (const auto& [status, text] : cases) {
        FakeMachine m = FakeMachine::linuxPC();
        m.capture.authorization = status;
        EXPECT_EQ(captureRows(m).last(), (Row{"Camera permission", text, S::info, "cameraPermission"}));
    }
}

TEST(CameraAudioSection, TheSystemVersionPicksTheDeviceTypes)
{
    struct Case {
        QString os;
        int major;
        QList<T> cameras, microphones;
    };
    const QList<T> current{T::BuiltInWideAngleCamera, T::External, T::ContinuityCamera, T::DeskViewCamera};
    const QList<T> older{T::BuiltInWideAngleCamera, T::ExternalUnknown, T::DeskViewCamera};
    const QList<Case> cases = {
        {"macOS", 13, older, {T::BuiltInMicrophone, T::ExternalUnknown}},
        {"macOS", 14, current, {T::Microphone}},
        {"Debian GNU/Linux", 0, current, {T::Microphone}},
    };
    for (const Case& c : cases) {
        FakeMachine m = FakeMachine::linuxPC();
        m.system.os = OperatingSystem{c.os, c.major, 0, 0, {}};
        m.capture.cameras = {{"Continuity", T::ContinuityCamera}};
        captureRows(m);
        ASSERT_EQ(m.capture.asked.size(), 2);
        EXPECT_EQ(m.capture.asked[0], c.cameras) << c.major;
        EXPECT_EQ(m.capture.asked[1], c.microphones) << c.major;
        EXPECT_EQ(captureRows(m).first().value, c.major == 13 ? "None" : "Continuity");
    }
}

}  // namespace
