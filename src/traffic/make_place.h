#pragma once
// Static parked aircraft give way to a live aircraft that takes their stand or a neighbour.
#include "core/airport_records.h"
#include "traffic/live_aircraft.h"

namespace ksb {

// Removes the static aircraft on the stand and those on neighbour stands whose wings would touch.
void lf_makePlaceFor(LiveAircraft& aircraft, ParkPosition& stand);
// True for a static aircraft on the stand (released, cancelled or marked); false otherwise.
bool lf_makePlaceAt(const LiveAircraft& aircraft, const ParkPosition& stand, AiAircraft& other);
// True when the static aircraft on the neighbour stand was released.
bool lf_removeStaticByAdjacentParking(const LiveAircraft& aircraft, const ParkPosition& stand,
                                      const ParkPosition& neighbour, AiAircraft& other);

} // namespace ksb
