#include "platform/Clipboard.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"

#include <QClipboard>
#include <QGuiApplication>

const Platform& Platform::host()
{
    static const LinuxPlatform machine;
    return machine.platform();
}

namespace {
class QtClipboard : public Clipboard {
public:
    void clear() override
    {
        if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) app->clipboard()->clear();
    }
    void setText(const QString& text) override
    {
        if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) app->clipboard()->setText(text);
    }
};
}  // namespace

Clipboard& Clipboard::system()
{
    static QtClipboard clipboard;
    return clipboard;
}
