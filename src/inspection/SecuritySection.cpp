#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection securitySection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Security"), "lock.shield");
}

}  // namespace DeviceProbe
