#include "support/static_aircraft_builder.h"

#include "simlink/ai_control.h"

#include <utility>

namespace ksb::test {

namespace {

// Half the span of an A320, 35.8 m.
constexpr double kStaticBuilderHalfSpanNm = 17.9 / kMetresPerNM;

} // namespace

StaticAircraftBuilder::StaticAircraftBuilder(std::uint32_t flightKey, std::uint32_t objectId) {
    Flight flight;
    flight.airline = "EZY";
    flight.type = "A320";
    flight.callsign = "EZY123*";
    flight.firstReceivedCallsign = "EZY123";
    flight.registration = "G-EZAA";
    flight.halfWingSpan = kStaticBuilderHalfSpanNm;
    flight.flightKey = flightKey;
    aircraft_ = gf_makeAiAircraft(flight, 0, 0.0, 0.0, 0.0, false);
    aircraft_.objectId = objectId;
    aircraft_.state = LiveState::inSimulator;
    aircraft_.parkedAt = gf_packDayHalfHour(1, 0);
}

StaticAircraftBuilder& StaticAircraftBuilder::tail(std::string callsign) {
    aircraft_.callsign = std::move(callsign);
    return *this;
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

StaticAircraftBuilder& StaticAircraftBuilder::type(std::string type, double halfWingSpanNm) {
    aircraft_.type = std::move(type);
    aircraft_.halfWingSpan = halfWingSpanNm;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::hexid(std::uint32_t hexid) {
    aircraft_.trafficValue = hexid;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::stand(std::uint32_t standId, const Position& at) {
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
    aircraft_.objectId = objectId;
    return *this;
}

StaticAircraftBuilder& StaticAircraftBuilder::removeOnceCreated(bool mark) {
    aircraft_.removeOnceCreated = mark;
    return *this;
}

StaticAircraftBuilder gf_staticWithTail(const std::string& tail, std::uint32_t flightKey) {
    std::string received = tail;
    if (!received.empty() && received.back() == '*') {
        received.pop_back();
    }
    StaticAircraftBuilder builder(flightKey, 1000 + flightKey);
    builder.tail(tail).received(received);
    return builder;
}

} // namespace ksb::test
