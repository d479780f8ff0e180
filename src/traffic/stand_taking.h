#pragma once
// Taking a stand, by placement and by parking where the feed stops a taxiing aircraft: the stands
// kept for the user, and the stand's fields copied onto the aircraft. The caller holds
// trafficState.trafficMutex.
#include "core/airport_records.h"
#include "traffic/live_aircraft.h"

namespace ksb {

// True for the user's reserved stand and for the stand the user's aircraft stands on, found at
// the position the simulator link last reported. An empty name keeps nothing.
bool lf_standKeptForUser(const ParkPosition& stand);
// The aircraft takes the stand (position, heading, id, cargo flag); a new stay on a stand begins.
void lf_takeStand(LiveAircraft& aircraft, const ParkPosition& stand);

} // namespace ksb
