// Leaving a stand: forwards along the stand heading, or pushed back tail first with the side
// points of a tail swing prepared for the ground model's countdown.
#include "core/log.h"
#include "core/parameters.h"
#include "core/time_text.h"
#include "traffic/motion.h"
#include "traffic/stand_manoeuvre_steps.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cstdint>
#include <string_view>

namespace ksb {
namespace {

constexpr double kStandHalfTurn = 3.14159265358979323846;
constexpr double kStandQuarterTurn = kStandHalfTurn / 2.0;
// A push back ends this many stand radii behind the stand.
constexpr double kPushBackRadii = 2.5;

void lf_logLeaving(const LiveAircraft& aircraft, std::string_view how) {
    if (LOG.value()) {
        gf_log(fmt::format("{:8}: {:8} {} {}", gf_standLogName(aircraft.standId), aircraft.callsign,
                           how, gf_logTimeStamp()));
    }
}

// Leaving forwards under its own power: lights, engines, taxi throttle and flaps.
void lf_leaveUnderPower(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    link.queueSetLights(aircraft.objectId, kLeaveStandLights);
    link.queueEnginesOn(aircraft.objectId);
    link.setThrottle(aircraft, 0);
    link.setFlaps(aircraft, 1);
    lf_logLeaving(aircraft, "pull out");
}

} // namespace

void lf_pullOut(LiveAircraft& aircraft) {
    aircraft.departureRequested = false;
    aircraft.extraSamples = 0;
    if (aircraft.samples.empty()) {
        return;
    }
    const std::int64_t now = gf_motionNow();
    const Position ahead = gf_destinationPoint(gf_standPoint(aircraft), aircraft.standHeading,
                                               2.0 * aircraft.halfWingSpan * kFeetPerNM);
    PositionSample& current = aircraft.samples.front();
    current.groundSpeed = aircraft.pushSpeed;
    gf_keepCurrentSample(aircraft);
    const std::int64_t travel =
        gf_pushTravelTicks(aircraft, gf_distanceNM(gf_aircraftPosition(aircraft), ahead));
    aircraft.samples.push_back(
        gf_pushSampleAt(aircraft, aircraft.samples.front(), ahead, gf_dueTickAfter(now, travel)));

    aircraft.setPhase(FlightPhase::taxi);
    aircraft.targetTrack = aircraft.position.heading;
    lf_leaveUnderPower(aircraft);
}

void lf_leaveStandUnpushed(LiveAircraft& aircraft) {
    aircraft.departureRequested = false;
    aircraft.setPhase(FlightPhase::taxi);
    lf_leaveUnderPower(aircraft);
}

void lf_pushBack(LiveAircraft& aircraft) {
    aircraft.extraSamples = 0;
    const double behind = gf_wrapHeading(aircraft.standHeading + kStandHalfTurn);
    const ParkPosition* stand = gf_findStandById(aircraft.standId);
    if (stand == nullptr || aircraft.samples.empty()) {
        // Without its stand's radius it cannot know how far back: no push back starts.
        return;
    }
    const std::int64_t now = gf_motionNow();
    const Position end = gf_destinationPoint(gf_aircraftPosition(aircraft), behind,
                                             kPushBackRadii * stand->radius * kFeetPerNM);
    aircraft.samples.front().groundSpeed = aircraft.pushSpeed;
    aircraft.targetTrack = aircraft.position.heading;
    const std::int64_t travel =
        gf_pushTravelTicks(aircraft, gf_distanceNM(gf_aircraftPosition(aircraft), end));

    gf_keepCurrentSample(aircraft);
    aircraft.samples.push_back(
        gf_pushSampleAt(aircraft, aircraft.samples.front(), end, gf_dueTickAfter(now, travel)));
    lf_insertMidSample(aircraft);

    // The tail swings to one side of the end point once the feed shows which way it turns.
    const PositionSample& middle = aircraft.samples[aircraft.samples.size() >= 3 ? 1 : 0];
    const Position midpoint = gf_samplePosition(middle);
    const double sideFeet = aircraft.halfWingSpan * kFeetPerNM;
    // B a quarter turn clockwise of the push direction, C a quarter turn anticlockwise.
    const Position sideB = gf_destinationPoint(end, behind + kStandQuarterTurn, sideFeet);
    const Position sideC = gf_destinationPoint(end, behind - kStandQuarterTurn, sideFeet);
    const auto sideDue = [&](const Position& side) {
        return gf_dueTickAfter(
            now, travel / 2 + gf_pushTravelTicks(aircraft, gf_distanceNM(midpoint, side)));
    };
    const PositionSample& current = aircraft.samples.front();
    aircraft.savedSample = gf_pushSampleAt(aircraft, current, sideB, sideDue(sideB));
    aircraft.samples.push_back(gf_pushSampleAt(aircraft, current, sideC, sideDue(sideC)));

    // The feed's turn is noted afresh for this push back.
    aircraft.moveSeen = false;
    aircraft.turnRightSeen = false;
    trafficState.linkServices.queueSetLights(aircraft.objectId, kLeaveStandLights);
    aircraft.setPhase(FlightPhase::pushBackUnderWay);
    aircraft.pushCountdown = 2;
    lf_logLeaving(aircraft, "push back");
}

} // namespace ksb
