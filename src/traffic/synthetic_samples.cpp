// Life after the feed falls silent: a few made-up samples that carry the aircraft on (or keep it
// standing), and the soft-stand learning of an aircraft that ends on the ground.
#include "traffic/motion.h"

#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "traffic/category_tables.h"
#include "traffic/stand_manoeuvre_steps.h"
#include "traffic/stand_options.h"
#include "traffic/stand_release.h"
#include "traffic/stand_search.h"
#include "traffic/traffic_state.h"
#include "traffic/user_proximity.h"

#include <algorithm>
#include <cstdint>

namespace ksb {

namespace {

constexpr std::int32_t kSyntheticOnGround = 10;
constexpr std::int32_t kSyntheticAtStand = 1;
constexpr std::int32_t kSyntheticAirborne = 8;
constexpr double kSyntheticRangeMargin = 0.5; // nautical miles inside the lateral range
constexpr double kSyntheticGroundSeconds = 3.0;
constexpr double kSyntheticAirborneSeconds = 8.0;
constexpr std::int64_t kSyntheticGroundTicks = 300;      // 3 s
constexpr std::int64_t kSyntheticAirborneTicks = 800;    // 8 s
constexpr std::int64_t kSyntheticPushBackTicks = 30000;  // 300 s
constexpr std::int64_t kSyntheticParkedTicks = 60480000; // 7 days
constexpr double kSyntheticSlowest = 1.0;                // knots
// The descent and the initial climb of a made-up sample, feet per second and per minute.
constexpr double kSyntheticDescentFeet = 10.005;
constexpr double kSyntheticDescentRate = -667.0;
constexpr double kSyntheticClimbFeet = 25.0;
constexpr double kSyntheticClimbRate = 1500.0;
constexpr double kSoftLearningRange = 5.0; // nautical miles from the park airport

// The first synthetic count, 0 when the aircraft may have none.
std::int32_t lf_firstSyntheticCount(const LiveAircraft& aircraft) {
    if (!gf_categorySwitchedOn(aircraft.category)) {
        return 0;
    }
    if (aircraft.onGround) {
        return aircraft.phase == FlightPhase::parked || aircraft.phase == FlightPhase::pushBackOrTow
                   ? kSyntheticAtStand
                   : kSyntheticOnGround;
    }
    const Position user = lf_userPosition();
    if (!gf_isValidPosition(user)) {
        return kSyntheticAirborne;
    }
    const double distance = gf_distanceNM(user, gf_aircraftPosition(aircraft));
    const double range = static_cast<double>(LATERAL_RANGE.value()) - kSyntheticRangeMargin;
    return distance >= range ? 0 : kSyntheticAirborne;
}

// The landing roll slows down step by step.
double lf_landingRollSpeed(double knots) {
    struct Step {
        double from;
        double speed;
    };
    constexpr Step steps[] = {{140.0, 100.0}, {100.0, 80.0}, {80.0, 60.0}, {60.0, 30.0}};
    for (const Step& step : steps) {
        if (knots >= step.from) {
            return step.speed;
        }
    }
    return 20.0;
}

// The take-off roll goes on accelerating, climbing away above 100 kt.
void lf_takeOffRollSpeed(PositionSample& sample) {
    const double knots = sample.groundSpeed;
    if (knots <= 30.0) {
        sample.groundSpeed = 40.0;
    } else if (knots <= 60.0) {
        sample.groundSpeed = 80.0;
    } else if (knots <= 100.0) {
        sample.groundSpeed = 110.0;
    } else if (knots <= 140.0) {
        sample.groundSpeed = 150.0;
        sample.verticalRate = 600.0;
    } else if (knots <= 160.0) {
        sample.groundSpeed = 170.0;
        sample.verticalRate = 1200.0;
    } else {
        sample.groundSpeed = 180.0;
        sample.verticalRate = 2400.0;
    }
}

void lf_syntheticSpeed(const LiveAircraft& aircraft, PositionSample& sample, std::int32_t count) {
    if (sample.repeated || aircraft.phase == FlightPhase::parked) {
        sample.groundSpeed = 0.0;
        sample.repeated = true;
    } else if (aircraft.onGround) {
        if (aircraft.landingRoll) {
            sample.groundSpeed = lf_landingRollSpeed(sample.groundSpeed);
            sample.verticalRate = 0.0;
        } else if (!aircraft.takeOffRoll) {
            sample.groundSpeed = 0.0;
            sample.repeated = true;
        } else {
            lf_takeOffRollSpeed(sample);
        }
    } else {
        double factor = aircraft.descending ? 0.9 : 0.95;
        if (aircraft.descending && count < 4) {
            factor = 1.0;
        }
        sample.groundSpeed = std::max(sample.groundSpeed * factor, kSyntheticSlowest);
    }
}

// The sample moves on along the present heading; it climbs or descends with the phase.
void lf_syntheticMove(const LiveAircraft& aircraft, PositionSample& sample) {
    const double seconds = aircraft.onGround ? kSyntheticGroundSeconds : kSyntheticAirborneSeconds;
    const double feet = sample.groundSpeed * seconds / 3600.0 * kFeetPerNM;
    const Position from = gf_samplePosition(sample);
    const Position to = gf_destinationPoint(from, aircraft.position.heading, feet);
    sample.latitude = to.latitude;
    sample.longitude = gf_normaliseLongitude(to.longitude);
    sample.repeated = sample.latitude == from.latitude && sample.longitude == from.longitude;
    if (sample.repeated) {
        return;
    }
    if (aircraft.descending && aircraft.flareStage == 0) {
        sample.verticalRate = kSyntheticDescentRate;
        sample.altitude -= seconds * kSyntheticDescentFeet;
    } else if (aircraft.phase == FlightPhase::rotationAndInitialClimb) {
        sample.verticalRate = kSyntheticClimbRate;
        sample.altitude += seconds * kSyntheticClimbFeet;
    } else {
        return;
    }
    sample.airborne = sample.altitude > 0.0;
    sample.altitude = std::max(sample.altitude, 0.0);
}

std::int64_t lf_syntheticInterval(const LiveAircraft& aircraft) {
    if (aircraft.phase == FlightPhase::pushBackOrTow) {
        return kSyntheticPushBackTicks;
    }
    if (aircraft.phase == FlightPhase::parked) {
        return kSyntheticParkedTicks;
    }
    return aircraft.onGround ? kSyntheticGroundTicks : kSyntheticAirborneTicks;
}

} // namespace

bool lf_extendSamples(LiveAircraft& aircraft) {
    if (aircraft.phase == FlightPhase::movingToAdjacentStand) {
        lf_arrivedAtStand(aircraft);
    }
    if (aircraft.samples.empty() || aircraft.extraSamples < 0) {
        return false;
    }
    if (aircraft.extraSamples == 1) {
        aircraft.extraSamples = -1;
        return false;
    }
    if (aircraft.extraSamples > 1) {
        lf_makeSyntheticSample(aircraft, aircraft.extraSamples - 1);
        return true;
    }
    const std::int32_t count = lf_firstSyntheticCount(aircraft);
    if (count == 0) {
        return false;
    }
    lf_makeSyntheticSample(aircraft, count);
    return true;
}

void lf_makeSyntheticSample(LiveAircraft& aircraft, std::int32_t count) {
    aircraft.extraSamples = count;
    if (aircraft.samples.empty()) {
        return;
    }
    PositionSample sample = aircraft.samples.front();
    lf_syntheticSpeed(aircraft, sample, count);
    if (sample.groundSpeed > 0.0) {
        lf_syntheticMove(aircraft, sample);
    }
    sample.dueTick = gf_dueTickAfter(sample.dueTick, lf_syntheticInterval(aircraft));
    if (aircraft.phase == FlightPhase::pushBackOrTow || aircraft.phase == FlightPhase::parked) {
        gf_freeStand(aircraft);
        aircraft.standChecked = false;
    }
    aircraft.samples.insert(aircraft.samples.begin() + 1, sample);
}

void lf_learnSoftAtEnd(LiveAircraft& aircraft) {
    if (!aircraft.onGround || aircraft.standId != 0 || !LEARN_SOFT.value() ||
        !gf_parkAirportState().parkAirportLoaded) {
        return;
    }
    const Airport& airport = trafficState.parkAirport;
    const double distance =
        gf_distanceNM({airport.lat, airport.lon}, gf_aircraftPosition(aircraft));
    if (distance > kSoftLearningRange) {
        return;
    }
    const DayHalfHour now = dayHalfHourNow.load();
    if (!lf_markLastLearned(now, aircraft.flightKey, false)) {
        return;
    }
    const ParkPosition* stand = gf_findSoftStand(now, aircraft, true);
    if (stand == nullptr) {
        lf_removeLastLearned(aircraft.flightKey);
        return;
    }
    if (lf_addSoftOption(stand->standId, aircraft, false, now)) {
        lf_markLastLearned(now, aircraft.flightKey, true);
    } else {
        lf_removeLastLearned(aircraft.flightKey);
    }
}

void lf_endSyntheticSamples(LiveAircraft& aircraft) {
    if (!aircraft.samples.empty()) {
        aircraft.samples.front().dueTick = gf_dueTickAfter(gf_motionNow(), 1);
    }
    aircraft.extraSamples = 0;
    lf_openWindows(aircraft);
}

} // namespace ksb
