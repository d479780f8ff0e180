// The shared pieces of the motion scenarios: leg tracks that pass the intake, a ready aircraft
// without admission, the scripted feed with its play ticks, the recorder and the invariant
// checker, which must catch a teleport.
#include "core/geodesy.h"
#include "traffic/traffic_state.h"

#include "support/feed_script.h"
#include "support/leg_track.h"
#include "support/live_flight_builder.h"
#include "support/ready_aircraft.h"
#include "support/teleport_motion.h"
#include "support/traffic_harness.h"
#include "support/trajectory_invariants.h"
#include "support/trajectory_recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace {

using ksb::test::FeedScript;
using ksb::test::Leg;
using ksb::test::LiveFlightBuilder;
using ksb::test::TrafficHarness;
using ksb::test::TrajectoryRecorder;

double lf_supportMetres(const LiveFlight& a, const LiveFlight& b) {
    return gf_distanceNM({a.latitude, a.longitude}, {b.latitude, b.longitude}) * kMetresPerNM;
}

TEST(LegTrackTest, LegsFollowOnTurnAtTheCornerAndClimb) {
    LiveFlightBuilder builder;
    builder.at(50.0, 8.0);
    const std::vector<LiveFlight> records = ksb::test::legTrack(
        builder, {Leg{.heading = 90.0, .knots = 12.0, .spacing = 4.0, .count = 3},
                  Leg{.heading = 0.0, .knots = 12.0, .spacing = 5.0, .count = 2},
                  Leg{.heading = 0.0,
                      .knots = 100.0,
                      .feetPerMinute = 1200.0,
                      .altitude = 0.0,
                      .airborne = true,
                      .spacing = 10.0,
                      .count = 2}});
    ASSERT_EQ(records.size(), 7u);
    // 12 kt for 4 s is 24.7 m; the corner record lies on the first leg's line, 4 s on.
    EXPECT_NEAR(lf_supportMetres(records[0], records[1]), 24.69, 0.05);
    EXPECT_NEAR(gf_initialBearing({records[2].latitude, records[2].longitude},
                                  {records[3].latitude, records[3].longitude}),
                90.0 * kRadiansPerDegree, 1e-4);
    EXPECT_NEAR(gf_initialBearing({records[3].latitude, records[3].longitude},
                                  {records[4].latitude, records[4].longitude}),
                0.0, 1e-6);
    EXPECT_DOUBLE_EQ(records[4].timeStamp - records[3].timeStamp, 5.0);
    EXPECT_DOUBLE_EQ(records[6].altitude - records[5].altitude, 200.0);
    EXPECT_TRUE(records[6].airborne);
    EXPECT_FALSE(records[0].trueHeadingValid);

    const std::vector<PositionSample> samples = ksb::test::samplesOf(records, 1000);
    EXPECT_EQ(samples[0].dueTick, 1000);
    EXPECT_EQ(samples[3].dueTick, 2300); // 5 s after the record before
    EXPECT_EQ(samples[6].dueTick, 4800);
}

TEST(LegTrackTest, AScriptTheIntakeWouldThinOutIsRefused) {
    struct Case {
        const char* name;
        std::vector<Leg> legs;
    };
    const Case cases[] = {
        {"one second apart", {Leg{.knots = 10.0, .spacing = 1.0, .count = 2}}},
        {"slow ground records within 20 m", {Leg{.knots = 5.0, .spacing = 5.0, .count = 2}}},
        {"fast airborne within 450 m",
         {Leg{.knots = 200.0, .altitude = 3000.0, .airborne = true, .spacing = 3.0, .count = 2}}},
        {"tenfold jump",
         {Leg{.knots = 6.0, .spacing = 8.0, .count = 1}, Leg{.knots = 60.0, .spacing = 8.0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveFlightBuilder builder;
        EXPECT_THROW(ksb::test::legTrack(builder, c.legs), std::invalid_argument);
    }
}

TEST(ReadyAircraftTest, StandsInTheSimulatorOnItsFirstSampleAndTakesTheScriptedFeed) {
    TrafficHarness harness;
    ksb::test::installTeleportMotion();
    LiveFlightBuilder builder;
    builder.at(50.0, 8.0);
    const std::vector<LiveFlight> records =
        ksb::test::legTrack(builder, {Leg{.heading = 90.0, .knots = 12.0, .count = 4}});
    FeedScript script({records.begin() + 1, records.end()}, 5, records.front().timeStamp);
    const std::uint32_t key = ksb::test::placeReadyAircraft(
        records.front(), {.phase = FlightPhase::taxi, .firstDueTick = script.originPlayTick()});

    const LiveAircraft placed = harness.liveAircraft(key);
    EXPECT_EQ(placed.state, LiveState::inSimulator);
    EXPECT_EQ(placed.objectId, 3u);
    EXPECT_EQ(placed.phase, FlightPhase::taxi);
    EXPECT_TRUE(placed.onGround);
    EXPECT_EQ(placed.category, AircraftCategory::large);
    EXPECT_EQ(placed.position.latitude, records.front().latitude);
    EXPECT_DOUBLE_EQ(placed.position.heading, 90.0 * kRadiansPerDegree);
    ASSERT_EQ(placed.samples.size(), 1u);
    EXPECT_EQ(placed.samples.front().dueTick, 500);

    TrajectoryRecorder recorder(harness, key);
    recorder.run(1400, &script);
    EXPECT_TRUE(script.done());
    // The teleport stands on the third record at its play tick 500 + 800.
    const auto onThird = recorder.at(1300);
    ASSERT_TRUE(onThird.has_value());
    EXPECT_EQ(onThird->latitude, records[2].latitude);
    EXPECT_EQ(onThird->longitude, records[2].longitude);
    // And it jumped 24.7 m in one tick to get there, which the checker reports.
    EXPECT_FALSE(ksb::test::trajectoryInvariantsHold(recorder));
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder, {.speedsAgree = false}));
}

} // namespace

