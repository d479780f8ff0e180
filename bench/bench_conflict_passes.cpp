// The engine's part of one second's conflict passes on the worker thread, called in the main
// loop's order: the identity check of one queued key against the static aircraft, the user
// conflicts (user airborne, or on the ground and moving, so that the static aircraft are tested
// too), and every taxiing live aircraft against every static one. 1,000 live aircraft (200
// taxiing between the stands, 300 parked, 500 airborne around the airport) and 300 static
// aircraft; no pending flush, and nobody close enough to be released. Budget: 1 ms on one core.
// Then the parked limit with 300 parked live and 300 static aircraft over the wanted count: the
// live list, its sort and the static search, each call releasing one of each (counted, not
// carried out, so that every call does the same work). Budget: 1 ms.
// Run by hand: ksby_bench --benchmark_filter=Conflict
#include "airports/park_airport_state.h"
#include "core/clock.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "core/sim_session_state.h"
#include "core/time_of_week.h"
#include "traffic/conflicts.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "bench_timing.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr double kSecondBudgetMilliseconds = 1.0;
constexpr double kMaxParkBudgetMilliseconds = 1.0;
constexpr std::size_t kTaxiing = 200;
constexpr std::size_t kParked = 300;
constexpr std::size_t kAirborne = 500;
constexpr std::size_t kStaticColumns = 30;
constexpr std::size_t kStaticRows = 10;
constexpr double kColumnMetres = 80.0;
constexpr double kRowMetres = 100.0;
constexpr double kHalfSpanNm = 17.05 * kNMPerMetre;
const Position kAirport{51.47, -0.45};

double bestSecond[2] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
double bestMaxPark = std::numeric_limits<double>::max();

Position lf_conflictBenchPoint(const Position& from, double bearingDegrees, double metres) {
    return gf_destinationPoint(from, bearingDegrees * kRadiansPerDegree,
                               metres * kNMPerMetre * kFeetPerNM);
}

// The user: 2 NM south of the airport.
Position lf_conflictBenchUser() {
    return lf_conflictBenchPoint(kAirport, 180.0, 2.0 * kMetresPerNM);
}

// The grid point north and east of the airport's corner, in metres.
Position lf_conflictBenchGrid(double northMetres, double eastMetres) {
    return lf_conflictBenchPoint(lf_conflictBenchPoint(kAirport, 0.0, northMetres), 90.0,
                                 eastMetres);
}

LiveAircraft lf_conflictBenchLive(std::size_t index, const Position& at) {
    LiveAircraft a;
    a.callsign = "BEN" + std::to_string(index);
    a.firstReceivedCallsign = a.callsign;
    a.registration = "G-B" + std::to_string(index);
    a.type = "A320";
    a.category = AircraftCategory::large;
    a.halfWingSpan = kHalfSpanNm;
    a.flightKey = 20000 + static_cast<std::uint32_t>(index);
    a.objectId = 3 + static_cast<std::uint32_t>(index);
    a.state = LiveState::inSimulator;
    a.coupledSearchDone = true;
    a.position.latitude = at.latitude;
    a.position.longitude = at.longitude;
    return a;
}

