#include "inspection/DeviceProbe.h"
#include "support/FakePlatform.h"
#include "support/SectionsBRows.h"

#include <gtest/gtest.h>

namespace {

using S = CapabilityStatus;

ScreenInfo screen(QString name, double w, double h, double scale, int hz, double edr, bool builtIn = false)
{
    return ScreenInfo{std::move(name), w, h, scale, builtIn, hz, edr};
}

QList<Row> displayRows(const QList<ScreenInfo>& screens)
{
    FakeMachine m = FakeMachine::appleSilicon();
    m.displays.list = screens;
    const Platform p = m.platform();
    return rowsOf(DeviceProbe::displaysSection(ProbeContext{p, Localization::english()}));
}

TEST(DisplaysSection, NoScreenIsOneWarningRow)
{
    EXPECT_EQ(displayRows({}), (QList<Row>{{"Displays", "None", S::warning, "displays"}}));
}

TEST(DisplaysSection, OneBuiltInScreenHasNoSuffix)
{
    EXPECT_EQ(displayRows({screen("Built-in Retina Display", 1512, 982, 2, 60, 16, true)}),
              (QList<Row>{
                  {"Display", "Built-in Retina Display (Built-in)", S::info, "display.1"},
                  {"Resolution", "3024 × 1964 @2x", S::info, "display.1.resolution"},
                  {"Refresh rate", "60 Hz", S::info, "display.1.refreshRate"},
                  {"HDR / EDR", "Supported", S::supported, "display.1.hdr"},
              }));
}

TEST(DisplaysSection, TwoScreensAreNumberedAfterTheBaseLabel)
{
    const QList<Row> rows = displayRows({screen("eDP-1", 1280, 800, 1.5, 120, 1.0, true), screen("QX27 Gaming", 2560, 1440, 1, 144, 2)});
    EXPECT_EQ(rows, (QList<Row>{
                        {"Display (1)", "eDP-1 (Built-in)", S::info, "display.1"},
                        {"Resolution (1)", "1920 × 1200 @1.5x", S::info, "display.1.resolution"},
                        {"Refresh rate (1)", "120 Hz", S::supported, "display.1.refreshRate"},
                        {"HDR / EDR (1)", "Not supported", S::unsupported, "display.1.hdr"},
                        {"Display (2)", "QX27 Gaming", S::info, "display.2"},
                        {"Resolution (2)", "2560 × 1440 @1x", S::info, "display.2.resolution"},
                        {"Refresh rate (2)", "144 Hz", S::supported, "display.2.refreshRate"},
                        {"HDR / EDR (2)", "Supported", S::supported, "display.2.hdr"},
                    }));
}

TEST(DisplaysSection, ResolutionTruncatesAndKeepsFractionalScales)
{
    struct Case {
        double w, h, scale;
        QString expected;
    };
    const Case cases[] = {
        {1707, 1067, 1.5, "2560 × 1600 @1.5x"},  // 2560.5 × 1600.5
        {1536, 864, 1.25, "1920 × 1080 @1.25x"},
        {1920, 1080, 1, "1920 × 1080 @1x"},
        {1440.9, 900.9, 2, "2881 × 1801 @2x"},
        {634 / 1.1, 400, 1.1, "634 × 440 @1.1x"},  // 633.99999… is 634, not 633
    };
    for (const Case& c : cases) {
        const QList<Row> rows = displayRows({screen("Screen", c.w, c.h, c.scale, 60, 1)});
        ASSERT_EQ(rows.size(), 4);
        EXPECT_EQ(rows[1].value, c.expected);
    }
}

TEST(DisplaysSection, RefreshAbove60AndHeadroomAbove1AreRated)
{
    struct Case {
        int hz;
        double edr;
        S refresh, hdr;
    };
    const Case cases[] = {{60, 1.0, S::info, S::unsupported}, {61, 1.0001, S::supported, S::supported},
                          {59, 0.5, S::info, S::unsupported}, {0, 1.0, S::info, S::unsupported}};
    for (const Case& c : cases) {
        const QList<Row> rows = displayRows({screen("Screen", 100, 100, 1, c.hz, c.edr)});
        EXPECT_EQ(rows[2].status, c.refresh) << c.hz;
        EXPECT_EQ(rows[3].status, c.hdr) << c.edr;
    }
}

}  // namespace
