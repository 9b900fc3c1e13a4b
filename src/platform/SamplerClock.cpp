#include "platform/SamplerSources.h"

namespace {
class SystemSamplerClock final : public SamplerClock {
public:
    QDateTime wallTime() const override { return QDateTime::currentDateTimeUtc(); }
    std::chrono::nanoseconds steadyTime() const override
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch());
    }
};
}  // namespace

const SamplerClock& SamplerClock::system()
{
    static const SystemSamplerClock clock;
    return clock;
}
