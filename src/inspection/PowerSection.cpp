#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection powerSection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Power"), "battery.100");
}

}  // namespace DeviceProbe
