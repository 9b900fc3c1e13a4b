#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection storageSection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Storage"), "internaldrive");
}

}  // namespace DeviceProbe
