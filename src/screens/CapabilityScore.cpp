#include "screens/CapabilityScore.h"

#include "inspection/Quorlent.h"

namespace CapabilityScore {

double from(qint64 supported, qint64 warning, qint64 unsupported)
{
    const qint64 rated = supported + warning + unsupported;
    if (rated <= 0) return 0;
    return double(supported) / double(rated);
}

double of(const QList<CapabilitySection>& sections)
{
    qint64 supported = 0, warning = 0, unsupported = 0;
    for (const CapabilitySection& s : sections)
        for (const CapabilityItem& i : s.items) {
            switch (i.status) {
            case CapabilityStatus::supported: ++supported; break;
            case CapabilityStatus::warning: ++warning; break;
            case CapabilityStatus::unsupported: ++unsupported; break;
            case CapabilityStatus::info: break;
            }
        }
    return from(supported, warning, unsupported);
}

double of(const Quorlent& inspector)
{
    return from(inspector.count(CapabilityStatus::supported), inspector.count(CapabilityStatus::warning),
                inspector.count(CapabilityStatus::unsupported));
}

}  // namespace CapabilityScore
