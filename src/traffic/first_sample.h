#pragma once
// What the first queued sample says about a live aircraft. No code reads the front of an empty
// queue: without a sample the aircraft counts as on the ground and not repeating.
#include "traffic/live_aircraft.h"

inline bool gf_firstSampleAirborne(const LiveAircraft& aircraft) {
    return !aircraft.samples.empty() && aircraft.samples.front().airborne;
}

inline bool gf_firstSampleRepeated(const LiveAircraft& aircraft) {
    return !aircraft.samples.empty() && aircraft.samples.front().repeated;
}
