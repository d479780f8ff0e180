// Parking on the stand where the feed stops a taxiing aircraft: clearing the stand, the way in
// and the arrival with its learning.
#include "core/clock.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/time_text.h"
#include "traffic/make_place.h"
#include "traffic/motion.h"
#include "traffic/stand_manoeuvre_steps.h"
#include "traffic/stand_options.h"
#include "traffic/stand_table.h"
#include "traffic/stand_taking.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ksb {
namespace {

constexpr double kNearStandNm = 0.010799136069114472;     // 20 m
constexpr double kWideNearStandNm = 0.029697624190064796; // 55 m
constexpr double kArrivedNm = 0.0010799136069114472;      // 2 m
// The way in takes at least this long, and the aircraft stands this much after it arrives.
constexpr std::int64_t kLeastTravelTicks = 100;
constexpr std::int64_t kStandingAfterTicks = 50;

// Those parked on the stand and, by the conflict rules, on its neighbours give way.
void lf_clearStandFor(LiveAircraft& aircraft, const ParkPosition& stand) {
    // By index: a release never adds or erases, but a hook may reach the vector.
    for (std::size_t i = 0; i < trafficState.live.size(); ++i) {
        if (lf_removeParkedAtStand(stand.standId, trafficState.live[i])) {
            break;
        }
    }
    for (const std::uint32_t neighbourId : stand.adjacentStandIds) {
        for (std::size_t i = 0; i < trafficState.live.size(); ++i) {
            StandRuleContext context{stand.standId, neighbourId, aircraft};
            trafficState.hooks.removedByAdjacentParking(context, trafficState.live[i]);
        }
    }
}

} // namespace

bool lf_removeParkedAtStand(std::uint32_t standId, LiveAircraft& other) {
    if (other.state != LiveState::inSimulator || other.phase != FlightPhase::parked ||
        other.standId != standId) {
        return false;
    }
    if (LOG.value()) {
        gf_log(fmt::format("{:8}: {:8} removed {}", gf_standLogName(standId), other.callsign,
                           gf_logTimeStamp()));
    }
    trafficState.linkServices.releaseAiAircraft(other);
    return true;
}

bool lf_parkAtAdjacentStand(LiveAircraft& aircraft, bool wide) {
    if (aircraft.samples.empty()) {
        return false;
    }
    const Position last = gf_samplePosition(aircraft.samples.back());
    if (last.latitude == aircraft.lastAdjacentCheckLatitude &&
        last.longitude == aircraft.lastAdjacentCheckLongitude) {
        return false;
    }
    aircraft.lastAdjacentCheckLatitude = last.latitude;
    aircraft.lastAdjacentCheckLongitude = last.longitude;

    ParkPosition* stand = lf_nearestStand(last, wide ? kWideNearStandNm : kNearStandNm);
    if (stand == nullptr || lf_standKeptForUser(*stand)) {
        return false;
    }
    lf_clearStandFor(aircraft, *stand);
    lf_makePlaceFor(aircraft, *stand);

    lf_takeStand(aircraft, *stand);
    gf_keepCurrentSample(aircraft);
    // A curve set up earlier in this step would lead to samples no longer queued.
    lf_clearCurve(aircraft);
    aircraft.setPhase(FlightPhase::movingToAdjacentStand);
    lf_pathIntoStand(aircraft, *stand);
    return true;
}

void lf_pathIntoStand(LiveAircraft& aircraft, const ParkPosition& stand) {
    if (aircraft.samples.empty()) {
        return;
    }
    const Position at{stand.latitude, stand.longitude};
    PositionSample& last = aircraft.samples.back();
    const std::int64_t travel =
        std::max(gf_pushTravelTicks(aircraft, gf_distanceNM(gf_samplePosition(last), at)),
                 kLeastTravelTicks);

    // It moves onto the stand point, then stands there: two samples, so that it really moves in.
    PositionSample moving =
        gf_pushSampleAt(aircraft, last, at, gf_dueTickAfter(last.dueTick, travel));
    moving.track = stand.heading * kDegreesPerRadian;
    moving.bank = aircraft.position.bank;
    moving.altitude = aircraft.position.altitude;
    moving.repeated = last.latitude == at.latitude && last.longitude == at.longitude;
    last.groundSpeed = aircraft.pushSpeed;

    PositionSample standing = moving;
    standing.groundSpeed = 0.0;
    standing.verticalRate = 0.0;
    standing.repeated = true;
    standing.dueTick =
        gf_dueTickAfter(aircraft.samples.front().dueTick, kStandingAfterTicks + travel);
    aircraft.samples.push_back(moving);
    aircraft.samples.push_back(standing);

    aircraft.targetTrack = stand.heading;
    if (aircraft.extraSamples > 0) {
        aircraft.extraSamples = 0;
        lf_openWindows(aircraft);
    }
}

void lf_arrivedAtStand(LiveAircraft& aircraft) {
    if (gf_distanceNM(gf_aircraftPosition(aircraft), gf_standPoint(aircraft)) > kArrivedNm) {
        aircraft.setPhase(FlightPhase::taxi);
        return;
    }
    aircraft.setPhase(FlightPhase::parked);
    if (ParkPosition* stand = gf_findStandById(aircraft.standId)) {
        stand->occupied = true;
    }
    aircraft.parkedAt = dayHalfHourNow.load();
    if (aircraft.towed && LOG.value()) {
        gf_log(fmt::format("          towed aircraft {} parks", aircraft.describe()));
    }
    if (!aircraft.samples.empty()) {
        aircraft.samples.front().repeated = true;
    }
    aircraft.atStandSince = gf_clock().steadyNow();
    aircraft.lastStandDistance = 0.0;
    aircraft.awayCount = 0;
    lf_markCargoStand(aircraft);
    trafficState.linkServices.shutdownAiAircraft(aircraft);
    if (LOG.value()) {
        gf_log(fmt::format("{:8}: {:8} arrived at stand {}", gf_standLogName(aircraft.standId),
                           aircraft.callsign, gf_logTimeStamp()));
    }
    trafficState.identityChecks.push_back(aircraft.flightKey);

    if (!aircraft.airline.empty() && aircraft.standCargo == aircraft.cargo &&
        lf_addRealOption(aircraft.standId, aircraft, false, aircraft.parkedAt, false)) {
        lf_markLastLearned(dayHalfHourNow.load(), aircraft.flightKey, true);
        trafficState.hooks.checkMaxPark(0);
    }
}

} // namespace ksb
