#include "inspection/DeviceProbe.h"
#include "platform/linux/Edid.h"
#include "platform/linux/LinuxDisplays.h"

#include <QFile>

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

QByteArray blob(const char* name)
{
    QFile f(QStringLiteral(QRL_FIXTURES_DIR "/sb-edid/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

// Recomputes a block's checksum after a test changed bytes in it.
void reseal(QByteArray& b, int block)
{
    quint8 sum = 0;
    for (int i = block * 128; i < block * 128 + 127; ++i) sum = quint8(sum + quint8(b[i]));
    b[block * 128 + 127] = char(quint8(-sum));
}

TEST(DisplaysEdid, FixtureBlobs)
{
    struct Case {
        const char* file;
        EdidInfo expected;
    };
    const Case cases[] = {
        {"laptop-panel.bin", {"LGD", "", 1920, 1080, 60, false, 60, 34}},
        {"monitor-144hz-hdr.bin", {"QXD", "QX27 Gaming", 2560, 1440, 144, true, 60, 34}},
        {"tv-4k120-vic.bin", {"TVX", "Lounge TV", 3840, 2160, 120, true, 60, 34}},          // VIC 118, HLG
        {"monitor-60hz-lowres75.bin", {"OFC", "Office 24", 1920, 1080, 60, false, 60, 34}},      // 1024×768 @ 75 is not native
        {"monitor-displayid-240.bin", {"GMR", "Rapid 240", 2560, 1440, 240, false, 60, 34}},
    };
    for (const Case& c : cases) {
        const auto info = Edid::parse(blob(c.file));
        ASSERT_TRUE(info) << c.file;
        EXPECT_EQ(*info, c.expected) << c.file << ": " << info->manufacturer.toStdString() << " / " << info->name.toStdString()
                                     << " / " << info->maxRefreshHz.value_or(-1);
    }
}

TEST(DisplaysEdid, WhatIsNotAnEdidIsRefused)
{
    const QByteArray good = blob("monitor-144hz-hdr.bin");
    QByteArray badChecksum = good;
    badChecksum[20] = char(badChecksum[20] ^ 0x01);
    QByteArray badHeader = good;
    badHeader[0] = 1;
    reseal(badHeader, 0);
    const QList<QPair<const char*, QByteArray>> cases = {
        {"garbage", blob("garbage.bin")}, {"empty", QByteArray()}, {"truncated", good.left(127)},
        {"bad checksum", badChecksum}, {"bad header", badHeader}, {"zeros", QByteArray(256, '\0')},
    };
    for (const auto& [name, bytes] : cases) EXPECT_FALSE(Edid::parse(bytes)) << name;
}

TEST(DisplaysEdid, DamagedOrMissingExtensionsAreSkipped)
{
    const QByteArray good = blob("monitor-144hz-hdr.bin");
    QByteArray damaged = good;
    damaged[128 + 10] = char(damaged[128 + 10] ^ 0x40);  // extension checksum now wrong
    auto info = Edid::parse(damaged);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->hdr);
    EXPECT_EQ(info->maxRefreshHz, 144);  // the base block still counts

    // The base block announces more extensions than the blob holds.
    QByteArray cut = good.left(128);
    cut[126] = 3;
    reseal(cut, 0);
    info = Edid::parse(cut);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "QX27 Gaming");

    // A data block that claims to run past its block ends the walk, nothing more.
    QByteArray overrun = good;
    overrun[128 + 4] = char(0x40 | 31);
    reseal(overrun, 1);
    EXPECT_TRUE(Edid::parse(overrun));

    // A native mode whose pixel clock gives a fraction of a hertz is no refresh rate.
    QByteArray slow = blob("laptop-panel.bin");
    slow[54] = 1;
    slow[55] = 0;
    reseal(slow, 0);
    info = Edid::parse(slow);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->preferredWidth, 1920);
    EXPECT_FALSE(info->maxRefreshHz);
}

TEST(DisplaysEdid, NamesAreCleanedDeviceText)
{
    const QList<QPair<QByteArray, QString>> cases = {
        {QByteArray("  QX27 Gaming\n   "), "QX27 Gaming"},
        {QByteArray("Evil\x1b[31mName\x07\n"), "Evil[31mName"},
        {QByteArray("Tab\tbed\r"), "Tabbed"},
        {QByteArray("Caf\xe9 \x85", 7), "Caf\u00e9"},
        {QByteArray("Cut\0After", 9), "Cut"},
        {QByteArray("\n"), ""},
    };
    for (const auto& [raw, expected] : cases) EXPECT_EQ(Edid::cleanText(raw), expected);

    // Through the parser: a name descriptor holding control characters.
    QByteArray b = blob("monitor-144hz-hdr.bin");
    const int name = b.indexOf(QByteArray("QX27 Gaming"));
    ASSERT_GT(name, 0);
    b[name + 2] = '\x01';
    reseal(b, 0);
    EXPECT_EQ(Edid::parse(b)->name, "QX7 Gaming");
}

TEST(DisplaysReader, ConnectorsOfTheLaptopTree)
{
    const LinuxDisplays displays(QStringLiteral(QRL_FIXTURES_DIR "/sb-laptop"));
    const QList<DrmConnector> connectors = displays.connectors();
    ASSERT_EQ(connectors.size(), 2);  // the disconnected HDMI port is left out
    EXPECT_EQ(connectors[0].name, "eDP-1");
    ASSERT_TRUE(connectors[0].edid);
    EXPECT_EQ(connectors[0].edid->maxRefreshHz, 60);
    EXPECT_EQ(connectors[1].name, "DP-1");
    ASSERT_TRUE(connectors[1].edid);
    EXPECT_TRUE(connectors[1].edid->hdr);
}

