#pragma once

#include <optional>

// Whether the system's on-device language model can be used.
struct LanguageModelAvailability {
    enum class Reason { None, DeviceNotEligible, NotEnabled, ModelNotReady, Other };
    bool available = false;
    Reason reason = Reason::None;  // why it is unavailable
    bool operator==(const LanguageModelAvailability&) const = default;
};

class LanguageModelService {
public:
    virtual ~LanguageModelService() = default;
    // Absent when the system has no on-device language model service at all.
    virtual std::optional<LanguageModelAvailability> availability() const = 0;
};
