#pragma once

#include <QUrl>

#include <functional>

// Where web and mail addresses go: the desktop's handler unless a test records instead.
namespace UrlOpener {
using Function = std::function<void(const QUrl&)>;
Function desktop();
}  // namespace UrlOpener
