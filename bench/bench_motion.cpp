// The motion's two steps on the worker thread's budget. The per-tick step (lf_followCurve) over
// 1,000 aircraft: 40 % straight on the ground, 20 % on a curve, 40 % airborne; budget 50 us per
// tick on one core (half a per cent of the 10 ms cycle). The sample step (lf_nextSample) on a
// mixed set of straight taxi, corner and airborne aircraft, each call timed on its own; budget
// 5 us at the median. Each aircraft is prepared by a real sample step, so the per-tick step
// works on the steps and curves the motion itself set up.
// Run by hand: ksby_bench --benchmark_filter=Motion
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"
#include "traffic/motion.h"
#include "traffic/traffic_state.h"

#include "bench_timing.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

namespace {

constexpr std::size_t kFleet = 1000;
constexpr double kTickBudgetMicroseconds = 50.0;
constexpr double kSampleStepBudgetMicroseconds = 5.0;
constexpr std::int32_t kNow = 100000;

enum class MotionKind { straight, corner, airborne };

Position lf_benchPoint(const Position& from, double headingDegrees, double metres) {
    return gf_destinationPoint(from, headingDegrees * kRadiansPerDegree,
                               metres * kNMPerMetre * kFeetPerNM);
}

PositionSample lf_benchSample(const Position& at, double knots, double track, double altitude,
                              std::int32_t due, bool airborne) {
    PositionSample sample;
    sample.latitude = at.latitude;
    sample.longitude = at.longitude;
    sample.groundSpeed = knots;
    sample.track = track;
    sample.altitude = altitude;
    sample.dueTick = due;
    sample.airborne = airborne;
    return sample;
}

// An aircraft of the kind on its current sample, the sample step not yet run. Spread over a
// small area by its index, so that no two are alike.
LiveAircraft lf_benchAircraft(MotionKind kind, std::size_t index) {
    LiveAircraft a;
    a.callsign = "BENCH";
    a.flightKey = 20000 + static_cast<std::uint32_t>(index);
    a.objectId = 3 + static_cast<std::uint32_t>(index);
    a.category = AircraftCategory::large;
    a.halfWingSpan = 17.05 * kNMPerMetre;
    a.baseTurnRate = 0.07 * kRadiansPerDegree;
    a.turnRate = a.baseTurnRate;
    a.climbLimit = 0.6;
    a.pushSpeed = 4.0;
    a.rotationPitch = -6.0 * kRadiansPerDegree;
    a.climbPitch = -16.5 * kRadiansPerDegree;
    a.flarePitchTicks = 400;
    a.derotationTicks = 350;
    a.rotationTicks = 200;
    a.climbPitchTicks = 300;
    a.state = LiveState::inSimulator;
    const Position start{50.0 + 0.001 * static_cast<double>(index % 50),
                         8.0 + 0.001 * static_cast<double>(index / 50)};
    switch (kind) {
    case MotionKind::straight: {
        a.phase = FlightPhase::taxi;
        a.onGround = true;
        a.samples = {
            lf_benchSample(start, 12.0, 90.0, 0.0, kNow, false),
            lf_benchSample(lf_benchPoint(start, 90.0, 25.0), 12.0, 90.0, 0.0, kNow + 400, false),
            lf_benchSample(lf_benchPoint(start, 90.0, 50.0), 12.0, 90.0, 0.0, kNow + 800, false)};
        a.position.heading = 90.0 * kRadiansPerDegree;
        break;
    }
    case MotionKind::corner: {
        a.phase = FlightPhase::taxi;
        a.onGround = true;
        const Position corner = lf_benchPoint(start, 90.0, 40.0);
        a.samples = {
            lf_benchSample(start, 8.0, 90.0, 0.0, kNow, false),
            lf_benchSample(corner, 8.0, 90.0, 0.0, kNow + 1000, false),
            lf_benchSample(lf_benchPoint(corner, 0.0, 40.0), 8.0, 0.0, 0.0, kNow + 2000, false),
            lf_benchSample(lf_benchPoint(corner, 0.0, 80.0), 8.0, 0.0, 0.0, kNow + 3000, false)};
        a.position.heading = 90.0 * kRadiansPerDegree;
        break;
    }
    case MotionKind::airborne: {
        a.phase = FlightPhase::airborne;
        a.previousPhase = FlightPhase::rotationAndInitialClimb;
        a.onGround = false;
        a.agl = 5000.0;
        a.samples = {lf_benchSample(start, 250.0, 90.0, 6000.0, kNow, true),
                     lf_benchSample(lf_benchPoint(start, 80.0, 1030.0), 250.0, 80.0, 5900.0,
                                    kNow + 800, true),
                     lf_benchSample(lf_benchPoint(start, 75.0, 2060.0), 250.0, 70.0, 5800.0,
                                    kNow + 1600, true)};
        a.position.heading = 90.0 * kRadiansPerDegree;
        a.position.altitude = 6000.0;
        break;
    }
    }
    a.position.latitude = start.latitude;
    a.position.longitude = start.longitude;
    return a;
}

MotionKind lf_kindOf(std::size_t index) {
    // 40 % straight, 20 % curve, 40 % airborne.
    const std::size_t share = index % 10;
    return share < 4 ? MotionKind::straight
                     : (share < 6 ? MotionKind::corner : MotionKind::airborne);
}

// The fleet after one sample step each: steps and curves in place.
std::vector<LiveAircraft> lf_preparedFleet() {
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.tickCounter = kNow;
    std::vector<LiveAircraft> fleet;
    fleet.reserve(kFleet);
    for (std::size_t i = 0; i < kFleet; ++i) {
        fleet.push_back(lf_benchAircraft(lf_kindOf(i), i));
        ksb::lf_nextSample(fleet.back());
    }
    return fleet;
}

double bestTick = std::numeric_limits<double>::max();

void BM_MotionPerTickStep(benchmark::State& state) {
    std::vector<LiveAircraft> fleet = lf_preparedFleet();
    std::size_t curves = 0;
    for (const LiveAircraft& a : fleet) {
        curves += std::isnan(a.curveControlX) ? 0 : 1;
    }
    std::lock_guard traffic(trafficState.trafficMutex);
    lf_timed(state, bestTick, [&fleet] {
        for (LiveAircraft& a : fleet) {
            ksb::lf_followCurve(a);
        }
        benchmark::DoNotOptimize(fleet.data());
    });
    state.counters["best_us"] = bestTick * 1e6;
    state.counters["budget_us"] = kTickBudgetMicroseconds;
    state.counters["curves"] = static_cast<double>(curves);
}
BENCHMARK(BM_MotionPerTickStep)->UseManualTime()->Iterations(2000);

void BM_MotionSampleStep(benchmark::State& state) {
    std::vector<LiveAircraft> templates;
    for (std::size_t i = 0; i < 300; ++i) {
        templates.push_back(lf_benchAircraft(lf_kindOf(i), i));
    }
    std::vector<double> durations;
    durations.reserve(templates.size() * 64);
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.tickCounter = kNow;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<LiveAircraft> work = templates;
        state.ResumeTiming();
        double total = 0.0;
        for (LiveAircraft& a : work) {
            const auto start = std::chrono::steady_clock::now();
            ksb::lf_nextSample(a);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            durations.push_back(took.count());
            total += took.count();
        }
        state.SetIterationTime(total);
    }
    std::nth_element(durations.begin(),
                     durations.begin() + static_cast<std::ptrdiff_t>(durations.size() / 2),
                     durations.end());
    state.counters["median_us"] = durations[durations.size() / 2] * 1e6;
    state.counters["budget_us"] = kSampleStepBudgetMicroseconds;
}
BENCHMARK(BM_MotionSampleStep)->UseManualTime()->Iterations(64);

} // namespace
