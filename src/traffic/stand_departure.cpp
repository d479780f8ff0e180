// A parked aircraft's feed at each new sample: still standing, creeping away, or leaving; and
// what leaving starts: the tow detection and the learning of the departure.
#include "core/clock.h"
#include "core/globals.h"
#include "traffic/motion.h"
#include "traffic/stand_manoeuvre_steps.h"
#include "traffic/stand_options.h"
#include "traffic/stand_release.h"
#include "traffic/traffic_state.h"

#include <cstdint>

namespace ksb {
namespace {

constexpr double kDepartureJitterNm = 0.0016198704103671706; // 3 m
constexpr double kStandLimitNm = 0.0458963282937365;         // 85 m
constexpr double kStandLimitAfterMovingInNm = 2.0 * kStandLimitNm;
constexpr double kStandFarNm = 0.10799136069114472; // 200 m
// The synthetic sample of a parked aircraft lies seven days after its last real one.
constexpr std::int64_t kParkedSyntheticTicks = 60480000;

// Ticks after its last real sample below which a landed aircraft that moves again is towed;
// 0: never towed.
std::int64_t lf_towThresholdTicks(AircraftCategory category) {
    switch (category) {
    case AircraftCategory::heavy:
        return 360000; // 1 h
    case AircraftCategory::large:
        return 150000; // 25 min
    case AircraftCategory::buzjet:
        return 90000; // 15 min
    default:
        return 0;
    }
}

// The departure: the next ground step chooses pull out or push back.
bool lf_requestDeparture(LiveAircraft& aircraft, PositionSample& sample) {
    sample.repeated = false;
    aircraft.departureRequested = true;
    // The phase guard alone does not hold for an aircraft that came to the stand from another
    // phase and stays parked: its departure would be learned again at every departing sample.
    if (aircraft.previousPhase != FlightPhase::parked && !aircraft.departedFromStand) {
        lf_departFromStand(aircraft);
        aircraft.setPhase(FlightPhase::parked);
    }
    return true;
}

} // namespace

bool lf_standDepartureCheck(LiveAircraft& aircraft, PositionSample& sample) {
    aircraft.standChecked = true;
    const double d = gf_distanceNM(gf_standPoint(aircraft), gf_samplePosition(sample));
    const double limit = aircraft.previousPhase == FlightPhase::movingToAdjacentStand
                             ? kStandLimitAfterMovingInNm
                             : kStandLimitNm;
    if (d > limit) {
        if (aircraft.phase == FlightPhase::movingToAdjacentStand) {
            aircraft.setPhase(FlightPhase::taxi);
            sample.repeated = false;
            return true;
        }
        if (d > kStandFarNm) {
            if (aircraft.state == LiveState::inSimulator) {
                // Far from where it stands: gone rather than teleported.
                trafficState.linkServices.releaseAiAircraft(aircraft);
                return false;
            }
            return true;
        }
        return lf_requestDeparture(aircraft, sample);
    }

    aircraft.atStandSince = gf_clock().steadyNow();
    if (aircraft.lastStandDistance == 0.0) {
        aircraft.firstStandDistance = d;
        aircraft.lastStandDistance = d;
        aircraft.awayCount = 0;
        aircraft.departureRequested = false;
        return false;
    }
    if (d >= aircraft.lastStandDistance + kDepartureJitterNm) {
        ++aircraft.awayCount;
        aircraft.lastStandDistance = d;
        const double gone = d - aircraft.firstStandDistance;
        const double halfSpan = aircraft.halfWingSpan;
        if (gone > halfSpan || (aircraft.awayCount >= 3 && gone >= 0.5 * halfSpan)) {
            return lf_requestDeparture(aircraft, sample);
        }
        aircraft.departureRequested = false;
        return false;
    }
    if (d <= aircraft.lastStandDistance - kDepartureJitterNm) {
        aircraft.awayCount = 0;
    }
    aircraft.departureRequested = false;
    return false;
}

void lf_departFromStand(LiveAircraft& aircraft) {
    const std::int64_t now = gf_motionNow();
    if (aircraft.extraSamples >= 1) {
        if (aircraft.phase == FlightPhase::parked && aircraft.landed && !aircraft.samples.empty()) {
            const std::int64_t sinceLastReal =
                now - aircraft.samples.front().dueTick + kParkedSyntheticTicks;
            const std::int64_t threshold = lf_towThresholdTicks(aircraft.category);
            aircraft.towed = threshold > 0 && sinceLastReal < threshold;
            aircraft.landed = false;
        }
        lf_endSyntheticSamples(aircraft);
    }
    if (!aircraft.airline.empty() && aircraft.standCargo == aircraft.cargo) {
        const DayHalfHour time = dayHalfHourNow.load();
        if (lf_addRealOption(aircraft.standId, aircraft, true, time, true)) {
            lf_markLastLearned(time, aircraft.flightKey, true);
        }
    }
    gf_freeStand(aircraft);
    aircraft.departedFromStand = true;
}

} // namespace ksb
