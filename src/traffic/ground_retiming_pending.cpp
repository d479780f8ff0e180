// PLACEHOLDER bodies until the ground motion's re-timing is built.
#include "traffic/motion.h"

namespace ksb {

double lf_groundSpeedEstimate(const LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return 1.0;
    }
    const double mean = (aircraft.samples[0].groundSpeed + aircraft.samples[1].groundSpeed) / 2.0;
    return mean < 1.0 ? 1.0 : mean;
}

void lf_setNextSampleTick(LiveAircraft& aircraft, std::int64_t ticks) {
    if (aircraft.samples.size() >= 2) {
        aircraft.samples[1].dueTick = static_cast<std::int32_t>(gf_motionNow() + ticks);
    }
}

void lf_timeNextGroundSample(LiveAircraft&) {}

} // namespace ksb
