#pragma once
// A live aircraft already in the simulator, made from its first feed record without admission:
// the creation of the engine (type, category, tables), then state 2 with an object id, a phase
// and the simulator's resting values. The rest of a script then goes through the intake. Needs a
// TrafficHarness alive (its aircraft database); call it while holding no engine lock.
#include "core/flight_records.h"

#include <cstdint>
#include <optional>

namespace ksb::test {

struct ReadyAircraft {
    FlightPhase phase = FlightPhase::taxi;
    bool onGround = true;
    std::uint32_t objectId = 3; // the link refuses ids below 3
    double staticCgHeight = 10.0; // feet
    double groundPitch = 0.0122;  // radians
    // The tick at which the aircraft stands on its first sample; the current tick when absent.
    std::optional<std::int32_t> firstDueTick = std::nullopt;
};

// The flight key of the new aircraft. Throws std::runtime_error when the engine's creation
// refuses the record (unknown type, category switched off, implausible altitude).
std::uint32_t placeReadyAircraft(const LiveFlight& first, const ReadyAircraft& how = {});

} // namespace ksb::test
