#include "support/fake_traffic_engine.h"

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using ksb::test::FakeTrafficEngine;

LiveAircraft lf_live(const std::string& callsign) {
    LiveAircraft aircraft;
    aircraft.callsign = callsign;
    return aircraft;
}

TEST(FakeTrafficEngine, RecordsEveryCallWithItsArguments) {
    FakeTrafficEngine engine;
    LiveAircraft live = lf_live("BAW123");
    AiAircraft parked;
    parked.callsign = "BAW123*";
    std::string text;

    gf_trafficTick();
    gf_processSimEvents();
    gf_checkParkAirport(true);
    gf_readParkAirports(false);
    gf_writeParkAirports();
    gf_createFlightPlanFolder();
    gf_removeFlightPlanFolder();
    gf_setFeedIntake(true);
    gf_refreshStaticParking(false);
    gf_clearReservedStand();
    gf_checkReservedStand(true, text);
    lf_removeStaticTwinOfLive(live);
    lf_searchForCoupledCsAroundThisTime(gf_packDayHalfHour(5, 47), live);
    lf_checkSameIdentity(live, parked);
    gf_removeAllStatic();
    lf_avoidUserCollision(live);
    lf_avoidUserCollisionOnGround();
    lf_avoidCollisionWithLive(live.copy(), parked);
    gf_cancelQueuedCreations("EZY45");
    gf_resetTraffic();
    gf_applyMaxAircraft();
    gf_updateLiveParkedShare(false);
    gf_updateStaticParkedShare(true);
    gf_postSimEvent(SimInboundRecord{0, 20001, 0, SimInboundKind::blockedCallsign, 0.0, 0.0});
    gf_standNameAt(51.4775, -0.4614);
    std::vector<LiveFlight> batch(3);
    gf_takeFeedRecords(batch, 30);

    const std::vector<std::string> expected{
        "gf_trafficTick()",
        "gf_processSimEvents()",
        "gf_checkParkAirport(true)",
        "gf_readParkAirports(false)",
        "gf_writeParkAirports()",
        "gf_createFlightPlanFolder()",
        "gf_removeFlightPlanFolder()",
        "gf_setFeedIntake(true)",
        "gf_refreshStaticParking(false)",
        "gf_clearReservedStand()",
        "gf_checkReservedStand(true)",
        "lf_removeStaticTwinOfLive(BAW123)",
        "lf_searchForCoupledCsAroundThisTime(5, 47, BAW123)",
        "lf_checkSameIdentity(BAW123, BAW123*)",
        "gf_removeAllStatic()",
        "lf_avoidUserCollision(BAW123)",
        "lf_avoidUserCollisionOnGround()",
        "lf_avoidCollisionWithLive(BAW123, BAW123*)",
        "gf_cancelQueuedCreations(EZY45)",
        "gf_resetTraffic()",
        "gf_applyMaxAircraft()",
        "gf_updateLiveParkedShare(false)",
        "gf_updateStaticParkedShare(true)",
        "gf_postSimEvent(kind=5, objectId=0, key=20001)",
        "gf_standNameAt(51.4775, -0.4614)",
        "gf_takeFeedRecords(3 records, 30)",
    };
    EXPECT_EQ(engine.calls(), expected);
    EXPECT_EQ(engine.callsOf("gf_checkParkAirport"),
              (std::vector<std::string>{"gf_checkParkAirport(true)"}));
    // A name that only begins another one's does not count.
    EXPECT_TRUE(engine.callsOf("gf_check").empty());

    ASSERT_EQ(engine.postedEvents().size(), 1u);
    EXPECT_EQ(engine.postedEvents()[0].kind, SimInboundKind::blockedCallsign);
    EXPECT_EQ(engine.postedEvents()[0].flightKeyOrOnGround, 20001u);
    // The batch is handed over whole and the caller's vector is left empty.
    EXPECT_TRUE(batch.empty());
    ASSERT_EQ(engine.takenBatches().size(), 1u);
    EXPECT_EQ(engine.takenBatches()[0].records.size(), 3u);
    EXPECT_EQ(engine.takenBatches()[0].delay, 30);
    // The recording engine does not touch the state itself.
    std::lock_guard feed(trafficState.feedMutex);
    EXPECT_FALSE(trafficState.intakeOpen);
}

