#pragma once
// A static parked aircraft that stands for a live one: the same hexid, registration or callsign.
// The caller holds trafficState.trafficMutex.
#include "core/flight_records.h"
#include "traffic/live_aircraft.h"

namespace ksb {

// True when the static aircraft (state 2 only) stands for the live one: the same hexid (the
// static's above 10000), else the same non-empty registration, else the live callsign, its
// coupled callsign or, for a ghost, its callsign without the "_" equal to the static's callsign
// as received or its coupled callsign. Writes the line of the rule that held; releases nothing.
bool lf_checkSameIdentity(const LiveAircraft& live, const AiAircraft& parked);
// For a live aircraft on the ground in state 2: releases the first static aircraft in state 2
// whose tail is the live callsign + "*" or whose registration is the live one.
void lf_removeStaticTwinOfLive(LiveAircraft& live);

} // namespace ksb
