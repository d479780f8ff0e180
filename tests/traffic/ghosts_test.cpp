// A ghost (another flight's callsign followed by "_") goes when the flight itself arrives, by the
// way its state allows: it never leaves an object behind, never comes back once created, is never
// removed twice, and no record is erased under the caller's walk.
#include "airports/park_airport_state.h"
#include "core/parameters.h"
#include "traffic/conflicts.h"
#include "traffic/feed_intake.h"
#include "traffic/traffic_state.h"

#include "support/live_flight_builder.h"
#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

constexpr std::uint32_t kGhostKey = 0x4ca0a1;
constexpr std::uint32_t kGhostObject = 60;
constexpr std::uint32_t kCallerKey = 0x4ca0b2;
constexpr const char* kGhostLine =
    "          BAW123_  is a ghost and will be removed, continue with BAW123";

class GhostsTest : public ::testing::Test {
protected:
    GhostsTest() { LOG.setRaw(true); }

    static LiveAircraft aircraft(std::uint32_t key, std::string callsign, LiveState state,
                                 std::uint32_t object = 0) {
        LiveAircraft a;
        a.flightKey = key;
        a.callsign = std::move(callsign);
        a.airline = "BAW";
        a.type = "A320";
        a.departure = "EGLL";
        a.destination = "LFPG";
        a.state = state;
        a.objectId = object;
        a.phase = FlightPhase::taxi;
        return a;
    }
    static AiCreateRequest request(std::uint32_t key, std::string callsign) {
        AiCreateRequest r;
        r.flightKey = key;
        r.callsign = std::move(callsign);
        return r;
    }
    static std::vector<std::uint32_t> keysOf(const std::vector<AiCreateRequest>& requests) {
        std::vector<std::uint32_t> keys;
        for (const AiCreateRequest& r : requests) {
            keys.push_back(r.flightKey);
        }
        return keys;
    }
    std::vector<std::string> linesSince(std::size_t before) const {
        const std::vector<std::string> lines = harness.log().body();
        return {lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()};
    }

    TrafficHarness harness;
};

