#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"
#include "support/SectionsBRows.h"

#include <gtest/gtest.h>

namespace {

using S = CapabilityStatus;

quint32 cc(const char* text) { return DeviceProbe::fourCC(QString::fromLatin1(text)); }

QList<Row> mediaRows(const VideoCodecSupport& support, const Localization& L = Localization::english())
{
    FakeMachine m = FakeMachine::appleSilicon();
    m.video.value = support;
    const Platform p = m.platform();
    return rowsOf(DeviceProbe::mediaSection(ProbeContext{p, L}));
}

TEST(MediaSection, NothingInHardwareIsSoftwareOnlyEverywhere)
{
    for (const VideoCodecSupport& none : {VideoCodecSupport{{}, QList<VideoEncoderEntry>{}}, VideoCodecSupport{{}, std::nullopt}}) {
        EXPECT_EQ(mediaRows(none), (QList<Row>{
                                       {"H.264", "Software only", S::unsupported, "codec.H.264"},
                                       {"HEVC (H.265)", "Software only", S::unsupported, "codec.HEVC (H.265)"},
                                       {"ProRes", "Software only", S::unsupported, "codec.ProRes"},
                                       {"AV1", "Software only", S::unsupported, "codec.AV1"},
                                       {"VP9", "Software only", S::unsupported, "codec.VP9"},
                                       {"HEVC with alpha", "Not supported", S::unsupported, "hevcAlpha"},
                                   }));
    }
}

TEST(MediaSection, EachDecodeAndEncodeCombination)
{
    struct Case {
        bool decode, encode, encoderIsHardware;
        QString value;
        S status;
    };
    const Case cases[] = {
        {true, true, true, "Decode + encode", S::supported},
        {true, false, true, "Decode only", S::supported},
        {false, true, true, "Encode only", S::supported},
        {false, false, true, "Software only", S::unsupported},
        {true, true, false, "Decode only", S::supported},  // a software encoder does not count
        {false, true, false, "Software only", S::unsupported},
    };
    const char* codes[] = {"avc1", "hvc1", "apcn", "av01", "vp09"};
    for (int codec = 0; codec < 5; ++codec) {
        for (const Case& c : cases) {
            VideoCodecSupport s{{}, QList<VideoEncoderEntry>{}};
            if (c.decode) s.hardwareDecoders.insert(cc(codes[codec]));
            if (c.encode) s.encoders->append({cc(codes[codec]), c.encoderIsHardware});
            const QList<Row> rows = mediaRows(s);
            ASSERT_EQ(rows.size(), 6);
            for (int i = 0; i < 5; ++i) {
                const bool self = i == codec;
                EXPECT_EQ(rows[i].value, self ? c.value : "Software only") << codes[codec] << " row " << i;
                EXPECT_EQ(rows[i].status, self ? c.status : S::unsupported) << codes[codec] << " row " << i;
            }
        }
    }
}

TEST(MediaSection, HevcWithAlphaIsTheMuxaEncoder)
{
    VideoCodecSupport s{{cc("muxa")}, QList<VideoEncoderEntry>{}};  // decoding is not asked for this row
    EXPECT_EQ(mediaRows(s).last(), (Row{"HEVC with alpha", "Not supported", S::unsupported, "hevcAlpha"}));
    s.encoders->append({cc("muxa"), true});
    EXPECT_EQ(mediaRows(s).last(), (Row{"HEVC with alpha", "Hardware encode", S::supported, "hevcAlpha"}));
}

TEST(MediaSection, CodecNamesStayInEveryLanguage)
{
    const QList<Row> rows = mediaRows({{}, QList<VideoEncoderEntry>{}}, Localization::forCode("ja", "ja_JP"));
    QStringList labels;
    for (int i = 0; i < 5; ++i) labels << rows[i].label;
    EXPECT_EQ(labels, (QStringList{"H.264", "HEVC (H.265)", "ProRes", "AV1", "VP9"}));
}

}  // namespace
