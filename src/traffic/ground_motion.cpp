// The sample step and the ground model: how the aircraft gets from one feed position to the
// next (straight, along a curve, or by an inserted mid sample), and the per-tick step.
#include "traffic/motion.h"

#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <fmt/format.h>
#include <limits>
#include <numbers>

namespace ksb {

namespace {

// Heading differences (degrees) that mean straight on, or a reversal the curve cannot take.
constexpr double kGroundStraight = 3.0;
constexpr double kGroundReversal = 160.0;
// A sharp slow turn gets a mid sample instead of a curve.
constexpr double kSharpTurn = 45.0;
constexpr double kSharpTurnApart = 50.0 * kNMPerMetre;
constexpr double kSharpTurnSpeed = 43.0; // knots
constexpr std::int64_t kSharpTurnTicks = 600;
// A speed change worth a mid sample.
constexpr double kSpeedChange = 5.0; // knots
constexpr double kSpeedChangeApart = 100.0 * kNMPerMetre;
// Parking at the stand where the feed stops the aircraft.
constexpr double kParkingSpeed = 5.0; // knots
constexpr double kParkingNear = 35.0 * kNMPerMetre;
// Below this a heading counts as reached.
constexpr double kHeadingReached = 0.5 * kRadiansPerDegree;
constexpr double kLastCurveParameter = 0.999999;
// The push back's tail swing, degrees.
constexpr double kTailSwing = 90.0;
constexpr double kPushBackEndDistance = 900.0;
constexpr std::uint32_t kTaxiFlaps = 1;

// The last action of a push back under way: engines on, the tow takes over.
void lf_endPushBack(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    aircraft.targetTrack = aircraft.position.heading;
    link.queueEnginesOn(aircraft.objectId);
    link.setThrottle(aircraft, 0);
    link.setFlaps(aircraft, kTaxiFlaps);
    aircraft.setPhase(FlightPhase::pushBackOrTow);
    aircraft.pushCountdown = 1;
    aircraft.pushBackDistance = kPushBackEndDistance;
    aircraft.extraSamples = 0;
    aircraft.departureRequested = false;
}

void lf_pushBackStep(LiveAircraft& aircraft) {
    --aircraft.pushCountdown;
    if (aircraft.pushCountdown == 1) {
        if (!aircraft.moveSeen) {
            // Straight back: the side point goes.
            if (aircraft.samples.size() > 2) {
                aircraft.samples.pop_back();
            }
            return;
        }
        if (aircraft.turnRightSeen && aircraft.samples.size() > 2) {
            aircraft.samples.back() = aircraft.savedSample;
        }
        if (aircraft.samples.size() >= 3) {
            lf_setUpCurve(aircraft);
            aircraft.curveTurnAngle = kTailSwing;
            const double turnTicks =
                std::max(std::round(kTailSwing / aircraft.turnRate / 100.0), 1.0);
            aircraft.curveStep = std::isfinite(turnTicks) ? 1.0 / turnTicks : 0.0;
        }
    } else if (aircraft.pushCountdown < 1) {
        lf_endPushBack(aircraft);
    }
}

void lf_parkedStep(LiveAircraft& aircraft) {
    lf_openWindows(aircraft);
    if (!aircraft.departureRequested || aircraft.samples.empty()) {
        return;
    }
    // Forwards when the feed leaves within 90 degrees of the stand heading, else backwards.
    const double bearing = gf_initialBearing({aircraft.standLatitude, aircraft.standLongitude},
                                             gf_samplePosition(aircraft.samples.back()));
    const double away = std::round(gf_turnDegrees(aircraft.standHeading, bearing));
    if (away < 90.0) {
        lf_pullOut(aircraft);
    } else {
        lf_pushBack(aircraft);
    }
}

// Straight, a mid sample, or a curve toward the sample after the next.
void lf_chooseWay(LiveAircraft& aircraft) {
    std::deque<PositionSample>& q = aircraft.samples;
    if (q.size() < 3) {
        if (aircraft.extraSamples <= 0) {
            lf_checkSpeedChange(aircraft);
        }
        return;
    }
    if (q[2].repeated) {
        lf_checkSpeedChange(aircraft);
        return;
    }
    const double d = std::fabs(lf_headingDifference(aircraft)) * kDegreesPerRadian;
    if (d <= kGroundStraight || d > kGroundReversal) {
        lf_checkSpeedChange(aircraft);
        return;
    }
    const double apart = gf_distanceNM(gf_samplePosition(q[0]), gf_samplePosition(q[1]));
    if (d > kSharpTurn && apart > kSharpTurnApart && q[0].groundSpeed <= kSharpTurnSpeed &&
        std::int64_t{q[1].dueTick} - std::int64_t{q[0].dueTick} >= kSharpTurnTicks) {
        lf_insertMidSample(aircraft);
        return;
    }
    if (gf_samePosition(q.back(), q[2])) {
        lf_checkSpeedChange(aircraft);
        return;
    }
    lf_setUpCurve(aircraft);
    aircraft.curveTurnAngle = d;
}

// Where the feed stops a taxiing aircraft at a stand, it parks there.
void lf_maybePark(LiveAircraft& aircraft) {
    const std::deque<PositionSample>& q = aircraft.samples;
    if (q.size() < 2 || !q.back().repeated || aircraft.phase != FlightPhase::taxi) {
        return;
    }
    const ParkAirportState& park = gf_parkAirportState();
    if (!park.parkAirportLoaded || park.stands.empty()) {
        return;
    }
    const FlightPhase before = aircraft.previousPhase;
    const bool cameFromTaxiOrAir = before != FlightPhase::parked &&
                                   before != FlightPhase::pushBackUnderWay &&
                                   before != FlightPhase::pushBackOrTow;
    if (!aircraft.towed && !cameFromTaxiOrAir) {
        return;
    }
    bool wide = false;
    if (aircraft.extraSamples > 0) {
        wide = aircraft.landed;
    } else {
        const double toLast =
            gf_distanceNM(gf_aircraftPosition(aircraft), gf_samplePosition(q.back()));
        if (q[1].groundSpeed > kParkingSpeed || toLast > kParkingNear) {
            return;
        }
    }
    // Taking the stand clears the curve the dropped samples were set over.
    lf_parkAtAdjacentStand(aircraft, wide);
}

void lf_taxiStep(LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return;
    }
    if (aircraft.samples[1].repeated) {
        // Standing where the feed stopped it. The record that repeats the stop may come only
        // after the motion passed the last moving one (a standing aircraft's records come 15 s
        // apart, and the motion may run ahead of the play delay), so the stand is taken here
        // too. A landing roll drops the feed's standing samples, and the feed may end right
        // after the landing: a landed aircraft standing on its made-up samples takes it as well.
        if (aircraft.extraSamples <= 0 || aircraft.landed) {
            lf_maybePark(aircraft);
        }
        return;
    }
    lf_chooseWay(aircraft);
    if (lf_hasCurve(aircraft)) {
        aircraft.turning = false;
    } else {
        aircraft.turnAngle = gf_turnDegrees(aircraft.position.heading, aircraft.targetTrack);
        aircraft.turning = aircraft.turnAngle > kGroundStraight;
    }
    lf_maybePark(aircraft);
}

void lf_logCurveError(const LiveAircraft& aircraft) {
    gf_log(fmt::format("{} error in curve at index: {:.2F}", aircraft.callsign,
                       aircraft.curveParameter));
}

void lf_followCurveHorizontal(LiveAircraft& aircraft) {
    SimPositionBlock& p = aircraft.position;
    if (lf_hasCurve(aircraft)) {
        aircraft.curveParameter =
            std::min(aircraft.curveParameter + aircraft.curveStep, kLastCurveParameter);
        const CurveSegment segment{aircraft.curveStartLatitude, aircraft.curveStartLongitude, 0.0,
                                   aircraft.curveEndY,          aircraft.curveEndX,           1.0,
                                   aircraft.curveControlX,      aircraft.curveControlY};
        Position point;
        double heading = 0.0;
        if (!gf_pointOnCurve(segment, aircraft.curveParameter, point, heading)) {
            lf_logCurveError(aircraft);
            return;
        }
        p.latitude = point.latitude;
        p.longitude = gf_normaliseLongitude(point.longitude);
        if (aircraft.phase == FlightPhase::pushBackUnderWay) {
            heading = gf_wrapHeading(heading + std::numbers::pi); // tail first
        }
        if (gf_turnDegrees(p.heading, heading) * kRadiansPerDegree > kHeadingReached) {
            p.heading = gf_turnToward(p.heading, heading, aircraft.turnRate);
        }
        return;
    }
    switch (aircraft.phase) {
    case FlightPhase::rotationAndInitialClimb:
    case FlightPhase::airborne:
    case FlightPhase::parked:
        p.heading = gf_wrapHeading(p.heading + aircraft.headingStep);
        break;
    case FlightPhase::pushBackUnderWay:
    case FlightPhase::pushBackOrTow:
    case FlightPhase::taxi:
        if (!aircraft.turning) {
            break;
        }
        [[fallthrough]];
    case FlightPhase::movingToAdjacentStand:
        if (gf_turnDegrees(p.heading, aircraft.targetTrack) * kRadiansPerDegree > kHeadingReached) {
            p.heading = gf_turnToward(p.heading, aircraft.targetTrack, aircraft.turnRate);
        }
        break;
    case FlightPhase::newFlight:
        break;
    }
    if (aircraft.phase != FlightPhase::pushBackOrTow) {
        p.latitude += aircraft.latStep;
        p.longitude = gf_normaliseLongitude(p.longitude + aircraft.lonStep);
    }
}

} // namespace

