// The motion's say on a new feed sample before the intake appends it: positions that only
// jitter become a standing sample, glitches at speed are refused, and a reversal stops the
// aircraft so that it can turn.
#include "traffic/motion.h"

#include "core/geodesy.h"
#include "traffic/traffic_state.h"

#include <cmath>
#include <cstddef>
#include <deque>

namespace ksb {

namespace {

// Degrees of latitude or longitude within which a new position is the same spot.
constexpr double kSameSpot = 0.00015;
// Last queued speeds above which a standing or jittering sample is a glitch, knots.
constexpr double kGlitchFromSpeed = 50.0;
constexpr double kRepeatFromSpeed = 30.0;
// A new sample this far off the heading reverses the aircraft, degrees.
constexpr double kBehind = 90.0;
constexpr double kReversal = 150.0;
// A speed up beyond this is not believed above the last queued speed, knots.
constexpr double kSpeedUpCap = 40.0;

bool lf_flyingInSimulator(const LiveAircraft& aircraft) {
    return aircraft.state == LiveState::inSimulator && !aircraft.onGround;
}

// Degrees between the aircraft's heading and the way from one position to another.
double lf_offHeading(const LiveAircraft& aircraft, const PositionSample& from,
                     const PositionSample& to) {
    return gf_turnDegrees(aircraft.position.heading,
                          gf_initialBearing(gf_samplePosition(from), gf_samplePosition(to)));
}

} // namespace

bool lf_acceptSample(LiveAircraft& aircraft, PositionSample& sample) {
    if (aircraft.samples.empty()) {
        return true;
    }
    const PositionSample& last = aircraft.samples.back();
    sample.repeated = gf_samePosition(sample, last);
    if (aircraft.category == AircraftCategory::rotorcraft) {
        return true;
    }
    if (sample.repeated) {
        if (sample.airborne || lf_flyingInSimulator(aircraft) ||
            (aircraft.takeOffRoll && sample.groundSpeed > 0.0 &&
             last.groundSpeed >= kRepeatFromSpeed)) {
            return false;
        }
        sample.groundSpeed = 0.0;
        return true;
    }
    const bool sameSpot =
        std::fabs(sample.latitude - last.latitude) <= kSameSpot &&
        std::fabs(gf_longitudeDelta(sample.longitude, last.longitude)) <= kSameSpot;
    if (sameSpot) {
        if (sample.airborne || lf_flyingInSimulator(aircraft) ||
            (aircraft.takeOffRoll && sample.groundSpeed > 0.0 &&
             last.groundSpeed >= kGlitchFromSpeed)) {
            return false;
        }
        sample.latitude = last.latitude;
        sample.longitude = last.longitude;
        sample.altitude = last.altitude;
        sample.bank = last.bank;
        sample.bankValid = last.bankValid;
        sample.trueHeading = last.trueHeading;
        sample.trueHeadingValid = last.trueHeadingValid;
        sample.track = last.track;
        sample.groundSpeed = 0.0;
        sample.repeated = true;
        return true;
    }
    // A sudden stop at speed in the take-off roll or in the air is a glitch.
    return !(last.groundSpeed >= kGlitchFromSpeed && sample.groundSpeed == 0.0 &&
             (aircraft.takeOffRoll || sample.airborne));
}

bool lf_checkReversal(LiveAircraft& aircraft, PositionSample& sample) {
    std::deque<PositionSample>& q = aircraft.samples;
    if (q.empty()) {
        return true;
    }
    if (gf_samePosition(sample, q.back())) {
        return false;
    }
    if (q.size() == 1) {
        const double off = lf_offHeading(aircraft, q.front(), sample);
        if (aircraft.descending) {
            if (off >= kBehind) {
                return false;
            }
        } else if (off >= kReversal) {
            if (aircraft.extraSamples > 0) {
                return false;
            }
            // Stop where it is now and turn there.
            PositionSample stop = sample;
            stop.latitude = aircraft.position.latitude;
            stop.longitude = aircraft.position.longitude;
            stop.dueTick = gf_dueTickAfter(gf_motionNow(), 1);
            stop.repeated = false;
            q.front() = stop;
        }
    } else {
        if (lf_offHeading(aircraft, q.back(), sample) >= kBehind) {
            q.pop_back();
            if (q.size() >= 2 && lf_offHeading(aircraft, q.back(), sample) >= kBehind) {
                q.pop_back();
            }
        }
    }
    if (aircraft.extraSamples > 0) {
        aircraft.extraSamples = 0;
        lf_openWindows(aircraft);
    }
    const PositionSample& last = q.back();
    sample.repeated = gf_samePosition(sample, last);
    if (sample.groundSpeed > last.groundSpeed && sample.groundSpeed > kSpeedUpCap) {
        sample.groundSpeed = last.groundSpeed;
    }
    return true;
}

} // namespace ksb
