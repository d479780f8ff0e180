#include "traffic/new_flight.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "core/geodesy.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "traffic/aircraft_index.h"
#include "traffic/category_tables.h"
#include "traffic/traffic_state.h"

#include <cmath>
#include <string>
#include <utility>

namespace {

constexpr double kNoParkAirportElevation = -1000.0; // feet
constexpr double kAltitudeMargin = 120.0;           // feet
constexpr double kHighAltitude = 10000.0;           // feet

} // namespace

Flight gf_flightFromFeed(const LiveFlight& record) {
    Flight flight;
    static_cast<FlightIdentity&>(flight) = record;
    flight.halfWingSpan = gf_wingspanOfType(flight.type);
    const CategoryValues& values = gf_categoryValues(gf_typeCategory(flight.type));
    flight.rotationPitch = gf_randomVariation(values.rotationPitch, 2.5) * kRadiansPerDegree;
    flight.climbPitch = gf_randomVariation(values.climbPitch, 5.0) * kRadiansPerDegree;
    flight.flarePitchTicks = values.flareTicks;
    flight.derotationTicks = values.derotationTicks;
    flight.rotationTicks = values.rotationTicks;
    flight.climbPitchTicks = values.pitchTransitionTicks;
    return flight;
}

bool lf_altitudePlausible(const LiveFlight& record) {
    if (record.altitude >= kHighAltitude || record.altitude <= 0.0) {
        return true;
    }
    const ksb::ParkAirportState& park = gf_parkAirportState();
    const double reference = park.parkAirportLoaded ? park.altitude : kNoParkAirportElevation;
    return std::fabs(record.altitude - reference) > kAltitudeMargin;
}

bool lf_newFlight(LiveFlight& record) {
    if (record.type.empty()) {
        record.type = gf_dbaseTypeOfReg(record.registration);
    }
    if (!gf_isKnownType(record.type)) {
        std::string repaired = gf_dbaseTypeOfReg(record.registration);
        if (repaired.empty()) {
            return false;
        }
        record.type = std::move(repaired);
    }
    if (!gf_categorySwitchedOn(static_cast<AircraftCategory>(gf_typeCategory(record.type))) ||
        !lf_altitudePlausible(record)) {
        return false;
    }
    record.firstReceivedCallsign = record.callsign;
    record.coupledCallsign.clear();
    record.coupledSearchDone = false;
    lf_createLiveAircraft(record);
    return true;
}

void lf_createLiveAircraft(LiveFlight& record) {
    Flight flight = gf_flightFromFeed(record);
    const int category = gf_typeCategory(record.type);
    const CategoryValues& values = gf_categoryValues(category);
    flight.category = static_cast<AircraftCategory>(category);
    flight.flightKey = record.flightId;
    flight.baseTurnRate = values.turnRate * kRadiansPerDegree;
    flight.turnRate = flight.baseTurnRate;
    flight.climbLimit = values.climbLimit;
    flight.pushSpeed = values.pushSpeed;
    gf_appendLive(LiveAircraft(gf_positionSampleOf(record), flight, record.timeStamp));
}

std::int64_t gf_wantedStaticCount() {
    const auto stands = static_cast<std::int64_t>(gf_parkAirportState().stands.size());
    const std::int64_t percentage = parking_percentage.value();
    std::int64_t wanted = 1;
    if (stands != 1 && (stands > 3 || percentage >= 50)) {
        wanted = (percentage * stands + 50) / 100; // halves away from zero; both are >= 0
    }
    mainWindow.staticTarget = static_cast<std::int32_t>(wanted);
    gf_invalidate(kStatisticsRegion);
    return wanted;
}
