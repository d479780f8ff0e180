// Choosing the park airport: the airport under the user on the ground, else the nearest candidate
// in sight; dropping it when it goes out of sight or a nearer candidate comes into sight.
#include "traffic/park_airports.h"

#include "airports/airport_files.h"
#include "airports/airports.h"
#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "core/time_text.h"
#include "traffic/parked_shares.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <optional>
#include <string>

namespace {

// Within AIRPORT_RANGE of the user, and the user not above AIRPORT_HEIGHT.
bool lf_parkAirportInSight(double distanceNm) {
    const double height = gf_userState().altitudeAboveGround;
    return distanceNm <= static_cast<double>(AIRPORT_RANGE.value()) &&
           height <= static_cast<double>(AIRPORT_HEIGHT.value());
}

} // namespace

namespace ksb {

bool lf_setParkAirport(const std::string& code) {
    const std::optional<Airport> airport = gf_findAirport(code);
    if (!airport) {
        return false;
    }
    trafficState.parkAirport = *airport;
    gf_parkAirportState().name = airport->code;
    gf_parkAirportState().parkSnapshot.set(ParkSnapshot{airport->code, airport->lat, airport->lon});
    const std::string displayName = gf_airportDisplayName(*airport);
    mainWindow.setText(WindowText::airportDisplayName, displayName, kStatisticsRegion);
    gf_log(fmt::format("The park airport is {}", displayName));
    return true;
}

void lf_chooseParkAirport(const Position& user, bool calculateNow) {
    if (userOnGround.load()) {
        const std::optional<Airport> airport = gf_findClosestAirport(user);
        if (!airport) {
            gf_showMessage("User aircraft on the ground, no airport in sight", true);
            return;
        }
        const std::string onGroundAt =
            fmt::format("User aircraft on the ground at {}", gf_airportDisplayName(*airport));
        if (!gf_apfExists(airport->code)) {
            gf_showMessage(onGroundAt + ", no airport file found", true);
            return;
        }
        gf_log(onGroundAt);
        if (lf_setParkAirport(airport->code)) {
            lf_loadAndCalculate(calculateNow);
        }
        return;
    }
    if (trafficState.parkAirports.empty()) {
        return;
    }
    const ParkAirport nearest = trafficState.parkAirports.front();
    if (!lf_parkAirportInSight(nearest.distance) || !lf_setParkAirport(nearest.name)) {
        return;
    }
    gf_showMessage(fmt::format("{} in sight at {:.1F} nm", nearest.name, nearest.distance), true);
    // Loaded at the next check, once the feed has collected the live flights it sees.
    trafficState.parkAirportPendingLoad = true;
    lf_startStaticParking(false);
}

void lf_checkParkAirportInSight(const Position& user) {
    // On the ground the park airport never changes.
    if (userOnGround.load()) {
        return;
    }
    const Airport& park = trafficState.parkAirport;
    // Measured from the airport itself: one chosen on the ground need not be a candidate.
    const double distance = gf_distanceNM(user, Position{park.lat, park.lon});
    if (!lf_parkAirportInSight(distance)) {
        gf_log(fmt::format("\n{} {} is out of sight ({:.1F} nm), parked aircraft will be removed",
                           gf_logTimeStamp(), gf_airportDisplayName(park), distance));
        gf_dropParkAirport();
        return;
    }
    if (trafficState.parkAirports.empty()) {
        return;
    }
    const ParkAirport& nearest = trafficState.parkAirports.front();
    if (nearest.name == park.code || !lf_parkAirportInSight(nearest.distance) ||
        nearest.distance > distance) {
        return;
    }
    gf_log(fmt::format(
        "\n{} {} is in sight ({:.1F} nm), parked aircraft at {} will be removed first",
        gf_logTimeStamp(), nearest.name, nearest.distance, gf_airportDisplayName(park)));
    gf_dropParkAirport();
}

void gf_checkParkAirport(bool calculateNow) {
    if (controlsLocked.load() && trafficState.standsToFill.empty()) {
        // The static creation has finished.
        trafficState.linkServices.unlockControls();
        gf_clearMessage();
        gf_updateStaticParkedShare(true);
        gf_updateLiveParkedShare(true);
    }
    if (trafficState.parkAirportPendingLoad) {
        gf_clearMessage();
        lf_loadAndCalculate(true);
        return;
    }
    const UserAircraftState state = gf_userState();
    if (gf_userPositionUnknown(state.latitude, state.longitude)) {
        return;
    }
    const Position user{state.latitude, state.longitude};
    if (user.latitude != trafficState.sortPosition.latitude ||
        user.longitude != trafficState.sortPosition.longitude) {
        trafficState.sortPosition = user;
        lf_sortParkAirports(user);
    }
    if (!trafficState.parkAirport.code.empty()) {
        lf_checkParkAirportInSight(user);
    } else {
        lf_chooseParkAirport(user, calculateNow);
    }
}

} // namespace ksb
