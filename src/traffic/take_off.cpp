// The take-off: the throttle on the ground, the roll's start, the lift-off decision and the
// rotation's start.
#include "traffic/motion.h"

#include "airports/park_airport_state.h"
#include "core/log.h"
#include "core/time_text.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace ksb {
namespace {

constexpr double kRollSpeed = 43.0;        // knots: no lift-off below it
constexpr double kSteadyClimb = 256.0;     // feet per minute
constexpr double kLeastLiftOffClimb = 0.1; // feet

std::uint32_t lf_rollThrottle(const LiveAircraft& aircraft) {
    if (aircraft.category == AircraftCategory::rotorcraft) {
        return 4;
    }
    const double current = aircraft.samples[0].groundSpeed;
    const double next = aircraft.samples[1].groundSpeed;
    if (current >= 25.0 || next >= 30.0) {
        return 4;
    }
    if (current >= 20.0 || next >= 25.0) {
        return 2;
    }
    if (current >= 15.0 || next >= 20.0) {
        return 1;
    }
    return 0;
}

// True when the aircraft lifts off now; the vertical step is then set.
bool lf_liftsOff(LiveAircraft& aircraft) {
    const std::deque<PositionSample>& samples = aircraft.samples;
    if (!aircraft.takeOffRoll || aircraft.phase == FlightPhase::rotationAndInitialClimb ||
        samples[0].groundSpeed < kRollSpeed) {
        return false;
    }
    const bool someSlowClimb =
        std::any_of(samples.begin() + 1, samples.end(),
                    [](const PositionSample& s) { return s.verticalRate <= kSteadyClimb; });
    if (someSlowClimb) {
        if (!lf_allAheadAtLiftOffSpeed(aircraft) || !lf_allAheadAirborne(aircraft)) {
            return false;
        }
        aircraft.verticalStep = aircraft.climbLimit;
        return true;
    }
    if (lf_allAheadAirborne(aircraft)) {
        const double rise =
            std::max(samples[1].altitude - aircraft.position.altitude, kLeastLiftOffClimb);
        aircraft.verticalStep = rise / gf_ticksToNextSample(aircraft);
    } else {
        aircraft.verticalStep = aircraft.climbLimit;
    }
    return true;
}

} // namespace

void lf_takeOffPhase(LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return;
    }
    const TrafficLinkServices& link = trafficState.linkServices;
    if (aircraft.phase == FlightPhase::parked && aircraft.departureRequested) {
        // No manoeuvre took it off its stand (a push back needs the stand's record), yet the
        // feed moves it: it leaves forwards under its own power, not with its engines off.
        lf_leaveStandUnpushed(aircraft);
    } else if (aircraft.phase == FlightPhase::airborne || aircraft.phase == FlightPhase::parked) {
        aircraft.setPhase(FlightPhase::taxi);
    } else if (!aircraft.takeOffRoll) {
        if (aircraft.landingRoll) {
            lf_landingRoll(aircraft);
        } else {
            link.setThrottle(aircraft, gf_motionThrottle(aircraft, 0));
        }
    } else {
        link.setThrottle(aircraft, lf_rollThrottle(aircraft));
    }
    if (!aircraft.landingRoll && !aircraft.takeOffRoll) {
        lf_shrinkWindows(aircraft);
    }
    if (aircraft.flareStage == 0 && aircraft.phase != FlightPhase::rotationAndInitialClimb) {
        aircraft.position.pitch = aircraft.groundPitch;
        aircraft.position.bank = 0.0;
        aircraft.pitchStep = 0.0;
        aircraft.bankStep = 0.0;
    }
    if (lf_hasCurve(aircraft)) {
        lf_setCurveStep(aircraft);
    }
    const double nextSpeed = aircraft.samples[1].groundSpeed;
    aircraft.speed = aircraft.phase == FlightPhase::pushBackUnderWay ? -nextSpeed : nextSpeed;
    if (lf_liftsOff(aircraft)) {
        lf_logTookOff(aircraft);
    }
}

void lf_beginTakeOffRoll(LiveAircraft& aircraft, std::uint32_t throttle) {
    const TrafficLinkServices& link = trafficState.linkServices;
    aircraft.takeOffRoll = true;
    link.setThrottle(aircraft, throttle);
    if (aircraft.category != AircraftCategory::rotorcraft) {
        link.setSpoilers(aircraft, false);
    }
    link.setFlaps(aircraft, 1);
    link.queueSetLights(aircraft.objectId, kTakeOffRollLights);
    lf_openWindows(aircraft);
}

void lf_startTakeOffRoll(LiveAircraft& aircraft) {
    if (aircraft.towed) {
        gf_logLine(fmt::format("towed aircraft takes-off? {}", aircraft.describe()));
    }
    aircraft.descending = false;
    aircraft.landed = false;
    aircraft.goneAround = false;
    lf_beginTakeOffRoll(aircraft, gf_motionThrottle(aircraft, 0));
    if (!aircraft.airline.empty()) {
        lf_learnSoftAtEnd(aircraft);
    }
}

void lf_logTookOff(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    const bool touchAndGo = aircraft.landingRoll;
    const std::int32_t rotationTicks = std::max(aircraft.rotationTicks, 1);
    aircraft.rotationCountdown = rotationTicks;
    aircraft.pitchStep = (aircraft.rotationPitch - aircraft.position.pitch) / rotationTicks;
    aircraft.position.bank = 0.0;
    aircraft.bankStep = 0.0;
    if (!aircraft.takeOffRoll) {
        lf_startTakeOffRoll(aircraft);
    }
    aircraft.setPhase(FlightPhase::rotationAndInitialClimb);
    const ParkAirportState& park = gf_parkAirportState();
    const bool fromPark = park.parkAirportLoaded.load() && !park.name.empty() &&
                          !aircraft.destination.empty() && aircraft.departure == park.name;
    gf_logContinue(fmt::format("{:8} took-off{} {}", aircraft.callsign,
                               fromPark ? " to " + aircraft.destination : std::string(),
                               gf_logTimeStamp()));
    lf_clearCurve(aircraft);
    aircraft.headingStep = 0.0;
    if (touchAndGo) {
        aircraft.landingRoll = false;
        aircraft.descending = false;
        aircraft.landed = false;
        link.setThrottle(aircraft, 4);
        if (aircraft.category != AircraftCategory::rotorcraft) {
            link.setSpoilers(aircraft, false);
        }
        link.setFlaps(aircraft, 1);
    }
}

bool lf_allAheadAirborne(const LiveAircraft& aircraft) {
    return std::all_of(aircraft.samples.begin() + (aircraft.samples.empty() ? 0 : 1),
                       aircraft.samples.end(), [](const PositionSample& s) { return s.airborne; });
}

bool lf_allAheadAtLiftOffSpeed(const LiveAircraft& aircraft) {
    const double liftOff = gf_airborneLimits(aircraft.category).liftOffSpeed;
    return std::all_of(aircraft.samples.begin() + (aircraft.samples.empty() ? 0 : 1),
                       aircraft.samples.end(),
                       [liftOff](const PositionSample& s) { return s.groundSpeed >= liftOff; });
}

} // namespace ksb
