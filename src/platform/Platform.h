#pragma once

#include "platform/NetworkInterfaces.h"
#include "platform/PowerMode.h"
#include "platform/PowerSources.h"
#include "platform/SecurityFacts.h"
#include "platform/SystemFacts.h"
#include "platform/CaptureDevices.h"
#include "platform/Displays.h"
#include "platform/GraphicsDevices.h"
#include "platform/LanguageModel.h"
#include "platform/VideoCodecs.h"

// Everything the probes ask the machine, one reader per domain. The host's readers
// come from host(); tests assemble a Platform from fakes.
struct Platform {
    const SystemFacts& system;
    const PowerSources& power;
    const NetworkInterfaces& network;
    const GraphicsDevices& graphics;
    const LanguageModelService& languageModel;
    const DisplayList& displays;
    const VideoCodecs& video;
    const CaptureDevices& capture;
    const PowerMode& powerMode;
    const SecurityFacts& security;

    // The readers of the machine this process runs on.
    static const Platform& host();
};
