#include "traffic/aircraft_overlap.h"

#include "core/log.h"
#include "core/parameters.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cmath>

namespace {

constexpr double kOverlapFactor = 1.1;
// Keeps rounding in the haversine from settling a pair right at the limit by latitude alone.
constexpr double kLatitudeMargin = 1.0 + 1.0e-9;

} // namespace

namespace ksb {

bool gf_fartherByLatitude(const Position& a, const Position& b, double limitNm) {
    // No great circle between two points is shorter than their difference of latitude.
    const double latitudeArcNm =
        std::abs(b.latitude - a.latitude) * kRadiansPerDegree * kEarthRadiusNM;
    return latitudeArcNm > limitNm * kLatitudeMargin;
}

bool gf_closerThanNm(const Position& a, const Position& b, double limitNm) {
    return !gf_fartherByLatitude(a, b, limitNm) && gf_distanceNM(a, b) < limitNm;
}

double gf_overlapDistanceNm(double halfSpanA, double halfSpanB) {
    return kOverlapFactor * (halfSpanA + halfSpanB);
}

Position gf_livePosition(const LiveAircraft& aircraft) {
    return Position{aircraft.position.latitude, aircraft.position.longitude};
}

Position gf_standPosition(const AiAircraft& aircraft) {
    return Position{aircraft.standLatitude, aircraft.standLongitude};
}

bool lf_avoidCollisionWithLive(const LiveAircraft& liveCopy, AiAircraft& parked) {
    if (parked.state != LiveState::inSimulator ||
        !gf_closerThanNm(gf_livePosition(liveCopy), gf_standPosition(parked),
                         gf_overlapDistanceNm(liveCopy.halfWingSpan, parked.halfWingSpan))) {
        return false;
    }
    if (LOG.value()) {
        gf_log(fmt::format("{:8}: {:8} removed for collision avoidance with live {}",
                           gf_standLogName(parked.standId), parked.callsign, liveCopy.callsign));
    }
    trafficState.linkServices.releaseAiAircraft(parked);
    return true;
}

} // namespace ksb
