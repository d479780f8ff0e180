#pragma once
// The 200 ticks after the simulator reported a new object: the light toggles of a live aircraft
// at sequence ticks 50 and 100, then its start, or the rest state of a static one. Only the
// tick's thread touches the sequences; the caller holds trafficState.trafficMutex.
#include "core/flight_records.h"
#include "core/link_records.h"
#include "traffic/live_aircraft.h"

#include <cstdint>

// A copy of an object-added record (kind 0 or 1) begins its sequence at counter 0.
void lf_beginStartupSequence(const SimInboundRecord& added);
// One tick of every sequence; the finished ones are dropped, the others keep their order.
void lf_runStartupSequences();
// One tick of one sequence; adds 1 to finished when it ends.
void gf_allLightsToggle(int& finished, SimInboundRecord& sequence);
// State 2 with the engines, spoilers, lights, throttle and flaps of where the aircraft is.
void lf_startLiveAircraft(LiveAircraft& aircraft);
// False when the static aircraft is not the sequence's; otherwise it takes the object.
bool lf_staticParked(const SimInboundRecord& sequence, AiAircraft& aircraft);
// The object of the static aircraft's running sequence, which ends here without parking it (the
// rest state, the log line, a removal at its end); 0 when none runs for the key.
std::uint32_t lf_finishStaticSequence(std::uint32_t flightKey);
