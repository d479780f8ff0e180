// Closing the park airport, and dropping it with everything static and parked on it.
#include "traffic/park_airports.h"

#include "airports/airports.h"
#include "airports/park_airport_state.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/creation_cancel.h"
#include "traffic/max_aircraft.h"
#include "traffic/stand_table.h"
#include "traffic/static_flush.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

// A parked live aircraft whose creation is still to be cancelled.
struct DroppedParkedCreation {
    std::uint32_t flightKey = 0;
    std::string callsign;
};

void lf_removeParkedLive() {
    // A cancel erases records (the last moves into the place), so the creations are collected
    // first and cancelled after the walk; a release changes no vector.
    std::vector<DroppedParkedCreation> creations;
    for (LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.phase != FlightPhase::parked) {
            continue;
        }
        if (aircraft.state == LiveState::inSimulator) {
            trafficState.linkServices.releaseAiAircraft(aircraft);
        } else if (aircraft.state == LiveState::creationRequested) {
            creations.push_back(DroppedParkedCreation{aircraft.flightKey, aircraft.callsign});
        }
    }
    for (const DroppedParkedCreation& creation : creations) {
        ksb::lf_cancelQueuedCreations(creation.callsign);
        // Still there and waiting: its request has gone to the simulator, so it goes once it
        // is created; an erase flag now would leave its object there for ever.
        LiveAircraft* sent = gf_liveByKey(creation.flightKey);
        if (sent != nullptr && sent->state == LiveState::creationRequested) {
            sent->removeOnceCreated = true;
        }
    }
}

} // namespace

namespace ksb {

void gf_clearParkAirport() {
    gf_resetParkAirport();
    ParkAirportState& park = gf_parkAirportState();
    park.name.clear();
    park.stands.clear();
    gf_clearStandNameMemo();
    park.parkSnapshot.set(std::nullopt);
    trafficState.parkAirport = Airport{};
    trafficState.parkAirportPendingLoad = false;
    trafficState.adjustments.clear();
    trafficState.standsToFill.clear();
    trafficState.reservedStand.clear();
    trafficState.reservedStandFlag = false;

    mainWindow.parkAirportLoaded = false;
    mainWindow.reservedStandValid = false;
    mainWindow.staticTarget = 0;
    mainWindow.setText(WindowText::airportDisplayName, std::string(), kStatisticsRegion);
    mainWindow.setText(WindowText::parkAirportName, std::string(), kStatisticsRegion);
    mainWindow.setText(WindowText::reservedStand, std::string(), kStatisticsRegion);
    gf_invalidate(kStatisticsRegion);
}

void gf_dropParkAirport() {
    trafficState.standsToFill.clear();
    gf_removeAllStatic();
    lf_removeParkedLive();
    for (LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.state == LiveState::inSimulator) {
            aircraft.standLatitude = 0.0;
            aircraft.standLongitude = 0.0;
            aircraft.standHeading = 0.0;
            aircraft.standId = 0;
        }
    }
    gf_clearParkAirport();
    // A park airport's file may have set its own maximum; the user's comes back.
    if (MAX_LIVE.value() != userMaxLive.load()) {
        MAX_LIVE.setClamped(userMaxLive.load());
        lf_showIntParameter(MAX_LIVE);
        gf_applyMaxAircraft();
    }
}

} // namespace ksb