// Static aircraft on a grid of stands; live aircraft taxiing on the lanes between them (40 m from
// the nearest stand, outside 1.1 times two half spans), parked north of the grid and airborne
// 5 NM and more from the user, some within 1000 ft of the user's altitude.
void lf_conflictBenchFill() {
    trafficState.live.clear();
    trafficState.statics.clear();
    trafficState.removals.clear();
    trafficState.identityChecks.clear();
    for (std::size_t row = 0; row < kStaticRows; ++row) {
        for (std::size_t column = 0; column < kStaticColumns; ++column) {
            const std::size_t i = row * kStaticColumns + column;
            AiAircraft s;
            s.callsign = "STA" + std::to_string(i) + "*";
            s.firstReceivedCallsign = "STA" + std::to_string(i);
            s.registration = "G-S" + std::to_string(i);
            s.type = "A320";
            s.halfWingSpan = kHalfSpanNm;
            s.flightKey = static_cast<std::uint32_t>(i + 1);
            s.objectId = 5000 + static_cast<std::uint32_t>(i);
            s.trafficValue = 0x600000 + static_cast<std::uint32_t>(i);
            s.state = LiveState::inSimulator;
            s.standId = static_cast<std::uint32_t>(i + 1);
            const Position at = lf_conflictBenchGrid(static_cast<double>(row) * kRowMetres,
                                                     static_cast<double>(column) * kColumnMetres);
            s.standLatitude = at.latitude;
            s.standLongitude = at.longitude;
            s.parkedAt = gf_packDayHalfHour(1 + static_cast<int>(i % 7), static_cast<int>(i % 48));
            trafficState.statics.push_back(std::move(s));
        }
    }
    std::size_t index = 0;
    for (std::size_t i = 0; i < kTaxiing; ++i, ++index) {
        // Half along the rows, half along the columns.
        const double along = static_cast<double>(i % 20) * 37.0;
        const Position at =
            i % 2 == 0
                ? lf_conflictBenchGrid(static_cast<double>(i % kStaticRows) * kRowMetres + 40.0 +
                                           (i % 3 == 0 ? 20.0 : 0.0),
                                       along * 3.0)
                : lf_conflictBenchGrid(
                      along * 2.5, static_cast<double>(i % kStaticColumns) * kColumnMetres + 40.0);
        LiveAircraft a = lf_conflictBenchLive(index, at);
        a.onGround = true;
        a.setPhase(FlightPhase::taxi);
        a.position.heading = (i % 2 == 0 ? 90.0 : 0.0) * kRadiansPerDegree;
        // The copy of the pass takes its queued samples along.
        a.samples.resize(3);
        trafficState.live.push_back(std::move(a));
    }
    for (std::size_t i = 0; i < kParked; ++i, ++index) {
        const Position at = lf_conflictBenchGrid(1500.0 + static_cast<double>(i / 30) * 100.0,
                                                 static_cast<double>(i % 30) * 80.0);
        LiveAircraft a = lf_conflictBenchLive(index, at);
        a.onGround = true;
        a.setPhase(FlightPhase::parked);
        a.standId = 1000 + static_cast<std::uint32_t>(i);
        a.atStandSince = ksb::gf_clock().steadyNow() - std::chrono::minutes(i % 240);
        trafficState.live.push_back(std::move(a));
    }
    for (std::size_t i = 0; i < kAirborne; ++i, ++index) {
        const double nm = 5.0 + static_cast<double>(i % 40);
        const Position at = lf_conflictBenchPoint(lf_conflictBenchUser(),
                                                  static_cast<double>(i) * 7.3, nm * kMetresPerNM);
        LiveAircraft a = lf_conflictBenchLive(index, at);
        a.setPhase(FlightPhase::airborne);
        a.position.altitude = 2500.0 + static_cast<double>(i % 50) * 600.0;
        a.position.heading = static_cast<double>(i % 360) * kRadiansPerDegree;
        trafficState.live.push_back(std::move(a));
    }
}

// The engine's calls of the second's steps 7 to 10, in their order.
void lf_conflictBenchSecond(std::uint32_t identityKey) {
    // Identity check: one key, its aircraft found, then the static aircraft in order.
    for (LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.flightKey != identityKey) {
            continue;
        }
        if (!aircraft.callsign.empty()) {
            for (const AiAircraft& parked : trafficState.statics) {
                if (lf_checkSameIdentity(aircraft, parked)) {
                    break;
                }
            }
        }
        break;
    }
    // No flush pending. User conflicts:
    if (userOnGround.load()) {
        lf_avoidUserCollisionOnGround();
    } else {
        for (LiveAircraft& aircraft : trafficState.live) {
            if (lf_avoidUserCollision(aircraft)) {
                break;
            }
        }
    }
    // Live against static, with the one copy per qualifying aircraft.
    for (LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.state != LiveState::inSimulator || !aircraft.onGround ||
            (aircraft.phase != FlightPhase::taxi &&
             aircraft.phase != FlightPhase::movingToAdjacentStand) ||
            aircraft.takeOffRoll || aircraft.landingRoll ||
            (aircraft.position.latitude == aircraft.staticCheckLatitude &&
             aircraft.position.longitude == aircraft.staticCheckLongitude)) {
            continue;
        }
        aircraft.staticCheckLatitude = aircraft.position.latitude;
        aircraft.staticCheckLongitude = aircraft.position.longitude;
        const LiveAircraft copy = aircraft.copy();
        for (AiAircraft& parked : trafficState.statics) {
            if (lf_avoidCollisionWithLive(copy, parked)) {
                break;
            }
        }
    }
}

