#pragma once
// Keeping aircraft out of the user's way: on the ground nothing may overlap the user aircraft;
// in the air nothing may sit on the user's path. Both only release. The user's position, heading
// and heights are the engine's user-state block; the caller holds trafficState.trafficMutex.
#include "traffic/live_aircraft.h"

namespace ksb {

// The user on the ground: releases the first live aircraft on the ground (state 2) that overlaps
// the user aircraft; when none and the user has moved since the statics were last tested, the
// first static aircraft (state 2) that overlaps it.
void lf_avoidUserCollisionOnGround();
// The user airborne: true when the live aircraft (state 2) was released for standing on the
// runway ahead of or behind a user below 500 ft above ground, or for flying near the user on a
// line through the user.
bool lf_avoidUserCollision(LiveAircraft& aircraft);

} // namespace ksb
