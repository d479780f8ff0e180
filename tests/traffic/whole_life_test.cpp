// One flight's whole life at the park airport through the real engine: admitted on final
// approach and created by the simulator stand-in, it lands, rolls out, taxis to a stand, parks
// and learns it, stands there, pushes back in the next half hour, taxis out and leaves the feed.
#include "core/geodesy.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "traffic/traffic_state.h"

#include "placement_test_fixture.h"
#include "support/feed_script.h"
#include "support/flat_ground.h"
#include "support/leg_track.h"
#include "support/live_flight_builder.h"
#include "support/stand_fixture.h"
#include "support/trajectory_invariants.h"
#include "support/trajectory_recorder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

constexpr std::uint32_t kLifeHexId = 0x4ca0f1;
// Stands park within the range of the standing records only with a delay this long.
constexpr int kLifeFeedDelay = 60;

class WholeLifeTest : public PlacementTest {
protected:
    WholeLifeTest() : row_(gf_defaultStandRow()) {
        gf_loadStandRow(row_);
        recordStandRules();
    }

    // The metres north and east of the stand (0-based) as a position.
    Position nearRowStand(std::size_t index, double northMetres, double eastMetres) const {
        const Position stand = gf_standRowPoint(row_, index);
        const Position north =
            gf_destinationPoint(stand, 0.0, northMetres * kNMPerMetre * kFeetPerNM);
        return gf_destinationPoint(north, 90.0 * kRadiansPerDegree,
                                   eastMetres * kNMPerMetre * kFeetPerNM);
    }

    // Moves every record by the same offset so that the one at index lies at the position.
    static void shiftTo(std::vector<LiveFlight>& records, std::size_t index, const Position& to) {
        const double dLat = to.latitude - records[index].latitude;
        const double dLon = to.longitude - records[index].longitude;
        for (LiveFlight& r : records) {
            r.latitude += dLat;
            r.longitude += dLon;
        }
    }

    // The link's control calls of the flight in order, consecutive repeats folded into one.
    std::vector<std::string> controlCalls(const std::string& callsign, std::uint32_t object) {
        static const std::vector<std::string> kAsked{"frameRate",
                                                     "requestErrorSet",
                                                     "trySwapPositionLists",
                                                     "swapPositionLists",
                                                     "requestUserPosition",
                                                     "requestAircraftInRange",
                                                     "queueCreateAiAircraft",
                                                     "setFlightPlan"};
        std::vector<std::string> out;
        for (const LinkCall& call : harness.link().calls()) {
            if (std::find(kAsked.begin(), kAsked.end(), call.name) != kAsked.end()) {
                continue;
            }
            const std::string text = call.text();
            if (text.find(callsign) == std::string::npos &&
                text.find(fmt::format("({}", object)) == std::string::npos) {
                continue;
            }
            if (out.empty() || out.back() != text) {
                out.push_back(text);
            }
        }
        return out;
    }

    StandRowSpec row_;
};

