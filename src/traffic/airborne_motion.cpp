// The airborne sample step: re-timing, vertical step, pitch, heading and bank for the coming
// sample interval.
#include "traffic/motion.h"

#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>

namespace ksb {
namespace {

constexpr double kMissingDescentSpeed = 100.0; // knots
constexpr double kStandardQnh = 1013.0;
constexpr double kLandingAheadRate = -601.0; // feet per minute
constexpr double kLateClimbRate = 601.0;     // feet per minute
constexpr double kFeetPerMinutePerTick = 6000.0;
constexpr double kLowHeight = 1000.0; // feet above ground
constexpr double kLowHeightDescending = 2000.0;
constexpr double kLowestLowClimb = 0.2;       // feet per tick
constexpr double kLevelApproachRates = 100.0; // feet per minute, two samples together
constexpr double kLateTakeOffRates = 100.0;   // feet per minute, all samples together
constexpr std::size_t kFirstSkip = 3;
constexpr std::size_t kLastSkip = 10;
constexpr double kTenThousandFeet = 10000.0;
constexpr double kConfigurationHeightJets = 2050.0;
constexpr double kConfigurationHeightOthers = 625.0;

// Stores a descent rate as the next sample's and the sent rate, and steps by it.
void lf_descendAtRate(LiveAircraft& aircraft, double rate) {
    aircraft.samples[1].verticalRate = rate;
    aircraft.verticalSpeed = rate;
    aircraft.verticalStep = rate / kFeetPerMinutePerTick;
}

// Climbs toward the next sample when it lies higher, by at most the climb limit.
void lf_climbToNext(LiveAircraft& aircraft) {
    const PositionSample& next = aircraft.samples[1];
    const double altitude = aircraft.position.altitude;
    aircraft.verticalStep =
        next.altitude > altitude
            ? std::min((next.altitude - altitude) / static_cast<double>(gf_ticksUntil(next)),
                       aircraft.climbLimit)
            : 0.0;
}

void lf_verticalStep(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    const PositionSample& current = aircraft.samples[0];
    const PositionSample& next = aircraft.samples[1];
    const double altitude = aircraft.position.altitude;
    const double ticks = static_cast<double>(gf_ticksUntil(next));
    if (!current.airborne && !next.airborne) {
        lf_airborneOverGround(aircraft);
    } else if (!current.airborne) {
        lf_climbToNext(aircraft);
    } else if (!next.airborne) {
        const ParkAirportState& park = gf_parkAirportState();
        const double qnh = trafficState.currentQnh.load();
        if (park.parkAirportLoaded && qnh <= kStandardQnh) {
            aircraft.verticalStep = (park.altitude - altitude) / ticks;
        } else {
            lf_descendAtRate(aircraft,
                             qnh <= kStandardQnh ? kLandingAheadRate : lf_glideRate(aircraft));
        }
        link.setGear(aircraft, true);
    } else if (!aircraft.descending) {
        double step = (next.altitude - altitude) / ticks;
        if (aircraft.agl <= kLowHeight && step <= kLowestLowClimb) {
            step = kLowestLowClimb;
        }
        aircraft.verticalStep = std::min(step, aircraft.climbLimit);
    } else if (next.altitude != current.altitude || aircraft.agl > kLowHeight ||
               current.verticalRate + next.verticalRate > kLevelApproachRates) {
        aircraft.verticalStep = (next.altitude - altitude) / ticks;
    } else {
        // Level at low height on the approach: the feed has lost the descent.
        lf_descendAtRate(aircraft, lf_glideRate(aircraft));
    }
}

void lf_pitchStep(LiveAircraft& aircraft, double ticks) {
    const double target = gf_airbornePitchTarget(aircraft.samples[1].verticalRate);
    const double limit = gf_airborneLimits(aircraft.category).pitchStepLimit * kRadiansPerDegree;
    aircraft.pitchStep = std::clamp((target - aircraft.position.pitch) / ticks, -limit, limit);
}

void lf_headingAndBank(LiveAircraft& aircraft, double ticks) {
    const PositionSample& next = aircraft.samples[1];
    const double lowHeight = aircraft.descending ? kLowHeightDescending : kLowHeight;
    const double change = next.trueHeadingValid && next.bankValid && aircraft.agl < lowHeight
                              ? gf_angleDifference(aircraft.position.heading, next.trueHeading)
                              : lf_headingDifference(aircraft);
    aircraft.headingStep = change / ticks;
    if (next.bankValid) {
        aircraft.bankStep = (next.bank - aircraft.position.bank) / ticks;
    } else {
        lf_bankForTurn(aircraft, change, ticks);
    }
}

void lf_lightsAndConfiguration(LiveAircraft& aircraft) {
    const TrafficLinkServices& link = trafficState.linkServices;
    if (aircraft.samples[0].altitude < kTenThousandFeet) {
        if (!aircraft.lightsBelowTenThousand) {
            aircraft.lightsBelowTenThousand = true;
            aircraft.lightsAboveTenThousand = false;
            link.queueSetLights(aircraft.objectId, kAllLightsOn);
        }
        const AircraftCategory c = aircraft.category;
        const bool jet = c == AircraftCategory::buzjet || c == AircraftCategory::large ||
                         c == AircraftCategory::heavy;
        if (aircraft.agl > (jet ? kConfigurationHeightJets : kConfigurationHeightOthers)) {
            lf_climbConfiguration(aircraft);
        } else {
            lf_approachConfiguration(aircraft);
        }
        return;
    }
    if (!aircraft.lightsAboveTenThousand) {
        aircraft.lightsAboveTenThousand = true;
        aircraft.lightsBelowTenThousand = false;
        link.queueSetLights(aircraft.objectId, kCruiseLights);
        link.setThrottle(aircraft, gf_motionThrottle(aircraft, 3));
        link.setGear(aircraft, false);
        link.setFlaps(aircraft, 0);
    }
}

} // namespace

void lf_airborneStep(LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return;
    }
    const PositionSample& current = aircraft.samples[0];
    const PositionSample& next = aircraft.samples[1];
    if (next.repeated) {
        // A hovering rotorcraft keeps its repeated samples and waits as on the ground.
        if (aircraft.category == AircraftCategory::rotorcraft) {
            lf_timeNextGroundSample(aircraft);
        }
        return;
    }
    double speed = 0.0;
    if (aircraft.descending && !next.airborne) {
        speed = current.groundSpeed > 0.0 ? current.groundSpeed : kMissingDescentSpeed;
    } else {
        speed = lf_groundSpeedEstimate(aircraft);
    }
    const double distance = gf_distanceNM(gf_samplePosition(current), gf_samplePosition(next));
    const double ticks = std::max(std::round(distance * kTicksPerHour / speed),
                                  static_cast<double>(kFewestSampleTicks));
    lf_setNextSampleTick(aircraft, static_cast<std::int64_t>(ticks));
}

