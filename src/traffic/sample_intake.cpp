#include "traffic/sample_intake.h"

#include "core/geodesy.h"
#include "traffic/motion.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>

namespace {

// A queue this long means the aircraft no longer follows its feed.
constexpr std::size_t kMostSamples = 200;
// A push back ends beyond 2.75 half spans while moving away, or beyond 6 at once.
constexpr double kPushBackEndSpans = 2.75;
constexpr double kPushBackFarSpans = 6.0;
// An airborne sample behind the aircraft is not believed while extra samples are allowed.
constexpr double kLargestTurn = 100.0 * kRadiansPerDegree;
// Repeated positions are trimmed unless the aircraft stood 15 s and then moved 22 m.
constexpr std::size_t kTrimLookBack = 6;
constexpr std::int64_t kStandStillTicks = 1500;
constexpr double kMovedAway = 0.011879049676025918; // nautical miles (22 m)
// A take-off on the ground at this speed over two samples, knots.
constexpr double kTakeOffSpeed = 43.0;

Position lf_positionOf(const PositionSample& sample) {
    return {sample.latitude, sample.longitude};
}

// While the push back waits for the engines: which way the feed turns the aircraft.
void lf_noteTurn(LiveAircraft& aircraft, const PositionSample& sample) {
    double heading = 0.0;
    if (sample.trueHeadingValid) {
        heading = sample.trueHeading;
    } else if (sample.track != 0.0) {
        heading = sample.track * kRadiansPerDegree;
    } else {
        return;
    }
    aircraft.moveSeen = true;
    aircraft.turnRightSeen = gf_angleDifference(aircraft.position.heading, heading) > 0.0;
}

// True when the push back or tow has ended with this sample and it goes on into the queue.
bool lf_pushBackEnds(LiveAircraft& aircraft, PositionSample& sample) {
    const double distance = gf_distanceNM({aircraft.position.latitude, aircraft.position.longitude},
                                          lf_positionOf(sample));
    const double halfSpan = aircraft.halfWingSpan;
    const bool movingAway =
        distance > kPushBackEndSpans * halfSpan && distance > aircraft.pushBackDistance;
    if (!movingAway && distance <= kPushBackFarSpans * halfSpan) {
        aircraft.pushBackDistance = distance;
        return false;
    }
    sample.repeated = false;
    if (aircraft.extraSamples >= 1) {
        ksb::lf_endSyntheticSamples(aircraft);
    }
    aircraft.setPhase(FlightPhase::taxi);
    return true;
}

// Taxi, rotation and airborne: true when the sample goes on into the queue.
bool lf_movingSampleAccepted(LiveAircraft& aircraft, PositionSample& sample) {
    const ksb::TrafficHooks& hooks = trafficState.hooks;
    const bool passed = aircraft.landingRoll || aircraft.towed
                            ? hooks.checkReversal(aircraft, sample)
                            : hooks.acceptSample(aircraft, sample);
    if (!passed) {
        return false;
    }
    if (aircraft.extraSamples < 1) {
        return true;
    }
    if (!aircraft.onGround && !aircraft.samples.empty()) {
        const double bearing =
            gf_initialBearing(lf_positionOf(aircraft.samples.back()), lf_positionOf(sample));
        if (std::fabs(gf_angleDifference(aircraft.position.heading, bearing)) >= kLargestTurn) {
            return false;
        }
    }
    aircraft.extraSamples = 0;
    ksb::lf_openWindows(aircraft);
    return true;
}

// On the ground, a run of repeated positions at the end of the queue goes when the aircraft
// moves on, unless it stood long enough to have really stopped there.
void lf_trimRepeated(std::deque<PositionSample>& queue, const PositionSample& sample) {
    if (sample.airborne || queue.empty() || !queue.back().repeated) {
        return;
    }
    if (sample.repeated) {
        if (std::all_of(queue.begin(), queue.end(),
                        [](const PositionSample& queued) { return queued.repeated; })) {
            queue.erase(queue.begin() + 1, queue.end());
        }
        return;
    }
    const std::size_t lookBack = std::min(queue.size(), kTrimLookBack);
    for (std::size_t back = 1; back <= lookBack; ++back) {
        const std::size_t index = queue.size() - back;
        if (queue[index].repeated) {
            continue;
        }
        const std::int64_t stood =
            std::int64_t{queue.back().dueTick} - std::int64_t{queue[index].dueTick};
        const bool stoppedThere =
            stood >= kStandStillTicks &&
            gf_distanceNM(lf_positionOf(queue[index]), lf_positionOf(sample)) > kMovedAway;
        if (!stoppedThere) {
            queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(index) + 1, queue.end());
        }
        return;
    }
}

