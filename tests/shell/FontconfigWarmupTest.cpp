#include "shell/FontconfigWarmup.h"

#include <fontconfig/fontconfig.h>

#include <gtest/gtest.h>

// Left without a wait (a second copy of the application that forwards and ends at once), the
// worker is still waited for: a thread left joinable at destruction would end the process.
TEST(FontconfigWarmup, GoneWithoutAWaitStillWaitsForItsWorker)
{
    { FontconfigWarmup fonts; }
    SUCCEED();
}

TEST(FontconfigWarmup, AfterTheWaitTheConfigurationIsLoadedAndAWaitAgainReturns)
{
    FontconfigWarmup fonts;
    fonts.wait();
    fonts.wait();
    // The loaded configuration is the process's: a font list from it finds fonts.
    FcPattern* any = FcPatternCreate();
    FcObjectSet* family = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, any, family);
    ASSERT_NE(set, nullptr);
    EXPECT_GT(set->nfont, 0);
    FcFontSetDestroy(set);
    FcObjectSetDestroy(family);
    FcPatternDestroy(any);
}