void lf_airbornePhase(LiveAircraft& aircraft, std::int64_t, PositionSample&) {
    // The next sample is read from the queue: skipping to an airborne sample drops the one the
    // caller handed in, and with it the ticks it was due in.
    if (aircraft.samples.size() < 2) {
        return;
    }
    if (aircraft.phase != FlightPhase::rotationAndInitialClimb) {
        aircraft.setPhase(FlightPhase::airborne);
    }
    aircraft.speed = aircraft.samples[1].trueAirspeed;
    aircraft.verticalSpeed = aircraft.samples[1].verticalRate;
    if (aircraft.flareStage == 0) {
        lf_verticalStep(aircraft);
    }
    const double ticks = gf_ticksToNextSample(aircraft);
    if (aircraft.phase != FlightPhase::rotationAndInitialClimb) {
        lf_pitchStep(aircraft, ticks);
    }
    lf_headingAndBank(aircraft, ticks);
    lf_lightsAndConfiguration(aircraft);
}

double lf_glideRate(const LiveAircraft& aircraft) {
    constexpr double kFlareHeight = 100.0;
    constexpr double kShallowestGlide = -601.0;
    constexpr double kFinalGlide = -600.0;
    constexpr double kRatePerHectopascal = 6.0;
    if (aircraft.agl <= kFlareHeight || aircraft.samples.empty()) {
        return kFinalGlide;
    }
    const PositionSample& current = aircraft.samples[0];
    const PositionSample& next = aircraft.samples.size() > 1 ? aircraft.samples[1] : current;
    const double qnh = trafficState.currentQnh.load();
    const double mean = (current.verticalRate + next.verticalRate) / 2.0;
    return std::min(mean - (qnh - kStandardQnh) * kRatePerHectopascal, kShallowestGlide);
}

void lf_bankForTurn(LiveAircraft& aircraft, double headingChange, double ticks) {
    const AirborneLimits& limits = gf_airborneLimits(aircraft.category);
    const double bankLimit = limits.bankLimit * kRadiansPerDegree;
    const double stepLimit = limits.bankStepLimit * kRadiansPerDegree;
    const double target = -std::clamp(headingChange, -bankLimit, bankLimit);
    const double spread = std::max(ticks, 1.0);
    aircraft.bankStep =
        std::clamp((target - aircraft.position.bank) / spread, -stepLimit, stepLimit);
}

bool lf_skipToAirborne(LiveAircraft& aircraft, std::size_t k) {
    std::deque<PositionSample>& samples = aircraft.samples;
    if (k < 2 || k >= samples.size() || !samples[k].airborne) {
        return false;
    }
    samples.erase(samples.begin() + 1, samples.begin() + static_cast<std::ptrdiff_t>(k));
    lf_airborneStep(aircraft);
    // The horizontal steps aimed at the dropped sample; they now aim at the new next one.
    const PositionSample& next = samples[1];
    const double ticks = static_cast<double>(gf_ticksUntil(next));
    aircraft.latStep = (next.latitude - aircraft.position.latitude) / ticks;
    aircraft.lonStep = gf_longitudeDelta(next.longitude, aircraft.position.longitude) / ticks;
    lf_climbToNext(aircraft);
    trafficState.linkServices.setGear(aircraft, true);
    return true;
}

void lf_airborneOverGround(LiveAircraft& aircraft) {
    std::deque<PositionSample>& samples = aircraft.samples;
    if (samples.size() < 2) {
        return;
    }
    double rates = 0.0;
    for (const PositionSample& sample : samples) {
        rates += sample.verticalRate;
    }
    if (!aircraft.descending && rates > kLateTakeOffRates) {
        // A take-off seen late: climb to the first airborne sample not too far ahead.
        const std::size_t last = std::min(samples.size() - 1, kLastSkip);
        for (std::size_t k = kFirstSkip; k <= last; ++k) {
            if (lf_skipToAirborne(aircraft, k)) {
                return;
            }
        }
        const double rate = std::max(samples[1].verticalRate, kLateClimbRate);
        samples[1].verticalRate = rate;
        aircraft.verticalSpeed = rate;
        aircraft.verticalStep = rate / kFeetPerMinutePerTick;
    } else {
        lf_descendAtRate(aircraft, lf_glideRate(aircraft));
    }
    trafficState.linkServices.setGear(aircraft, true);
}

} // namespace ksb
