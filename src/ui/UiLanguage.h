#pragma once

#include "platform/i18n/Localization.h"

#include <functional>

// The interface language as the shared widgets and formatters see it. The language
// manager lives above this layer, so the application installs a provider at start-up
// (LanguageManager::shared().localization()); until then, English. Widgets read it when
// they build or paint their own texts; callers may also pass a Localization explicitly.
namespace UiLanguage {
using Provider = std::function<Localization()>;
void setProvider(Provider provider);
Localization current();

// Replaces the provider for a scope (tests, rendering a page in a given language).
class Override {
public:
    explicit Override(Localization localization);
    ~Override();
    Override(const Override&) = delete;
    Override& operator=(const Override&) = delete;

private:
    Provider previous_;
};
}  // namespace UiLanguage
