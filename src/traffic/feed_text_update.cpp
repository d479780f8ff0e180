#include "traffic/sample_intake.h"

#include "airports/park_airport_state.h"
#include "core/log.h"
#include "core/parameters.h"
#include "traffic/traffic_state.h"

namespace {

// One end of the route: an empty field takes the record's text; a different one counts.
void lf_compareRouteEnd(std::string& field, const std::string& fromRecord, bool& filled,
                        int& changed) {
    if (fromRecord.empty()) {
        return;
    }
    if (field.empty()) {
        field = fromRecord;
        filled = true;
    } else if (field != fromRecord) {
        ++changed;
    }
}

// A flight out of the park airport whose feed names the park airport as destination too: the
// route is kept.
bool lf_leavingParkAirport(const LiveAircraft& aircraft, const LiveFlight& record) {
    const ksb::ParkAirportState& park = gf_parkAirportState();
    return park.parkAirportLoaded && !park.name.empty() && aircraft.departure == park.name &&
           record.destination == aircraft.departure;
}

// True when a field was filled or the route replaced.
bool lf_updateRoute(LiveAircraft& aircraft, const LiveFlight& record) {
    bool filled = false;
    int changed = 0;
    lf_compareRouteEnd(aircraft.departure, record.departure, filled, changed);
    lf_compareRouteEnd(aircraft.destination, record.destination, filled, changed);
    if (changed < 2 || lf_leavingParkAirport(aircraft, record)) {
        return filled;
    }
    aircraft.departure = record.departure;
    aircraft.destination = record.destination;
    if (aircraft.onGround && aircraft.phase != FlightPhase::movingToAdjacentStand &&
        aircraft.phase != FlightPhase::parked) {
        aircraft.setPhase(FlightPhase::taxi);
        aircraft.targetHeading = aircraft.position.heading;
    }
    return true;
}

} // namespace

bool lf_updateFromFeed(LiveAircraft& aircraft, const LiveFlight& record) {
    if (aircraft.takeOffRoll || aircraft.landingRoll) {
        return true;
    }
    if (aircraft.state == LiveState::newFlight) {
        if (!record.departure.empty() && record.departure != aircraft.departure) {
            aircraft.departure = record.departure;
        }
        if (!record.destination.empty() && record.destination != aircraft.destination) {
            aircraft.destination = record.destination;
        }
        if (aircraft.registration.empty()) {
            aircraft.registration = record.registration;
        }
        if (aircraft.callsign.empty()) {
            aircraft.callsign = record.callsign;
        }
        return true;
    }
    if (aircraft.state != LiveState::inSimulator || aircraft.phase < FlightPhase::taxi) {
        return true;
    }
    const bool newCallsign = !record.callsign.empty() && record.callsign != aircraft.callsign &&
                             record.callsign != aircraft.registration;
    // Refused before anything changes, so that a refused record renames nothing.
    if (newCallsign && gf_isGhostCallsign(record.callsign) &&
        lf_liveCallsignExists(record.callsign, &aircraft)) {
        return false;
    }
    const bool routeChanged = lf_updateRoute(aircraft, record);
    if (newCallsign) {
        aircraft.callsign = record.callsign;
        aircraft.firstReceivedCallsign = record.callsign;
        aircraft.coupledCallsign.clear();
        if (!gf_isGhostCallsign(aircraft.callsign)) {
            trafficState.hooks.removeGhost(aircraft.callsign);
        }
    }
    if ((!routeChanged && !newCallsign) || !GUID_CHANGES.value()) {
        return true;
    }
    if (LOG.value()) {
        gf_logContinue(aircraft.describe());
    }
    trafficState.hooks.liveryChange(aircraft);
    aircraft.recreationHeading = aircraft.position.heading;
    aircraft.hasRecreationHeading = true;
    // Paced with every other removal the engine decides.
    trafficState.removals.push_back(aircraft.objectId);
    return false;
}
