// The main road on the traffic scene: static parking on the park airport, live flights created
// with their liveries and moving behind the feed, a departure, an arrival onto a stand, a flight
// leaving the range, the first renewal of the static aircraft, and the close with its save.
#include "main_road_steps.h"

#include <gtest/gtest.h>

#include <chrono>

namespace ksb::e2e {
namespace {

// The feed cannot be time-scaled: the arrival stands on its stand about 4 real minutes in.
constexpr auto kRoadBound = scaled(std::chrono::minutes(7));
constexpr auto kArrivalStanding = std::chrono::seconds(10);

TEST(Rows, Row13MainRoad) {
    E2eRun run(gf_testName());
    RunOptions options;
    options.trafficScene = true;
    run.prepare(options);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow().has_value());

    const auto roadDone = [&] {
        return road::gf_arrivalStood(run, kArrivalStanding) && road::gf_renewalLogged(run) &&
               road::gf_leaverRemoved(run) && road::gf_departureTookOff(run);
    };
    const bool done = run.await(roadDone,
                                "DLH4AB standing on A5 for 10 s, the first renewal logged, EZY71 "
                                "removed and DLH9CD taken off",
                                kRoadBound);
    road::gf_checkPlanFilesWhileRunning(run);
    run.closeFromTheLoop();
    ASSERT_TRUE(done);

    road::gf_checkParkAirport(run);
    road::gf_checkStaticParking(run);
    road::gf_checkLiveries(run);
    road::gf_checkAdoption(run);
    road::gf_checkMotion(run);
    road::gf_checkDeparture(run);
    road::gf_checkArrival(run);
    road::gf_checkLeaving(run);
    road::gf_checkRenewal(run);
    road::gf_checkClose(run);
}

} // namespace
} // namespace ksb::e2e
