#pragma once

#include "platform/LanguageModel.h"

// Linux has no system on-device language model service.
class LinuxLanguageModel : public LanguageModelService {
public:
    std::optional<LanguageModelAvailability> availability() const override { return std::nullopt; }
};
