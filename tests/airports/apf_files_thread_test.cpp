// The add-on scan's workers write generated airport files and read the stand count of others at
// the same time: every file any of them reads is complete.
#include "airports_test_fixture.h"

#include <fmt/format.h>

#include <atomic>
#include <thread>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

constexpr int kWorkers = 4;
constexpr int kRounds = 25;

fs::path fileOf(int worker) {
    return fs::path("airports/my_thirdparty") / gf_xmlFileName(fmt::format("EH{:02}", worker));
}

ScannedAirport airportOf(int worker) {
    ScannedAirport airport;
    airport.ident = fmt::format("EH{:02}", worker);
    airport.airportName = "Worker " + airport.ident;
    airport.publisher = "unknown";
    airport.bglPath = "Scenery/" + airport.ident + ".bgl";
    for (int i = 0; i < 20 + worker; ++i) {
        airport.stands.emplace_back(std::vector<StandObservation>{}, fmt::format("G{}", i),
                                    52.0 + i * 0.001, 4.0, 0.5, 40.0, false, true, false);
    }
    return airport;
}

TEST_F(AirportsTest, WorkersWriteFilesWhileOthersReadThem) {
    fs::create_directories("airports/my_thirdparty");
    std::vector<ScannedAirport> airports;
    for (int worker = 0; worker < kWorkers; ++worker) {
        airports.push_back(airportOf(worker));
        ASSERT_TRUE(gf_saveApf(airports.back(), fileOf(worker), false, false));
    }
    std::atomic<int> failedSaves{0};
    std::atomic<int> incompleteReads{0};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kWorkers; ++worker) {
        workers.emplace_back([&, worker] {
            const int other = (worker + 1) % kWorkers;
            const auto expected = static_cast<std::int32_t>(airports[other].stands.size());
            for (int round = 0; round < kRounds; ++round) {
                if (!gf_saveApf(airports[worker], fileOf(worker), false, false)) {
                    ++failedSaves;
                }
                if (lf_readNumParkpos(fileOf(other)) != expected) {
                    ++incompleteReads;
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(failedSaves.load(), 0);
    EXPECT_EQ(incompleteReads.load(), 0);
    for (int worker = 0; worker < kWorkers; ++worker) {
        SCOPED_TRACE(worker);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(fileOf(worker).c_str()));
        std::vector<ParkPosition> stands;
        lf_readParkPositions(doc, stands);
        EXPECT_EQ(stands.size(), airports[worker].stands.size());
        EXPECT_EQ(gf_readStringParameter(doc, "BGLpath"), airports[worker].bglPath);
        EXPECT_FALSE(fs::exists(fileOf(worker).string() + ".tmp"));
    }
}

} // namespace
