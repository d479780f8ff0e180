// Freeing an aircraft's stand: the first stand with its id, nothing else.
#include "airports/park_airport_state.h"
#include "traffic/stand_release.h"
#include "traffic/traffic_state.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

class StandRelease : public ::testing::Test {
protected:
    void SetUp() override { gf_resetTrafficForTests(); }
    void TearDown() override { gf_resetTrafficForTests(); }

    // Occupied stands with these ids, in this order.
    static void occupiedStands(const std::vector<std::uint32_t>& ids) {
        std::vector<ParkPosition> stands;
        for (const std::uint32_t id : ids) {
            ParkPosition stand;
            stand.standId = id;
            stand.occupied = true;
            stands.push_back(stand);
        }
        gf_parkAirportState().stands = stands;
    }

    static std::vector<bool> occupied() {
        std::vector<bool> out;
        for (const ParkPosition& stand : gf_parkAirportState().stands) {
            out.push_back(stand.occupied);
        }
        return out;
    }
};

TEST_F(StandRelease, FreesOnlyTheFirstStandWithTheAircraftsId) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> stands;
        std::uint32_t standId;
        std::vector<bool> occupiedAfter;
    };
    const Case cases[] = {
        {"its stand", {1, 2, 3}, 2, {true, false, true}},
        // A table with a repeated id frees the first, as the release always did.
        {"repeated id", {1, 2, 2}, 2, {true, false, true}},
        {"no stand of that id", {1, 2, 3}, 7, {true, true, true}},
        // Stand id 0 means none, even when a stand not yet numbered carries 0.
        {"no stand", {0, 1}, 0, {true, true}},
        {"empty table", {}, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        occupiedStands(c.stands);
        AiAircraft aircraft;
        aircraft.standId = c.standId;
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_freeStand(aircraft);
        EXPECT_EQ(occupied(), c.occupiedAfter);
        EXPECT_EQ(aircraft.state, LiveState::newFlight);
    }
}

// An aircraft keeps its stand id after it has left the stand; when it goes later, the stand
// may be another aircraft's by then and stays occupied.
TEST_F(StandRelease, AStandAnotherLiveAircraftHoldsByNowStaysOccupied) {
    struct Case {
        const char* name;
        LiveState otherState;
        FlightPhase otherPhase;
        bool otherErased;
        bool occupiedAfter;
    };
    const Case cases[] = {
        {"another parked there", LiveState::inSimulator, FlightPhase::parked, false, true},
        {"another placed there, not yet created", LiveState::creationRequested,
         FlightPhase::parked, false, true},
        {"another moving in", LiveState::inSimulator, FlightPhase::movingToAdjacentStand, false,
         true},
        {"another that left it too", LiveState::inSimulator, FlightPhase::taxi, false, false},
        {"another being removed", LiveState::beingRemoved, FlightPhase::parked, false, false},
        {"another about to be erased", LiveState::inSimulator, FlightPhase::parked, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        occupiedStands({1, 2});
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.live.clear();
        LiveAircraft departed;
        departed.standId = 2;
        departed.state = LiveState::inSimulator;
        departed.phase = FlightPhase::airborne;
        LiveAircraft other;
        other.standId = 2;
        other.state = c.otherState;
        other.phase = c.otherPhase;
        other.erase = c.otherErased;
        trafficState.live = {departed, other};
        gf_freeStand(trafficState.live.front());
        EXPECT_EQ(occupied(), (std::vector<bool>{true, c.occupiedAfter}));
    }
}

} // namespace
