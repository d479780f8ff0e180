#pragma once
// Timing shared by the benchmarks: one warm-up run, then the best of the measured runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

// Runs the work once untimed (file cache, first allocations), then once per iteration, keeping
// the best time in best (seconds).
template <class Work> void lf_timed(benchmark::State& state, double& best, Work work) {
    work();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        state.SetIterationTime(took.count());
    }
    state.counters["best_ms"] = best * 1000.0;
}
