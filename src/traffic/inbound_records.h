#pragma once
// The records the simulator link and the feed send the engine: queued by any thread, handled on
// the tick's thread.
#include "core/link_records.h"
#include "traffic/live_aircraft.h"

#include <cstdint>

namespace ksb {

// The engine's own bodies of gf_postSimEvent and gf_processSimEvents (traffic/traffic.h).
// Takes only the inbound mutex.
void gf_postSimEvent(SimInboundRecord record);
// Takes the inbound queue, handles its records in arrival order without the inbound mutex, then
// runs the start-up sequences. The caller holds trafficState.trafficMutex; an exception of a
// handler reaches it with no other lock held.
void gf_processSimEvents();

} // namespace ksb

// One inbound record by kind; unknown kinds are ignored. The caller holds trafficMutex.
void lf_onSimEvent(const SimInboundRecord& record);
// True when the aircraft has the blocked flight key: new, it leaves the buffer; in the
// simulator, it is released at once.
bool lf_removeBlocked(std::uint32_t flightKey, LiveAircraft& aircraft);
