// Taking a stand, and what placement leaves behind for the tick: the aircraft's state and phase,
// the identity check, the waiting key and the ghost check.
#include "placement_test_fixture.h"

#include "airports/park_airport_state.h"
#include "core/clock.h"
#include "core/geodesy.h"
#include "traffic/motion.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

class PlacementStandTest : public PlacementTest {};

TEST_F(PlacementStandTest, TakingTheStandParksTheAircraftThereAndLearnsIt) {
    LOG.setRaw(true);
    recordStandRules();
    ParkPosition& stand = addStand("A", 10.0);
    stand.heading = 1.2;
    harness.clock().advance(std::chrono::seconds(7));
    LiveAircraft& aircraft = addFlight(flightAt(0.0).standing(4, true));
    aircraft.standWaitTimers = {5, 6};
    aircraft.heldForUser = true;
    place(aircraft);

    EXPECT_EQ(aircraft.state, LiveState::creationRequested);
    EXPECT_EQ(aircraft.phase, FlightPhase::parked);
    EXPECT_EQ(aircraft.previousPhase, FlightPhase::newFlight);
    EXPECT_FALSE(aircraft.heldForUser);
    EXPECT_EQ(aircraft.standId, stand.standId);
    EXPECT_EQ(aircraft.standLatitude, stand.latitude);
    EXPECT_EQ(aircraft.standLongitude, stand.longitude);
    EXPECT_EQ(aircraft.standHeading, 1.2);
    EXPECT_FALSE(aircraft.standCargo);
    EXPECT_TRUE(stand.occupied);
    EXPECT_EQ(aircraft.atStandSince, harness.clock().steadyNow());
    EXPECT_EQ(aircraft.standWaitTimers, (std::array<std::int32_t, 2>{0, 0}));
    ASSERT_EQ(aircraft.samples.size(), 1U);
    const PositionSample& sample = aircraft.samples.front();
    EXPECT_EQ(sample.latitude, stand.latitude);
    EXPECT_EQ(sample.longitude, stand.longitude);
    EXPECT_DOUBLE_EQ(sample.track, 1.2 * kDegreesPerRadian);
    EXPECT_TRUE(sample.repeated);
    EXPECT_EQ(sample.groundSpeed, 0.0);
    // Created on the stand, facing its heading.
    EXPECT_EQ(aircraft.position.latitude, stand.latitude);
    EXPECT_EQ(aircraft.position.longitude, stand.longitude);
    EXPECT_DOUBLE_EQ(aircraft.position.heading, 1.2);
    EXPECT_DOUBLE_EQ(aircraft.groundHeading, 1.2);
    EXPECT_EQ(trafficState.waitingKeys, (std::vector<std::uint32_t>{aircraft.flightKey}));
    EXPECT_EQ(std::vector<std::uint32_t>(trafficState.identityChecks.begin(),
                                         trafficState.identityChecks.end()),
              (std::vector<std::uint32_t>{aircraft.flightKey}));
    EXPECT_EQ(ghostCalls, (std::vector<std::string>{"BAW123"}));

    // Learned as a real option of the current half hour, the slot remembered for the flight.
    ASSERT_EQ(stand.observations.size(), 1U);
    EXPECT_EQ(stand.observations[0].registration, "G-EUUA");
    EXPECT_EQ(stand.observations[0].callsign, "BAW123");
    EXPECT_EQ(stand.observations[0].day, gf_weekdayOf(kPlacementNow));
    EXPECT_TRUE(stand.observations[0].halfHours.test(20));
    ASSERT_EQ(trafficState.lastLearned.size(), 1U);
    EXPECT_EQ(trafficState.lastLearned[0].flightKey, aircraft.flightKey);
    EXPECT_EQ(trafficState.lastLearned[0].slot, 20);
    EXPECT_EQ(maxParkCalls, (std::vector<int>{1}));
    EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 1);
}

// Placed on its stand it comes from phase "new"; the feed shows it leaving again and again
// before its next ground step, half hours pass, and the freed stand is claimed once more.
TEST_F(PlacementStandTest, APlacedAircraftLearnsItsDepartureAndFreesItsStandOnce) {
    recordStandRules();
    ParkPosition& stand = addStand("A", 10.0);
    LiveAircraft& aircraft = addFlight(flightAt(0.0).standing(4, true));
    place(aircraft);
    ASSERT_EQ(aircraft.phase, FlightPhase::parked);
    ASSERT_EQ(aircraft.previousPhase, FlightPhase::newFlight);
    std::lock_guard lock(trafficState.trafficMutex);
    aircraft.state = LiveState::inSimulator;
    const int learnedBefore = gf_parkAirportState().learnedUpdateCount;
    std::int32_t slot = 21;
    for (const double northMetres : {100.0, 110.0, 120.0}) {
        SCOPED_TRACE(northMetres);
        harness.setDayHalfHour(gf_packDayHalfHour(3, slot++));
        PositionSample sample = gf_positionSampleOf(flightAt(northMetres).next());
        EXPECT_TRUE(lf_standDepartureCheck(aircraft, sample));
        EXPECT_TRUE(aircraft.departureRequested);
        EXPECT_EQ(aircraft.phase, FlightPhase::parked);
        EXPECT_EQ(stand.occupied, northMetres != 100.0);
        stand.occupied = true; // another takes the freed stand
    }
    EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, learnedBefore + 1);
    ASSERT_EQ(stand.observations.size(), 1U);
    EXPECT_TRUE(stand.observations[0].halfHours.test(20)); // its arrival
    EXPECT_TRUE(stand.observations[0].halfHours.test(21)); // its departure
    EXPECT_FALSE(stand.observations[0].halfHours.test(22));
    EXPECT_FALSE(stand.observations[0].halfHours.test(23));
    ASSERT_EQ(trafficState.lastLearned.size(), 1U);
    EXPECT_EQ(trafficState.lastLearned[0].slot, 21);
}