TEST(DisplaysReader, VmAndGarbageTrees)
{
    EXPECT_TRUE(LinuxDisplays(QStringLiteral(QRL_FIXTURES_DIR "/sb-vm")).connectors().isEmpty());
    EXPECT_TRUE(LinuxDisplays(QStringLiteral(QRL_FIXTURES_DIR "/no-such-tree")).connectors().isEmpty());
    const QList<DrmConnector> garbage = LinuxDisplays(QStringLiteral(QRL_FIXTURES_DIR "/sb-garbage")).connectors();
    ASSERT_EQ(garbage.size(), 1);
    EXPECT_FALSE(garbage[0].edid);  // kept as a connector, without a reading
}

TEST(DisplaysReader, ScreensAreMatchedToConnectors)
{
    EdidInfo panel{"LGD", "", 1920, 1080, 60, false};
    EdidInfo monitor{"QXD", "QX27 Gaming", 2560, 1440, 144, true};
    const QList<DrmConnector> connectors = {{"eDP-1", panel}, {"DP-1", monitor}, {"HDMI-A-2", std::nullopt}};
    struct Case {
        const char* name;
        QList<QtScreenFacts> screens;
        QList<ScreenInfo> expected;
    };
    const QList<Case> cases = {
        {"by output name, as X11 and Wayland spell them",
         {{"eDP1", "", 1280, 720, 1.5, 59.98}, {"DP-1", "QX27 Gaming", 2560, 1440, 1, 60}},
         {{"eDP1", 1280, 720, 1.5, true, 60, 1.0}, {"QX27 Gaming", 2560, 1440, 1, false, 144, 2.0}}},
        {"by monitor name when the output names differ",
         {{"DisplayPort-0", "QX27 Gaming", 2560, 1440, 1, 60}},
         {{"QX27 Gaming", 2560, 1440, 1, false, 144, 2.0}}},
        {"no EDID: Qt's refresh rate, rounded, and the model name",
         {{"HDMI-A-2", "Projector\x01", 1920, 1080, 1, 74.97}},
         {{"Projector", 1920, 1080, 1, false, 75, 1.0}}},
        {"unmatched screen keeps what Qt says; an embedded output name still marks it built-in",
         {{"DSI-1", "", 800, 1280, 1, 0}},
         {{"DSI-1", 800, 1280, 1, true, 0, 1.0}}},
    };
    for (const Case& c : cases) EXPECT_EQ(LinuxDisplays::combine(c.screens, connectors), c.expected) << c.name;

    // One screen, one connector, no common name: they are the same display.
    const QList<ScreenInfo> single = LinuxDisplays::combine({{"default", "", 1920, 1080, 1, 60}}, {{"eDP-1", panel}});
    ASSERT_EQ(single.size(), 1);
    EXPECT_TRUE(single[0].isBuiltIn);
}

TEST(DisplaysReader, PixelSizeAtAFractionalScaleIsTheNativeMode)
{
    struct Case {
        const char* name;
        int nativeWidth, nativeHeight;  // the EDID's preferred mode
        QtScreenFacts screen;           // Qt's size is rounded to whole device-independent pixels
        QString resolution;
    };
    const Case cases[] = {
        {"1366 × 768 at 125 %", 1366, 768, {"eDP-1", "", 1093, 614, 1.25, 60}, "1366 × 768 @1.25x"},
        {"1920 × 1080 at 175 %", 1920, 1080, {"eDP-1", "", 1097, 617, 1.75, 60}, "1920 × 1080 @1.75x"},
        {"turned to portrait", 1920, 1080, {"eDP-1", "", 617, 1097, 1.75, 60}, "1080 × 1920 @1.75x"},
        {"running a lower mode", 2560, 1440, {"eDP-1", "", 1280, 720, 1, 60}, "1280 × 720 @1x"},
    };
    for (const Case& c : cases) {
        const EdidInfo edid{"LGD", "", c.nativeWidth, c.nativeHeight, 60, false};
        FakeMachine m = FakeMachine::linuxPC();
        m.displays.list = LinuxDisplays::combine({c.screen}, {{"eDP-1", edid}});
        const Platform p = m.platform();
        const CapabilitySection section = DeviceProbe::displaysSection(ProbeContext{p, Localization::english()});
        ASSERT_EQ(section.items.size(), 4) << c.name;
        EXPECT_EQ(section.items[1].value, c.resolution) << c.name;
    }
}

TEST(DisplaysReader, BuiltInConnectors)
{
    for (const char* name : {"eDP-1", "LVDS-1", "DSI-1", "edp1"}) EXPECT_TRUE(LinuxDisplays::isBuiltInConnector(name)) << name;
    for (const char* name : {"HDMI-A-1", "DP-2", "VGA-1", "Virtual-1", ""}) EXPECT_FALSE(LinuxDisplays::isBuiltInConnector(name)) << name;
}

TEST(DisplaysReader, ThisMachine)
{
    // The tests run on Qt's offscreen platform, which has no real screen.
    EXPECT_TRUE(LinuxDisplays().screens().isEmpty());
    for (const DrmConnector& c : LinuxDisplays().connectors()) EXPECT_FALSE(c.name.isEmpty());
}

}  // namespace