void lf_nextSample(LiveAircraft& aircraft) {
    for (;;) {
        while (aircraft.samples.size() < 2) {
            if (!lf_extendSamples(aircraft)) {
                if (aircraft.phase != FlightPhase::parked) {
                    lf_learnSoftAtEnd(aircraft);
                }
                trafficState.linkServices.releaseAiAircraft(aircraft);
                return;
            }
        }
        // A fixed-wing aircraft never hovers; rotorcraft keep repeated positions.
        if (!aircraft.onGround && aircraft.category != AircraftCategory::rotorcraft &&
            aircraft.samples[1].repeated) {
            aircraft.samples.erase(aircraft.samples.begin() + 1);
            continue;
        }
        break;
    }
    lf_moveAircraft(aircraft);
}

void lf_moveAircraft(LiveAircraft& aircraft) {
    std::deque<PositionSample>& q = aircraft.samples;
    if (q.size() < 2) {
        return;
    }
    lf_clearCurve(aircraft);
    if (!q[1].repeated && gf_samePosition(q[0], q[1])) {
        q[1].repeated = true;
    }
    if (!q[1].repeated) {
        aircraft.targetTrack = gf_initialBearing(gf_samplePosition(q[0]), gf_samplePosition(q[1]));
    }
    if (aircraft.onGround) {
        lf_groundPhase(aircraft);
    } else {
        lf_airborneStep(aircraft);
    }
    // The ground model may have changed the queue; it always leaves a next sample.
    if (q.size() < 2) {
        return;
    }
    PositionSample& next = q[1];
    if (next.repeated) {
        aircraft.latStep = 0.0;
        aircraft.lonStep = 0.0;
        if (!aircraft.landingRoll && !aircraft.takeOffRoll) {
            lf_shrinkWindows(aircraft);
        }
    } else {
        const std::int64_t ticks = gf_ticksUntil(next);
        aircraft.latStep =
            (next.latitude - aircraft.position.latitude) / static_cast<double>(ticks);
        aircraft.lonStep = gf_longitudeDelta(next.longitude, aircraft.position.longitude) /
                           static_cast<double>(ticks);
        if (aircraft.onGround) {
            lf_takeOffPhase(aircraft);
        } else {
            lf_airbornePhase(aircraft, ticks, next);
        }
    }
    q.pop_front();
}

