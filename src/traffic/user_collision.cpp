#include "traffic/user_collision.h"

#include "core/geodesy.h"
#include "traffic/aircraft_overlap.h"
#include "traffic/traffic_state.h"
#include "traffic/user_proximity.h"

#include <cmath>

namespace {

// A ground aircraft on the user's runway line while the user lands or takes off.
constexpr double kUserLowAglFeet = 500.0;
constexpr double kRunwayRangeNm = 1.0;
constexpr double kRunwayLateralFeet = 50.0;
// An airborne aircraft whose line passes the user.
constexpr double kPathRangeNm = 4.0;
constexpr double kPathVerticalFeet = 1000.0;
constexpr double kPathLateralFeet = 700.0;

// The distance when it is at most rangeNm; a negative value otherwise.
double lf_distanceWithin(const Position& a, const Position& b, double rangeNm) {
    if (ksb::gf_fartherByLatitude(a, b, rangeNm)) {
        return -1.0;
    }
    const double distance = gf_distanceNM(a, b);
    return distance <= rangeNm ? distance : -1.0;
}

bool lf_onUserRunwayLine(const LiveAircraft& aircraft) {
    const UserAircraftState& user = trafficState.userState;
    if (user.altitudeAboveGround >= kUserLowAglFeet) {
        return false;
    }
    const Position userAt = ksb::lf_userPosition();
    const Position at = ksb::gf_livePosition(aircraft);
    const double distance = lf_distanceWithin(userAt, at, kRunwayRangeNm);
    return distance >= 0.0 &&
           ksb::gf_lateralDistanceFeet(distance, user.trueHeading, gf_initialBearing(userAt, at)) <=
               kRunwayLateralFeet;
}

bool lf_onUserPath(const LiveAircraft& aircraft) {
    const UserAircraftState& user = trafficState.userState;
    if (std::abs(aircraft.position.altitude - user.altitude) >= kPathVerticalFeet) {
        return false;
    }
    const Position userAt = ksb::lf_userPosition();
    const Position at = ksb::gf_livePosition(aircraft);
    const double distance = lf_distanceWithin(userAt, at, kPathRangeNm);
    // The user's distance from the aircraft's heading line.
    return distance >= 0.0 &&
           ksb::gf_lateralDistanceFeet(distance, aircraft.position.heading,
                                       gf_initialBearing(userAt, at)) <= kPathLateralFeet;
}

} // namespace

namespace ksb {

void lf_avoidUserCollisionOnGround() {
    const Position userAt = ksb::lf_userPosition();
    const double userSpan = trafficState.linkServices.userHalfWingSpan();
    for (LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.onGround && aircraft.state == LiveState::inSimulator &&
            gf_closerThanNm(userAt, gf_livePosition(aircraft),
                            gf_overlapDistanceNm(userSpan, aircraft.halfWingSpan))) {
            trafficState.linkServices.releaseAiAircraft(aircraft);
            return;
        }
    }
    // Static aircraft never move: while the user stands still, what overlapped went already.
    Position& tested = trafficState.userGroundCheck;
    if (userAt.latitude == tested.latitude && userAt.longitude == tested.longitude) {
        return;
    }
    tested = userAt;
    for (AiAircraft& parked : trafficState.statics) {
        if (parked.state == LiveState::inSimulator &&
            gf_closerThanNm(userAt, gf_standPosition(parked),
                            gf_overlapDistanceNm(userSpan, parked.halfWingSpan))) {
            trafficState.linkServices.releaseAiAircraft(parked);
            return;
        }
    }
}

bool lf_avoidUserCollision(LiveAircraft& aircraft) {
    if (aircraft.state != LiveState::inSimulator) {
        return false;
    }
    if (!(aircraft.onGround ? lf_onUserRunwayLine(aircraft) : lf_onUserPath(aircraft))) {
        return false;
    }
    trafficState.linkServices.releaseAiAircraft(aircraft);
    return true;
}

} // namespace ksb
