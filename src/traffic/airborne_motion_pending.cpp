// PLACEHOLDER bodies until the airborne motion is built.
#include "traffic/motion.h"

namespace ksb {

void lf_airborneStep(LiveAircraft&) {}

void lf_airbornePhase(LiveAircraft&, std::int64_t, PositionSample&) {}

void lf_takeOffPhase(LiveAircraft&) {}

void lf_followCurveVertical(LiveAircraft&) {}

} // namespace ksb
