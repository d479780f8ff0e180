// The static parking's two calculations on a generated park airport, without the parked-traffic
// fetch: stands in rows 80 m apart, each the neighbour of the stands beside it, about 20 learned
// options each spread over the week; parking_percentage 30; a third of the stands held by static
// aircraft (100 at 300 stands) and 40 parked live aircraft per 300 stands. The tick waits for a
// whole calculation, so the budget is 50 ms each on one core. Releases and the controls go to
// nobody, so every run does the same work.
// Run by hand: ksby_bench --benchmark_filter=StaticParking
#include "airports/park_airport_state.h"
#include "core/clock.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "core/random_engine.h"
#include "core/time_of_week.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_state.h"

#include "bench_timing.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kStaticParkingBudgetMilliseconds = 50.0;
constexpr std::size_t kStaticParkingColumns = 20;
constexpr double kStaticParkingSpacingMetres = 80.0;
constexpr int kStaticParkingOptions = 20;
const Position kStaticParkingCorner{51.47, -0.45};
constexpr DayHalfHour kStaticParkingNow = gf_packDayHalfHour(3, 20);

double bestStaticParking[2][2] = {
    {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()},
    {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()}};

Position lf_staticParkingPoint(std::size_t index) {
    const double north = static_cast<double>(index / kStaticParkingColumns) *
                         kStaticParkingSpacingMetres * kNMPerMetre / 60.0;
    const double east = static_cast<double>(index % kStaticParkingColumns) *
                        kStaticParkingSpacingMetres * kNMPerMetre / 60.0 / 0.62;
    return Position{kStaticParkingCorner.latitude + north, kStaticParkingCorner.longitude + east};
}

void lf_staticParkingFill(std::size_t standCount) {
    std::mt19937 random(20260101);
    std::vector<ParkPosition>& stands = gf_parkAirportState().stands;
    stands.clear();
    stands.reserve(standCount);
    for (std::size_t i = 0; i < standCount; ++i) {
        const Position at = lf_staticParkingPoint(i);
        std::vector<StandObservation> options;
        for (int n = 0; n < kStaticParkingOptions; ++n) {
            StandObservation o;
            o.airline = n % 2 == 0 ? "BAW" : "EZY";
            o.type = n % 3 == 0 ? "A321" : "A320";
            o.callsign = "C" + std::to_string(i) + "_" + std::to_string(n);
            o.registration = "R" + std::to_string(i) + "_" + std::to_string(n);
            o.day = 1 + static_cast<std::int32_t>(random() % 7);
            const std::size_t first = random() % 44;
            for (std::size_t slot = first; slot < first + 1 + random() % 4; ++slot) {
                o.halfHours.set(slot);
            }
            o.sequenceNumber = static_cast<std::uint32_t>(n + 1);
            o.learned = true;
            options.push_back(std::move(o));
        }
        ParkPosition& stand =
            stands.emplace_back(std::move(options), "S" + std::to_string(i), at.latitude,
                                at.longitude, 0.0, 30.0, false, false, false);
        stand.standId = static_cast<std::uint32_t>(i + 1);
    }
    for (std::size_t i = 0; i < standCount; ++i) {
        if (i % kStaticParkingColumns != 0) {
            stands[i].adjacentStandIds.push_back(stands[i - 1].standId);
        }
        if ((i + 1) % kStaticParkingColumns != 0 && i + 1 < standCount) {
            stands[i].adjacentStandIds.push_back(stands[i + 1].standId);
        }
    }

    // Static aircraft on every third stand, half of them the stand's first option; parked live
    // aircraft on stands between them.
    trafficState.statics.clear();
    trafficState.live.clear();
    const std::size_t staticCount = standCount / 3;
    for (std::size_t s = 0; s < staticCount; ++s) {
        const std::size_t i = s * 3;
        const StandObservation& first = stands[i].observations.front();
        AiAircraft a;
        a.airline = first.airline;
        a.type = first.type;
        a.firstReceivedCallsign = s % 2 == 0 ? first.callsign : "X" + std::to_string(s);
        a.callsign = a.firstReceivedCallsign + "*";
        a.registration = s % 2 == 0 ? first.registration : "G-X" + std::to_string(s);
        a.flightKey = static_cast<std::uint32_t>(s + 1);
        a.objectId = 5000 + static_cast<std::uint32_t>(s);
        a.state = LiveState::inSimulator;
        a.standId = stands[i].standId;
        a.standLatitude = stands[i].latitude;
        a.standLongitude = stands[i].longitude;
        a.parkedAt = gf_halfHoursBefore(kStaticParkingNow, static_cast<std::int64_t>(s % 9));
        trafficState.statics.push_back(std::move(a));
    }
    const std::size_t liveCount = standCount * 40 / 300;
    for (std::size_t l = 0; l < liveCount; ++l) {
        const std::size_t i = l * 3 + 1;
        LiveAircraft a;
        a.airline = "DLH";
        a.type = "A320";
        a.callsign = "DLH" + std::to_string(l);
        a.registration = "D-L" + std::to_string(l);
        a.flightKey = 20000 + static_cast<std::uint32_t>(l);
        a.objectId = 9000 + static_cast<std::uint32_t>(l);
        a.state = LiveState::inSimulator;
        a.setPhase(FlightPhase::parked);
        a.standId = stands[i].standId;
        a.standChecked = true;
        a.atStandSince = ksb::gf_clock().steadyNow() - std::chrono::minutes(l % 60);
        stands[i].occupied = true;
        trafficState.live.push_back(std::move(a));
    }
}

// range(0): the stands; range(1): 0 the first calculation, 1 the renewal.
void BM_StaticParking(benchmark::State& state) {
    const auto standCount = static_cast<std::size_t>(state.range(0));
    const bool renewal = state.range(1) != 0;
    std::lock_guard traffic(trafficState.trafficMutex);
    LOG.setRaw(false);
    WEEK.setRaw(false);
    RT_PARKTRAFFIC_ONLY.setRaw(false);
    INITIAL_LOAD_ONLY.setRaw(false);
    PARK_SOFT.setRaw(true);
    parking_percentage.setRaw(30);
    dayHalfHourNow = kStaticParkingNow;
    gf_setRandomSeedForTests(7);
    lf_staticParkingFill(standCount);
    gf_parkAirportState().parkAirportLoaded = true;
    trafficState.linkServices = {};
    trafficState.feedServices = {};

    double& best = bestStaticParking[standCount == 300 ? 1 : 0][renewal ? 1 : 0];
    std::size_t planned = 0;
    lf_timed(state, best, [&] {
        if (renewal) {
            ksb::gf_adjustStaticParking(false);
        } else {
            ksb::gf_calculateStaticParking();
        }
        planned = trafficState.standsToFill.size();
    });
    state.counters["planned"] = static_cast<double>(planned);
    state.counters["removals"] = static_cast<double>(trafficState.adjustments.size());
    state.counters["budget_ms"] = kStaticParkingBudgetMilliseconds;
    trafficState.standsToFill.clear();
    trafficState.adjustments.clear();
    trafficState.stayers.clear();
    trafficState.statics.clear();
    trafficState.live.clear();
    gf_parkAirportState().stands.clear();
    gf_parkAirportState().parkAirportLoaded = false;
    gf_setRandomSeedForTests(std::nullopt);
}
BENCHMARK(BM_StaticParking)
    ->Args({100, 0})
    ->Args({100, 1})
    ->Args({300, 0})
    ->Args({300, 1})
    ->UseManualTime()
    ->Iterations(50);

} // namespace
