// The real main loop on the real clock for 10 s, with a no-op tick and with an 8 ms tick. A
// thread plays the simulator's once-a-second answer. Reports the mean ticks per second and the
// 99th percentile of how late a cycle starts after the one before it (10 ms apart when on time).
// Targets: mean within 0.5 % of 100 per second; p99 lateness at most 2 ms on an idle machine.
// Run by hand: ksby_bench --benchmark_filter=MainLoopRate
#include "app/main_loop.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "traffic/traffic.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

void lf_busyFor(std::chrono::microseconds duration) {
    const auto end = Steady::now() + duration;
    while (Steady::now() < end) {
    }
}

void lf_mainLoopRate(benchmark::State& state) {
    const auto tickWork = std::chrono::microseconds(state.range(0));
    constexpr auto kRun = 10s;
    std::vector<Steady::time_point> starts;
    starts.reserve(2000);
    for (auto _ : state) {
        starts.clear();
        ksb::TrafficServices traffic = ksb::gf_defaultTrafficServices();
        traffic.trafficTick = [&] {
            starts.push_back(Steady::now());
            lf_busyFor(tickWork);
        };
        ksb::gf_setTrafficServices(traffic);
        gf_resetRunState();
        exitInProgress = 0;
        stopRequested = 0;
        flightRunning = true;
        std::atomic<bool> done{false};
        std::jthread session([&done, kRun] {
            const auto begin = Steady::now();
            auto next = begin + 1s;
            while (!done.load()) {
                std::this_thread::sleep_until(next);
                next += 1s;
                if (Steady::now() - begin >= kRun) {
                    stopRequested = 1;
                }
                secondTick = true;
            }
        });
        const auto begin = Steady::now();
        mainLoop(runGeneration.load());
        const double seconds = std::chrono::duration<double>(Steady::now() - begin).count();
        done = true;
        session.join();
        ksb::gf_setTrafficServices(ksb::gf_defaultTrafficServices());
        stopRequested = 0;

        std::vector<double> lateMs;
        for (std::size_t i = 1; i < starts.size(); ++i) {
            const double gap = std::chrono::duration<double, std::milli>(starts[i] - starts[i - 1])
                                   .count();
            lateMs.push_back(std::max(0.0, gap - 10.0));
        }
        std::sort(lateMs.begin(), lateMs.end());
        const double p99 = lateMs.empty() ? 0.0 : lateMs[lateMs.size() * 99 / 100];
        state.counters["ticks_per_s"] = double(starts.size()) / seconds;
        state.counters["target_ticks_per_s"] = 100.0;
        state.counters["p99_late_ms"] = p99;
        state.counters["target_p99_late_ms"] = 2.0;
    }
    state.SetLabel("targets: 100 +- 0.5 ticks/s, p99 lateness <= 2 ms");
}

BENCHMARK(lf_mainLoopRate)
    ->Name("MainLoopRate")
    ->Arg(0)
    ->Arg(8000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
