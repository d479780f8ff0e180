#pragma once
// A static parked aircraft as the static parking records it: its tail (ending in "*"), the
// callsign as received and the coupled one, registration, type, hexid, stand and stand position,
// the time of week since which it stands there, its state and its remove-when-created mark. The
// tests append it to trafficState.statics themselves, under the traffic mutex.
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "core/time_of_week.h"

#include <cstdint>
#include <string>

namespace ksb::test {

class StaticAircraftBuilder {
public:
    // Key (below 10000) and object id; in the simulator (state 2), an A320 of EZY "EZY123*"
    // received as "EZY123", registration G-EZAA, no hexid, no stand, parked Monday 00:00.
    explicit StaticAircraftBuilder(std::uint32_t flightKey = 1, std::uint32_t objectId = 501);

    StaticAircraftBuilder& tail(std::string callsign);
    StaticAircraftBuilder& received(std::string callsign);
    StaticAircraftBuilder& coupled(std::string callsign);
    StaticAircraftBuilder& registration(std::string registration);
    StaticAircraftBuilder& type(std::string type, double halfWingSpanNm);
    // The feed's hexid; it counts only above 10000.
    StaticAircraftBuilder& hexid(std::uint32_t hexid);
    StaticAircraftBuilder& stand(std::uint32_t standId, const Position& at);
    StaticAircraftBuilder& parkedAt(DayHalfHour since);
    StaticAircraftBuilder& state(LiveState state);
    StaticAircraftBuilder& objectId(std::uint32_t objectId);
    StaticAircraftBuilder& removeOnceCreated(bool mark = true);

    AiAircraft build() const { return aircraft_; }

private:
    AiAircraft aircraft_;
};

// The static aircraft with the tail, received as the tail without its "*", key and object id
// 1000 + key.
StaticAircraftBuilder gf_staticWithTail(const std::string& tail, std::uint32_t flightKey);

} // namespace ksb::test
