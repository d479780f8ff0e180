#include "traffic/aircraft_lookup.h"

#include "traffic/traffic_state.h"

#include <algorithm>

namespace {

using AircraftIndex = ksb::TrafficState::AircraftIndex;

// The indexed record when the index still points at it. Otherwise the walk: a vector filled or
// changed outside the engine's functions (test fixtures do) is still searched right.
template <class Record, class Field>
Record* lf_indexedRecord(std::vector<Record>& records, const AircraftIndex& index,
                         std::uint32_t value, Field field) {
    const auto found = index.find(value);
    if (found != index.end() && found->second < records.size() &&
        records[found->second].*field == value) {
        return &records[found->second];
    }
    const auto walked = std::find_if(records.begin(), records.end(), [value, field](
                                                                          const Record& r) {
        return r.*field == value;
    });
    return walked == records.end() ? nullptr : &*walked;
}

} // namespace

LiveAircraft* gf_liveByKey(std::uint32_t flightKey) {
    return lf_indexedRecord(trafficState.live, trafficState.liveByKey, flightKey,
                            &LiveAircraft::flightKey);
}
LiveAircraft* gf_liveByObject(std::uint32_t objectId) {
    if (objectId == 0) {
        return nullptr;
    }
    return lf_indexedRecord(trafficState.live, trafficState.liveByObject, objectId,
                            &LiveAircraft::objectId);
}
AiAircraft* gf_staticByKey(std::uint32_t flightKey) {
    return lf_indexedRecord(trafficState.statics, trafficState.staticByKey, flightKey,
                            &AiAircraft::flightKey);
}
AiAircraft* gf_staticByObject(std::uint32_t objectId) {
    if (objectId == 0) {
        return nullptr;
    }
    return lf_indexedRecord(trafficState.statics, trafficState.staticByObject, objectId,
                            &AiAircraft::objectId);
}
