#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection networkSection(const ProbeContext& ctx, const std::optional<NetworkPath>& path)
{
    return CapabilitySection::make(ctx.L.tr("Network"), "network");
}

}  // namespace DeviceProbe
