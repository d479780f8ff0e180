// A flight from the feed batch to its creation request and into the simulator, through the real
// tick with admission and placement in place.
#include "placement_test_fixture.h"

#include "core/geodesy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ksb::test {
namespace {

class PlacementTickTest : public PlacementTest {
protected:
    // The live creation requests queued now.
    std::vector<AiCreateRequest> requests() const { return harness.queues().liveCreations; }
    std::vector<LinkCall> creationCalls() {
        std::vector<LinkCall> calls;
        for (const LinkCall& call : harness.link().calls()) {
            if (call.name == "queueCreateAiAircraft") {
                calls.push_back(call);
            }
        }
        return calls;
    }
};

// Three records 10 s apart in one poll with a 30 s delay play at ticks 2000, 3000 and 4000; an
// airborne flight is admitted 100 ticks before its first, and the request goes out on the next
// creation slot (every 50 ticks).
TEST_F(PlacementTickTest, AirborneFlightBecomesItsCreationRequestOnTheExpectedTick) {
    LiveFlightBuilder builder = flightAt(20000.0);
    builder.altitude(3000.0);
    const std::vector<LiveFlight> records = builder.climbOut(3, 160.0, 1500.0);
    harness.autoSim(5);
    harness.feed(records, 30);
    const std::uint32_t key = records[0].flightId;

    harness.tick(1900);
    EXPECT_EQ(harness.liveAircraft(key).state, LiveState::newFlight);
    EXPECT_TRUE(requests().empty());
    harness.tick(1);
    ASSERT_EQ(requests().size(), 1U);
    const AiCreateRequest request = requests().front();
    const SIMCONNECT_DATA_INITPOSITION& init = request.initPosition;
    EXPECT_EQ(init.Latitude, records[0].latitude);
    EXPECT_EQ(init.Longitude, records[0].longitude);
    EXPECT_EQ(init.Altitude, records[0].altitude);
    EXPECT_NEAR(init.Pitch, -(3.0 + 1500.0 / 600.0 * 2.2), 1e-9);
    EXPECT_EQ(init.Bank, 0.0);
    EXPECT_NEAR(init.Heading,
                gf_initialBearing({records[0].latitude, records[0].longitude},
                                  {records[1].latitude, records[1].longitude}) *
                    kDegreesPerRadian,
                1e-9);
    EXPECT_EQ(init.OnGround, 0U);
    EXPECT_EQ(init.Airspeed, 0U);
    EXPECT_EQ(request.callsign, "BAW123");
    EXPECT_EQ(request.liveryTitle, "Airbus A320 British Airways");
    EXPECT_EQ(request.flightKey, key);
    const LiveAircraft placed = harness.liveAircraft(key);
    EXPECT_EQ(placed.state, LiveState::creationRequested);
    EXPECT_EQ(placed.phase, FlightPhase::airborne);

    harness.tick(49);
    EXPECT_TRUE(creationCalls().empty());
    harness.tick(1);
    const std::vector<LinkCall> calls = creationCalls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].tick, 1950);
    EXPECT_EQ(calls[0].arguments, "BAW123, " + std::to_string(key));
    EXPECT_TRUE(requests().empty());

    // Seen 5 ticks later; its start-up sequence takes 200 ticks.
    harness.tick(250);
    EXPECT_EQ(harness.liveAircraft(key).state, LiveState::inSimulator);
}

TEST_F(PlacementTickTest, StandingFlightAtTheParkAirportIsCreatedOnItsStand) {
    recordStandRules();
    ParkPosition& stand = addStand("A12", 8.0);
    stand.heading = 2.0;
    const std::vector<LiveFlight> records = flightAt(0.0).standing(3, true);
    harness.autoSim(5);
    harness.feed(records, 30);
    const std::uint32_t key = records[0].flightId;

    // A sample standing still is admitted 100 ticks before it plays.
    harness.tick(1900);
    EXPECT_TRUE(requests().empty());
    harness.tick(1);
    ASSERT_EQ(requests().size(), 1U);
    const AiCreateRequest request = requests().front();
    const SIMCONNECT_DATA_INITPOSITION& init = request.initPosition;
    EXPECT_EQ(init.Latitude, stand.latitude);
    EXPECT_EQ(init.Longitude, stand.longitude);
    EXPECT_EQ(init.Altitude, 0.0);
    EXPECT_NEAR(init.Pitch, 0.6, 1e-12);
    EXPECT_EQ(init.Bank, 0.0);
    EXPECT_NEAR(init.Heading, 2.0 * kDegreesPerRadian, 1e-9);
    EXPECT_EQ(init.OnGround, 1U);
    EXPECT_EQ(request.callsign, "BAW123");
    EXPECT_EQ(request.liveryTitle, "Airbus A320 British Airways");
    EXPECT_TRUE(stand.occupied);
    EXPECT_EQ(maxParkCalls, (std::vector<int>{1}));

    // Sent on the next creation slot, seen 5 ticks later and bound parked on the stand.
    harness.tick(49 + 1 + 6);
    const std::vector<LinkCall> calls = creationCalls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].tick, 1950);
    const LiveAircraft parked = harness.liveAircraft(key);
    EXPECT_NE(parked.objectId, 0U);
    EXPECT_EQ(parked.phase, FlightPhase::parked);
    EXPECT_EQ(parked.standId, stand.standId);
    EXPECT_TRUE(parked.onGround);
    EXPECT_TRUE(stand.occupied);
}

} // namespace
} // namespace ksb::test
