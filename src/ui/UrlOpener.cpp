#include "ui/UrlOpener.h"

#include <QDesktopServices>

namespace UrlOpener {
Function desktop()
{
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}
}  // namespace UrlOpener