void lf_groundPhase(LiveAircraft& aircraft) {
    switch (aircraft.phase) {
    case FlightPhase::pushBackUnderWay:
        lf_pushBackStep(aircraft);
        break;
    case FlightPhase::pushBackOrTow:
    case FlightPhase::newFlight:
        break;
    case FlightPhase::parked:
        lf_parkedStep(aircraft);
        break;
    case FlightPhase::taxi:
    case FlightPhase::rotationAndInitialClimb:
    case FlightPhase::airborne:
    case FlightPhase::movingToAdjacentStand:
        lf_taxiStep(aircraft);
        break;
    }
    lf_timeNextGroundSample(aircraft);
}

void lf_followCurve(LiveAircraft& aircraft) {
    lf_followCurveHorizontal(aircraft);
    lf_followCurveVertical(aircraft);
}

double lf_headingDifference(LiveAircraft& aircraft) {
    const std::deque<PositionSample>& q = aircraft.samples;
    if (q.size() < 3 || gf_samePosition(q[1], q[2])) {
        return 0.0;
    }
    const double bearing = gf_initialBearing(gf_samplePosition(q[1]), gf_samplePosition(q[2]));
    return gf_signedTurn(aircraft.position.heading, bearing);
}

void lf_checkSpeedChange(LiveAircraft& aircraft) {
    const std::deque<PositionSample>& q = aircraft.samples;
    if (q.size() < 2) {
        return;
    }
    const double current = q[0].groundSpeed;
    const double next = q[1].groundSpeed;
    if ((current > 0.0 || next > 0.0) && std::fabs(current - next) > kSpeedChange &&
        gf_distanceNM(gf_samplePosition(q[0]), gf_samplePosition(q[1])) >= kSpeedChangeApart) {
        lf_insertMidSample(aircraft);
    }
}

