#include "airports/park_airport_state.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/scoped_env.h"
#include "support/temp_folder.h"

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
    }
};

LiveAircraft lf_liveInSimulator(const std::string& callsign) {
    LiveAircraft aircraft;
    aircraft.callsign = callsign;
    aircraft.state = LiveState::inSimulator;
    return aircraft;
}

TEST_F(TrafficServicesTest, PlaceholdersGiveNeutralResultsAndChangeNothing) {
    LiveAircraft live = lf_liveInSimulator("BAW123");
    AiAircraft parked;
    parked.callsign = "BAW123*";
    const LiveAircraft before = live.copy();

    EXPECT_FALSE(gf_readParkAirports(true));
    EXPECT_FALSE(gf_readParkAirports(false));
    EXPECT_FALSE(gf_refreshStaticParking(true));
    std::string text = "untouched";
    EXPECT_FALSE(gf_checkReservedStand(true, text));
    EXPECT_EQ(text, "untouched");
    EXPECT_FALSE(lf_checkSameIdentity(live, parked));
    EXPECT_FALSE(lf_avoidUserCollision(live));
    EXPECT_FALSE(lf_avoidCollisionWithLive(live, parked));
    EXPECT_FALSE(gf_cancelQueuedCreations("BAW123"));
    EXPECT_EQ(gf_updateLiveParkedShare(true), 0);
    EXPECT_EQ(gf_updateStaticParkedShare(false), 0);
    EXPECT_EQ(gf_standNameAt(51.47, -0.45), "");
    lf_searchForCoupledCsAroundThisTime(gf_packDayHalfHour(3, 20), live);
    lf_removeStaticTwinOfLive(live);
    gf_trafficTick();
    gf_processSimEvents();
    gf_checkParkAirport(true);
    gf_writeParkAirports();
    gf_clearReservedStand();
    gf_removeAllStatic();
    lf_avoidUserCollisionOnGround();
    gf_applyMaxAircraft();
    gf_postSimEvent(SimInboundRecord{7, 12345, 0, SimInboundKind::blockedCallsign, 0.0, 0.0});

    EXPECT_EQ(live.callsign, before.callsign);
    EXPECT_EQ(live.firstReceivedCallsign, before.firstReceivedCallsign);
    EXPECT_EQ(live.coupledCallsign, before.coupledCallsign);
    EXPECT_EQ(live.state, before.state);
    EXPECT_EQ(parked.state, LiveState::newFlight);
    // A posted record that nothing would ever take is not kept.
    std::lock_guard lock(trafficState.inboundMutex);
    EXPECT_TRUE(trafficState.inbound.empty());
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

TEST_F(TrafficServicesTest, ResetTrafficEmptiesEveryListAndTheParkAirport) {
    static const std::string title = "Airbus A320 British Airways";
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.live.push_back(lf_liveInSimulator("BAW1"));
        trafficState.statics.emplace_back();
        trafficState.removals.push_back(2001);
        trafficState.identityChecks.push_back(20001);
        trafficState.noLiveryKeys.insert("BAW A320 G-EUUA");
        trafficState.ghostCallsigns.push_back("BAW1_");
        trafficState.waitingKeys.push_back(20002);
        trafficState.standsToFill.emplace_back();
        trafficState.adjustments.push_back({"EZY1*", 4});
        ksb::ParkAirportState& park = gf_parkAirportState();
        park.stands.emplace_back();
        park.name = "EGLL";
        park.airportName = "Heathrow";
        park.publisher = "stock";
        park.altitudeFt = 83;
        park.altitude = 83.0;
        park.handmade = true;
        park.learnedUpdateCount = 3;
        park.currentPath = "airports/archive/stock/EGLL.xml";
        park.qualityFactors = QualityFactors{40, 20};
        park.parkSnapshot.set(ksb::ParkSnapshot{"EGLL", 51.47, -0.45});
        trafficState.parkAirports.push_back(ParkAirport{"EGLL", "501", 51.47, -0.45, 3.0});
        trafficState.parkAirport.code = "EGLL";
        trafficState.reservedStand = "501";
        trafficState.liveryCache.emplace(20001u, title);
        trafficState.seenCallsigns.insert("BAW1");
        trafficState.seenFlightIds.insert(20001);
        trafficState.startupSequences.emplace_back();
        trafficState.inboundTaken.emplace_back();
        trafficState.liveCreations.emplace_back();
        trafficState.staticCreations.emplace_back();
        trafficState.positionWrites.emplace_back();
        trafficState.fastRange = true;
        trafficState.userState.latitude = 51.5;
        trafficState.userState.zuluTime = 3600;
        trafficState.flightPlanFolder = "kept/orig_dest";
        {
            std::lock_guard inbound(trafficState.inboundMutex);
            trafficState.inbound.emplace_back();
        }
        std::lock_guard feed(trafficState.feedMutex);
        trafficState.intakeOpen = true;
        trafficState.pendingBatch.emplace_back();
        trafficState.pendingCount = 7;
        trafficState.pendingDoubleTake = true;
        trafficState.pendingTicks = 150;
    }
    gf_parkAirportState().parkAirportLoaded = true;
    trafficState.reservedStandFlag = true;
    trafficState.currentQnh = 990;
    trafficState.tickCounter = 4711;

    gf_resetTraffic();

    std::lock_guard traffic(trafficState.trafficMutex);
    EXPECT_TRUE(trafficState.live.empty());
    EXPECT_TRUE(trafficState.statics.empty());
    EXPECT_TRUE(trafficState.removals.empty());
    EXPECT_TRUE(trafficState.identityChecks.empty());
    EXPECT_TRUE(trafficState.noLiveryKeys.empty());
    EXPECT_TRUE(trafficState.ghostCallsigns.empty());
    EXPECT_TRUE(trafficState.waitingKeys.empty());
    EXPECT_TRUE(trafficState.standsToFill.empty());
    EXPECT_TRUE(trafficState.adjustments.empty());
    const ksb::ParkAirportState& park = gf_parkAirportState();
    EXPECT_TRUE(park.stands.empty());
    EXPECT_EQ(park.name, "");
    EXPECT_EQ(park.airportName, "");
    EXPECT_EQ(park.publisher, "");
    EXPECT_EQ(park.altitudeFt, 0);
    EXPECT_EQ(park.altitude, 0.0);
    EXPECT_FALSE(park.handmade);
    EXPECT_EQ(park.learnedUpdateCount, 0);
    EXPECT_TRUE(park.currentPath.empty());
    EXPECT_EQ(park.qualityFactors.real, -1);
    EXPECT_EQ(park.qualityFactors.soft, -1);
    EXPECT_FALSE(park.parkSnapshot.get().has_value());
    EXPECT_TRUE(trafficState.parkAirports.empty());
    EXPECT_EQ(trafficState.parkAirport.code, "");
    EXPECT_EQ(trafficState.reservedStand, "");
    EXPECT_TRUE(trafficState.liveryCache.empty());
    EXPECT_TRUE(trafficState.seenCallsigns.empty());
    EXPECT_TRUE(trafficState.seenFlightIds.empty());
    EXPECT_FALSE(park.parkAirportLoaded);
    EXPECT_FALSE(trafficState.reservedStandFlag);
    EXPECT_EQ(trafficState.currentQnh, 1013);
    EXPECT_EQ(trafficState.tickCounter, 0);
    EXPECT_TRUE(trafficState.startupSequences.empty());
    EXPECT_TRUE(trafficState.inboundTaken.empty());
    EXPECT_TRUE(trafficState.liveCreations.empty());
    EXPECT_TRUE(trafficState.staticCreations.empty());
    EXPECT_TRUE(trafficState.positionWrites.empty());
    EXPECT_FALSE(trafficState.fastRange);
    EXPECT_EQ(trafficState.userState.latitude, 0.0);
    EXPECT_EQ(trafficState.userState.zuluTime, 0);
    // The folder of the plan files outlives a restart: the exit removes it.
    EXPECT_EQ(trafficState.flightPlanFolder, std::filesystem::path("kept/orig_dest"));
    {
        std::lock_guard inbound(trafficState.inboundMutex);
        EXPECT_TRUE(trafficState.inbound.empty());
    }
    std::lock_guard feed(trafficState.feedMutex);
    EXPECT_FALSE(trafficState.intakeOpen);
    EXPECT_TRUE(trafficState.pendingBatch.empty());
    // A count left behind would make the next tick take from the emptied batch.
    EXPECT_EQ(trafficState.pendingCount, 0);
    EXPECT_FALSE(trafficState.pendingDoubleTake);
    EXPECT_EQ(trafficState.pendingTicks, 0);
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
    EXPECT_NO_THROW(gf_trafficTick());
}

} // namespace
