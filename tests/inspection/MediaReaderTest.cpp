#include "inspection/DeviceProbe.h"
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
