#include "platform/Clipboard.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxNetworkInterfaces.h"
#include "platform/linux/LinuxPowerMode.h"
#include "platform/linux/LinuxPowerSources.h"
#include "platform/linux/LinuxSecurityFacts.h"
#include "platform/linux/LinuxSystemFacts.h"

#include <QClipboard>
#include <QGuiApplication>

const Platform& Platform::host()
{
    static const LinuxSystemFacts system;
    static const LinuxPowerSources power;
    static const LinuxNetworkInterfaces network;
    static const LinuxPowerMode powerMode;
    static const LinuxSecurityFacts security;
    static const Platform platform{system, power, network, powerMode, security};
    return platform;
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
