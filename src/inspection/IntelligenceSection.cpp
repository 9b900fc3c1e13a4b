#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection intelligenceSection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Artificial Intelligence"), "sparkles");
}

}  // namespace DeviceProbe
