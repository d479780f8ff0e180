#include "support/static_aircraft_builder.h"

#include "simlink/ai_control.h"

#include <utility>

namespace ksb::test {

namespace {

constexpr std::uint32_t kStaticObjectBase = 1000;
// An A320's half span.
constexpr double kDefaultHalfSpanNm = 17.05 * kNMPerMetre;

} // namespace

StaticAircraftBuilder::StaticAircraftBuilder(std::string tail, std::uint32_t key) {
    Flight flight;
    flight.airline = "BAW";
    flight.type = "A320";
    flight.firstReceivedCallsign = tail;
    if (!flight.firstReceivedCallsign.empty() && flight.firstReceivedCallsign.back() == '*') {
        flight.firstReceivedCallsign.pop_back();
    }
    flight.callsign = std::move(tail);
    flight.category = AircraftCategory::large;
    flight.halfWingSpan = kDefaultHalfSpanNm;
    flight.flightKey = key;
    aircraft_ = gf_makeAiAircraft(flight, 0, 0.0, 0.0, 0.0, false);
    aircraft_.state = LiveState::inSimulator;
}

StaticAircraftBuilder& StaticAircraftBuilder::received(std::string callsign) {
    aircraft_.firstReceivedCallsign = std::move(callsign);
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::coupled(std::string callsign) {
    aircraft_.coupledCallsign = std::move(callsign);
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::registration(std::string registration) {
    aircraft_.registration = std::move(registration);
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::type(std::string type, std::string airline) {
    aircraft_.type = std::move(type);
    if (!airline.empty()) {
        aircraft_.airline = std::move(airline);
    }
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::category(AircraftCategory category) {
    aircraft_.category = category;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::halfWingSpan(double nm) {
    aircraft_.halfWingSpan = nm;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::hexid(std::uint32_t hexid) {
    aircraft_.trafficValue = hexid;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::stand(const ParkPosition& stand) {
    return this->stand(stand.standId, Position{stand.latitude, stand.longitude});
}

StaticAircraftBuilder& StaticAircraftBuilder::stand(std::uint32_t standId, Position at) {
    aircraft_.standId = standId;
    aircraft_.standLatitude = at.latitude;
    aircraft_.standLongitude = at.longitude;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::parkedAt(DayHalfHour since) {
    aircraft_.parkedAt = since;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::state(LiveState state) {
    aircraft_.state = state;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::objectId(std::uint32_t objectId) {
    objectId_ = objectId;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::removeOnceCreated(bool mark) {
    aircraft_.removeOnceCreated = mark;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::stays(bool stays) {
    aircraft_.stays = stays;
    return *this;
}

AiAircraft StaticAircraftBuilder::build() const {
    AiAircraft aircraft = aircraft_;
    if (objectId_.has_value()) {
        aircraft.objectId = *objectId_;
    } else if (aircraft.state == LiveState::inSimulator ||
               aircraft.state == LiveState::beingRemoved) {
        aircraft.objectId = kStaticObjectBase + aircraft.flightKey;
    }
    return aircraft;
}

} // namespace ksb::test
