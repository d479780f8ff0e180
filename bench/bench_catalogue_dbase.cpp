// gf_readDbase of a generated dbase.xml with 200,000 "db" elements. Budget: 2 s on one core.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "support/catalogue_fixtures.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <string>

namespace {

using namespace ksb::test;

constexpr int kRecords = 200'000;

DbaseSpec makeDbase() {
    DbaseSpec spec;
    const char* types[] = {"A319", "A320", "A321", "B738", "B744", "C172", "C25A", "EC35", "F16"};
    for (const char* type : types) {
        spec.aircrafts.push_back(type);
    }
    spec.large = {"A319", "A320", "A321", "B738"};
    spec.heavy = {"B744"};
    spec.buzjet = {"C25A"};
    spec.rotorcraft = {"EC35"};
    spec.highPerformance = {"F16"};
    spec.cargoTypes = {"B744"};
    spec.similar = {{"A319", "A320", "A321"}};
    spec.icaoAirlines = {"DLH", "BAW"};
    spec.cargoOperators = {"FDX"};
    spec.publishers = {"Aerosoft,AS"};
    spec.wingspans = {{"A320", "35.8"}, {"B744", "64.4"}};
    spec.records.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        spec.records.push_back({fmt::format("R{:07}", i), i % 2 == 0 ? "DLH" : "BAW",
                                types[static_cast<std::size_t>(i) % std::size(types)],
                                i % 3 == 0 ? "FDX" : "", i % 5 == 0});
    }
    return spec;
}

void BM_ReadDbase(benchmark::State& state) {
    WorkingFolder work;
    writeDbaseXml(makeDbase());
    for (auto _ : state) {
        gf_readDbase();
        benchmark::DoNotOptimize(aircraftDatabase.dbaseRecords.size());
    }
    state.counters["records"] = static_cast<double>(aircraftDatabase.dbaseRecords.size());
    gf_resetCatalogueForTests();
}
BENCHMARK(BM_ReadDbase)->Unit(benchmark::kMillisecond);

} // namespace
