// The flat-ground stand-in: the range request's ground records as the simulator sends them.
#include "traffic/traffic_state.h"

#include "support/flat_ground.h"
#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

using ksb::test::FlatGround;
using ksb::test::RawLinkCall;
using ksb::test::TrafficHarness;

void lf_addFlatGroundAircraft(std::uint32_t key, std::uint32_t object, double altitude,
                              LiveState state = LiveState::inSimulator) {
    LiveAircraft a;
    a.callsign = "DLH" + std::to_string(object);
    a.flightKey = key;
    a.objectId = object;
    a.state = state;
    a.position.latitude = 50.0;
    a.position.longitude = 8.5;
    a.position.altitude = altitude;
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.live.push_back(a);
}

TEST(FlatGroundTest, EachRangeRequestGetsOneGroundRecordPerReportedObject) {
    TrafficHarness harness;
    FlatGround ground(harness, 400.0);
    lf_addFlatGroundAircraft(20001, 10, 411.0);  // 11 ft: on the ground with a 10-ft CG
    lf_addFlatGroundAircraft(20002, 11, 412.0);  // 12 ft: just above it
    lf_addFlatGroundAircraft(20003, 12, 2900.0); // 2500 ft: the highest reported
    lf_addFlatGroundAircraft(20004, 13, 2901.0); // above it: nothing
    lf_addFlatGroundAircraft(20005, 14, 300.0);  // below the ground: height 0
    lf_addFlatGroundAircraft(20006, 15, 400.0, LiveState::beingRemoved);
    ground.staticCg(10, 10.0, 0.01);
    ground.staticCg(11, 10.0, 0.01);

    harness.tick(); // tick 0 asks for the aircraft in range
    struct Expected {
        std::uint32_t object;
        std::uint32_t onGround;
        double agl;
    };
    const std::vector<Expected> expected{
        {10, 1, 11.0}, {11, 0, 12.0}, {12, 0, 2500.0}, {14, 1, 0.0}};
    const std::vector<SimInboundRecord> inbound = harness.queues().inbound;
    ASSERT_EQ(inbound.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(inbound[i].objectId, expected[i].object);
        EXPECT_EQ(inbound[i].kind, SimInboundKind::aircraftNearUser);
        EXPECT_EQ(inbound[i].flightKeyOrOnGround, expected[i].onGround);
        EXPECT_EQ(inbound[i].value1, 400.0);
        EXPECT_EQ(inbound[i].value2, expected[i].agl);
    }
    EXPECT_EQ(ground.answers(), 4);

    // The next tick hands them to the engine: the one on the ground touches down there.
    harness.tick();
    const LiveAircraft onGround = harness.liveAircraft(20001);
    EXPECT_TRUE(onGround.onGround);
    EXPECT_EQ(onGround.agl, 11.0);
    EXPECT_EQ(onGround.position.altitude, 410.0);
    EXPECT_FALSE(harness.liveAircraft(20002).onGround);

    // Only the requests that went out are answered.
    harness.link().failOnce(RawLinkCall::requestAircraftInRange);
    harness.tick(99);
    EXPECT_EQ(ground.answers(), 4);
    harness.tick(100);
    EXPECT_EQ(ground.answers(), 8);
}

} // namespace
