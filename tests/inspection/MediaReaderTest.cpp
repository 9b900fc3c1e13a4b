#include "inspection/DeviceProbe.h"
#include "platform/linux/LinuxVaApi.h"
#include "platform/linux/LinuxVideoCodecs.h"

#include <va/va.h>

#include <gtest/gtest.h>

namespace {

quint32 cc(const char* text) { return DeviceProbe::fourCC(QString::fromLatin1(text)); }

TEST(MediaReader, ProfilesBecomeCodecs)
{
    const QList<VaProfileEntrypoints> profiles = {
        {VAProfileH264High, {VAEntrypointVLD, VAEntrypointEncSliceLP}},
        {VAProfileHEVCMain10, {VAEntrypointVLD}},
        {VAProfileHEVCMain, {VAEntrypointEncSlice}},   // encode from another profile of the codec
        {VAProfileVP9Profile0, {VAEntrypointVLD}},
        {VAProfileAV1Profile0, {VAEntrypointEncPicture}},  // neither decode nor slice encode
        {VAProfileJPEGBaseline, {VAEntrypointVLD, VAEntrypointEncPicture}},
        {VAProfileNone, {VAEntrypointVideoProc}},
    };
    const VideoCodecSupport s = LinuxVideoCodecs::fromProfiles(profiles);
    EXPECT_EQ(s.hardwareDecoders, (QSet<quint32>{cc("avc1"), cc("hvc1"), cc("vp09")}));
    ASSERT_TRUE(s.encoders);
    EXPECT_EQ(*s.encoders, (QList<VideoEncoderEntry>{{cc("avc1"), true}, {cc("hvc1"), true}}));
}

TEST(MediaReader, NoProfilesNothingInHardware)
{
    const VideoCodecSupport s = LinuxVideoCodecs::fromProfiles({});
    EXPECT_TRUE(s.hardwareDecoders.isEmpty());
    EXPECT_EQ(s.encoders, QList<VideoEncoderEntry>{});
}

TEST(MediaReader, TreesWithoutAUsableRenderNode)
{
    struct Case {
        const char* tree;
        QString node;
    };
    const Case cases[] = {{"sb-laptop", "renderD128"}, {"sb-vm", ""}, {"sb-garbage", "renderD128"}, {"no-such-tree", ""}};
    for (const Case& c : cases) {
        const LinuxVideoCodecs video(QStringLiteral(QRL_FIXTURES_DIR "/") + QString::fromLatin1(c.tree));
        EXPECT_EQ(video.firstRenderNode(), c.node) << c.tree;
        // The fixture trees have no device behind the node name: nothing in hardware.
        EXPECT_EQ(video.support(), (VideoCodecSupport{{}, QList<VideoEncoderEntry>{}})) << c.tree;
    }
    EXPECT_FALSE(LinuxVideoCodecs::queryProfiles(QStringLiteral(QRL_FIXTURES_DIR "/sb-laptop/dev/video0")));
}

// A scripted VA library: which call fails, and how often a display was made and ended.
struct FakeVa {
    bool noDisplay = false;
    bool initFails = false;
    bool profilesFail = false;
    int reportedProfiles = 1;  // what the driver claims to have written
    int displays = 0;
    int terminated = 0;
};
FakeVa fakeVa;
int fakeDisplay;

VaApi scriptedVa()
{
    VaApi a;
    a.getDisplayDrm = [](int) -> VADisplay {
        if (fakeVa.noDisplay) return nullptr;
        ++fakeVa.displays;
        return &fakeDisplay;
    };
    a.initialize = [](VADisplay, int*, int*) -> VAStatus { return fakeVa.initFails ? VA_STATUS_ERROR_UNKNOWN : VA_STATUS_SUCCESS; };
    a.terminate = [](VADisplay) -> VAStatus {
        ++fakeVa.terminated;
        return VA_STATUS_SUCCESS;
    };
    a.maxProfiles = [](VADisplay) { return 2; };
    a.maxEntrypoints = [](VADisplay) { return 2; };
    a.queryProfiles = [](VADisplay, VAProfile* list, int* n) -> VAStatus {
        if (fakeVa.profilesFail) return VA_STATUS_ERROR_UNKNOWN;
        list[0] = VAProfileH264High;
        list[1] = VAProfileVP9Profile0;
        *n = fakeVa.reportedProfiles;
        return VA_STATUS_SUCCESS;
    };
    a.queryEntrypoints = [](VADisplay, VAProfile, VAEntrypoint* list, int* n) -> VAStatus {
        list[0] = VAEntrypointVLD;
        *n = 1;
        return VA_STATUS_SUCCESS;
    };
    return a;
}

TEST(MediaReader, EveryDisplayMadeIsTerminated)
{
    struct Case {
        const char* name;
        FakeVa script;
        std::optional<qsizetype> profiles;  // absent: no answer
    };
    const Case cases[] = {
        {"driver starts", {}, 1},
        {"driver does not start", {.initFails = true}, std::nullopt},
        {"profiles cannot be listed", {.profilesFail = true}, std::nullopt},
        {"driver claims more profiles than room", {.reportedProfiles = 99}, 2},
        {"no display for the descriptor", {.noDisplay = true}, std::nullopt},
    };
    for (const Case& c : cases) {
        fakeVa = c.script;
        const auto result = LinuxVideoCodecs::queryDisplay(scriptedVa(), -1);
        EXPECT_EQ(result ? std::optional<qsizetype>(result->size()) : std::nullopt, c.profiles) << c.name;
        EXPECT_EQ(fakeVa.terminated, fakeVa.displays) << c.name;
    }
    // Entry points missing from the library: nothing is called.
    VaApi partial = scriptedVa();
    partial.terminate = nullptr;
    fakeVa = {};
    EXPECT_FALSE(LinuxVideoCodecs::queryDisplay(partial, -1));
    EXPECT_EQ(fakeVa.displays, 0);
}

TEST(MediaReader, ThisMachine)
{
    const VideoCodecSupport s = LinuxVideoCodecs().support();
    ASSERT_TRUE(s.encoders);
    if (LinuxVideoCodecs().firstRenderNode().isEmpty()) {
        EXPECT_TRUE(s.hardwareDecoders.isEmpty());
        EXPECT_TRUE(s.encoders->isEmpty());
    }
}

}  // namespace
