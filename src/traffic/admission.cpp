#include "traffic/admission.h"

#include "catalogue/catalogue.h"
#include "core/geodesy.h"
#include "core/parameters.h"
#include "traffic/max_aircraft.h"
#include "traffic/sample_intake.h"
#include "traffic/traffic_state.h"
#include "traffic/user_proximity.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace {

// A flight moving on the ground needs longer to be placed before its first sample is due.
constexpr std::int64_t kAdmitLeadTicks = 100;
constexpr std::int64_t kAdmitLeadTicksMovingOnGround = 300;
constexpr std::size_t kAdmitMaxQueuedCreations = 10;
constexpr double kAdmitUserSlowKnots = 8.0;
constexpr double kAdmitClearOfUserNm = 500.0 * kNMPerMetre;
constexpr double kAdmitUserGroundMarginNm = 150.0 * kNMPerMetre;
constexpr double kAdmitUserLineRangeNm = 1.5;
constexpr double kAdmitUserLowFeet = 1000.0;
constexpr double kAdmitUserLineFeet = 500.0;
constexpr const char* kAdmitNoCallsign = "@@@@@@@@";
constexpr std::size_t kAdmitMaxCallsignLength = 8;

void lf_holdFlight(LiveAircraft& aircraft) {
    aircraft.samples.pop_front();
}

bool lf_mixedQueue(const LiveAircraft& aircraft) {
    bool airborne = false;
    bool onGround = false;
    for (const PositionSample& sample : aircraft.samples) {
        (sample.airborne ? airborne : onGround) = true;
    }
    return airborne && onGround;
}

// True when the flight must wait for the user's aircraft: it would appear next to it, in its
// path or on its runway.
bool lf_holdForUser(LiveAircraft& aircraft) {
    const UserAircraftState& user = trafficState.userState;
    const PositionSample& first = aircraft.samples.front();
    const Position userPosition = ksb::lf_userPosition();
    const double toFirstSample =
        gf_distanceNM(userPosition, Position{first.latitude, first.longitude});
    if (ksb::lf_userOnGround()) {
        if (aircraft.heldForUser) {
            const bool clear = first.airborne || (first.groundSpeed <= kAdmitUserSlowKnots &&
                                                  toFirstSample >= kAdmitClearOfUserNm);
            if (user.groundVelocity > kAdmitUserSlowKnots || !clear) {
                return true;
            }
        }
        return COLLISION_USER_GND.value() && !first.airborne &&
               toFirstSample < kAdmitUserGroundMarginNm;
    }
    if (!COLLISION_USER_AIR.value()) {
        return false;
    }
    if (first.airborne) {
        if (ksb::lf_userInTrackLine(aircraft)) {
            aircraft.heldForUser = true;
            return true;
        }
        return false;
    }
    if (aircraft.heldForUser) {
        return true;
    }
    // A flight never placed has no simulator position yet; it would appear at its first sample.
    const Position where = aircraft.phase == FlightPhase::newFlight
                               ? Position{first.latitude, first.longitude}
                               : Position{aircraft.position.latitude, aircraft.position.longitude};
    const double distance = gf_distanceNM(userPosition, where);
    if (distance <= kAdmitUserLineRangeNm && user.altitudeAboveGround < kAdmitUserLowFeet &&
        ksb::gf_lateralDistanceFeet(distance, user.trueHeading,
                                    gf_initialBearing(userPosition, where)) <= kAdmitUserLineFeet) {
        aircraft.heldForUser = true;
        return true;
    }
    return false;
}

// True when MAX_LIVE leaves no room for the flight even after the farthest aircraft gave way.
bool lf_noRoomUnderMaxLive(const LiveAircraft& aircraft) {
    const std::int32_t limit = MAX_LIVE.value();
    if (limit == MAX_LIVE.defaultValue()) {
        return false;
    }
    std::size_t count = trafficState.waitingKeys.size() + trafficState.liveCreations.size();
    for (const LiveAircraft& other : trafficState.live) {
        if (other.state == LiveState::inSimulator) {
            ++count;
        }
    }
    if (count < static_cast<std::size_t>(std::max(limit, 0))) {
        return false;
    }
    const PositionSample& first = aircraft.samples.front();
    return lf_removeFarthest(
        gf_distanceNM(ksb::lf_userPosition(), Position{first.latitude, first.longitude}));
}

