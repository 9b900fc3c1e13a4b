#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

// Items come with the section's own reader.
CapabilitySection cameraAudioSection(const ProbeContext& ctx)
{
    return CapabilitySection::make(ctx.L.tr("Camera & Audio"), "camera");
}

}  // namespace DeviceProbe
