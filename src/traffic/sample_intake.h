#pragma once
// One feed record against one live aircraft: the filters that would spoil the motion, the texts
// a newer record brings, and the sample appended by the aircraft's phase. The caller holds
// trafficState.trafficMutex.
#include "core/flight_records.h"
#include "traffic/live_aircraft.h"

#include <string>

// True when the record belongs to the aircraft (its flight key), whether it was used or dropped.
bool lf_appendToAircraft(LiveFlight& record, LiveAircraft& aircraft);
// Applies the texts of a newer record; false when the record must not be used (a refused
// callsign, or the aircraft is to be re-created).
bool lf_updateFromFeed(LiveAircraft& aircraft, const LiveFlight& record);
// Appends the sample as the aircraft's phase allows, or drops it; a queue above 200 samples
// ends the aircraft.
void lf_applySample(LiveAircraft& aircraft, PositionSample& sample);

// True when a live aircraft that is not being removed, other than the one given, carries the
// callsign without its last character (the callsign ends in '_').
bool lf_liveCallsignExists(const std::string& callsign, const LiveAircraft* except = nullptr);