void BM_ConflictSecondPasses(benchmark::State& state) {
    const bool onGround = state.range(0) != 0;
    std::lock_guard traffic(trafficState.trafficMutex);
    lf_conflictBenchFill();
    LOG.setRaw(false);
    COLLISION_USER_GND.setRaw(true);
    COLLISION_USER_AIR.setRaw(true);
    COLLISION_LIVE_PARKED_GND.setRaw(true);
    int releases = 0;
    trafficState.linkServices.releaseAiAircraft = [&releases](AiAircraft&) { ++releases; };
    trafficState.linkServices.userHalfWingSpan = [] { return kHalfSpanNm; };
    userOnGround = onGround;
    UserAircraftState& user = trafficState.userState;
    const Position userAt = lf_conflictBenchUser();
    user.latitude = userAt.latitude;
    user.longitude = userAt.longitude;
    user.trueHeading = 0.0;
    user.altitude = onGround ? 80.0 : 3000.0;
    user.altitudeAboveGround = onGround ? 0.0 : 3000.0;

    std::uint32_t step = 0;
    double& best = bestSecond[onGround ? 1 : 0];
    lf_timed(state, best, [&] {
        // Every taxiing aircraft has moved since the last second, and so has the user.
        for (std::size_t i = 0; i < kTaxiing; ++i) {
            trafficState.live[i].staticCheckLatitude = 0.0;
        }
        user.longitude = userAt.longitude + (step % 2 == 0 ? 1e-7 : 0.0);
        lf_conflictBenchSecond(20000 + step % 1000);
        ++step;
    });
    if (releases != 0) {
        state.SkipWithError("the set-up released aircraft");
    }
    state.counters["best_ms"] = best * 1000.0;
    state.counters["budget_ms"] = kSecondBudgetMilliseconds;
    trafficState.linkServices = {};
    trafficState.live.clear();
    trafficState.statics.clear();
    userOnGround = false;
}
BENCHMARK(BM_ConflictSecondPasses)->Arg(0)->Arg(1)->UseManualTime()->Iterations(2000);

void BM_ConflictMaxPark(benchmark::State& state) {
    std::lock_guard traffic(trafficState.trafficMutex);
    lf_conflictBenchFill();
    LOG.setRaw(false);
    INITIAL_LOAD_ONLY.setRaw(false);
    RT_PARKTRAFFIC_ONLY.setRaw(false);
    // 400 stands at 50 % want 200: 300 parked live and 300 static are over it.
    std::vector<ParkPosition>& stands = gf_parkAirportState().stands;
    stands.assign(400, ParkPosition{});
    parking_percentage.setRaw(50);
    dayHalfHourNow = gf_packDayHalfHour(1, 3);
    int releases = 0;
    trafficState.linkServices.releaseAiAircraft = [&releases](AiAircraft&) { ++releases; };

    lf_timed(state, bestMaxPark, [] { ksb::lf_checkMaxPark(1); });
    const auto calls = static_cast<int>(state.iterations()) + 1;
    if (releases != 2 * calls) {
        state.SkipWithError("the parked limit did not release one live and one static aircraft");
    }
    state.counters["best_ms"] = bestMaxPark * 1000.0;
    state.counters["budget_ms"] = kMaxParkBudgetMilliseconds;
    trafficState.linkServices = {};
    trafficState.live.clear();
    trafficState.statics.clear();
    stands.clear();
}
BENCHMARK(BM_ConflictMaxPark)->UseManualTime()->Iterations(2000);

} // namespace
