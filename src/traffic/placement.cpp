// Placement of an admitted aircraft: its livery, its first phase, a stand when it stands still at
// the park airport, its position block, and its place among the waiting keys.
#include "traffic/admission.h"

#include "airports/park_airport_state.h"
#include "catalogue/unmatched_flights.h"
#include "core/clock.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "traffic/free_stand.h"
#include "traffic/make_place.h"
#include "traffic/motion.h"
#include "traffic/position_block.h"
#include "traffic/stand_options.h"
#include "traffic/stand_table.h"
#include "traffic/stand_taking.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <deque>
#include <string>

namespace {

constexpr double kPlaceParkAirportReachNm = 5.0;
constexpr double kPlaceStandingSpeedKnots = 5.0;
constexpr double kPlaceStandingDriftNm = 35.0 / kMetresPerNM;
constexpr double kPlaceStandReachNm = 55.0 / kMetresPerNM;

enum class PlacementStandChoice { none, taken, hold, drop };

// A repeated second position means the flight stands: the first counts as repeated too.
void lf_markRepeatedStart(std::deque<PositionSample>& samples) {
    if (samples.size() > 1 && samples[1].repeated) {
        samples[0].repeated = true;
        samples[0].groundSpeed = 0.0;
        samples[1].groundSpeed = 0.0;
        if (samples.size() > 2 && samples[2].repeated) {
            samples[2].groundSpeed = 0.0;
        }
    } else {
        samples[0].repeated = false;
    }
}

// Asks each live aircraft in turn until one answers; the stand is refused when the rule objected.
template <class Rule>
bool lf_standRuleAllows(Rule& rule, LiveAircraft& newcomer, std::uint32_t standId,
                        std::uint32_t neighbourId) {
    ksb::StandRuleContext context{standId, neighbourId, newcomer, true};
    std::vector<LiveAircraft>& live = trafficState.live;
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (rule(context, live[i])) {
            break;
        }
    }
    return context.allowed;
}

bool lf_placementStandRefused(LiveAircraft& aircraft, const ParkPosition& stand) {
    if (ksb::lf_standKeptForUser(stand)) {
        return true;
    }
    ksb::TrafficHooks& hooks = trafficState.hooks;
    if (!lf_standRuleAllows(hooks.sameCallsignWantsStand, aircraft, stand.standId, 0)) {
        return true;
    }
    for (const std::uint32_t neighbourId : stand.adjacentStandIds) {
        if (!lf_standRuleAllows(hooks.adjacentStandConflict, aircraft, stand.standId,
                                neighbourId)) {
            return true;
        }
    }
    return false;
}

void lf_parkOnFoundStand(LiveAircraft& aircraft, ParkPosition& stand) {
    ksb::lf_makePlaceFor(aircraft, stand);
    std::deque<PositionSample>& samples = aircraft.samples;
    samples.front().repeated = true;
    samples.front().groundSpeed = 0.0;
    ksb::lf_takeStand(aircraft, stand);
    aircraft.setPhase(FlightPhase::parked);
    stand.occupied = true;
    aircraft.atStandSince = ksb::gf_clock().steadyNow();
    aircraft.standWaitTimers = {};
    lf_markCargoStand(aircraft);
    ksb::gf_keepCurrentSample(aircraft);
    samples.front().latitude = stand.latitude;
    samples.front().longitude = stand.longitude;
    samples.front().track = stand.heading * kDegreesPerRadian;
    const DayHalfHour now = dayHalfHourNow.load();
    if (lf_addRealOption(stand.standId, aircraft, false, now, false)) {
        lf_markLastLearned(now, aircraft.flightKey, true);
    }
    trafficState.hooks.checkMaxPark(1);
}

// A flight on the ground near the park airport that stands still takes a free stand there.
PlacementStandChoice lf_standForStandingFlight(LiveAircraft& aircraft) {
    const ksb::ParkAirportState& park = gf_parkAirportState();
    const std::deque<PositionSample>& samples = aircraft.samples;
    const PositionSample& first = samples.front();
    const Position parkAirport{trafficState.parkAirport.lat, trafficState.parkAirport.lon};
    if (!park.parkAirportLoaded.load() || park.stands.empty() ||
        gf_distanceNM(ksb::gf_samplePosition(first), parkAirport) > kPlaceParkAirportReachNm) {
        return PlacementStandChoice::none;
    }
    Position at = ksb::gf_samplePosition(first);
    if (!first.repeated) {
        const bool slow = samples.size() > 1 && samples[1].groundSpeed <= kPlaceStandingSpeedKnots;
        if (!slow ||
            gf_distanceNM(ksb::gf_samplePosition(samples.back()), at) > kPlaceStandingDriftNm) {
            return PlacementStandChoice::none;
        }
        at = ksb::gf_samplePosition(samples.back());
    }
    ParkPosition* stand = ksb::gf_findFreeStand(at, aircraft, kPlaceStandReachNm, first.repeated);
    if (stand == nullptr) {
        return samples.size() > 1 && samples[1].repeated ? PlacementStandChoice::hold
                                                         : PlacementStandChoice::none;
    }
    if (lf_placementStandRefused(aircraft, *stand)) {
        return PlacementStandChoice::drop;
    }
    lf_parkOnFoundStand(aircraft, *stand);
    return PlacementStandChoice::taken;
}

} // namespace

namespace ksb {

void lf_placeNewAircraft(LiveAircraft& aircraft) {
    std::deque<PositionSample>& samples = aircraft.samples;
    if (samples.empty()) {
        aircraft.erase = true;
        return;
    }
    lf_markRepeatedStart(samples);
    if (aircraft.phase == FlightPhase::newFlight) {
        if (!lf_chooseLivery(aircraft)) {
            trafficState.noLiveryKeys.insert(aircraft.noLiveryKey());
            gf_addNoLiveryFlight(aircraft.noLiveryKey());
            aircraft.erase = true;
            return;
        }
        if (samples.front().airborne) {
            aircraft.setPhase(FlightPhase::airborne);
        } else {
            switch (lf_standForStandingFlight(aircraft)) {
            case PlacementStandChoice::hold:
                samples.pop_front();
                return;
            case PlacementStandChoice::drop:
                aircraft.erase = true;
                return;
            case PlacementStandChoice::none:
                aircraft.setPhase(FlightPhase::taxi);
                break;
            case PlacementStandChoice::taken:
                break;
            }
        }
    }
    trafficState.identityChecks.push_back(aircraft.flightKey);
    lf_fillPositionBlock(aircraft);
    aircraft.state = LiveState::creationRequested;
    aircraft.heldForUser = false;
    trafficState.waitingKeys.push_back(aircraft.flightKey);
    if (!gf_isGhostCallsign(aircraft.callsign)) {
        trafficState.hooks.removeGhost(aircraft.callsign);
    }
}

} // namespace ksb
