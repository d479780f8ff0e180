// gf_processScannedLiveries on 20,000 generated records (600 airlines, 300 types, 2,000 with an
// in-line registration), with an AIG file of 20,000 entries and a .TXT file of 5,000 lines.
// Budget: 1 s on one core.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "core/log.h"
#include "core/parameters.h"
#include "support/catalogue_fixtures.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <random>
#include <string>
#include <vector>

namespace {

using namespace ksb::test;

constexpr int kRecords = 20'000;
constexpr int kAirlines = 600;
constexpr int kTypes = 300;
constexpr int kWithAtcid = 2'000;
constexpr int kAigEntries = 20'000;
constexpr int kTxtLines = 5'000;

std::string typeCode(int i) {
    return fmt::format("T{:03}", i);
}

std::string airlineCode(int i) {
    return fmt::format("A{:02}", i % 100) + static_cast<char>('A' + i / 100);
}

// Types spread over the six categories, in similar groups of three.
DbaseSpec makeDbase() {
    DbaseSpec spec;
    for (int i = 0; i < kTypes; ++i) {
        const std::string type = typeCode(i);
        spec.aircrafts.push_back(type);
        switch (i % 6) {
        case 1:
            spec.buzjet.push_back(type);
            break;
        case 2:
            spec.large.push_back(type);
            break;
        case 3:
            spec.heavy.push_back(type);
            break;
        case 4:
            spec.highPerformance.push_back(type);
            break;
        case 5:
            spec.rotorcraft.push_back(type);
            break;
        default:
            break;
        }
        if (i % 3 == 2) {
            spec.similar.push_back({typeCode(i - 2), typeCode(i - 1), type});
        }
    }
    spec.cargoTypes = {typeCode(3)};
    spec.icaoAirlines = {"AAA"};
    spec.cargoOperators = {"BBB"};
    return spec;
}

std::vector<LiveryRecord> makeRecords() {
    std::mt19937 random(7);
    std::vector<LiveryRecord> records;
    records.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        LiveryRecord record;
        record.airline = i % 50 == 0 ? "ZZZ" : airlineCode(static_cast<int>(random() % kAirlines));
        record.type = typeCode(static_cast<int>(random() % kTypes));
        record.title = fmt::format("Livery {} of {} {}", i, record.airline, record.type);
        record.cargo = i % 7 == 0;
        if (i < kWithAtcid) {
            record.atcid = fmt::format("IL{:05}", i);
        }
        record.priority = 1;
        records.push_back(std::move(record));
    }
    std::sort(records.begin(), records.end());
    return records;
}

class IndexSetup {
public:
    IndexSetup() : env_("KSBY_APPDATA", (appData_.path()).string()) {
        gf_openLog(work_.path());
        writeDbaseXml(makeDbase());
        gf_readDbase();
        records_ = makeRecords();
        std::mt19937 random(11);
        std::vector<AigEntry> entries;
        for (int i = 0; i < kAigEntries; ++i) {
            const LiveryRecord& record = records_[random() % records_.size()];
            entries.push_back({record.title, std::vector<std::string>{fmt::format("AG{:06}", i)}});
        }
        writeAigRegcodes(entries);
        std::vector<std::string> lines;
        for (int i = 0; i < kTxtLines; ++i) {
            const LiveryRecord& record = records_[random() % records_.size()];
            lines.push_back(fmt::format("{};TX{:05},AG{:06}", record.title, i, i));
        }
        writeRegcodeTxt("mine.TXT", lines);
        // Nothing is switched off, so no save touches parameters.xml.
        for (CheckBoxParameter* box : {&LIGHT_AIRCRAFT, &HIGH_PERF_AIRCRAFT, &HELICOPTERS}) {
            box->setRaw(false);
        }
    }
    ~IndexSetup() {
        gf_closeLog();
        gf_resetCatalogueForTests();
    }

    const std::vector<LiveryRecord>& records() const { return records_; }

private:
    TempFolder appData_;
    ScopedEnv env_;
    WorkingFolder work_;
    std::vector<LiveryRecord> records_;
};

void BM_ProcessScannedLiveries(benchmark::State& state) {
    IndexSetup setup;
    for (auto _ : state) {
        state.PauseTiming();
        scannedLiveries = setup.records();
        state.ResumeTiming();
        gf_processScannedLiveries();
        benchmark::DoNotOptimize(liveryIndex.regcodeTitles.size());
    }
    state.counters["regcodes"] = static_cast<double>(liveryIndex.regcodeTitles.size());
}
BENCHMARK(BM_ProcessScannedLiveries)->Unit(benchmark::kMillisecond);

} // namespace
