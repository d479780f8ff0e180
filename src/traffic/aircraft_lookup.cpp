#include "traffic/aircraft_lookup.h"

#include "traffic/traffic_state.h"

#include <algorithm>

namespace {

template <class Record>
Record* lf_recordByObject(std::vector<Record>& records, std::uint32_t objectId) {
    if (objectId == 0) {
        return nullptr;
    }
    const auto found = std::find_if(records.begin(), records.end(),
                                    [objectId](const Record& r) { return r.objectId == objectId; });
    return found == records.end() ? nullptr : &*found;
}

} // namespace

LiveAircraft* gf_liveByKey(std::uint32_t flightKey) {
    return gf_recordByKey(trafficState.live, flightKey);
}
LiveAircraft* gf_liveByObject(std::uint32_t objectId) {
    return lf_recordByObject(trafficState.live, objectId);
}
AiAircraft* gf_staticByKey(std::uint32_t flightKey) {
    return gf_recordByKey(trafficState.statics, flightKey);
}
AiAircraft* gf_staticByObject(std::uint32_t objectId) {
    return lf_recordByObject(trafficState.statics, objectId);
}
