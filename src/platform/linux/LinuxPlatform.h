#pragma once

#include "platform/Platform.h"
#include "platform/linux/LinuxCaptureDevices.h"
#include "platform/linux/LinuxDisplays.h"
#include "platform/linux/LinuxGraphicsDevices.h"
#include "platform/linux/LinuxLanguageModel.h"
#include "platform/linux/LinuxNetworkInterfaces.h"
#include "platform/linux/LinuxPowerMode.h"
#include "platform/linux/LinuxSecurityFacts.h"
#include "platform/linux/LinuxPowerSources.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/LinuxVideoCodecs.h"

// Every Linux reader over one file-system root: the machine itself ("/") or a fixture
// tree. Libraries that read the real machine whatever the root (Vulkan) are only
// used for "/".
class LinuxPlatform {
public:
    explicit LinuxPlatform(const QString& root = QStringLiteral("/"), const QString& homePath = {})
        : system(root, homePath), power(root), graphics(root, root == QStringLiteral("/")), displays(root), video(root),
          capture(root), powerMode(root), security(root),
          platform_{system, power, network, graphics, languageModel, displays, video, capture, powerMode, security}
    {
    }
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    const Platform& platform() const { return platform_; }

    LinuxSystemFacts system;
    LinuxPowerSources power;
    LinuxNetworkInterfaces network;
    LinuxGraphicsDevices graphics;
    LinuxLanguageModel languageModel;
    LinuxDisplays displays;
    LinuxVideoCodecs video;
    LinuxCaptureDevices capture;
    LinuxPowerMode powerMode;
    LinuxSecurityFacts security;

private:
    Platform platform_;
};
