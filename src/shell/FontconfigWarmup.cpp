#include "shell/FontconfigWarmup.h"

#include <fontconfig/fontconfig.h>

FontconfigWarmup::FontconfigWarmup() : worker_([] { FcInit(); }) {}

FontconfigWarmup::~FontconfigWarmup() { wait(); }

void FontconfigWarmup::wait()
{
    if (worker_.joinable()) worker_.join();
}
