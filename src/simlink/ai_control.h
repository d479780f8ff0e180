#pragma once
// What the traffic engine does to one AI aircraft: construct its record, set its controls, shut
// it down, release it; and the lock of the parked-traffic controls during a static-parking
// recalculation.
#include "core/flight_records.h"

#include <cstdint>

// An AiAircraft made from a flight: object id 0, the stand position and heading, stand id, state
// new, no throttle (5) and no flaps (4) sent yet, the creator's flag, the two further flags off.
AiAircraft gf_makeAiAircraft(const Flight& flight, std::uint32_t standId, double standLatitude,
                             double standLongitude, double standHeading, bool creatorFlag);
// Copies the Flight part only (copying an AiAircraft whole copies every field).
void gf_copyFlight(AiAircraft& aircraft, const Flight& flight);

// Rotorcraft (category 5) get no spoilers, flaps or gear. Spoilers and gear are queued on every
// call; flaps and throttle only on a change of state, which is recorded.
void gf_setSpoilers(const AiAircraft& aircraft, bool out);
void gf_setFlaps(AiAircraft& aircraft, std::uint32_t state);
void gf_setGear(const AiAircraft& aircraft, bool down);
void gf_setThrottle(AiAircraft& aircraft, std::uint32_t state);
// Throttle idle, flaps up, engines off and the parked lights.
void gf_shutdownAiAircraft(AiAircraft& aircraft);

// Frees its stand, marks it being removed (4) and puts its object id on the engine's removal
// list. An aircraft already being removed is left alone. The caller holds trafficMutex.
void gf_releaseAiAircraft(AiAircraft& aircraft);
// The same for the live or static aircraft with this object id; false when there is none. The
// caller holds trafficMutex.
bool gf_releaseAiAircraftById(std::uint32_t objectId);

// Holds and frees the parked-traffic controls (worker thread).
void gf_lockControls();
void gf_unlockControls();
