#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection graphicsSection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Graphics & Metal"), "square.stack.3d.up");
}

}  // namespace DeviceProbe
