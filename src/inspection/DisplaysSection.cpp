#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection displaysSection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Displays"), "display");
}

}  // namespace DeviceProbe
