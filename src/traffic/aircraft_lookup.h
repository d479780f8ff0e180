#pragma once
// The engine's aircraft by flight key or simulator object id, found through the indices beside
// the vectors (traffic/aircraft_index.h). The caller holds trafficState.trafficMutex; a pointer
// is good until the vector next changes.
#include "core/flight_records.h"
#include "traffic/live_aircraft.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// The first record of the vector with that flight key; nullptr when none.
template <class Record> Record* gf_recordByKey(std::vector<Record>& records, std::uint32_t key) {
    const auto found = std::find_if(records.begin(), records.end(),
                                    [key](const Record& r) { return r.flightKey == key; });
    return found == records.end() ? nullptr : &*found;
}

// nullptr when none. Object id 0 (no object yet) never matches.
LiveAircraft* gf_liveByKey(std::uint32_t flightKey);
LiveAircraft* gf_liveByObject(std::uint32_t objectId);
AiAircraft* gf_staticByKey(std::uint32_t flightKey);
AiAircraft* gf_staticByObject(std::uint32_t objectId);
