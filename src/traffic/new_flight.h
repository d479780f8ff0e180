#pragma once
// A new live aircraft from the first feed record of a flight the engine does not hold yet. The
// caller holds trafficState.trafficMutex.
#include "core/flight_records.h"

#include <cstdint>

// The flight of a feed record: identity copied, half wing span of the type, pitches (varied)
// and tick counts from the type's category. Neither the category nor the key is stored: the
// creator sets them.
Flight gf_flightFromFeed(const LiveFlight& record);

// Repairs the record's type from the aircraft database, applies the category and altitude
// filters and appends the new live aircraft; false when the record was dropped.
bool lf_newFlight(LiveFlight& record);
// Appends the live aircraft of a record that passed the filters: state new, phase new.
void lf_createLiveAircraft(LiveFlight& record);
// True at 10000 ft or more, at 0 ft or less, and otherwise when the altitude lies more than
// 120 ft from the loaded park airport's elevation (-1000 ft when none is loaded).
bool lf_altitudePlausible(const LiveFlight& record);

// The number of static parked aircraft the park airport's stands call for; also shown in the
// window. The caller holds trafficState.trafficMutex.
std::int64_t gf_wantedStaticCount();