TEST_F(WholeLifeTest, LandsParksLearnsPushesBackAndLeaves) {
    LOG.setRaw(true);
    const double elevation = row_.elevationFeet;
    FlatGround ground(harness, elevation);
    harness.autoSim(5, elevation);

    // Final approach along 090, roll-out, a turn off to 045 and on to a stop 12 m short of A2;
    // the whole track then moved so that the stop lies there. The feed runs a minute ahead, so
    // the taxi records reach the queue during the landing roll: none of them may lie 90 degrees
    // or more off the runway, or the roll's reversal test drops them.
    LiveFlightBuilder builder(kLifeHexId);
    builder.at(51.0, -1.0).route("EDDF", "EGLL");
    std::vector<Leg> arrival{Leg{.heading = 90.0,
                                 .knots = 140.0,
                                 .feetPerMinute = -700.0,
                                 .altitude = elevation + 1500.0,
                                 .airborne = true,
                                 .spacing = 8.0,
                                 .count = 16}};
    for (const double knots : {130.0, 110.0, 90.0, 70.0, 50.0, 30.0, 20.0}) {
        arrival.push_back(Leg{.heading = 90.0, .knots = knots, .altitude = 0.0, .spacing = 4.0});
    }
    arrival.push_back(Leg{.heading = 45.0, .knots = 12.0, .spacing = 4.0, .count = 10});
    arrival.push_back(Leg{.heading = 45.0, .knots = 0.0, .spacing = 16.0, .count = 3});
    std::vector<LiveFlight> records = legTrack(builder, arrival);
    const std::size_t firstStanding = records.size() - 3;
    shiftTo(records, firstStanding, nearRowStand(1, -8.5, -8.5));
    const std::uint32_t key = records.front().flightId;

    FeedScript arrivalScript(records, kLifeFeedDelay);
    arrivalScript.feedDue(harness);
    TrajectoryRecorder recorder(harness, key);
    ASSERT_TRUE(recorder.runUntil(
        8000, [](const TrajectoryPoint& p) { return p.state == LiveState::inSimulator; },
        &arrivalScript));
    const LiveAircraft bound = harness.liveAircraft(key);
    const std::string cs = bound.callsign;
    const std::uint32_t object = bound.objectId;
    ground.staticCg(object, 10.0, 0.0122);

    // Down, rolled out, taxied in and arrived at A2.
    ASSERT_TRUE(recorder.runUntil(
        40000, [](const TrajectoryPoint& p) { return p.phase == FlightPhase::parked; },
        &arrivalScript));
    recorder.run(500, &arrivalScript);
    ASSERT_TRUE(arrivalScript.done());
    {
        const LiveAircraft parked = harness.liveAircraft(key);
        EXPECT_EQ(parked.phase, FlightPhase::parked);
        EXPECT_EQ(parked.standId, 2u);
        EXPECT_EQ(parked.parkedAt, kPlacementNow);
        EXPECT_LE(gf_distanceNM({parked.position.latitude, parked.position.longitude},
                                {stands()[1].latitude, stands()[1].longitude}),
                  2.0 * kNMPerMetre);
        std::lock_guard traffic(trafficState.trafficMutex);
        ASSERT_EQ(stands()[1].observations.size(), 1u);
        EXPECT_EQ(stands()[1].observations.front().callsign, cs);
    }
    EXPECT_TRUE(harness.log().contains(fmt::format("{:8} landed from EDDF", cs)));
    EXPECT_TRUE(harness.log().contains(fmt::format("A2      : {:8} arrived at stand", cs)));

    // It stands ten minutes on its week-ahead sample; in the next half hour the feed shows it
    // pushed back, then taxiing east, then nothing more.
    recorder.run(60000);
    EXPECT_EQ(harness.liveAircraft(key).phase, FlightPhase::parked);
    harness.setDayHalfHour(gf_packDayHalfHour(3, 21));
    const Position stand = nearRowStand(1, 0.0, 0.0);
    LiveFlightBuilder leaving(kLifeHexId);
    leaving.at(stand.latitude, stand.longitude)
        .route("EDDF", "EGLL") // a new route would change the livery: a re-creation
        .stamps(records.back().timeStamp + 640.0, 8.0);
    const std::vector<LiveFlight> departure =
        legTrack(leaving, {Leg{.heading = 180.0, .knots = 6.0, .spacing = 8.0, .count = 8},
                           Leg{.heading = 90.0, .knots = 15.0, .spacing = 5.0, .count = 8}});
    FeedScript departureScript(departure, kLifeFeedDelay);
    ASSERT_TRUE(recorder.runUntil(
        40000, [](const TrajectoryPoint& p) { return p.phase == FlightPhase::taxi; },
        &departureScript));
    ASSERT_TRUE(recorder.runUntil(
        60000, [](const TrajectoryPoint& p) { return p.state != LiveState::inSimulator; },
        &departureScript));
    recorder.run(50, &departureScript);

    // Its departure in the next half hour was learned on the stand too.
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        ASSERT_EQ(stands()[1].observations.size(), 1u);
        EXPECT_TRUE(stands()[1].observations.front().halfHours.test(20));
        EXPECT_TRUE(stands()[1].observations.front().halfHours.test(21));
    }

    // Released once, with one removal, and gone once the simulator confirmed it.
    EXPECT_FALSE(harness.findLive(key).has_value());
    const std::vector<SimObject> objects = harness.simObjects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects.front().removals, 1);

    // The phases it went through, each once and in order.
    std::vector<FlightPhase> phases;
    for (const TrajectoryPoint& p : recorder.points()) {
        if (p.state == LiveState::inSimulator && (phases.empty() || phases.back() != p.phase)) {
            phases.push_back(p.phase);
        }
    }
    EXPECT_EQ(phases, (std::vector<FlightPhase>{FlightPhase::airborne, FlightPhase::taxi,
                                                FlightPhase::movingToAdjacentStand,
                                                FlightPhase::parked, FlightPhase::pushBackUnderWay,
                                                FlightPhase::pushBackOrTow, FlightPhase::taxi}));

    // What the simulator was told, from its start-up to its removal.
    const std::vector<std::string> approachSteps{"setGear(BAW123, true)",
                                                 "queueCabinLights(100, 0)"};
    const std::vector<std::string> slowRollStep{"setSpoilers(BAW123, false)",
                                                "setSpoilersAndThrottles(100, 0, 0, 0)",
                                                "setFlaps(BAW123, 1)"};
    std::vector<std::string> expected{
        // created: the start-up sequence
        "requestStaticCg(100)", "allLightsToggle(100)", "queueEnginesOn(100)",
        // below 10000 ft, descending
        "setSpoilers(BAW123, false)", "queueSetLights(100, 1 1 1 0 1 1 0)",
        "queueSetLights(100, 1 1 1 1 1 1 1)", "queueCabinLights(100, 0)",
        // the approach begins
        "setThrottle(BAW123, 1)", "setFlaps(BAW123, 3)"};
    expected.insert(expected.end(), approachSteps.begin(), approachSteps.end());
    expected.insert(expected.end(), approachSteps.begin(), approachSteps.end());
    // the flare's stage 3, then the touch-down
    expected.insert(expected.end(),
                    {"setThrottle(BAW123, 0)", "queueCabinLights(100, 0)",
                     "setSpoilers(BAW123, true)", "setSpoilersAndThrottles(100, 100, 100, 100)"});
    // the landing roll at 90 kt or less, one step per sample
    for (int step = 0; step < 8; ++step) {
        expected.insert(expected.end(), slowRollStep.begin(), slowRollStep.end());
    }
    expected.insert(expected.end(),
                    {// the turn-off
                     "setFlaps(BAW123, 0)", "setThrottle(BAW123, 0)", "setSpoilers(BAW123, false)",
                     "setSpoilersAndThrottles(100, 0, 0, 0)", "queueSetLights(100, 1 1 0 1 0 1 1)",
                     // taxi in; the arrival
                     "setThrottle(BAW123, 0)", "shutdownAiAircraft(BAW123)",
                     // the push back, its end, the taxi out
                     "queueSetLights(100, 1 1 0 1 0 1 0)", "setThrottle(BAW123, 0)",
                     "queueEnginesOn(100)", "setThrottle(BAW123, 0)", "setFlaps(BAW123, 1)",
                     "setThrottle(BAW123, 0)",
                     // the feed has ended and no synthetic sample is left
                     "releaseAiAircraft(BAW123)", "queueRemoveAiAircraft(100)"});
    EXPECT_EQ(controlCalls(cs, object), expected);

    // Every step from the creation request on; admission's placing it from nowhere is no move.
    std::vector<TrajectoryPoint> placed;
    for (const TrajectoryPoint& p : recorder.points()) {
        if (p.state != LiveState::newFlight || !placed.empty()) {
            placed.push_back(p);
        }
    }
    EXPECT_TRUE(trajectoryInvariantsHold(placed, recorder.events(), recorder.category(), object));
}

} // namespace
} // namespace ksb::test
