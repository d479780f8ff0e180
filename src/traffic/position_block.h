#pragma once
// The simulator position block of an aircraft about to be created, from its first queued sample.
// The caller holds trafficState.trafficMutex.
#include "traffic/live_aircraft.h"

namespace ksb {

// Position, pitch, bank, altitude, vertical speed, true airspeed and heading (0..2 pi) of the
// block, and the ground heading. The heading is the re-creation heading when it has one, else
// the stand heading when parked, else the bearing to a second sample that is not a repeat, else
// the first sample's track. An empty queue changes nothing.
void lf_fillPositionBlock(LiveAircraft& aircraft);

} // namespace ksb
