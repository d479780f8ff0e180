#pragma once
// Admission and placement of new live aircraft: when a flight from the feed is created in the
// simulator, where, and with which livery. Everything here runs inside the tick with the traffic
// mutex held.
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"

#include <string>

namespace ksb {

// Once a tick for each aircraft in state new: waits, holds (drops its first sample), drops (sets
// its erase flag) or hands it to placement.
void lf_admitNewAircraft(LiveAircraft& aircraft);
// Livery, first phase, stand, position block; leaves the aircraft dropped, held or in state
// creation requested with its key among the waiting keys.
void lf_placeNewAircraft(LiveAircraft& aircraft);
// Sets the flight's livery title; false when it has none.
bool lf_chooseLivery(LiveAircraft& aircraft);

} // namespace ksb
