#pragma once
// A static parked aircraft as the static parking leaves it in the static vector: its tail, the
// callsigns it was planned with, registration, type, hexid, stand, the time since which it stands
// there, its state and its marks. Tests push the result into trafficState.statics under
// trafficMutex.
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "core/time_of_week.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ksb::test {

class StaticAircraftBuilder {
public:
    // The tail (ending in "*" as the static parking makes it) and the flight key from the static
    // counter (0..9999). Starts as a BAW A320 in the simulator, received under the tail without
    // its "*", with no coupled callsign, registration, hexid or stand.
    explicit StaticAircraftBuilder(std::string tail, std::uint32_t key = 1);

    // The callsign as received (firstReceivedCallsign).
    StaticAircraftBuilder& received(std::string callsign);
    StaticAircraftBuilder& coupled(std::string callsign);
    StaticAircraftBuilder& registration(std::string registration);
    // Also the airline, when given.
    StaticAircraftBuilder& type(std::string type, std::string airline = {});
    StaticAircraftBuilder& category(AircraftCategory category);
    // Nautical miles.
    StaticAircraftBuilder& halfWingSpan(double nm);
    // Kept in trafficValue, where it counts only above 10000.
    StaticAircraftBuilder& hexid(std::uint32_t hexid);
    // The stand's id and position.
    StaticAircraftBuilder& stand(const ParkPosition& stand);
    StaticAircraftBuilder& stand(std::uint32_t standId, Position at);
    StaticAircraftBuilder& parkedAt(DayHalfHour since);
    StaticAircraftBuilder& state(LiveState state);
    // Without one, an aircraft in state 2 or 4 gets 1000 + key and any other 0 (not created).
    StaticAircraftBuilder& objectId(std::uint32_t objectId);
    StaticAircraftBuilder& removeOnceCreated(bool mark = true);
    StaticAircraftBuilder& stays(bool stays = true);

    AiAircraft build() const;

private:
    AiAircraft aircraft_;
    std::optional<std::uint32_t> objectId_;
};

} // namespace ksb::test
