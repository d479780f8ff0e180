// Who keeps a wanted stand: the aircraft parked on it against a newcomer of the same or a related
// callsign, and aircraft parked on a neighbour stand whose wings would touch.
#include "core/parameters.h"
#include "core/time_text.h"
#include "traffic/conflicts.h"
#include "traffic/traffic_hooks.h"

#include "placement_test_fixture.h"
#include "stand_test_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

constexpr std::uint32_t kParkedObject = 50;

class StandRulesTest : public StandTest {
protected:
    StandRulesTest() { LOG.setRaw(true); }

    // A live aircraft parked in the simulator on the stand.
    static LiveAircraft parkedOn(std::uint32_t standId, std::string callsign,
                                 std::string type = "A320") {
        LiveAircraft aircraft =
            gf_testAircraft(0x4ca010, std::move(callsign), "G-EUUA", "BAW", std::move(type));
        aircraft.state = LiveState::inSimulator;
        aircraft.phase = FlightPhase::parked;
        aircraft.standId = standId;
        aircraft.objectId = kParkedObject;
        return aircraft;
    }

    std::vector<std::string> linesSince(std::size_t before) const {
        const std::vector<std::string> lines = harness.log().body();
        return {lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()};
    }
    static std::vector<std::uint32_t> removals() {
        return {trafficState.removals.begin(), trafficState.removals.end()};
    }
};

