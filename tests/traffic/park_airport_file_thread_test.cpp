// The simulator link's thread records the user's stand in my_park_airports.txt while the worker
// rebuilds and sorts the candidate list from it, each holding trafficMutex as they do in the
// program.
#include "park_airport_fixture.h"

#include "simlink/sim_session.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ksb::test {
namespace {

constexpr int kStandRecords = 150;
constexpr int kListReads = 150;

class ParkAirportFileThreadTest : public ParkAirportFixture {};

TEST_F(ParkAirportFileThreadTest, TheLinkRecordsTheStandWhileTheWorkerReReadsTheList) {
    writeBytes(gf_parkAirportsFilePath(), "EGKK,12\nEGLL,11\nEGSS\n");
    ASSERT_TRUE(readList());
    placeUser(parkStandPosition(kParkEgll, 12), true);
    ASSERT_EQ(chooseAndLoad("EGLL"), "");
    ASSERT_EQ(readBytes(gf_parkAirportsFilePath()), "EGKK,12\nEGLL,12\nEGSS\n");

    // The user stands still on 13, then 11, then 13 ...: every answer records a new stand.
    std::string lastStand;
    std::thread link([&lastStand] {
        for (int i = 0; i < kStandRecords; ++i) {
            const int stand = i % 2 == 0 ? 13 : 11;
            placeUser(parkStandPosition(kParkEgll, stand), true);
            gf_updateUserStand();
            lastStand = std::to_string(stand);
        }
    });
    std::vector<std::string> failures;
    for (int i = 0; i < kListReads; ++i) {
        std::lock_guard lock(trafficState.trafficMutex);
        // A torn or half-written file would show as an unknown airport or stand, or lost lines.
        const bool ok = ::gf_readParkAirports(true);
        const std::size_t size = trafficState.parkAirports.size();
        const std::string first = trafficState.parkAirports.front().name;
        if (!ok || size != 3 || first != "EGLL") {
            failures.push_back(std::to_string(i) + ": " + first);
        }
    }
    link.join();

    EXPECT_EQ(failures, std::vector<std::string>{});
    EXPECT_EQ(readBytes(gf_parkAirportsFilePath()), "EGKK,12\nEGLL," + lastStand + "\nEGSS\n");
    ASSERT_TRUE(readList());
    EXPECT_EQ(listRecords(), (std::vector<std::string>{"EGLL," + lastStand, "EGKK,12", "EGSS,"}));
}

} // namespace
} // namespace ksb::test
