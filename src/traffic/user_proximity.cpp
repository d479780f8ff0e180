#include "traffic/user_proximity.h"

#include "core/geodesy.h"
#include "core/run_state.h"
#include "core/sim_session_state.h"
#include "traffic/traffic_state.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kTrackLineRangeNm = 6.0;
constexpr double kTrackLineAltitudeFeet = 3000.0;
constexpr double kTrackLineLateralFeet = 4000.0;

} // namespace

namespace ksb {

bool lf_userOnGround() {
    return userOnGroundKnown.load() && userOnGround.load();
}

Position lf_userPosition() {
    return Position{trafficState.userState.latitude, trafficState.userState.longitude};
}

double gf_lateralDistanceFeet(double distanceNm, double lineBearing, double bearingToPoint) {
    // The wrapped difference: an unwrapped one between pi and 2 pi has a negative sine, which
    // would put every point on the line.
    return distanceNm * kFeetPerNM *
           std::abs(std::sin(gf_angleDifference(lineBearing, bearingToPoint)));
}

bool lf_userInTrackLine(const LiveAircraft& aircraft) {
    if (aircraft.samples.empty()) {
        return false;
    }
    const UserAircraftState& user = trafficState.userState;
    const PositionSample& first = aircraft.samples.front();
    const Position userPosition = lf_userPosition();
    const Position firstPosition{first.latitude, first.longitude};
    const double distance = gf_distanceNM(userPosition, firstPosition);
    if (distance > kTrackLineRangeNm ||
        std::abs(first.altitude - user.altitude) >= kTrackLineAltitudeFeet) {
        return false;
    }
    // The course towards the next sample; a lone sample has only its reported track.
    double course = first.track * kRadiansPerDegree;
    if (aircraft.samples.size() > 1) {
        const PositionSample& second = aircraft.samples[1];
        course = gf_initialBearing(firstPosition, Position{second.latitude, second.longitude});
    }
    return gf_lateralDistanceFeet(distance, course,
                                  gf_initialBearing(userPosition, firstPosition)) <=
           kTrackLineLateralFeet;
}

} // namespace ksb
