// Which stand a standing flight takes at the park airport, and the refusals that drop it.
#include "placement_test_fixture.h"

#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "traffic/free_stand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

// How the flight's samples move.
enum class ChoiceTrack {
    standing, // repeated positions
    still,    // ground speed 0, positions not marked repeated
    creep,    // 2 kt northwards: the last sample lies 21 m north of the first
    drift,    // 4 kt northwards: the last sample lies 82 m north of the first
    taxi,     // 15 kt
};

struct ChoiceStand {
    const char* name;
    double north = 0.0;   // metres from the flight's first position
    double radius = 20.0; // metres; the A320's half span is 17.05 m
    bool heli = false;
    bool occupied = false;
    const char* optionAirline = nullptr; // an option of that airline and A320
};

struct ChoiceCase {
    const char* name;
    std::vector<ChoiceStand> stands;
    ChoiceTrack track = ChoiceTrack::standing;
    const char* type = "A320";
    double parkAirportNm = 0.0; // the park airport's distance east of the flight
    const char* expect = "";    // a stand name, "taxi" or "hold"
    double enlargedTo = 0.0;    // metres; 0 when no radius changes
};

std::vector<LiveFlight> lf_choiceRecords(LiveFlightBuilder builder, ChoiceTrack track) {
    builder.track(0.0);
    switch (track) {
    case ChoiceTrack::standing:
        return builder.standing(3, true);
    case ChoiceTrack::still:
        return builder.standing(3, false);
    case ChoiceTrack::creep:
        return builder.taxi(3, 2.0);
    case ChoiceTrack::drift:
        return builder.taxi(5, 4.0);
    case ChoiceTrack::taxi:
        return builder.taxi(3, 15.0);
    }
    return {};
}

class StandChoiceTest : public PlacementTest {};