TEST_F(StandRulesTest, TheAircraftOnTheWantedStandAgainstTheNewcomersCallsign) {
    addStand("S");
    addStand("T", 200.0);
    struct Case {
        const char* name;
        std::string other; // L, parked on the wanted stand
        std::string newcomer;
        bool standChecked;
        bool released;
        bool allowed;
        std::string line; // "" for none; "{}" stands for the log time stamp
    };
    const Case cases[] = {
        {"same callsign: the parked one goes", "BAW123", "BAW123", true, true, true,
         "S       : BAW123   ac with same callsign BAW123 wants it, remove existing ... "},
        {"a ghost of L wants it: refused", "BAW123", "BAW123_", false, false, false,
         "S       : BAW123   ghost BAW123_ wants it, but don't do it ... "},
        {"L plus any one character wants it: refused", "BAW12", "BAW123", false, false, false,
         "S       : BAW12    ghost BAW123 wants it, but don't do it ... "},
        {"L is the newcomer's ghost: replaced", "BAW123_", "BAW123", true, true, true,
         "S       : BAW123_  ghost, replace by BAW123"},
        {"L is the newcomer plus one character: replaced", "BAW1234", "BAW123", true, true, true,
         "S       : BAW1234  ghost, replace by BAW123"},
        {"L an unrelated ghost, the newcomer not: replaced", "EZY9_", "BAW123", true, true, true,
         "S       : EZY9_    ghost, replace by BAW123"},
        {"the newcomer an unrelated ghost, L not: refused", "EZY9", "BAW123_", false, false, false,
         "S       : EZY9     ghost BAW123_ wants it, refused "},
        {"both ghosts, L without a sample at its stand: released", "EZY9_", "BAW123_", false, true,
         true, "S       : EZY9_    removed because of new BAW123_"},
        {"unrelated, L without a sample at its stand: released", "EZY9", "BAW123", false, true,
         true, "S       : EZY9     removed because of new BAW123"},
        {"unrelated, L seen on its stand: refused", "EZY9", "BAW123", true, false, false,
         "S       : EZY9     other live BAW123 wants it? {} "},
        {"one character and an empty newcomer make no ghost", "X", "", true, false, false,
         "S       : X        other live  wants it? {} "},
        {"two empty callsigns are not the same", "", "", true, false, false,
         "S       :          other live  wants it? {} "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_parkAirportState().stands[0].occupied = true;
        trafficState.removals.clear();
        LiveAircraft other = parkedOn(1, c.other);
        other.standChecked = c.standChecked;
        LiveAircraft newcomer = gf_testAircraft(0x4ca020, c.newcomer, "G-EUUB");
        StandRuleContext context{1, 0, newcomer};
        const std::size_t before = harness.log().body().size();

        const bool ends = lf_sameCallsignWantsStand(context, other);

        EXPECT_EQ(ends, !c.allowed);
        EXPECT_EQ(context.allowed, c.allowed);
        EXPECT_EQ(other.state, c.released ? LiveState::beingRemoved : LiveState::inSimulator);
        EXPECT_EQ(removals(), c.released ? std::vector<std::uint32_t>{kParkedObject}
                                         : std::vector<std::uint32_t>{});
        // The release frees the stand.
        EXPECT_EQ(gf_parkAirportState().stands[0].occupied, !c.released);
        std::string line = c.line;
        if (const auto at = line.find("{}"); at != std::string::npos) {
            line.replace(at, 2, gf_logTimeStamp());
        }
        EXPECT_EQ(linesSince(before), std::vector<std::string>{line});
    }
}

TEST_F(StandRulesTest, OnlyAnAircraftParkedInTheSimulatorOnTheWantedStandCounts) {
    addStand("S");
    addStand("T", 200.0);
    struct Case {
        const char* name;
        std::uint32_t wanted;
        LiveState state;
        FlightPhase phase;
        std::uint32_t otherStand;
    };
    const Case cases[] = {
        {"taxiing", 1, LiveState::inSimulator, FlightPhase::taxi, 1},
        {"moving into the stand", 1, LiveState::inSimulator, FlightPhase::movingToAdjacentStand, 1},
        {"being removed", 1, LiveState::beingRemoved, FlightPhase::parked, 1},
        {"creation requested", 1, LiveState::creationRequested, FlightPhase::parked, 1},
        {"on another stand", 1, LiveState::inSimulator, FlightPhase::parked, 2},
        {"stand id 0", 0, LiveState::inSimulator, FlightPhase::parked, 0},
        {"a stand id not in the table", 9, LiveState::inSimulator, FlightPhase::parked, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft other = parkedOn(c.otherStand, "BAW123");
        other.state = c.state;
        other.phase = c.phase;
        LiveAircraft newcomer = gf_testAircraft(0x4ca020, "BAW123", "G-EUUB");
        StandRuleContext context{c.wanted, 0, newcomer};
        const std::size_t before = harness.log().body().size();
        EXPECT_FALSE(lf_sameCallsignWantsStand(context, other));
        EXPECT_TRUE(context.allowed);
        EXPECT_EQ(other.state, c.state);
        EXPECT_TRUE(trafficState.removals.empty());
        EXPECT_TRUE(linesSince(before).empty());
    }
}

// Two neighbour stands as far apart as the test asks, from the sum of two half spans.
class AdjacentStandRulesTest : public StandRulesTest {
protected:
    // The wanted stand S (id 1) and its neighbour N (id 2) `metres` north of it.
    void standsApart(double metres) {
        stands().clear();
        addStand("S").adjacentStandIds = {2};
        addStand("N", metres).adjacentStandIds = {1};
    }
    static double apart() {
        const std::vector<ParkPosition>& s = gf_parkAirportState().stands;
        return gf_distanceNM(Position{s[0].latitude, s[0].longitude},
                             Position{s[1].latitude, s[1].longitude});
    }
};

TEST_F(AdjacentStandRulesTest, ANeighbourWhoseWingsTouchBlocksTheNewcomerByTheirTypes) {
    // The half spans of the two types, as the database gives them.
    const double spans = gf_wingspanOfType("A320") + gf_wingspanOfType("E190");
    const double spansMetres = spans * kMetresPerNM;
    struct Case {
        const char* name;
        double metres; // between the stands
        std::string other;
        std::uint32_t neighbour; // in the context
        bool refused;
        std::string line;
    };
    const Case cases[] = {
        {"just closer than the spans: refused", spansMetres - 0.01, "EZY9", 2, true,
         "S       : BAW123   at adjacent and colliding, EZY9 blocks live BAW123 parking"},
        {"just farther: the fit line", spansMetres + 0.01, "EZY9", 2, false,
         "N       : EZY9     stays, while live BAW123 at adjacent, and possibly colliding S, is "
         "parking, but wingspans fit"},
        {"the same callsign is skipped", spansMetres - 0.01, "BAW123", 2, false, ""},
        {"a neighbour id not in the table matches nothing", spansMetres - 0.01, "EZY9", 9, false,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standsApart(c.metres);
        ASSERT_EQ(apart() < spans, c.metres < spansMetres);
        LiveAircraft other = parkedOn(c.neighbour, c.other, "A320");
        LiveAircraft newcomer = gf_testAircraft(0x4ca020, "BAW123", "G-EUUB", "BAW", "E190");
        StandRuleContext context{1, c.neighbour, newcomer};
        const std::size_t before = harness.log().body().size();

        EXPECT_EQ(lf_adjacentStandConflict(context, other), c.refused);
        EXPECT_EQ(context.allowed, !c.refused);
        // It only refuses: the parked one stays.
        EXPECT_EQ(other.state, LiveState::inSimulator);
        EXPECT_TRUE(trafficState.removals.empty());
        EXPECT_EQ(linesSince(before),
                  c.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.line});
    }
}

TEST_F(AdjacentStandRulesTest, ParkingBesideReleasesTheNeighbourWhoseWingsTouchByTheirSpans) {
    standsApart(30.0);
    const double gap = apart();
    struct Case {
        const char* name;
        double otherHalfSpan;
        double arrivingHalfSpan;
        std::uint32_t otherStand;
        bool released;
        const char* line;
    };
    const Case cases[] = {
        {"spans just over the distance: released", gap / 2, gap / 2 + 1e-9, 2, true,
         "N       : EZY9     removed by adjacent parking BAW123 {}"},
        {"spans equal to the distance: it stays", gap / 2, gap / 2, 2, false,
         "N       : EZY9     stays, while live BAW123 at adjacent, and possibly colliding S, is "
         "parking, but wingspans fit {}"},
        {"spans just under: it stays", gap / 2 - 1e-9, gap / 2, 2, false,
         "N       : EZY9     stays, while live BAW123 at adjacent, and possibly colliding S, is "
         "parking, but wingspans fit {}"},
        {"parked on the wanted stand itself: not this rule", gap, gap, 1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.removals.clear();
        LiveAircraft other = parkedOn(c.otherStand, "EZY9");
        other.halfWingSpan = c.otherHalfSpan;
        LiveAircraft arriving = gf_testAircraft(0x4ca020, "BAW123", "G-EUUB");
        arriving.halfWingSpan = c.arrivingHalfSpan;
        StandRuleContext context{1, 2, arriving};
        const std::size_t before = harness.log().body().size();

        EXPECT_EQ(lf_removedByAdjacentParking(context, other), c.released);
        EXPECT_TRUE(context.allowed);
        EXPECT_EQ(other.state, c.released ? LiveState::beingRemoved : LiveState::inSimulator);
        EXPECT_EQ(removals(), c.released ? std::vector<std::uint32_t>{kParkedObject}
                                         : std::vector<std::uint32_t>{});
        std::string line = c.line;
        if (const auto at = line.find("{}"); at != std::string::npos) {
            line.replace(at, 2, gf_utcClockText());
        }
        EXPECT_EQ(linesSince(before),
                  line.empty() ? std::vector<std::string>{} : std::vector<std::string>{line});
    }
}

TEST_F(StandRulesTest, NoLineWhileLogIsOff) {
    addStand("S");
    LOG.setRaw(false);
    LiveAircraft other = parkedOn(1, "BAW123");
    LiveAircraft newcomer = gf_testAircraft(0x4ca020, "BAW123", "G-EUUB");
    StandRuleContext context{1, 0, newcomer};
    const std::size_t before = harness.log().body().size();
    EXPECT_FALSE(lf_sameCallsignWantsStand(context, other));
    EXPECT_EQ(other.state, LiveState::beingRemoved);
    EXPECT_TRUE(linesSince(before).empty());
}

// Through placement with the engine's own hooks: a parked aircraft that its feed has shown on the
// stand keeps it and the newcomer is dropped; one without such a sample gives way to it.
class StandRulesPlacementTest : public PlacementTest {};

TEST_F(StandRulesPlacementTest, PlacementKeepsTheStandOnlyForAnAircraftSeenOnIt) {
    struct Case {
        const char* name;
        bool standChecked;
        bool newcomerParks;
    };
    const Case cases[] = {{"seen on its stand: the newcomer is dropped", true, false},
                          {"not seen there: it gives way", false, true}};
    addStand("A");
    LOG.setRaw(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        trafficState.removals.clear();
        LiveAircraft parked = gf_testAircraft(0x4ca0e1, "EZY9", "G-EZAA", "EZY");
        parked.state = LiveState::inSimulator;
        parked.phase = FlightPhase::parked;
        parked.standId = 1;
        parked.objectId = 77;
        parked.standChecked = c.standChecked;
        trafficState.live.push_back(parked);
        LiveAircraft& newcomer = addFlight(flightAt(0.0).standing(3, true));

        place(newcomer);

        const LiveAircraft& other = trafficState.live[0];
        EXPECT_EQ(other.state, c.newcomerParks ? LiveState::beingRemoved : LiveState::inSimulator);
        EXPECT_EQ(newcomer.erase, !c.newcomerParks);
        EXPECT_EQ(newcomer.phase == FlightPhase::parked && newcomer.standId == 1, c.newcomerParks);
        EXPECT_EQ(
            std::vector<std::uint32_t>(trafficState.removals.begin(), trafficState.removals.end()),
            c.newcomerParks ? std::vector<std::uint32_t>{77} : std::vector<std::uint32_t>{});
    }
}

// The engine's conflict hooks are the real rules.
TEST_F(StandRulesTest, TheHooksAreTheRules) {
    using StandRule = bool (*)(StandRuleContext&, LiveAircraft&);
    const TrafficHooks& hooks = trafficState.hooks;
    ASSERT_NE(hooks.sameCallsignWantsStand.target<StandRule>(), nullptr);
    EXPECT_EQ(*hooks.sameCallsignWantsStand.target<StandRule>(), &lf_sameCallsignWantsStand);
    ASSERT_NE(hooks.adjacentStandConflict.target<StandRule>(), nullptr);
    EXPECT_EQ(*hooks.adjacentStandConflict.target<StandRule>(), &lf_adjacentStandConflict);
    ASSERT_NE(hooks.removedByAdjacentParking.target<StandRule>(), nullptr);
    EXPECT_EQ(*hooks.removedByAdjacentParking.target<StandRule>(), &lf_removedByAdjacentParking);
    using MaxPark = void (*)(int);
    ASSERT_NE(hooks.checkMaxPark.target<MaxPark>(), nullptr);
    EXPECT_EQ(*hooks.checkMaxPark.target<MaxPark>(), &lf_checkMaxPark);
    using Ghost = void (*)(const std::string&);
    ASSERT_NE(hooks.removeGhost.target<Ghost>(), nullptr);
    EXPECT_EQ(*hooks.removeGhost.target<Ghost>(), &lf_removeGhost);
}

} // namespace
} // namespace ksb::test
