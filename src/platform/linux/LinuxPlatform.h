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
// tree. What reads the real machine whatever the root (Vulkan, the system bus, the
// process environment) is only used for "/", so a fixture inspection is the tree alone.
class LinuxPlatform {
    NoSystemBus noBus_;  // first, so it outlives the readers that point at it

public:
    explicit LinuxPlatform(const QString& root = QStringLiteral("/"), const QString& homePath = {})
        : system(root, homePath), power(root), network(root), graphics(root, isHost(root)), displays(root), video(root),
          capture(root), powerMode(root, isHost(root) ? nullptr : &noBus_),
          security(root, isHost(root) ? nullptr : &noBus_, isHost(root) ? std::nullopt : std::optional(QHash<QString, QString>{})),
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
    static bool isHost(const QString& root) { return root.isEmpty() || root == QStringLiteral("/"); }
    Platform platform_;
};
