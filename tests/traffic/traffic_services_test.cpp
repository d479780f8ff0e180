#include "airports/airports.h"
#include "airports/airports_globals.h"
#include "core/config_paths.h"
#include "core/main_window.h"
#include "support/airports_list_fixture.h"
#include "support/catalogue_fixtures.h"
#include "support/file_bytes.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace {

using ksb::TrafficServices;

// The table in force and the engine state are process-wide: every test starts from the
// engine's own services and an empty state.
class TrafficServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ksb::gf_setTrafficServices(ksb::gf_defaultTrafficServices());
        gf_resetTrafficForTests();
    }
    void TearDown() override {
        ksb::gf_setTrafficServices(ksb::gf_defaultTrafficServices());
        gf_resetTrafficForTests();
        gf_resetAirportsGlobals();
    }
};

LiveAircraft lf_liveInSimulator(const std::string& callsign) {
    LiveAircraft aircraft;
    aircraft.callsign = callsign;
    aircraft.state = LiveState::inSimulator;
    return aircraft;
}

TEST_F(TrafficServicesTest, AnEmptyEngineGivesNeutralResultsAndChangesNothing) {
    LiveAircraft live = lf_liveInSimulator("BAW123");
    AiAircraft parked;
    parked.callsign = "BAW123*";
    const LiveAircraft before = live.copy();
    std::lock_guard lock(trafficState.trafficMutex);

    // No park airport: nothing to refresh.
    EXPECT_FALSE(gf_refreshStaticParking(true));
    // The conflict rules are the engine's own now: what is asserted of them holds for an empty
    // engine state (a static aircraft not in the simulator matches and overlaps nothing, there
    // is nothing to count, release or cancel). Their rules are tested with their files.
    EXPECT_FALSE(lf_checkSameIdentity(live, parked));
    EXPECT_FALSE(lf_avoidCollisionWithLive(live, parked));
    // The engine's own cancel: an empty engine has nothing queued to cancel.
    EXPECT_FALSE(gf_cancelQueuedCreations("BAW123"));
    EXPECT_EQ(gf_updateLiveParkedShare(true), 0);
    EXPECT_EQ(gf_updateStaticParkedShare(false), 0);
    // The engine's own stand lookup: an empty engine has no stand table, so no name.
    EXPECT_EQ(gf_standNameAt(51.47, -0.45), "");
    lf_removeStaticTwinOfLive(live);
    // The user's position is still unknown (0/0): no choice. An empty list records nothing.
    gf_checkParkAirport(true);
    gf_writeParkAirports();
    EXPECT_TRUE(trafficState.parkAirport.code.empty());
    EXPECT_FALSE(std::filesystem::exists(gf_parkAirportsFilePath()));
    gf_clearReservedStand();
    gf_removeAllStatic();
    lf_avoidUserCollisionOnGround();

    EXPECT_EQ(live.callsign, before.callsign);
    EXPECT_EQ(live.firstReceivedCallsign, before.firstReceivedCallsign);
    EXPECT_EQ(live.coupledCallsign, before.coupledCallsign);
    EXPECT_EQ(live.state, before.state);
    EXPECT_EQ(parked.state, LiveState::newFlight);
}

// The park-airport members are the engine's own: they read the working folder's list.
TEST_F(TrafficServicesTest, TheParkAirportMembersReadTheUsersList) {
    ksb::test::WorkingFolder work;
    std::filesystem::create_directories(gf_myThirdPartyFolderPath());
    ksb::test::writeAirportsList({Airport{"EGLL", "LHR", 51.4775, -0.4614, 83.0}});
    gf_readAirports();
    ksb::test::writeBytes(gf_parkAirportsFilePath(), "EGLL\nZZZZ\n");
    mainWindow.parkAirportFlag = true;
    std::lock_guard lock(trafficState.trafficMutex);

    // ZZZZ is no airport: the list holds EGLL, and the okay flag goes off.
    EXPECT_FALSE(gf_readParkAirports(true));
    ASSERT_EQ(trafficState.parkAirports.size(), 1U);
    EXPECT_EQ(trafficState.parkAirports.front().name, "EGLL");
    EXPECT_FALSE(mainWindow.parkAirportFlag.load());
    std::string text;
    EXPECT_FALSE(gf_checkReservedStand(true, text));

    ksb::test::writeBytes(gf_parkAirportsFilePath(), "EGLL\n");
    EXPECT_TRUE(gf_checkReservedStand(true, text));
    EXPECT_EQ(text, "park airports and stands are okay");
    EXPECT_TRUE(mainWindow.parkAirportFlag.load());

    trafficState.parkAirports.front().reservedStand = "512";
    gf_writeParkAirports();
    EXPECT_EQ(ksb::test::readBytes(gf_parkAirportsFilePath()), "EGLL,512\n");
}

TEST_F(TrafficServicesTest, TakeFeedRecordsAlwaysEmptiesTheBatch) {
    struct Case {
        const char* name;
        std::size_t records;
        int delay;
        bool intakeOpen;
    };
    const Case cases[] = {
        {"poll with its delay", 3, 30, true},
        {"first-request buffer, intake open", 2, 0, true},
        {"first-request buffer, intake closed", 2, 0, false},
        {"empty batch", 0, 30, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_setFeedIntake(c.intakeOpen);
        std::vector<LiveFlight> batch(c.records);
        gf_takeFeedRecords(batch, c.delay);
        EXPECT_TRUE(batch.empty());
        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_TRUE(trafficState.live.empty());
    }
}

TEST_F(TrafficServicesTest, FeedIntakeIsSetUnderTheFeedMutex) {
    gf_setFeedIntake(true);
    {
        std::lock_guard lock(trafficState.feedMutex);
        EXPECT_TRUE(trafficState.intakeOpen);
    }
    // The main loop may close it while it holds the traffic mutex: traffic, then feed.
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_setFeedIntake(false);
    }
    std::lock_guard lock(trafficState.feedMutex);
    EXPECT_FALSE(trafficState.intakeOpen);
}

TEST_F(TrafficServicesTest, AReplacedMemberIsCalledAndEmptyMembersKeepTheDefaults) {
    std::vector<double> asked;
    TrafficServices services;
    services.standNameAt = [&](double latitude, double longitude) {
        asked = {latitude, longitude};
        return std::string("501");
    };
    services.updateLiveParkedShare = [](bool show) { return show ? 7 : 3; };
    ksb::gf_setTrafficServices(std::move(services));

    EXPECT_EQ(gf_standNameAt(51.5, -0.25), "501");
    EXPECT_EQ(asked, (std::vector<double>{51.5, -0.25}));
    EXPECT_EQ(gf_updateLiveParkedShare(true), 7);
    EXPECT_EQ(gf_updateLiveParkedShare(false), 3);
    // Left empty: the engine's own, not an empty std::function that would throw.
    EXPECT_EQ(gf_updateStaticParkedShare(true), 0);
    std::vector<LiveFlight> batch(2);
    gf_takeFeedRecords(batch, 30);
    EXPECT_TRUE(batch.empty());
    std::lock_guard lock(trafficState.trafficMutex);
    EXPECT_NO_THROW(gf_trafficTick());
}

} // namespace