TEST_F(PlacementStandTest, ParkLimitIsCheckedWhenLearningRefusesToo) {
    recordStandRules();
    ParkPosition& stand = addStand("A", 0.0);
    // Without a registration nothing is learned.
    LiveAircraft& aircraft = addFlight(flightAt(0.0).registration("").standing(3, true));
    trafficState.lastLearned.push_back({aircraft.flightKey, 3});
    place(aircraft);
    EXPECT_EQ(aircraft.phase, FlightPhase::parked);
    EXPECT_TRUE(stand.observations.empty());
    ASSERT_EQ(trafficState.lastLearned.size(), 1U);
    EXPECT_EQ(trafficState.lastLearned[0].slot, 3);
    EXPECT_EQ(maxParkCalls, (std::vector<int>{1}));
    EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 0);
}

TEST_F(PlacementStandTest, CargoAircraftMakesItsStandACargoStand) {
    struct Case {
        const char* name;
        bool aircraftCargo;
        bool standCargo;
        bool logged;
    };
    const Case cases[] = {
        {"cargo aircraft on a passenger stand", true, false, true},
        {"cargo aircraft on a cargo stand", true, true, false},
        {"passenger aircraft on a passenger stand", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        trafficState.live.clear();
        LogCapture log;
        ParkPosition& stand = addStand("C1", 0.0, 40.0);
        stand.cargo = c.standCargo;
        LiveAircraft& aircraft = addFlight(
            flightAt(0.0).type("B744").registration("G-CIVA").callsign("BAW9F").standing(3, true));
        aircraft.cargo = c.aircraftCargo;
        const std::string line =
            "EGLL stand: C1, cargo attribute set to true, " + aircraft.describe() + " parked here";
        place(aircraft);
        ASSERT_EQ(aircraft.phase, FlightPhase::parked);
        EXPECT_EQ(stand.cargo, c.aircraftCargo || c.standCargo);
        EXPECT_EQ(stand.cargoChanged, c.logged);
        EXPECT_EQ(aircraft.standCargo, stand.cargo);
        const std::vector<std::string> body = log.body();
        EXPECT_EQ(std::count(body.begin(), body.end(), line), c.logged ? 1 : 0);
    }
}

TEST_F(PlacementStandTest, EveryPlacementEndsInStateOneWithItsKeyWaiting) {
    struct Case {
        const char* name;
        const char* callsign;
        bool airborne;
        FlightPhase phase;
        std::vector<std::string> ghostCalls;
    };
    const Case cases[] = {
        {"airborne flight approaches", "BAW7", true, FlightPhase::airborne, {"BAW7"}},
        {"ground flight away from stands taxis", "BAW8", false, FlightPhase::taxi, {"BAW8"}},
        {"a ghost does not look for ghosts", "BAW8_", false, FlightPhase::taxi, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        trafficState.waitingKeys = {77};
        trafficState.identityChecks.clear();
        ghostCalls.clear();
        recordStandRules();
        LiveFlightBuilder builder = flightAt(2000.0);
        builder.callsign(c.callsign);
        LiveAircraft& aircraft =
            addFlight(c.airborne ? builder.altitude(3000.0).climbOut(3) : builder.taxi(3));
        aircraft.heldForUser = true;
        place(aircraft);
        EXPECT_EQ(aircraft.state, LiveState::creationRequested);
        EXPECT_EQ(aircraft.phase, c.phase);
        EXPECT_EQ(aircraft.previousPhase, FlightPhase::newFlight);
        EXPECT_FALSE(aircraft.heldForUser);
        EXPECT_EQ(aircraft.standId, 0U);
        EXPECT_EQ(aircraft.samples.size(), 3U);
        EXPECT_EQ(aircraft.liveryTitle, "Airbus A320 British Airways");
        EXPECT_EQ(trafficState.waitingKeys, (std::vector<std::uint32_t>{77, aircraft.flightKey}));
        ASSERT_EQ(trafficState.identityChecks.size(), 1U);
        EXPECT_EQ(trafficState.identityChecks.front(), aircraft.flightKey);
        EXPECT_EQ(ghostCalls, c.ghostCalls);
        EXPECT_TRUE(maxParkCalls.empty());
    }
}

TEST_F(PlacementStandTest, RepeatedSecondPositionMarksTheStartAsStanding) {
    struct Case {
        const char* name;
        std::vector<bool> repeated; // of the samples in order
        std::vector<bool> expectRepeated;
        std::vector<double> expectSpeed;
    };
    const Case cases[] = {
        {"second and third repeat", {true, true, true}, {true, true, true}, {0, 0, 0}},
        {"only the second repeats", {false, true, false}, {true, true, false}, {0, 0, 4}},
        {"second moves", {true, false, true}, {false, false, true}, {4, 4, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        // Far from the park airport: nothing else touches the samples.
        trafficState.parkAirport.lat = 10.0;
        LiveAircraft& aircraft = addFlight(flightAt(0.0).taxi(3, 4.0));
        for (std::size_t i = 0; i < 3; ++i) {
            aircraft.samples[i].repeated = c.repeated[i];
        }
        place(aircraft);
        ASSERT_EQ(aircraft.samples.size(), 3U);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(aircraft.samples[i].repeated, c.expectRepeated[i]) << i;
            EXPECT_EQ(aircraft.samples[i].groundSpeed, c.expectSpeed[i]) << i;
        }
    }
}

} // namespace
} // namespace ksb::test
