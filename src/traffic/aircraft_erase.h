#pragma once
// Erasing aircraft records. A record not yet released still marks its stand occupied, so the
// stand is freed with it; a released one's stand was freed at the release and another aircraft
// may hold it by now. The caller holds trafficState.trafficMutex.
#include "core/flight_records.h"
#include "traffic/aircraft_index.h"
#include "traffic/stand_release.h"

#include <utility>
#include <vector>

// Erases the record by moving the last record of its vector into its place.
template <class Record> void gf_eraseAircraft(std::vector<Record>& records, Record& aircraft) {
    if (aircraft.state != LiveState::beingRemoved) {
        gf_freeStand(aircraft);
    }
    gf_indexMoveLastInto(records, static_cast<std::size_t>(&aircraft - records.data()));
    if (&aircraft != &records.back()) {
        aircraft = std::move(records.back());
    }
    records.pop_back();
}