TEST_F(StandChoiceTest, StandingFlightTakesTheStandTheLayoutOffers) {
    const double halfSpanMetres = 17.05;
    const ChoiceCase cases[] = {
        {"nearest fitting stand",
         {{"A", 50}, {"B", 40}, {"C", 60}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "B"},
        {"fitting stand 50 m away, park airport 4.9 NM away",
         {{"A", 50}},
         ChoiceTrack::standing,
         "A320",
         4.9,
         "A"},
        {"park airport beyond 5 NM", {{"A", 0}}, ChoiceTrack::standing, "A320", 5.1, "taxi"},
        {"stand beyond 55 m, standing", {{"A", 56}}, ChoiceTrack::standing, "A320", 0.0, "hold"},
        {"stand beyond 55 m, still", {{"A", 56}}, ChoiceTrack::still, "A320", 0.0, "taxi"},
        {"too-small stand within 20 m is enlarged",
         {{"A", 15, 10}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "A",
         halfSpanMetres - 1.0},
        {"too-small stand at 25 m is passed over",
         {{"A", 25, 10}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "hold"},
        {"too-small stand nearer than a fitting one",
         {{"A", 15, 10}, {"B", 40}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "A",
         halfSpanMetres - 1.0},
        {"fitting stand nearer than a too-small one",
         {{"A", 15, 10}, {"B", 10}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "B"},
        {"overhang of 1.8 m still fits",
         {{"A", 40, halfSpanMetres - 1.79}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "A"},
        {"occupied stand skipped",
         {{"A", 5, 20, false, true}, {"B", 45}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "B"},
        {"observed on a stand within 85 m",
         {{"A", 80, 20, false, false, "BAW"}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "A"},
        {"observation of another airline",
         {{"A", 80, 20, false, false, "DLH"}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "hold"},
        {"observation needs a repeated position",
         {{"A", 80, 20, false, false, "BAW"}},
         ChoiceTrack::still,
         "A320",
         0.0,
         "taxi"},
        {"observation beyond 85 m",
         {{"A", 86, 20, false, false, "BAW"}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "hold"},
        {"a stand within 55 m wins over an observation",
         {{"A", 70, 20, false, false, "BAW"}, {"B", 50}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "B"},
        {"too small for the observation",
         {{"A", 70, 10, false, false, "BAW"}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "hold"},
        {"helicopter takes the helipad behind a gate",
         {{"G", 5}, {"H", 40, 20, true}},
         ChoiceTrack::standing,
         "EC35",
         0.0,
         "H"},
        {"helicopter without a helipad", {{"G", 5}}, ChoiceTrack::standing, "EC35", 0.0, "hold"},
        {"jet beside a helipad takes its gate",
         {{"H", 5, 20, true}, {"G", 40}},
         ChoiceTrack::standing,
         "A320",
         0.0,
         "G"},
        {"slow and within 35 m: the last position counts",
         {{"A", 70}},
         ChoiceTrack::creep,
         "A320",
         0.0,
         "A"},
        {"slow but beyond 35 m", {{"A", 0}}, ChoiceTrack::drift, "A320", 0.0, "taxi"},
        {"taxiing at 15 kt", {{"A", 0}}, ChoiceTrack::taxi, "A320", 0.0, "taxi"},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        stands().clear();
        gf_parkAirportState().learnedUpdateCount = 0;
        for (const ChoiceStand& s : c.stands) {
            ParkPosition& stand = addStand(s.name, s.north, s.radius);
            stand.heli = s.heli;
            stand.occupied = s.occupied;
            if (s.optionAirline != nullptr) {
                StandObservation option = gf_testOption(1, 3, {18});
                option.airline = s.optionAirline;
                option.callsign = std::string(s.optionAirline) + "1";
                stand.observations.push_back(option);
            }
        }
        trafficState.parkAirport.lon =
            kStandBaseLongitude +
            c.parkAirportNm / 60.0 / std::cos(kStandBaseLatitude * kRadiansPerDegree);
        LiveAircraft& aircraft =
            addFlight(lf_choiceRecords(flightAt(0.0).type(c.type).registration(""), c.track));
        const std::size_t samplesBefore = aircraft.samples.size();
        place(aircraft);

        const std::string expect = c.expect;
        if (expect == "hold") {
            EXPECT_EQ(aircraft.state, LiveState::newFlight);
            EXPECT_EQ(aircraft.samples.size(), samplesBefore - 1);
            EXPECT_FALSE(aircraft.erase);
        } else if (expect == "taxi") {
            EXPECT_EQ(aircraft.state, LiveState::creationRequested);
            EXPECT_EQ(aircraft.phase, FlightPhase::taxi);
            EXPECT_EQ(aircraft.standId, 0U);
            EXPECT_EQ(aircraft.samples.size(), samplesBefore);
        } else {
            EXPECT_EQ(aircraft.state, LiveState::creationRequested);
            EXPECT_EQ(aircraft.phase, FlightPhase::parked);
            EXPECT_EQ(gf_standLogName(aircraft.standId), expect);
        }
        for (const ParkPosition& stand : stands()) {
            SCOPED_TRACE(stand.name);
            const bool taken = stand.name == expect;
            const ChoiceStand* spec = nullptr;
            for (const ChoiceStand& s : c.stands) {
                if (stand.name == s.name) {
                    spec = &s;
                }
            }
            EXPECT_EQ(stand.occupied, taken || spec->occupied);
            const bool enlarged = taken && c.enlargedTo > 0.0;
            EXPECT_EQ(stand.radiusChanged, enlarged);
            EXPECT_NEAR(stand.radius * kMetresPerNM, enlarged ? c.enlargedTo : spec->radius, 1e-9);
        }
        // Learning without a registration adds nothing; the enlargement is one update.
        EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, c.enlargedTo > 0.0 ? 1 : 0);
    }
}

TEST_F(StandChoiceTest, SearchWithoutObservationsFromTheStaticParking) {
    // The static parking asks with a flight of its own, 110 m and no observations.
    addStand("A", 100);
    ParkPosition& observed = addStand("B", 30, 10);
    observed.observations.push_back(gf_testOption(1, 3, {18}));
    Flight flight = gf_testAircraft(1, "BAW1", "G-EUUA");
    const auto [lat, lon] = near(0.0);
    ParkPosition* found = gf_findFreeStand(Position{lat, lon}, flight, 110.0 * kNMPerMetre, false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, "A");
    EXPECT_EQ(gf_findFreeStand(Position{lat, lon}, flight, 20.0 * kNMPerMetre, true), nullptr);
    stands().clear();
    EXPECT_EQ(gf_findFreeStand(Position{lat, lon}, flight, 110.0 * kNMPerMetre, true), nullptr);
}

// The user's stand and the reserved stand are never taken, and each stand rule can refuse.
TEST_F(StandChoiceTest, RefusedStandDropsTheFlight) {
    struct Case {
        const char* name;
        const char* reserved = "";
        bool userOnGround = false;
        double userNorth = 500.0; // metres; the user's last position as the link has it
        const char* sameObjects = "";
        const char* adjacentObjects = "";
        bool dropped = false;
    };
    const Case cases[] = {
        {"nothing objects", "", true, 500.0, "", "", false},
        {"reserved stand", "A", true, 500.0, "", "", true},
        {"another reserved stand", "B", true, 500.0, "", "", false},
        {"the user stands on it", "", true, 3.0, "", "", true},
        {"the user flies over it", "", false, 3.0, "", "", false},
        {"the user stands on the neighbour", "", true, 60.0, "", "", false},
        {"same-callsign rule objects", "", true, 500.0, "EZY9", "", true},
        {"adjacent-stand rule objects", "", true, 500.0, "", "EZY9", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        stands().clear();
        gf_clearStandNameMemo();
        ruleCalls.clear();
        maxParkCalls.clear();
        ParkPosition& wanted = addStand("A", 0.0);
        ParkPosition& neighbour = addStand("B", 60.0);
        wanted.adjacentStandIds = {2, 9};
        trafficState.reservedStand = c.reserved;
        const auto [userLat, userLon] = near(c.userNorth);
        setUser(c.userOnGround, userLat, userLon);
        // The engine's own user block says otherwise: the link's last state counts.
        trafficState.userState.latitude = 0.0;
        trafficState.userState.longitude = 0.0;
        recordStandRules(c.sameObjects, c.adjacentObjects);
        addFlight(flightAt(300.0, 0x4ca002).callsign("EZY9").registration("G-EZAA").taxi(3));
        addFlight(flightAt(400.0, 0x4ca003).callsign("EZY8").registration("G-EZAB").taxi(3));
        LiveAircraft& aircraft = addFlight(flightAt(0.0).standing(3, true));
        place(aircraft);

        EXPECT_EQ(aircraft.erase, c.dropped);
        EXPECT_EQ(wanted.occupied, !c.dropped);
        EXPECT_FALSE(neighbour.occupied);
        EXPECT_EQ(aircraft.state, c.dropped ? LiveState::newFlight : LiveState::creationRequested);
        EXPECT_EQ(maxParkCalls.size(), c.dropped ? 0U : 1U);
    }
}

TEST_F(StandChoiceTest, StandRulesSeeEveryLiveAircraftUntilOneAnswers) {
    addStand("A", 0.0);
    addStand("B", 60.0);
    stands()[0].adjacentStandIds = {2, 9};
    recordStandRules("EZY8", "");
    addFlight(flightAt(300.0, 0x4ca002).callsign("EZY9").registration("G-EZAA").taxi(3));
    addFlight(flightAt(400.0, 0x4ca003).callsign("EZY8").registration("G-EZAB").taxi(3));
    addFlight(flightAt(500.0, 0x4ca004).callsign("EZY7").registration("G-EZAC").taxi(3));
    LiveAircraft& aircraft = addFlight(flightAt(0.0).standing(3, true));

    // No objection: every aircraft (the newcomer too) is offered to each rule, the neighbour
    // rule once per adjacent id, unknown ids included.
    {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.hooks.sameCallsignWantsStand = [this](StandRuleContext& context,
                                                           LiveAircraft& other) {
            ruleCalls.push_back({"same", context.wantedStandId, context.neighbourStandId,
                                 context.newcomer.callsign, other.callsign});
            return false;
        };
    }
    place(aircraft);
    std::vector<std::string> seen;
    for (const StandRuleCall& call : ruleCalls) {
        seen.push_back(call.rule + " " + std::to_string(call.wanted) + "/" +
                       std::to_string(call.neighbour) + " " + call.newcomer + " " + call.other);
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"same 1/0 BAW123 EZY9", "same 1/0 BAW123 EZY8",
                                        "same 1/0 BAW123 EZY7", "same 1/0 BAW123 BAW123",
                                        "adjacent 1/2 BAW123 EZY9", "adjacent 1/2 BAW123 EZY8",
                                        "adjacent 1/2 BAW123 EZY7", "adjacent 1/2 BAW123 BAW123",
                                        "adjacent 1/9 BAW123 EZY9", "adjacent 1/9 BAW123 EZY8",
                                        "adjacent 1/9 BAW123 EZY7", "adjacent 1/9 BAW123 BAW123"}));
    EXPECT_EQ(aircraft.phase, FlightPhase::parked);

    // A rule that answers true without objecting ends its walk and leaves the stand allowed.
    trafficState.live.pop_back();
    stands()[0].occupied = false;
    ruleCalls.clear();
    recordStandRules("", "");
    {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.hooks.sameCallsignWantsStand = [this](StandRuleContext& context,
                                                           LiveAircraft& other) {
            ruleCalls.push_back({"same", context.wantedStandId, 0, "", other.callsign});
            return other.callsign == "EZY8";
        };
    }
    LiveAircraft& again = addFlight(flightAt(0.0, 0x4ca005).standing(3, true));
    place(again);
    ASSERT_GE(ruleCalls.size(), 2U);
    EXPECT_EQ(ruleCalls[1].other, "EZY8");
    EXPECT_NE(ruleCalls[2].rule, "same");
    EXPECT_EQ(again.phase, FlightPhase::parked);
}

} // namespace
} // namespace ksb::test
