#pragma once
// The indices beside trafficState.live and trafficState.statics: flight key -> position and
// object id -> position (0 never indexed). Flight keys are unique within each vector and object
// ids unique, so a lookup finds the record the vector's walk would find. The engine keeps them
// up where records come and go: the appends here, gf_setObjectId, the one erase function
// (gf_eraseAircraft), the order-keeping erase pass and the reset. The caller holds
// trafficState.trafficMutex.
#include "core/flight_records.h"
#include "traffic/live_aircraft.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Appends the record to its vector and indexes it.
LiveAircraft& gf_appendLive(LiveAircraft&& aircraft);
AiAircraft& gf_appendStatic(AiAircraft&& aircraft);

// The record's object id, re-indexed when the record lies in its vector.
void gf_setObjectId(LiveAircraft& aircraft, std::uint32_t objectId);
void gf_setObjectId(AiAircraft& aircraft, std::uint32_t objectId);

// Before the vector's last record moves into position: the record there leaves the indices,
// the last one takes its place.
void gf_indexMoveLastInto(std::vector<LiveAircraft>& records, std::size_t position);
void gf_indexMoveLastInto(std::vector<AiAircraft>& records, std::size_t position);

// Every position anew, after a pass that erased and kept the order.
void gf_rebuildLiveIndex();
void gf_rebuildStaticIndex();

// The first difference between the indices and their vectors; empty when they agree.
std::string gf_aircraftIndexMismatch();

// Checked trees: the indices against their vectors after each tick. The vectors may have been
// changed outside the engine before the tick (test fixtures do); those changes are taken in at
// the start, so the check at the end covers what the tick did.
void gf_beginIndexCheck();
void gf_endIndexCheck();