namespace {

using ksb::test::TickEvent;
using ksb::test::TrajectoryPoint;

// A large aircraft taxiing east at 12 kt, one tick at a time, turning right at its turn rate.
std::vector<TrajectoryPoint> lf_cleanTaxi() {
    std::vector<TrajectoryPoint> points;
    for (int i = 0; i < 4; ++i) {
        TrajectoryPoint p;
        p.tick = 100 + i;
        p.latitude = 50.0;
        p.longitude = 8.0 + 0.0000009 * i; // 6 cm a tick
        p.heading = 1.5 + 0.001 * i;
        p.turnRate = 0.0012;
        p.phase = FlightPhase::taxi;
        p.state = LiveState::inSimulator;
        p.frontGroundSpeed = 12.0;
        p.onGround = true;
        p.samples = 2;
        points.push_back(p);
    }
    return points;
}

TEST(TrajectoryInvariantsTest, EachFaultIsCaught) {
    struct Case {
        const char* name;
        void (*plant)(std::vector<TrajectoryPoint>&, std::vector<TickEvent>&);
        AircraftCategory category;
        bool holds;
    };
    const Case cases[] = {
        {"a clean taxi", [](auto&, auto&) {}, AircraftCategory::large, true},
        {"not finite",
         [](auto& p, auto&) { p[2].altitude = std::numeric_limits<double>::quiet_NaN(); },
         AircraftCategory::large, false},
        {"longitude out of range", [](auto& p, auto&) { p[2].longitude = 180.0001; },
         AircraftCategory::large, false},
        {"heading of 2 pi", [](auto& p, auto&) { p[3].heading = 2.0 * std::numbers::pi; },
         AircraftCategory::large, false},
        {"a jump of 1 m", [](auto& p, auto&) { p[3].longitude += 0.000014; },
         AircraftCategory::large, false},
        {"a turn faster than the rate", [](auto& p, auto&) { p[3].heading += 0.0003; },
         AircraftCategory::large, false},
        {"in the air the heading step rules",
         [](auto& p, auto&) {
             for (auto& point : p) {
                 point.phase = FlightPhase::airborne;
                 point.headingStep = 0.0005;
             }
         },
         AircraftCategory::large, false},
        {"a pitch jump in the air",
         [](auto& p, auto&) {
             for (auto& point : p) {
                 point.onGround = false;
             }
             p[3].pitch = 0.04;
         },
         AircraftCategory::large, false},
        {"in the simulator without a sample", [](auto& p, auto&) { p[1].samples = 0; },
         AircraftCategory::large, false},
        {"gear for a rotorcraft",
         [](auto&, auto& e) {
             e.push_back(TickEvent{101, ClientEventRequest{3, 220, 1}});
         },
         AircraftCategory::rotorcraft, false},
        {"nothing recorded", [](auto& p, auto&) { p.clear(); }, AircraftCategory::large, false},
        {"gear for a large aircraft",
         [](auto&, auto& e) {
             e.push_back(TickEvent{101, ClientEventRequest{3, 220, 1}});
         },
         AircraftCategory::large, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TrajectoryPoint> points = lf_cleanTaxi();
        std::vector<TickEvent> events;
        c.plant(points, events);
        EXPECT_EQ(
            static_cast<bool>(ksb::test::trajectoryInvariantsHold(points, events, c.category, 3)),
            c.holds);
    }
}

} // namespace