// The aircraft database knows the registration better than the feed knows the flight.
void lf_completeFromRegistration(LiveAircraft& aircraft) {
    if (aircraft.registration.empty()) {
        return;
    }
    const std::optional<DbaseRecord> record = gf_dbaseRecordOfReg(aircraft.registration);
    if (!record) {
        return;
    }
    aircraft.airline = record->airline;
    aircraft.type = record->type;
    if (!record->operatorCode.empty()) {
        aircraft.airline = record->operatorCode;
    }
    aircraft.cargo = record->cargo;
    if (aircraft.callsign.empty() || aircraft.callsign == kAdmitNoCallsign) {
        aircraft.callsign = aircraft.registration;
    }
}

bool lf_unusableCallsign(const std::string& callsign) {
    return callsign.empty() || callsign == kAdmitNoCallsign ||
           callsign.size() > kAdmitMaxCallsignLength;
}

} // namespace

namespace ksb {

void lf_admitNewAircraft(LiveAircraft& aircraft) {
    // Already dropped (a ghost, an overlong queue): it goes at the end of the tick, so placing it
    // now would take a stand and make others give way for nothing.
    if (aircraft.erase) {
        return;
    }
    if (aircraft.samples.empty()) {
        aircraft.erase = true;
        return;
    }
    const PositionSample& first = aircraft.samples.front();
    const std::int64_t lead = !first.airborne && first.groundSpeed != 0.0
                                  ? kAdmitLeadTicksMovingOnGround
                                  : kAdmitLeadTicks;
    // 64-bit: a play tick near the 32-bit limit must not wrap below the counter.
    if (static_cast<std::int64_t>(trafficState.tickCounter.load()) <
        static_cast<std::int64_t>(first.dueTick) - lead) {
        return;
    }
    if (aircraft.samples.size() == 1) {
        aircraft.erase = true;
        return;
    }
    const std::vector<std::string>& ghosts = trafficState.ghostCallsigns;
    if (gf_isGhostCallsign(aircraft.callsign) &&
        std::find(ghosts.begin(), ghosts.end(), aircraft.callsign) != ghosts.end()) {
        aircraft.erase = true;
        return;
    }
    // Taking off or landing within the window: admitted once all queued samples agree.
    if (lf_mixedQueue(aircraft) || lf_holdForUser(aircraft)) {
        lf_holdFlight(aircraft);
        return;
    }
    // A re-creation after a livery change is not held back by a busy creation queue.
    if (trafficState.liveCreations.size() > kAdmitMaxQueuedCreations &&
        aircraft.phase == FlightPhase::newFlight) {
        lf_holdFlight(aircraft);
        return;
    }
    if (lf_noRoomUnderMaxLive(aircraft)) {
        aircraft.erase = true;
        return;
    }
    const std::string blocked = BLOCK_CALLSIGN.value();
    if (!blocked.empty() && blocked == aircraft.callsign) {
        aircraft.erase = true;
        return;
    }
    lf_completeFromRegistration(aircraft);
    if (lf_unusableCallsign(aircraft.callsign)) {
        aircraft.erase = true;
        return;
    }
    if (aircraft.airline.empty() && !aircraft.airlineFromCallsign()) {
        aircraft.airline = "PVT";
    }
    if (trafficState.noLiveryKeys.count(aircraft.noLiveryKey()) != 0) {
        aircraft.erase = true;
        return;
    }
    // A ghost whose original still flies.
    if (gf_isGhostCallsign(aircraft.callsign) &&
        lf_liveCallsignExists(aircraft.callsign, &aircraft)) {
        aircraft.erase = true;
        return;
    }
    lf_placeNewAircraft(aircraft);
}

} // namespace ksb
