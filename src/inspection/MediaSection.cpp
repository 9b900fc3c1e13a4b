#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection mediaSection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Hardware Video Acceleration"), "film");
}

}  // namespace DeviceProbe