// One row per state; the engine's queues hold the ghost's request or key where the row says.
TEST_F(GhostsTest, EachStateGoesItsOwnWay) {
    struct Case {
        const char* name;
        LiveState state;
        bool queued;  // its request waits in the live creation queue
        bool waiting; // its key waits among the waiting keys
        // Afterwards:
        LiveState state2;
        bool erase;
        bool removeOnceCreated;
        std::vector<std::uint32_t> removals;
        bool standOccupied;
    };
    const Case cases[] = {
        {"new: flagged for the erase pass",
         LiveState::newFlight,
         false,
         false,
         LiveState::newFlight,
         true,
         false,
         {},
         true},
        {"requested, its request still queued: withdrawn and flagged",
         LiveState::creationRequested,
         true,
         false,
         LiveState::creationRequested,
         true,
         false,
         {},
         true},
        {"requested, its key still waiting: withdrawn and flagged",
         LiveState::creationRequested,
         false,
         true,
         LiveState::creationRequested,
         true,
         false,
         {},
         true},
        {"requested, the request already sent: removed once created",
         LiveState::creationRequested,
         false,
         false,
         LiveState::creationRequested,
         false,
         true,
         {},
         true},
        {"in the simulator: released",
         LiveState::inSimulator,
         false,
         false,
         LiveState::beingRemoved,
         false,
         false,
         {kGhostObject},
         false},
        {"to be re-created: its queued removal ends it",
         LiveState::toBeRecreated,
         false,
         false,
         LiveState::beingRemoved,
         false,
         false,
         {kGhostObject},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.live.clear();
        trafficState.liveCreations.clear();
        trafficState.waitingKeys.clear();
        trafficState.removals.clear();
        trafficState.ghostCallsigns.clear();
        std::vector<ParkPosition>& stands = gf_parkAirportState().stands;
        stands.assign(1, ParkPosition{});
        stands[0].standId = 4;
        stands[0].name = "B4";
        stands[0].occupied = true;

        const bool hasObject =
            c.state == LiveState::inSimulator || c.state == LiveState::toBeRecreated;
        LiveAircraft ghost = aircraft(kGhostKey, "BAW123_", c.state, hasObject ? kGhostObject : 0);
        ghost.standId = 4;
        trafficState.live.push_back(ghost);
        trafficState.live.push_back(aircraft(0x4ca0c3, "EZY9", LiveState::creationRequested));
        trafficState.liveCreations = {request(0x4ca0c3, "EZY9")};
        trafficState.waitingKeys = {0x4ca0c3};
        if (c.queued) {
            trafficState.liveCreations.push_back(request(kGhostKey, "BAW123_"));
        }
        if (c.waiting) {
            trafficState.waitingKeys.insert(trafficState.waitingKeys.begin(), kGhostKey);
        }
        if (c.state == LiveState::toBeRecreated) {
            trafficState.removals.push_back(kGhostObject); // queued by the livery change
        }
        const std::size_t before = harness.log().body().size();

        lf_removeGhost("BAW123");

        ASSERT_EQ(trafficState.live.size(), 2u); // nothing erased here
        const LiveAircraft& after = trafficState.live[0];
        EXPECT_EQ(after.state, c.state2);
        EXPECT_EQ(after.erase, c.erase);
        EXPECT_EQ(after.removeOnceCreated, c.removeOnceCreated);
        EXPECT_EQ(
            std::vector<std::uint32_t>(trafficState.removals.begin(), trafficState.removals.end()),
            c.removals);
        EXPECT_EQ(stands[0].occupied, c.standOccupied);
        // The other flight's request and key stay.
        EXPECT_EQ(keysOf({trafficState.liveCreations.begin(), trafficState.liveCreations.end()}),
                  std::vector<std::uint32_t>{0x4ca0c3});
        EXPECT_EQ(trafficState.waitingKeys, std::vector<std::uint32_t>{0x4ca0c3});
        EXPECT_EQ(trafficState.ghostCallsigns, std::vector<std::string>{"BAW123_"});
        EXPECT_EQ(linesSince(before), std::vector<std::string>{kGhostLine});
    }
}

TEST_F(GhostsTest, OnlyAGhostNotBeingRemovedIsFoundAndTheListHoldsItOnce) {
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.live = {aircraft(0x4ca0d1, "BAW123_", LiveState::beingRemoved, 70),
                         aircraft(0x4ca0d2, "BAW1234", LiveState::inSimulator, 71),
                         aircraft(0x4ca0d3, "BAW123", LiveState::inSimulator, 72),
                         aircraft(kGhostKey, "BAW123_", LiveState::inSimulator, kGhostObject)};
    trafficState.live[3].phase = FlightPhase::parked;
    trafficState.live[3].standId = 9; // not in the table
    const std::size_t before = harness.log().body().size();

    lf_removeGhost("BAW123");
    // The same flight again: the ghost is on its way out, nothing more happens.
    lf_removeGhost("BAW123");

    EXPECT_EQ(trafficState.live[0].state, LiveState::beingRemoved);
    EXPECT_EQ(trafficState.live[1].state, LiveState::inSimulator);
    EXPECT_EQ(trafficState.live[2].state, LiveState::inSimulator);
    EXPECT_EQ(trafficState.live[3].state, LiveState::beingRemoved);
    EXPECT_EQ(
        std::vector<std::uint32_t>(trafficState.removals.begin(), trafficState.removals.end()),
        std::vector<std::uint32_t>{kGhostObject});
    EXPECT_EQ(trafficState.ghostCallsigns, std::vector<std::string>{"BAW123_"});
    // A parked ghost's line names its stand.
    EXPECT_EQ(linesSince(before),
              std::vector<std::string>{
                  "unknown : BAW123_  is a ghost and will be removed, continue with BAW123"});

    // A second ghost of the same callsign adds no second list entry.
    trafficState.live.push_back(aircraft(0x4ca0d4, "BAW123_", LiveState::newFlight));
    lf_removeGhost("BAW123");
    EXPECT_TRUE(trafficState.live.back().erase);
    EXPECT_EQ(trafficState.ghostCallsigns, std::vector<std::string>{"BAW123_"});

    // No callsign: "_" is nobody's ghost; LOG off: no line.
    LOG.setRaw(false);
    trafficState.live.push_back(aircraft(0x4ca0d5, "_", LiveState::inSimulator, 73));
    trafficState.live.push_back(aircraft(0x4ca0d6, "EZY9_", LiveState::inSimulator, 74));
    const std::size_t quiet = harness.log().body().size();
    lf_removeGhost("");
    EXPECT_EQ(trafficState.live[5].state, LiveState::inSimulator);
    lf_removeGhost("EZY9");
    EXPECT_EQ(trafficState.live[6].state, LiveState::beingRemoved);
    EXPECT_TRUE(linesSince(quiet).empty());
    EXPECT_EQ(trafficState.ghostCallsigns, (std::vector<std::string>{"BAW123_", "EZY9_"}));
}

// A ghost whose creation request has gone: bound by the simulator, it is removed at the end of
// its start-up instead of being started, once, and its record is erased.
TEST_F(GhostsTest, AGhostWhoseRequestWasSentIsRemovedOnceCreatedAndNeverStarted) {
    harness.autoSim(5);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft ghost = aircraft(kGhostKey, "BAW123_", LiveState::creationRequested);
        PositionSample sample;
        sample.dueTick = 1'000'000;
        ghost.samples.push_back(sample);
        trafficState.live.push_back(ghost);
        trafficState.liveCreations.push_back(request(kGhostKey, "BAW123_"));
    }
    // The tick sends the request at tick 0's creation slot; the object is bound 5 ticks later.
    harness.tick(1);
    ASSERT_EQ(harness.link().callsOf("queueCreateAiAircraft").size(), 1u);
    ASSERT_TRUE(harness.queues().liveCreations.empty());
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        lf_removeGhost("BAW123");
        EXPECT_TRUE(trafficState.live[0].removeOnceCreated);
        EXPECT_FALSE(trafficState.live[0].erase);
    }
    harness.tick(10);
    ASSERT_EQ(harness.simObjects().size(), 1u);
    const std::uint32_t object = harness.simObjects()[0].objectId;
    EXPECT_EQ(harness.liveAircraft(kGhostKey).objectId, object);

    // Its start-up sequence ends after 200 ticks; the removal follows, paced, and is confirmed.
    harness.tick(300);
    EXPECT_FALSE(harness.findLive(kGhostKey).has_value());
    EXPECT_EQ(harness.simObjects()[0].removals, 1);
    EXPECT_TRUE(harness.link().callsOf("queueEnginesOn").empty());
    EXPECT_TRUE(harness.link().callsOf("queueEnginesOff").empty());
    EXPECT_TRUE(harness.link().callsOf("queueSetLights").empty());
    EXPECT_TRUE(harness.removals().empty());
}

