#pragma once
// How close a flight comes to the user's aircraft; admission holds flights back with it and the
// conflict rules release aircraft with it.
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"

namespace ksb {

// The user's aircraft is known to stand or roll on the ground; an unknown state counts as
// airborne.
bool lf_userOnGround();
// The user's position from the engine's user-state block, which the tick refreshes.
Position lf_userPosition();

// Feet between a point distanceNm away on bearingToPoint and the line through the origin on
// lineBearing (radians).
double gf_lateralDistanceFeet(double distanceNm, double lineBearing, double bearingToPoint);
// True when the aircraft's first sample is close to the user and its course passes near the user.
bool lf_userInTrackLine(const LiveAircraft& aircraft);

} // namespace ksb
