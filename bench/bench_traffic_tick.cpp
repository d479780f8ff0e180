// The whole engine under the seeded generator's load: N live flights (65 % airborne, 20 %
// taxiing, 15 % standing) and 90 static aircraft on a 300-stand park airport, the simulator
// played by the fake link (recording off) with level ground. After a warm-up that creates
// every aircraft, 6,000 cycles are timed: the tick under the traffic mutex, the feed batch handed
// over before it every 200 ticks, the per-second work every 100 ticks as the main loop calls it,
// and the twin pass every 61 s.
// Targets: at N = 1,000 a mean cycle of at most 100 us; ns_per_aircraft at 1,000 at most 1.5 x
// its value at 100. Run by hand: ksby_bench --benchmark_filter=BM_Traffic
#include "app/main_loop.h"
#include "core/parameters.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/traffic_generator.h"

#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;
constexpr std::uint32_t kTickBenchSeed = 20261211;
constexpr int kTickBenchCycles = 6000;
constexpr int kTicksPerSecond = 100;
constexpr int kTwinPassTicks = 61 * kTicksPerSecond;
// One creation per 50 ticks; the warm-up may take three times what that needs.
constexpr std::int64_t kCreationTicks = 50;

double lf_tickMicros(Steady::time_point from, Steady::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// The load, warmed up: every flight and static aircraft in the simulator. Nullptr after a
// failed warm-up, with the benchmark's error set.
std::unique_ptr<ksb::test::GeneratedLoad> lf_warmedLoad(benchmark::State& state, int flights) {
    auto load = std::make_unique<ksb::test::GeneratedLoad>(flights, kTickBenchSeed);
    load->harness().link().setRecording(false);
    const std::int64_t expected =
        (flights + load->plannedStatics() + 10) * kCreationTicks + 20 * kTicksPerSecond;
    const std::int64_t limit = 3 * expected;
    while (!load->settled()) {
        if (load->ticks() >= limit) {
            std::lock_guard traffic(trafficState.trafficMutex);
            const auto inSim = [](const auto& a) { return a.state == LiveState::inSimulator; };
            state.SkipWithError(fmt::format(
                                    "warm-up: {} of {} live and {} of {} static aircraft after "
                                    "{} ticks",
                                    std::count_if(trafficState.live.begin(),
                                                  trafficState.live.end(), inSim),
                                    flights,
                                    std::count_if(trafficState.statics.begin(),
                                                  trafficState.statics.end(), inSim),
                                    load->plannedStatics(), load->ticks())
                                    .c_str());
            return nullptr;
        }
        load->cycle();
        if (load->ticks() % kTicksPerSecond == 0) {
            lf_everySecond();
        }
    }
    return load;
}

void lf_reportCycles(benchmark::State& state, std::vector<double>& micros, int flights) {
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        state.counters["live"] = static_cast<double>(trafficState.live.size());
        state.counters["statics"] = static_cast<double>(trafficState.statics.size());
    }
    std::sort(micros.begin(), micros.end());
    const double mean =
        std::accumulate(micros.begin(), micros.end(), 0.0) / static_cast<double>(micros.size());
    state.counters["ticks_per_s"] = 1.0e6 / mean;
    state.counters["mean_us"] = mean;
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["max_us"] = micros.back();
    state.counters["ns_per_aircraft"] = mean * 1000.0 / flights;
}

void BM_TrafficTick(benchmark::State& state) {
    const int flights = static_cast<int>(state.range(0));
    std::unique_ptr<ksb::test::GeneratedLoad> load = lf_warmedLoad(state, flights);
    if (!load) {
        return;
    }
    std::vector<double> micros(kTickBenchCycles);
    for (auto _ : state) {
        for (int i = 0; i < kTickBenchCycles; ++i) {
            const auto start = Steady::now();
            load->cycle();
            const std::int64_t tick = load->ticks();
            if (tick % kTicksPerSecond == 0) {
                lf_everySecond();
            }
            if (tick % kTwinPassTicks == 0) {
                std::lock_guard traffic(trafficState.trafficMutex);
                if (!trafficState.statics.empty()) {
                    for (LiveAircraft& aircraft : trafficState.live) {
                        lf_removeStaticTwinOfLive(aircraft);
                    }
                }
            }
            micros[static_cast<std::size_t>(i)] = lf_tickMicros(start, Steady::now());
        }
    }
    lf_reportCycles(state, micros, flights);
}

// One batch handed over: how long the tick after it may wait.
void BM_TrafficFeedBatch(benchmark::State& state) {
    const int flights = static_cast<int>(state.range(0));
    std::unique_ptr<ksb::test::GeneratedLoad> load = lf_warmedLoad(state, flights);
    if (!load) {
        return;
    }
    std::vector<double> micros;
    for (auto _ : state) {
        while (!load->batchDue()) {
            load->tick();
        }
        const auto start = Steady::now();
        load->feedBatch();
        micros.push_back(lf_tickMicros(start, Steady::now()));
        load->tick();
    }
    lf_reportCycles(state, micros, flights);
}

// One range answer of a kind-3 record for each live aircraft, handled by one tick.
void BM_TrafficRangeAnswer(benchmark::State& state) {
    const int flights = static_cast<int>(state.range(0));
    std::unique_ptr<ksb::test::GeneratedLoad> load = lf_warmedLoad(state, flights);
    if (!load) {
        return;
    }
    std::vector<double> micros;
    for (auto _ : state) {
        state.PauseTiming();
        while (load->batchDue()) {
            load->cycle();
        }
        // What the simulator would answer: each object where the engine last put it.
        std::vector<SimInboundRecord> answer;
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            for (const LiveAircraft& aircraft : trafficState.live) {
                if (aircraft.state == LiveState::inSimulator &&
                    static_cast<int>(answer.size()) < flights) {
                    const double agl = std::max(
                        0.0, aircraft.position.altitude - ksb::test::kGeneratedElevationFeet);
                    answer.push_back(SimInboundRecord{aircraft.objectId,
                                                      aircraft.onGround ? 1U : 0U, 0,
                                                      SimInboundKind::aircraftNearUser,
                                                      ksb::test::kGeneratedElevationFeet, agl});
                }
            }
        }
        for (const SimInboundRecord& record : answer) {
            gf_postSimEvent(record);
        }
        state.ResumeTiming();
        const auto start = Steady::now();
        load->tick();
        micros.push_back(lf_tickMicros(start, Steady::now()));
    }
    lf_reportCycles(state, micros, flights);
}

BENCHMARK(BM_TrafficTick)->Arg(50)->Arg(100)->Arg(200)->Arg(1000)->Iterations(1)->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_TrafficFeedBatch)->Arg(50)->Arg(100)->Arg(200)->Arg(1000)->Iterations(50);
BENCHMARK(BM_TrafficRangeAnswer)->Arg(50)->Arg(100)->Arg(200)->Arg(1000)->Iterations(50);

} // namespace