// Plays after the last queued sample.
void lf_raiseDueTick(const std::deque<PositionSample>& queue, PositionSample& sample) {
    if (!queue.empty() && sample.dueTick <= queue.back().dueTick) {
        sample.dueTick = static_cast<std::int32_t>(std::min<std::int64_t>(
            std::int64_t{queue.back().dueTick} + 1, std::numeric_limits<std::int32_t>::max()));
    }
}

// A towed aircraft whose feed is airborne was taking off all along.
void lf_takeOffFromTow(LiveAircraft& aircraft) {
    aircraft.setPhase(FlightPhase::taxi);
    aircraft.landingRoll = false;
    ksb::lf_beginTakeOffRoll(aircraft, 0);
}

void lf_appendSample(LiveAircraft& aircraft, PositionSample& sample) {
    std::deque<PositionSample>& queue = aircraft.samples;
    lf_raiseDueTick(queue, sample);
    if (aircraft.state == LiveState::inSimulator && aircraft.onGround && !aircraft.takeOffRoll) {
        // An empty queue has no last sample: neither airborne nor fast.
        const bool lastAirborne = !queue.empty() && queue.back().airborne;
        // A landing roll is fast too: there only a sample in the air (a touch-and-go) is a
        // take-off.
        const bool bothFast = !aircraft.landingRoll && !queue.empty() &&
                              sample.groundSpeed >= kTakeOffSpeed &&
                              queue.back().groundSpeed >= kTakeOffSpeed;
        if (!aircraft.towed) {
            if (aircraft.phase == FlightPhase::taxi && (sample.airborne || bothFast)) {
                trafficState.hooks.startTakeOffRoll(aircraft);
            }
        } else if (lastAirborne && sample.airborne) {
            lf_takeOffFromTow(aircraft);
        }
    }
    queue.push_back(sample);
}

} // namespace

void lf_applySample(LiveAircraft& aircraft, PositionSample& sample) {
    if (aircraft.samples.size() > kMostSamples) {
        if (aircraft.state == LiveState::newFlight) {
            aircraft.erase = true;
        } else {
            trafficState.linkServices.releaseAiAircraft(aircraft);
        }
        return;
    }
    switch (aircraft.phase) {
    case FlightPhase::newFlight:
        if (trafficState.hooks.acceptSample(aircraft, sample)) {
            lf_raiseDueTick(aircraft.samples, sample);
            aircraft.samples.push_back(sample);
        }
        return;
    case FlightPhase::movingToAdjacentStand:
    case FlightPhase::parked:
        if (aircraft.state == LiveState::newFlight ||
            aircraft.state == LiveState::creationRequested ||
            !trafficState.hooks.standDepartureCheck(aircraft, sample)) {
            return;
        }
        break;
    case FlightPhase::pushBackUnderWay:
        if (aircraft.pushCountdown == 2) {
            lf_noteTurn(aircraft, sample);
        }
        return;
    case FlightPhase::pushBackOrTow:
        if (!lf_pushBackEnds(aircraft, sample)) {
            return;
        }
        break;
    case FlightPhase::taxi:
    case FlightPhase::rotationAndInitialClimb:
    case FlightPhase::airborne:
        if (!lf_movingSampleAccepted(aircraft, sample)) {
            return;
        }
        break;
    }
    lf_trimRepeated(aircraft.samples, sample);
    lf_appendSample(aircraft, sample);
}
