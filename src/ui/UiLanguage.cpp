#include "ui/UiLanguage.h"

namespace UiLanguage {
namespace {
Provider& provider()
{
    static Provider p;
    return p;
}
}  // namespace

void setProvider(Provider p) { provider() = std::move(p); }

Localization current() { return provider() ? provider()() : Localization::english(); }

Override::Override(Localization localization) : previous_(provider())
{
    provider() = [localization] { return localization; };
}

Override::~Override() { provider() = std::move(previous_); }
}  // namespace UiLanguage
