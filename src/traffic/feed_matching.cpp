#include "traffic/sample_intake.h"

#include "traffic/new_flight.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSecondsPerHour = 3600.0;
// A record must be more than this much newer than the last one accepted.
constexpr double kMinimumStampStep = 1.0; // seconds
// Speeds in knots below which a tenfold jump is not believed, and the jump from near standstill.
constexpr double kSlowSpeed = 5.0;
constexpr double kJumpFactor = 10.0;
constexpr double kJumpFromStandstill = 80.0;
// Too close: an airborne record at more than 120 kt within 1 degree of the last track must have
// flown 450 m; one on the ground at 30 kt or less within 2 degrees must have moved 20 m.
constexpr double kFastAirborne = 120.0;
constexpr double kAirborneTrackSpread = 1.0;        // degrees
constexpr double kAirborneGap = 0.2429805615550756; // nautical miles (450 m)
constexpr double kSlowOnGround = 30.0;
constexpr double kGroundTrackSpread = 2.0;          // degrees
constexpr double kGroundGap = 0.010799136069114472; // nautical miles (20 m)
constexpr double kLongestGroundWait = 15.0;         // seconds

bool lf_speedJump(double v, double w) {
    return (w > kSlowSpeed && v >= kJumpFactor * w) || (v > kSlowSpeed && w >= kJumpFactor * v) ||
           (w <= kSlowSpeed && v >= kJumpFromStandstill) ||
           (v <= kSlowSpeed && w >= kJumpFromStandstill);
}

// Too close to the last sample to add anything to the motion.
bool lf_tooClose(const LiveFlight& record, const PositionSample& last, double dt) {
    const double v = record.groundSpeed;
    const double trackDifference = std::fabs(record.track - last.track);
    if (record.airborne) {
        return v > kFastAirborne && trackDifference <= kAirborneTrackSpread &&
               dt <= kAirborneGap / v * kSecondsPerHour;
    }
    if (v > kSlowOnGround || trackDifference > kGroundTrackSpread) {
        return false;
    }
    const double wait = v > 0.0 ? std::min(kGroundGap / v * kSecondsPerHour, kLongestGroundWait)
                                : kLongestGroundWait;
    return dt <= wait;
}

} // namespace

bool lf_appendToAircraft(LiveFlight& record, LiveAircraft& aircraft) {
    if (record.flightId != aircraft.flightKey) {
        return false;
    }
    if (aircraft.state == LiveState::toBeRecreated || aircraft.state == LiveState::beingRemoved) {
        return true;
    }
    if (!aircraft.samples.empty()) {
        const PositionSample& last = aircraft.samples.back();
        const double dt = record.timeStamp - aircraft.lastFeedTimeStamp;
        // Not newer, the same stamp included.
        if (dt <= kMinimumStampStep) {
            return true;
        }
        if (lf_speedJump(record.groundSpeed, last.groundSpeed)) {
            return true;
        }
        if (aircraft.extraSamples < 1 && lf_tooClose(record, last, dt)) {
            return true;
        }
    }
    if (aircraft.state == LiveState::newFlight && !lf_altitudePlausible(record)) {
        return true;
    }
    if (!lf_updateFromFeed(aircraft, record)) {
        return true;
    }
    aircraft.lastFeedTimeStamp = record.timeStamp;
    PositionSample sample = gf_positionSampleOf(record);
    lf_applySample(aircraft, sample);
    return true;
}
