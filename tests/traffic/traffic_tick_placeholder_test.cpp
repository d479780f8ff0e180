// The two duties the placeholder engine already has: the tick takes the inbound records and
// refreshes the worker's user state once a second; the feed intake empties every batch.
#include "core/globals.h"
#include "core/sim_session_state.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

class TrafficTickPlaceholder : public ::testing::Test {
protected:
    void SetUp() override {
        ksb::gf_setTrafficServices(ksb::gf_defaultTrafficServices());
        gf_resetTrafficForTests();
    }
    void TearDown() override {
        ksb::gf_setTrafficServices(ksb::gf_defaultTrafficServices());
        gf_resetTrafficForTests();
        gf_resetSimSessionState();
    }

    static void tick(int times) {
        for (int i = 0; i < times; ++i) {
            std::lock_guard lock(trafficState.trafficMutex);
            gf_trafficTick();
        }
    }

    static std::size_t inboundSize() {
        std::lock_guard lock(trafficState.inboundMutex);
        return trafficState.inbound.size();
    }

    static void queueInbound(int records) {
        std::lock_guard lock(trafficState.inboundMutex);
        for (int i = 0; i < records; ++i) {
            trafficState.inbound.push_back(
                SimInboundRecord{7, 20001, 0, SimInboundKind::blockedCallsign, 0.0, 0.0});
        }
    }
};

UserAircraftState lf_at(double latitude) {
    UserAircraftState state;
    state.latitude = latitude;
    state.longitude = 8.5706;
    return state;
}

TEST_F(TrafficTickPlaceholder, EveryTickDropsTheInboundRecordsAndKeepsTheQueueCapacity) {
    {
        std::lock_guard lock(trafficState.inboundMutex);
        trafficState.inbound.reserve(64);
    }
    queueInbound(5);
    tick(1);
    EXPECT_EQ(inboundSize(), 0u);
    queueInbound(2);
    gf_processSimEvents();
    EXPECT_EQ(inboundSize(), 0u);
    std::lock_guard lock(trafficState.inboundMutex);
    EXPECT_GE(trafficState.inbound.capacity(), 64u);
}

TEST_F(TrafficTickPlaceholder, TheTickTakesTheInboundRecordsThroughTheEngineTable) {
    int processed = 0;
    ksb::TrafficServices services;
    services.processSimEvents = [&processed] { ++processed; };
    ksb::gf_setTrafficServices(services);
    tick(3);
    EXPECT_EQ(processed, 3);
}

TEST_F(TrafficTickPlaceholder, EveryHundredthTickSetsTheUserStateFromTheLink) {
    int asked = 0;
    double latitude = 50.0;
    trafficState.linkServices.requestUserPosition = [&] {
        ++asked;
        latitude += 1.0;
        return lf_at(latitude);
    };
    gf_setUserState(lf_at(10.0));

    tick(99);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(gf_userState().latitude, 10.0);
    tick(1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(gf_userState().latitude, 51.0);
    EXPECT_EQ(gf_userState().longitude, 8.5706);
    tick(100);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(gf_userState().latitude, 52.0);

    // A new run counts from its own start.
    tick(50);
    trafficState.tickCounter = 0;
    tick(99);
    EXPECT_EQ(asked, 2);
    tick(1);
    EXPECT_EQ(asked, 3);
}

// Unwired, the link table answers the worker's own copy.
TEST_F(TrafficTickPlaceholder, WithoutALinkTheUserStateStaysAsItIs) {
    gf_setUserState(lf_at(49.5));
    tick(200);
    EXPECT_EQ(gf_userState().latitude, 49.5);
}

TEST_F(TrafficTickPlaceholder, TakingFeedRecordsLeavesTheLastFeedTimeStamp) {
    lastFeedTimeStamp = 1765400000.5;
    std::vector<LiveFlight> batch(4);
    batch[0].timeStamp = 1765400100.0;
    gf_takeFeedRecords(batch, 30);
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(lastFeedTimeStamp.load(), 1765400000.5);
}

} // namespace
