#include "traffic/motion_ticks.h"

#include "traffic/traffic_state.h"

#include <algorithm>
#include <limits>

namespace ksb {

std::int64_t gf_motionNow() {
    return trafficState.tickCounter.load();
}

std::int64_t gf_ticksUntil(const PositionSample& sample) {
    return std::max(std::int64_t{sample.dueTick} - gf_motionNow(), kFewestSampleTicks);
}

double gf_ticksToNextSample(const LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return static_cast<double>(kFewestSampleTicks);
    }
    return static_cast<double>(gf_ticksUntil(aircraft.samples[1]));
}

std::int32_t gf_clampTick(std::int64_t tick) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        tick, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t gf_dueTickAfter(std::int64_t base, std::int64_t ticks) {
    return gf_clampTick(base + ticks);
}

} // namespace ksb