TEST(FakeTrafficEngine, AnswersWithTheScriptedResults) {
    FakeTrafficEngine engine;
    engine.readParkAirportsResult = true;
    engine.removeFlightPlanFolderResult = true;
    engine.refreshStaticParkingResult = true;
    engine.checkReservedStandResult = true;
    engine.checkReservedStandText = "reserved stand changed from \"501\" to \"502\"";
    engine.checkSameIdentityResult = true;
    engine.avoidUserCollisionResult = true;
    engine.avoidCollisionWithLiveResult = true;
    engine.cancelQueuedCreationsResult = true;
    engine.liveParkedShare = 4;
    engine.staticParkedShare = 17;
    engine.standName = "A12";

    LiveAircraft live = lf_live("DLH4");
    AiAircraft parked;
    std::string text;
    EXPECT_TRUE(gf_readParkAirports(true));
    EXPECT_TRUE(gf_removeFlightPlanFolder());
    EXPECT_TRUE(gf_refreshStaticParking(true));
    EXPECT_TRUE(gf_checkReservedStand(true, text));
    EXPECT_EQ(text, "reserved stand changed from \"501\" to \"502\"");
    EXPECT_TRUE(lf_checkSameIdentity(live, parked));
    EXPECT_TRUE(lf_avoidUserCollision(live));
    EXPECT_TRUE(lf_avoidCollisionWithLive(live, parked));
    EXPECT_TRUE(gf_cancelQueuedCreations("DLH4"));
    EXPECT_EQ(gf_updateLiveParkedShare(true), 4);
    EXPECT_EQ(gf_updateStaticParkedShare(true), 17);
    EXPECT_EQ(gf_standNameAt(0.0, 0.0), "A12");

    // Without a result to show, the caller's text stays as it was.
    engine.checkReservedStandResult = false;
    text = "kept";
    EXPECT_FALSE(gf_checkReservedStand(false, text));
    EXPECT_EQ(text, "kept");
}

TEST(FakeTrafficEngine, OnCallSeesTheCallerAndCanPlayAFailure) {
    FakeTrafficEngine engine;
    engine.onCall = [](std::string_view name) {
        if (name == "gf_createFlightPlanFolder") {
            throw std::runtime_error("create_directory: No space left on device");
        }
    };
    try {
        gf_createFlightPlanFolder();
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "create_directory: No space left on device");
    }
    // Recorded before the failure was played.
    EXPECT_EQ(engine.calls(), (std::vector<std::string>{"gf_createFlightPlanFolder()"}));
    engine.clearCalls();
    EXPECT_TRUE(engine.calls().empty());
}

TEST(FakeTrafficEngine, StartsAndEndsWithAnEmptyEngineAndPutsTheOldServicesBack) {
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.live.push_back(lf_live("LEFTOVER"));
    }
    {
        FakeTrafficEngine engine;
        EXPECT_TRUE(engine.live().empty());
        engine.live().push_back(lf_live("BAW1"));
        engine.statics().emplace_back();
        EXPECT_EQ(trafficState.live.size(), 1u);
        EXPECT_EQ(trafficState.statics.size(), 1u);
        {
            // A nested fake records on its own and gives the outer one back.
            FakeTrafficEngine inner;
            gf_trafficTick();
            EXPECT_EQ(inner.calls().size(), 1u);
        }
        gf_trafficTick();
        EXPECT_EQ(engine.calls(), (std::vector<std::string>{"gf_trafficTick()"}));
    }
    EXPECT_TRUE(trafficState.live.empty());
    EXPECT_TRUE(trafficState.statics.empty());
    // The engine's own services are back: the feed intake is real again.
    gf_setFeedIntake(true);
    std::lock_guard feed(trafficState.feedMutex);
    EXPECT_TRUE(trafficState.intakeOpen);
    trafficState.intakeOpen = false;
}

} // namespace
