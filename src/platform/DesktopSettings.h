#pragma once

#include <optional>

// Desktop-wide interface settings that Qt does not expose.
namespace DesktopSettings {
// Whether the desktop wants interface animations (GNOME's "enable-animations", read
// through the desktop portal on the session bus). Absent when no desktop answers.
// Read once and remembered; a short time-out keeps a silent bus from stalling start-up.
std::optional<bool> animationsEnabled();
}
