// The livery scan of a generated tree shaped like real AI packages: 5,000 folders, each with one
// aircraft.cfg of 4 valid sections (20,000 liveries), about 10 % CRLF and 5 % UTF-16 LE, every
// item present. Compared with the least any scan must do: one thread walking the tree with the
// same directory iterator and reading every cfg file whole. Each benchmark keeps its best run;
// the last one prints the ratios (target: scan / read <= 1.5).
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/cfg_file_walk.h"
#include "catalogue/livery_index.h"
#include "catalogue/livery_scan.h"
#include "catalogue/scan_state.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/parameters.h"
#include "support/catalogue_fixtures.h"
#include "support/livery_tree.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include "bench_timing.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <thread>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

constexpr std::size_t kFolders = 5'000;
constexpr std::uint32_t kSeed = 2026;

class ScanSetup {
public:
    ScanSetup() : env_("KSBY_APPDATA", appData_.path().string()) {
        gf_openLog(work_.path());
        writeDbaseXml(generatedTreeDbaseSpec());
        gf_readDbase();
        tree_ = generateLiveryTree(root_.path(), kFolders, kSeed);
        for (CheckBoxParameter* box : {&LIGHT_AIRCRAFT, &HIGH_PERF_AIRCRAFT, &HELICOPTERS}) {
            box->setRaw(false);
        }
        workerLimit = static_cast<std::int32_t>(std::max(1U, std::thread::hardware_concurrency()));
    }
    ~ScanSetup() {
        gf_closeLog();
        gf_resetCatalogueForTests();
    }
    std::string root() const { return root_.path().string(); }
    const GeneratedTree& tree() const { return tree_; }

private:
    TempFolder appData_;
    ScopedEnv env_;
    WorkingFolder work_;
    TempFolder root_;
    GeneratedTree tree_;
};

ScanSetup& lf_setup() {
    static std::unique_ptr<ScanSetup> setup = std::make_unique<ScanSetup>();
    return *setup;
}

double bestRead = std::numeric_limits<double>::max();
double bestScan = std::numeric_limits<double>::max();
double bestWalk = std::numeric_limits<double>::max();
std::size_t records = 0;

void BM_ReadEveryCfgFile(benchmark::State& state) {
    ScanSetup& setup = lf_setup();
    lf_timed(state, bestRead, [&setup] {
        std::size_t bytes = 0;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(setup.root())) {
            if (!lf_isLiveryCfgFile(entry)) {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            bytes += text.size();
        }
        benchmark::DoNotOptimize(bytes);
    });
}

void BM_ScanLiveries(benchmark::State& state) {
    ScanSetup& setup = lf_setup();
    lf_timed(state, bestScan, [&setup] {
        std::vector<std::string> folders{setup.root()};
        gf_scanLiveries(true, false, false, folders);
        records = liveryIndex.indexedTitles.size();
    });
    state.counters["records"] = static_cast<double>(records);
}

void BM_ScanAircraftCfgFiles(benchmark::State& state) {
    ScanSetup& setup = lf_setup();
    lf_timed(state, bestWalk, [&setup] {
        scannedLiveries.clear();
        gf_clearScanLists();
        gf_scanAircraftCfgFiles(1, setup.root());
    });
    state.counters["records"] = static_cast<double>(scannedLiveries.size());
}

void BM_Ratios(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(bestRead);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["scan_per_read"] = bestScan / bestRead;
    state.counters["walk_per_read"] = bestWalk / bestRead;
    state.counters["workerLimit"] = workerLimit.load();
    state.counters["records"] = static_cast<double>(records);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    std::printf("read %.1f ms, scan %.1f ms (%.2f x), walk %.1f ms (%.2f x), workerLimit %d, "
                "%zu records, peak RSS %.0f MB\n",
                bestRead * 1000.0, bestScan * 1000.0, bestScan / bestRead, bestWalk * 1000.0,
                bestWalk / bestRead, workerLimit.load(), records,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
}

BENCHMARK(BM_ReadEveryCfgFile)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanLiveries)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAircraftCfgFiles)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ratios)->Iterations(1);

} // namespace
