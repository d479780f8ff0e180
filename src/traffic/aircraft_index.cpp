#include "traffic/aircraft_index.h"

#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using AircraftIndex = ksb::TrafficState::AircraftIndex;

template <class Record>
void lf_indexRebuild(const std::vector<Record>& records, AircraftIndex& byKey,
                     AircraftIndex& byObject) {
    byKey.clear();
    byObject.clear();
    for (std::size_t i = 0; i < records.size(); ++i) {
        byKey.emplace(records[i].flightKey, i);
        if (records[i].objectId != 0) {
            byObject.emplace(records[i].objectId, i);
        }
    }
}

template <class Record>
void lf_indexMoveLastInto(const std::vector<Record>& records, std::size_t position,
                          AircraftIndex& byKey, AircraftIndex& byObject) {
    const Record& leaving = records[position];
    byKey.erase(leaving.flightKey);
    if (leaving.objectId != 0) {
        byObject.erase(leaving.objectId);
    }
    const std::size_t last = records.size() - 1;
    if (position == last) {
        return;
    }
    const Record& moving = records[last];
    byKey[moving.flightKey] = position;
    if (moving.objectId != 0) {
        byObject[moving.objectId] = position;
    }
}

template <class Record>
void lf_indexObjectChange(const std::vector<Record>& records, const Record& aircraft,
                          std::uint32_t objectId, AircraftIndex& byObject) {
    const std::less<const Record*> before;
    if (records.empty() || before(&aircraft, records.data()) ||
        before(&records.back(), &aircraft)) {
        return; // a record outside the vector: nothing indexed
    }
    const auto position = static_cast<std::size_t>(&aircraft - records.data());
    if (aircraft.objectId != 0) {
        byObject.erase(aircraft.objectId);
    }
    if (objectId != 0) {
        byObject[objectId] = position;
    }
}

template <class Record>
std::string lf_indexMismatch(const char* name, const std::vector<Record>& records,
                             const AircraftIndex& byKey, const AircraftIndex& byObject) {
    std::size_t objects = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto key = byKey.find(records[i].flightKey);
        if (key == byKey.end() || key->second != i) {
            return fmt::format("{} {}: key {} not indexed at its position", name, i,
                               records[i].flightKey);
        }
        if (records[i].objectId == 0) {
            continue;
        }
        ++objects;
        const auto object = byObject.find(records[i].objectId);
        if (object == byObject.end() || object->second != i) {
            return fmt::format("{} {}: object {} not indexed at its position", name, i,
                               records[i].objectId);
        }
    }
    if (byKey.size() != records.size()) {
        return fmt::format("{}: {} keys indexed for {} records", name, byKey.size(),
                           records.size());
    }
    if (byObject.size() != objects) {
        return fmt::format("{}: {} object ids indexed for {} objects", name, byObject.size(),
                           objects);
    }
    return {};
}

} // namespace

LiveAircraft& gf_appendLive(LiveAircraft&& aircraft) {
    std::vector<LiveAircraft>& live = trafficState.live;
    const std::size_t position = live.size();
    live.push_back(std::move(aircraft));
    LiveAircraft& added = live.back();
    trafficState.liveByKey[added.flightKey] = position;
    if (added.objectId != 0) {
        trafficState.liveByObject[added.objectId] = position;
    }
    return added;
}

AiAircraft& gf_appendStatic(AiAircraft&& aircraft) {
    std::vector<AiAircraft>& statics = trafficState.statics;
    const std::size_t position = statics.size();
    statics.push_back(std::move(aircraft));
    AiAircraft& added = statics.back();
    trafficState.staticByKey[added.flightKey] = position;
    if (added.objectId != 0) {
        trafficState.staticByObject[added.objectId] = position;
    }
    return added;
}

void gf_setObjectId(LiveAircraft& aircraft, std::uint32_t objectId) {
    lf_indexObjectChange(trafficState.live, aircraft, objectId, trafficState.liveByObject);
    aircraft.objectId = objectId;
}

void gf_setObjectId(AiAircraft& aircraft, std::uint32_t objectId) {
    lf_indexObjectChange(trafficState.statics, aircraft, objectId, trafficState.staticByObject);
    aircraft.objectId = objectId;
}

void gf_indexMoveLastInto(std::vector<LiveAircraft>& records, std::size_t position) {
    if (&records == &trafficState.live) {
        lf_indexMoveLastInto(records, position, trafficState.liveByKey,
                             trafficState.liveByObject);
    }
}

void gf_indexMoveLastInto(std::vector<AiAircraft>& records, std::size_t position) {
    if (&records == &trafficState.statics) {
        lf_indexMoveLastInto(records, position, trafficState.staticByKey,
                             trafficState.staticByObject);
    }
}

void gf_rebuildLiveIndex() {
    lf_indexRebuild(trafficState.live, trafficState.liveByKey, trafficState.liveByObject);
}

void gf_rebuildStaticIndex() {
    lf_indexRebuild(trafficState.statics, trafficState.staticByKey, trafficState.staticByObject);
}

std::string gf_aircraftIndexMismatch() {
    std::string live = lf_indexMismatch("live", trafficState.live, trafficState.liveByKey,
                                        trafficState.liveByObject);
    if (!live.empty()) {
        return live;
    }
    return lf_indexMismatch("static", trafficState.statics, trafficState.staticByKey,
                            trafficState.staticByObject);
}

void gf_beginIndexCheck() {
#ifdef KSBY_CHECKED
    if (!gf_aircraftIndexMismatch().empty()) {
        gf_rebuildLiveIndex();
        gf_rebuildStaticIndex();
    }
#endif
}

void gf_endIndexCheck() {
#ifdef KSBY_CHECKED
    const std::string mismatch = gf_aircraftIndexMismatch();
    if (!mismatch.empty()) {
        std::fprintf(stderr, "aircraft index after the tick: %s\n", mismatch.c_str());
        std::abort();
    }
#endif
}
