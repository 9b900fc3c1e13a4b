#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection processorSection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Processor & Memory"), "cpu");
}

}  // namespace DeviceProbe
