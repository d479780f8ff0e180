// The add-on airport scan of a generated tree shaped like add-on scenery: 10,000 BGL files in
// 100 folders, about 80 % with one airport record of 20 to 400 parking entries, 2 to 64 KB each.
// Compared with the least any scan must do: one thread walking the tree with the same directory
// iterator and reading every file whole. (b) is the walk with quick checks, workers and decoding
// into a counting sink; (c) the whole scan writing the generated airport files, for information.
// Each benchmark keeps its best run; the last one prints the ratios (target: b / a <= 1.5).
#include "airports/addon_scan.h"
#include "airports/airports_globals.h"
#include "core/globals.h"
#include "core/log.h"
#include "support/airport_scan_sinks.h"
#include "support/bgl_builder.h"
#include "support/parameters_fixture.h"
#include "support/scoped_current_dir.h"
#include "support/temp_folder.h"

#include "bench_timing.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <thread>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

constexpr std::size_t kFiles = 10'000;
constexpr std::uint32_t kSeed = 2026;

class ScanSetup {
public:
    ScanSetup() : current_(work_.path()) {
        gf_openLog(work_.path());
        counts_ = makeBglTree(root_.path(), kFiles, kSeed);
        for (const char* folder : {"output/info", "airports/my_ORBX", "airports/my_thirdparty"}) {
            fs::create_directories(work_.path() / folder);
        }
        workerLimit = static_cast<std::int32_t>(std::max(1U, std::thread::hardware_concurrency()));
    }
    ~ScanSetup() { gf_closeLog(); }
    const fs::path& root() const { return root_.path(); }
    const BglTreeCounts& counts() const { return counts_; }

private:
    ParametersFixture parameters_;
    TempFolder work_;
    ScopedCurrentDir current_;
    TempFolder root_;
    BglTreeCounts counts_;
};

ScanSetup& lf_setup() {
    static std::unique_ptr<ScanSetup> setup = std::make_unique<ScanSetup>();
    return *setup;
}

double bestRead = std::numeric_limits<double>::max();
double bestWalk = std::numeric_limits<double>::max();
double bestScan = std::numeric_limits<double>::max();
std::int64_t airports = 0;
std::int64_t stands = 0;

void BM_ReadEveryBglFile(benchmark::State& state) {
    ScanSetup& setup = lf_setup();
    lf_timed(state, bestRead, [&setup] {
        std::size_t bytes = 0;
        std::vector<char> buffer;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(setup.root())) {
            if (!entry.is_regular_file()) {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            buffer.resize(static_cast<std::size_t>(entry.file_size()));
            in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            bytes += static_cast<std::size_t>(in.gcount());
        }
        benchmark::DoNotOptimize(bytes);
    });
}

void BM_ScanFolderForAirports(benchmark::State& state) {
    ScanSetup& setup = lf_setup();
    lf_timed(state, bestWalk, [&setup] {
        CountingAirportScanSink sink;
        AirportWalkContext context = gf_scanWalkContext();
        context.sink = &sink;
        lf_scanFolderForAirports(setup.root(), context);
        airports = sink.airports.load();
        stands = sink.stands.load();
    });
    state.counters["airports"] = static_cast<double>(airports);
}

void BM_ScanAddonAirports(benchmark::State& state) {
    ScanSetup& setup = lf_setup();
    lf_timed(state, bestScan, [&setup] {
        std::vector<std::string> folders{setup.root().string()};
        gf_scanAddonAirports(false, folders);
    });
}

void BM_AirportScanRatios(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(bestRead);
    }
    const BglTreeCounts& counts = lf_setup().counts();
    state.counters["walk_per_read"] = bestWalk / bestRead;
    state.counters["scan_per_read"] = bestScan / bestRead;
    state.counters["workerLimit"] = workerLimit.load();
    std::printf("read %.1f ms, walk (b) %.1f ms (%.2f x), scan (c) %.1f ms (%.2f x), "
                "workerLimit %d, %zu files, %lld airports, %lld stands, %llu bytes\n",
                bestRead * 1000.0, bestWalk * 1000.0, bestWalk / bestRead, bestScan * 1000.0,
                bestScan / bestRead, workerLimit.load(), counts.files,
                static_cast<long long>(airports), static_cast<long long>(stands),
                static_cast<unsigned long long>(counts.bytes));
}

BENCHMARK(BM_ReadEveryBglFile)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanFolderForAirports)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAddonAirports)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AirportScanRatios)->Iterations(1);

} // namespace
