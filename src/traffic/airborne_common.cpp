#include "traffic/motion.h"

#include "traffic/traffic_state.h"

#include <algorithm>

namespace ksb {
namespace {

constexpr double kFewestTicks = 25.0;

} // namespace

std::uint32_t gf_motionThrottle(const LiveAircraft& aircraft, std::uint32_t state) {
    return aircraft.category == AircraftCategory::rotorcraft ? 4u : state;
}

std::int64_t gf_motionNow() {
    return trafficState.tickCounter.load();
}

double gf_ticksToNextSample(const LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return kFewestTicks;
    }
    const std::int64_t ticks = std::int64_t{aircraft.samples[1].dueTick} - gf_motionNow();
    return std::max(static_cast<double>(ticks), kFewestTicks);
}

} // namespace ksb