// The feed intake renames an aircraft while it walks the live aircraft, the caller last in the
// vector: the ghost in state 0 or 1 is only flagged, and the tick's erase pass takes it.
TEST_F(GhostsTest, FromInsideTheFeedIntakesWalkNothingIsErasedUnderTheCaller) {
    struct Case {
        const char* name;
        LiveState state;
    };
    const Case cases[] = {{"new", LiveState::newFlight},
                          {"requested, key waiting", LiveState::creationRequested}};
    GUID_CHANGES.setRaw(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.live.clear();
            trafficState.waitingKeys.clear();
            trafficState.ghostCallsigns.clear();
            LiveAircraft ghost = aircraft(kGhostKey, "BAW123_", c.state);
            PositionSample due;
            due.dueTick = 1'000'000; // admission leaves it alone
            ghost.samples.push_back(due);
            trafficState.live.push_back(ghost);
            if (c.state == LiveState::creationRequested) {
                trafficState.waitingKeys.push_back(kGhostKey);
            }
            LiveAircraft caller = aircraft(kCallerKey, "OLD1", LiveState::inSimulator, 80);
            caller.phase = FlightPhase::airborne;
            trafficState.live.push_back(caller);

            LiveFlight record =
                LiveFlightBuilder(kCallerKey).callsign("BAW123").altitude(3000.0).next();
            record.airborne = true;
            gf_ingestFeedRecord(record);

            ASSERT_EQ(trafficState.live.size(), 2u);
            EXPECT_EQ(trafficState.live[1].callsign, "BAW123");
            EXPECT_TRUE(trafficState.live[0].erase);
            EXPECT_TRUE(trafficState.waitingKeys.empty());
        }
        harness.tick(1);
        const std::vector<LiveAircraft> live = harness.live();
        ASSERT_EQ(live.size(), 1u);
        EXPECT_EQ(live[0].flightKey, kCallerKey);
        EXPECT_TRUE(harness.queues().liveCreations.empty());
    }
}

TEST_F(GhostsTest, ACallsignIsInUseWhenAnotherAircraftCarriesItWithoutItsLastCharacter) {
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.live = {aircraft(1, "BAW123", LiveState::inSimulator),
                         aircraft(2, "EZY9", LiveState::beingRemoved),
                         aircraft(3, "", LiveState::inSimulator)};
    EXPECT_TRUE(lf_callsignInUse("BAW123_"));
    EXPECT_TRUE(lf_callsignInUse("BAW1234"));
    EXPECT_FALSE(lf_callsignInUse("BAW123"));
    EXPECT_FALSE(lf_callsignInUse("EZY9_")); // being removed
    // One character is never a ghost of the empty callsign.
    EXPECT_FALSE(lf_callsignInUse("_"));
    EXPECT_FALSE(lf_callsignInUse(""));
}

} // namespace
} // namespace ksb::test
