#include "traffic/static_creation.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "traffic/aircraft_index.h"
#include "traffic/conflicts.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <bitset>
#include <utility>
#include <vector>

namespace {

using StaticKeysHeld = std::bitset<ksb::kLastStaticKey + 1>;

// A key is held from its request until its aircraft is erased.
StaticKeysHeld lf_staticKeysHeld() {
    StaticKeysHeld held;
    for (const AiAircraft& aircraft : trafficState.statics) {
        if (aircraft.flightKey <= ksb::kLastStaticKey) {
            held.set(aircraft.flightKey);
        }
    }
    for (const AiCreateRequest& request : trafficState.staticCreations) {
        if (request.flightKey <= ksb::kLastStaticKey) {
            held.set(request.flightKey);
        }
    }
    return held;
}

// The next free key after the last one given, wrapping from 9999 to 1; 0 when all are held.
std::uint32_t lf_nextStaticKey() {
    const StaticKeysHeld held = lf_staticKeysHeld();
    std::uint32_t key = trafficState.staticKeyCounter;
    for (std::uint32_t tried = 0; tried < ksb::kLastStaticKey; ++tried) {
        key = key >= ksb::kLastStaticKey ? 1 : key + 1;
        if (!held.test(key)) {
            trafficState.staticKeyCounter = key;
            return key;
        }
    }
    return 0;
}

bool lf_parksOrMovesIn(const LiveAircraft& aircraft) {
    return aircraft.standId != 0 && (aircraft.phase == FlightPhase::parked ||
                                     aircraft.phase == FlightPhase::movingToAdjacentStand);
}

// A static aircraft would stand in the live one or touch its wings. Without the stand in the
// table only the stand itself can be tested.
bool lf_refusedByLiveAircraft(const StandToFill& entry, const ParkPosition* stand) {
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (!lf_parksOrMovesIn(aircraft)) {
            continue;
        }
        if (aircraft.standId == entry.standId) {
            if (LOG.value()) {
                gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} standing here",
                                   gf_standLogName(entry.standId), entry.callsign,
                                   aircraft.callsign));
            }
            return true;
        }
        if (stand != nullptr &&
            std::find(stand->adjacentStandIds.begin(), stand->adjacentStandIds.end(),
                      aircraft.standId) != stand->adjacentStandIds.end()) {
            if (LOG.value()) {
                gf_log(fmt::format(
                    "{:8}: no static parking for {}, live aircraft {} is adjacent at {}, "
                    "possibly colliding",
                    gf_standLogName(entry.standId), entry.callsign, aircraft.callsign,
                    gf_standLogName(aircraft.standId)));
            }
            return true;
        }
    }
    return false;
}

AiAircraft lf_staticAircraftOf(const StandToFill& entry, const ParkPosition& stand,
                               std::uint32_t key) {
    Flight flight;
    flight.airline = entry.airline;
    flight.type = entry.type;
    flight.registration = entry.registration;
    flight.callsign = ksb::lf_staticCallsign(entry, key);
    flight.firstReceivedCallsign = entry.callsign;
    flight.coupledCallsign = entry.coupledCallsign;
    flight.category = static_cast<AircraftCategory>(gf_typeCategory(entry.type));
    flight.halfWingSpan = gf_wingspanOfType(entry.type);
    flight.flightKey = key;
    AiAircraft aircraft{flight};
    // A learned entry has no hexid; only one above 10000 counts.
    aircraft.trafficValue = entry.fromParkTraffic ? entry.flightId : 0;
    aircraft.creatorFlag = entry.fromParkTraffic;
    aircraft.stays = entry.stays;
    aircraft.parkedAt = gf_halfHoursBefore(dayHalfHourNow.load(), entry.sortKey);
    aircraft.standId = stand.standId;
    aircraft.standLatitude = stand.latitude;
    aircraft.standLongitude = stand.longitude;
    aircraft.standHeading = stand.heading;
    aircraft.state = LiveState::creationRequested;
    return aircraft;
}

AiCreateRequest lf_staticRequestOf(const AiAircraft& aircraft) {
    AiCreateRequest request;
    SIMCONNECT_DATA_INITPOSITION& init = request.initPosition;
    init.Latitude = aircraft.standLatitude;
    init.Longitude = aircraft.standLongitude;
    init.Altitude = 0.0;
    init.Pitch = 0.0;
    init.Bank = 0.0;
    init.Heading = aircraft.standHeading * kDegreesPerRadian;
    init.OnGround = 1;
    init.Airspeed = 0;
    request.callsign = aircraft.callsign;
    request.liveryTitle = aircraft.liveryTitle;
    request.flightKey = aircraft.flightKey;
    return request;
}

} // namespace

namespace ksb {

void gf_createStaticParked() {
    std::vector<StandToFill>& plan = trafficState.standsToFill;
    if (gf_parkAirportState().stands.empty() || plan.empty()) {
        return;
    }
    // Consumed whatever becomes of it.
    const StandToFill entry = std::move(plan.back());
    plan.pop_back();
    const ParkPosition* stand = gf_findStandById(entry.standId);
    if (lf_refusedByLiveAircraft(entry, stand)) {
        return;
    }
    if (stand == nullptr) {
        gf_log(fmt::format("stand with id {} not found", entry.standId));
        return;
    }
    const std::uint32_t key = lf_nextStaticKey();
    if (key == 0) {
        gf_logLine("no free static key");
        return;
    }
    AiAircraft aircraft = lf_staticAircraftOf(entry, *stand, key);
    if (!gf_matchParkedLivery(aircraft, *stand)) {
        return;
    }
    trafficState.staticCreations.push_back(lf_staticRequestOf(aircraft));
    gf_appendStatic(std::move(aircraft));
}

} // namespace ksb