void lf_insertMidSample(LiveAircraft& aircraft) {
    std::deque<PositionSample>& q = aircraft.samples;
    if (q.size() < 2) {
        return;
    }
    const PositionSample& current = q[0];
    const PositionSample& next = q[1];
    PositionSample mid = current;
    mid.latitude = (current.latitude + next.latitude) / 2.0;
    mid.longitude = gf_meanLongitude(current.longitude, next.longitude);
    mid.altitude = std::max((current.altitude + next.altitude) / 2.0, 0.0);
    mid.groundSpeed = (current.groundSpeed + next.groundSpeed) / 2.0;
    const std::int64_t a = current.dueTick;
    const std::int64_t b = next.dueTick;
    mid.dueTick = static_cast<std::int32_t>(a + (b - a) / 2);
    mid.airborne = mid.altitude > 0.0;
    mid.repeated = false;
    q.insert(q.begin() + 1, mid);
}

void lf_setUpCurve(LiveAircraft& aircraft) {
    std::deque<PositionSample>& q = aircraft.samples;
    if (q.size() < 3) {
        return;
    }
    if (q[2].groundSpeed == 0.0) {
        q[2].groundSpeed = (q[0].groundSpeed + q[1].groundSpeed) / 2.0;
    }
    const Position start = gf_aircraftPosition(aircraft);
    const LocalOffset control = gf_localOffset(start, gf_samplePosition(q[1]));
    const LocalOffset end = gf_localOffset(start, gf_samplePosition(q[2]));
    aircraft.curveStartLatitude = start.latitude;
    aircraft.curveStartLongitude = start.longitude;
    aircraft.curveControlX = control.east;
    aircraft.curveControlY = control.north;
    aircraft.curveEndX = end.east;
    aircraft.curveEndY = end.north;
    aircraft.curveParameter = 0.0;
    q.erase(q.begin() + 1);
}

void lf_clearCurve(LiveAircraft& aircraft) {
    aircraft.curveControlX = std::numeric_limits<double>::quiet_NaN();
    aircraft.curveControlY = std::numeric_limits<double>::quiet_NaN();
    aircraft.curveParameter = 0.0;
}

bool lf_hasCurve(const LiveAircraft& aircraft) {
    return !std::isnan(aircraft.curveControlX) && !std::isnan(aircraft.curveControlY);
}

void lf_setCurveStep(LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return;
    }
    aircraft.curveStep = 1.0 / gf_ticksToNextSample(aircraft);
}

} // namespace ksb
