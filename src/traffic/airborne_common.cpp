#include "traffic/motion.h"

#include <algorithm>
#include <cmath>

namespace ksb {
namespace {

// The pitch target: 3 degrees nose up level, 2.2 more per 600 ft/min.
constexpr double kLevelPitch = -3.0;
constexpr double kPitchPerRate = 2.2 / 600.0;
constexpr double kHighestPitchClimb = 2400.0;    // feet per minute
constexpr double kHighestPitchDescent = -3000.0; // feet per minute

} // namespace

std::uint32_t gf_motionThrottle(const LiveAircraft& aircraft, std::uint32_t state) {
    return aircraft.category == AircraftCategory::rotorcraft ? 4u : state;
}

double gf_airbornePitchTarget(double verticalRate) {
    // A rate the feed did not give flies level.
    double rate = std::isnan(verticalRate) ? 0.0 : verticalRate;
    if (rate > 0.0) {
        rate = std::min(rate, kHighestPitchClimb);
    } else {
        // A descent lowers the nose by half as much.
        rate = std::max(rate, kHighestPitchDescent) / 2.0;
    }
    return (kLevelPitch - rate * kPitchPerRate) * kRadiansPerDegree;
}

} // namespace ksb
