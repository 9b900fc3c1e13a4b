#include "shell/FontconfigWarmup.h"

#include "ui/Symbols.h"
#include "ui/TextFamily.h"

#include <QFontDatabase>

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

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

// The application's own faces are registered before the font list is filled (a face registered
// later would empty the fonts loaded by then), the main thread goes on as soon as they are,
// without waiting for the list, and the end waits for the list: nothing of Qt's may still run
// on the worker once the application object is gone.
TEST(FontListWarmup, RegistersFirstLetsTheMainThreadOnThenAndWaitsForTheListAtItsEnd)
{
    std::mutex mutex;
    std::condition_variable fillMayEnd;
    bool released = false;
    std::vector<std::string> steps;
    std::atomic<bool> filled = false;
    FontconfigWarmup fonts;
    {
        FontListWarmup list(
            fonts,
            [&] {
                const std::lock_guard lock(mutex);
                steps.push_back("register");
            },
            [&] {
                std::unique_lock lock(mutex);
                steps.push_back("fill");
                fillMayEnd.wait(lock, [&] { return released; });
                filled = true;
            });
        list.waitForRegistered();
        {
            const std::lock_guard lock(mutex);
            ASSERT_FALSE(steps.empty());
            EXPECT_EQ(steps.front(), "register");
        }
        EXPECT_FALSE(filled);  // the fill is held: waitForRegistered did not wait for it
        {
            const std::lock_guard lock(mutex);
            released = true;
        }
        fillMayEnd.notify_all();
    }
    EXPECT_TRUE(filled);
    EXPECT_EQ(steps, (std::vector<std::string>{"register", "fill"}));
}

// With the application's real steps, run on the worker: the main thread then finds the symbols'
// face among the families and the text family chosen, as if it had done both itself.
TEST(FontListWarmup, WithTheApplicationsStepsTheMainThreadFindsTheFacesListed)
{
    FontconfigWarmup fonts;
    {
        FontListWarmup list(fonts, &Symbols::loadedFamily, &TextFamily::family);
        list.waitForRegistered();
    }
    const QStringList families = QFontDatabase::families();
    EXPECT_TRUE(families.contains(TextFamily::family()) || TextFamily::family() == QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    if (!Symbols::loadedFamily().isEmpty()) {
        EXPECT_TRUE(families.contains(Symbols::loadedFamily()));
    }
    EXPECT_FALSE(families.isEmpty());
}
