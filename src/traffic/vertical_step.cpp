// The vertical half of the per-tick step: the rotation and initial climb, the flare, the
// de-rotation after touch-down, and pitch, bank and altitude in flight.
#include "traffic/motion.h"

#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "traffic/traffic_state.h"

#include <algorithm>

namespace ksb {
namespace {

// The rotation counter after lift-off: the climb comes in by tenths, fifths and halves of the
// step over 300 ticks, and the gear goes up at the end of them.
constexpr std::int32_t kTenthUntil = -99;
constexpr std::int32_t kFifthUntil = -199;
constexpr std::int32_t kHalfUntil = -299;
constexpr std::int32_t kGearUpAt = -300;
// Held here once the schedule is done, so the counter never runs out of range.
constexpr std::int32_t kScheduleDone = -301;
constexpr double kPhaseFourHeight = 800.0; // feet above ground

constexpr double kFlareHeight = 400.0;
constexpr double kFlarePitch = -4.0 * kRadiansPerDegree;
// A pitch counts as arrived at its target within this, radians.
constexpr double kPitchArrived = 1e-9;

struct FlareStageStep {
    double aboveCg;      // feet above the static CG height
    double verticalStep; // feet per tick
    double rate;         // feet per minute
};
constexpr FlareStageStep kFlareStages[] = {
    {30.0, -0.1, -601.0},
    {20.0, -0.075, -450.0},
    {10.0, -0.05, -300.0},
    {3.0, -0.025, -150.0},
};

// Moves pitch by the step, never beyond the target in the step's direction.
double lf_pitchToward(double pitch, double step, double target) {
    const double moved = pitch + step;
    return step < 0.0 ? std::max(moved, target) : std::min(moved, target);
}

void lf_rotationAndClimb(LiveAircraft& aircraft) {
    SimPositionBlock& p = aircraft.position;
    if (aircraft.rotationCountdown > kScheduleDone) {
        --aircraft.rotationCountdown;
    }
    const std::int32_t count = aircraft.rotationCountdown;
    if (count >= 1) {
        aircraft.onGround = false;
        if (p.pitch > aircraft.rotationPitch) {
            p.pitch = lf_pitchToward(p.pitch, aircraft.pitchStep, aircraft.rotationPitch);
        }
        return;
    }
    p.bank += aircraft.bankStep;
    if (p.pitch > aircraft.climbPitch) {
        const double step =
            (aircraft.climbPitch - aircraft.rotationPitch) / std::max(aircraft.climbPitchTicks, 1);
        p.pitch = lf_pitchToward(p.pitch, step, aircraft.climbPitch);
    }
    if (count == 0) {
        return;
    }
    if (count >= kTenthUntil) {
        p.altitude += aircraft.verticalStep / 10.0;
    } else if (count >= kFifthUntil) {
        p.altitude += aircraft.verticalStep / 5.0;
    } else if (count >= kHalfUntil) {
        p.altitude += aircraft.verticalStep * 0.5;
    } else {
        p.altitude += aircraft.verticalStep;
        if (count == kGearUpAt) {
            trafficState.linkServices.setGear(aircraft, false);
        }
    }
    if (count <= kGearUpAt && p.pitch <= aircraft.climbPitch) {
        aircraft.pitchStep = 0.0;
        if (aircraft.agl >= kPhaseFourHeight) {
            trafficState.linkServices.setThrottle(aircraft, gf_motionThrottle(aircraft, 3));
            aircraft.setPhase(FlightPhase::airborne);
            aircraft.rotationCountdown = 1;
        }
    }
}

// The height the flare starts from: above the park airport's ground when that is known.
double lf_flareHeight(LiveAircraft& aircraft) {
    if (!aircraft.groundReferenceKnown) {
        const ParkAirportState& park = gf_parkAirportState();
        if (park.parkAirportLoaded.load()) {
            aircraft.groundReference = park.altitude;
            aircraft.groundReferenceKnown = true;
        }
    }
    double height = aircraft.agl;
    if (aircraft.groundReferenceKnown) {
        height = std::min(height, aircraft.position.altitude - aircraft.groundReference);
    }
    aircraft.heightAboveReference = height;
    return height;
}

void lf_flare(LiveAircraft& aircraft) {
    if (aircraft.agl > kFlareHeight || !aircraft.descending || aircraft.onGround ||
        aircraft.flareStage >= 4) {
        return;
    }
    const std::int32_t stage = aircraft.flareStage;
    const double height = stage == 0 ? lf_flareHeight(aircraft) : aircraft.agl;
    const FlareStageStep& step = kFlareStages[stage];
    if (height > aircraft.staticCgHeight + step.aboveCg) {
        return;
    }
    const TrafficLinkServices& link = trafficState.linkServices;
    if (stage == 0) {
        aircraft.pitchStep =
            (kFlarePitch - aircraft.position.pitch) / std::max(aircraft.flarePitchTicks, 1);
        trafficState.fastRange = true;
    } else if (stage == 2) {
        link.setThrottle(aircraft, gf_motionThrottle(aircraft, 0));
    }
    aircraft.verticalStep = step.verticalStep;
    if (!aircraft.samples.empty()) {
        aircraft.samples.front().verticalRate = step.rate;
    }
    aircraft.flareStage = stage + 1;
}

// After touch-down: nose down to the ground pitch and wings level.
void lf_pitchDown(LiveAircraft& aircraft) {
    SimPositionBlock& p = aircraft.position;
    const double step = aircraft.pitchStep;
    p.pitch += step;
    const double left = aircraft.groundPitch - p.pitch;
    const bool arrived = step == 0.0 || (step > 0.0 && left <= kPitchArrived) ||
                         (step < 0.0 && left >= -kPitchArrived);
    if (arrived) {
        p.pitch = aircraft.groundPitch;
        aircraft.pitchStep = 0.0;
        aircraft.bankStep = 0.0;
        p.bank = 0.0;
        aircraft.pitchingDown = false;
        aircraft.flareStage = 0;
    }
    p.bank += aircraft.bankStep;
}

} // namespace

void lf_followCurveVertical(LiveAircraft& aircraft) {
    if (aircraft.phase == FlightPhase::rotationAndInitialClimb) {
        lf_rotationAndClimb(aircraft);
        return;
    }
    lf_flare(aircraft);
    if (aircraft.pitchingDown) {
        lf_pitchDown(aircraft);
        return;
    }
    SimPositionBlock& p = aircraft.position;
    if (aircraft.flareStage == 0) {
        if (aircraft.onGround) {
            p.pitch = aircraft.groundPitch;
            p.bank = 0.0;
            return;
        }
        p.pitch += aircraft.pitchStep;
    } else {
        p.pitch = std::max(p.pitch + aircraft.pitchStep, kFlarePitch);
    }
    p.bank += aircraft.bankStep;
    p.altitude += aircraft.verticalStep;
}

} // namespace ksb
