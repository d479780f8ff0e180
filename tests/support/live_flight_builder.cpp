#include "support/live_flight_builder.h"

#include "core/geodesy.h"

#include <stdexcept>
#include <utility>

namespace ksb::test {

namespace {

constexpr std::uint32_t kLowestFeedHexid = 10000;
constexpr double kSecondsPerHour = 3600.0;
constexpr double kSecondsPerMinute = 60.0;

} // namespace

LiveFlightBuilder::LiveFlightBuilder(std::uint32_t hexid) {
    if (hexid <= kLowestFeedHexid) {
        throw std::invalid_argument("a feed hexid lies above 10000");
    }
    record_.flightId = hexid;
    record_.airline = "BAW";
    record_.type = "A320";
    record_.callsign = "BAW123";
    record_.registration = "G-EUUA";
    record_.departure = "EGLL";
    record_.destination = "LFPG";
    record_.latitude = 51.4700;
    record_.longitude = -0.4543;
    record_.track = 90.0;
    record_.timeStamp = kFirstFeedStamp;
}

LiveFlightBuilder& LiveFlightBuilder::callsign(std::string callsign) {
    record_.callsign = std::move(callsign);
    return *this;
}

LiveFlightBuilder& LiveFlightBuilder::registration(std::string registration) {
    record_.registration = std::move(registration);
    return *this;
}

LiveFlightBuilder& LiveFlightBuilder::type(std::string type) {
    record_.type = std::move(type);
    return *this;
}

LiveFlightBuilder& LiveFlightBuilder::route(std::string departure, std::string destination) {
    record_.departure = std::move(departure);
    record_.destination = std::move(destination);
    return *this;
}

LiveFlightBuilder& LiveFlightBuilder::at(double latitude, double longitude) {
    record_.latitude = latitude;
    record_.longitude = longitude;
    return *this;
}

LiveFlightBuilder& LiveFlightBuilder::track(double degrees) {
    record_.track = degrees;
    return *this;
}

LiveFlightBuilder& LiveFlightBuilder::altitude(double feet) {
    record_.altitude = feet;
    return *this;
}

LiveFlightBuilder& LiveFlightBuilder::stamps(double first, double step) {
    record_.timeStamp = first;
    step_ = step;
    return *this;
}

LiveFlight LiveFlightBuilder::next() {
    record_.airborne = record_.altitude > 0.0; // as the feed decides it
    LiveFlight record = record_;
    record_.timeStamp += step_;
    return record;
}

void LiveFlightBuilder::advance(double knots) {
    const double feet = knots * step_ / kSecondsPerHour * kFeetPerNM;
    const Position moved = gf_destinationPoint({record_.latitude, record_.longitude},
                                               record_.track * kRadiansPerDegree, feet);
    record_.latitude = moved.latitude;
    record_.longitude = moved.longitude;
}

std::vector<LiveFlight> LiveFlightBuilder::standing(int count, bool repeated) {
    record_.altitude = 0.0;
    record_.groundSpeed = 0.0;
    record_.trueAirspeed = 0.0;
    record_.verticalRate = 0.0;
    std::vector<LiveFlight> records;
    for (int i = 0; i < count; ++i) {
        record_.repeated = repeated && i > 0;
        records.push_back(next());
    }
    record_.repeated = false;
    return records;
}

std::vector<LiveFlight> LiveFlightBuilder::taxi(int count, double knots) {
    record_.altitude = 0.0;
    record_.groundSpeed = knots;
    record_.trueAirspeed = knots;
    record_.verticalRate = 0.0;
    std::vector<LiveFlight> records;
    for (int i = 0; i < count; ++i) {
        records.push_back(next());
        advance(knots);
    }
    return records;
}

std::vector<LiveFlight> LiveFlightBuilder::climbOut(int count, double knots, double feetPerMinute) {
    record_.groundSpeed = knots;
    record_.trueAirspeed = knots;
    record_.verticalRate = feetPerMinute;
    std::vector<LiveFlight> records;
    for (int i = 0; i < count; ++i) {
        record_.altitude += feetPerMinute * step_ / kSecondsPerMinute;
        records.push_back(next());
        advance(knots);
    }
    return records;
}

} // namespace ksb::test
