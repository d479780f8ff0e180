// Airborne trajectories through the engine: scripted feed tracks through the intake, tick by
// tick, over flat ground at the park airport's elevation.
#include "core/geodesy.h"
#include "core/parameters.h"
#include "traffic/traffic_state.h"

#include "support/feed_script.h"
#include "support/flat_ground.h"
#include "support/leg_track.h"
#include "support/live_flight_builder.h"
#include "support/ready_aircraft.h"
#include "support/traffic_harness.h"
#include "support/trajectory_invariants.h"
#include "support/trajectory_recorder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using ksb::test::FeedScript;
using ksb::test::FlatGround;
using ksb::test::Leg;
using ksb::test::LinkCall;
using ksb::test::LiveFlightBuilder;
using ksb::test::TrafficHarness;
using ksb::test::TrajectoryPoint;
using ksb::test::TrajectoryRecorder;

constexpr double kFieldElevation = 364.0;
constexpr double kFieldLatitude = 50.0;
constexpr double kFieldLongitude = 8.5;
constexpr int kPlayDelay = 5;
constexpr int kPollDelay = 30;

class AirborneTrajectoryTest : public ::testing::Test {
protected:
    AirborneTrajectoryTest() {
        harness_.loadParkAirport("EDDF", kFieldElevation);
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.parkAirport.code = "EDDF";
        trafficState.parkAirport.lat = kFieldLatitude;
        trafficState.parkAirport.lon = kFieldLongitude;
    }

    // The link calls of one member with their ticks.
    std::vector<LinkCall> callsOf(const std::string& name) {
        std::vector<LinkCall> out;
        for (const LinkCall& call : harness_.link().calls()) {
            if (call.name == name) {
                out.push_back(call);
            }
        }
        return out;
    }
    // The "name(arguments)" texts of the calls made in [from, to).
    std::vector<std::string> callTexts(const std::string& name, std::int32_t from,
                                       std::int32_t to) {
        std::vector<std::string> out;
        for (const LinkCall& call : callsOf(name)) {
            if (call.tick >= from && call.tick < to) {
                out.push_back(call.text());
            }
        }
        return out;
    }
    // The first tick at which the recorded phase is the one given; -1 when never.
    static std::int32_t firstTickOf(const TrajectoryRecorder& recorder, FlightPhase phase) {
        for (const TrajectoryPoint& p : recorder.points()) {
            if (p.phase == phase) {
                return p.tick;
            }
        }
        return -1;
    }

    TrafficHarness harness_;
};

// A large aircraft rolls from the runway end to 160 kt and climbs away at 2000 ft/min.
TEST_F(AirborneTrajectoryTest, TakeOff) {
    FlatGround ground(harness_, kFieldElevation);
    LiveFlightBuilder builder;
    builder.at(kFieldLatitude, kFieldLongitude);
    std::vector<Leg> legs{Leg{.heading = 90.0, .knots = 8.0, .spacing = 6.0}};
    for (const double knots :
         {12.0, 20.0, 30.0, 45.0, 60.0, 80.0, 100.0, 120.0, 140.0, 150.0, 160.0}) {
        legs.push_back(Leg{.heading = 90.0, .knots = knots, .spacing = 4.0});
    }
    legs.push_back(Leg{.heading = 90.0,
                       .knots = 170.0,
                       .feetPerMinute = 2000.0,
                       .altitude = kFieldElevation + 60.0,
                       .airborne = true,
                       .spacing = 8.0,
                       .count = 14});
    const std::vector<LiveFlight> records = ksb::test::legTrack(builder, legs);
    // Polled with the feed's 30-s delay, the queue holds every record of the roll's last
    // seconds, so the gate sees the ground samples ahead.
    FeedScript script({records.begin() + 1, records.end()}, kPollDelay, records.front().timeStamp);
    const std::uint32_t key = ksb::test::placeReadyAircraft(
        records.front(), {.phase = FlightPhase::taxi, .firstDueTick = script.originPlayTick()});
    ground.staticCg(3, 10.0, 0.0122);
    const LiveAircraft placed = harness_.liveAircraft(key);
    const std::string cs = placed.callsign;

    TrajectoryRecorder recorder(harness_, key);
    std::int32_t liftOffTick = -1;
    ASSERT_TRUE(recorder.runUntil(
        20000,
        [&](const TrajectoryPoint& p) {
            if (p.phase == FlightPhase::rotationAndInitialClimb && liftOffTick < 0) {
                liftOffTick = p.tick;
                // Lift-off only once every sample ahead is airborne.
                const LiveAircraft a = harness_.liveAircraft(key);
                for (const PositionSample& s : a.samples) {
                    EXPECT_TRUE(s.airborne);
                }
            }
            return p.phase == FlightPhase::airborne;
        },
        &script));
    const std::int32_t phaseFourTick = recorder.points().back().tick;

    ASSERT_GT(liftOffTick, 0);

    // The intake started the roll: spoilers in, flaps 1, the take-off lights.
    const std::vector<LinkCall> lights = callsOf("queueSetLights");
    ASSERT_FALSE(lights.empty());
    EXPECT_EQ(lights.front().text(), "queueSetLights(3, 1 1 1 1 1 1 0)");
    EXPECT_LT(lights.front().tick, liftOffTick);
    EXPECT_EQ(callTexts("setSpoilers", 0, liftOffTick),
              std::vector<std::string>{fmt::format("setSpoilers({}, false)", cs)});
    // The throttle climbs the ladder and is full before the lift-off.
    std::vector<std::string> throttle = callTexts("setThrottle", lights.front().tick, liftOffTick);
    ASSERT_FALSE(throttle.empty());
    EXPECT_EQ(throttle.back(), fmt::format("setThrottle({}, 4)", cs));
    std::uint32_t last = 0;
    for (const std::string& text : throttle) {
        const std::uint32_t state = static_cast<std::uint32_t>(text[text.size() - 2] - '0');
        EXPECT_GE(state, last) << text;
        last = state;
    }
    EXPECT_TRUE(harness_.log().contains(fmt::format("{:8} took-off", cs)));

    // The rotation reaches its pitch in its ticks; the gear goes up once; phase 4 at 800 ft
    // with the climb pitch and throttle 3.
    const LiveAircraft climbing = harness_.liveAircraft(key);
    const auto rotated = recorder.at(liftOffTick + climbing.rotationTicks);
    ASSERT_TRUE(rotated.has_value());
    EXPECT_LE(rotated->pitch, climbing.rotationPitch + 1e-9);
    // The rotation's schedule puts the gear up 300 ticks after the rotation.
    const std::int32_t gearUpTick = liftOffTick + climbing.rotationTicks + 299;
    EXPECT_EQ(callTexts("setGear", gearUpTick, gearUpTick + 1),
              std::vector<std::string>{fmt::format("setGear({}, false)", cs)});
    EXPECT_EQ(callTexts("setThrottle", phaseFourTick, phaseFourTick + 1),
              std::vector<std::string>{fmt::format("setThrottle({}, 3)", cs)});
    EXPECT_EQ(recorder.points().back().pitch, climbing.climbPitch);
    EXPECT_GE(climbing.agl, 800.0);
    // Altitude only rises from the lift-off on.
    double altitude = 0.0;
    for (const TrajectoryPoint& p : recorder.points()) {
        if (p.tick >= liftOffTick) {
            EXPECT_GE(p.altitude, altitude - 1e-9) << p.tick;
            altitude = p.altitude;
        }
    }
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// A large aircraft on final approach descends at 700 ft/min from 5 nm out, flares, touches down
// on the simulator's report, rolls out slowing from 130 to 20 kt and turns off the runway.
TEST_F(AirborneTrajectoryTest, ApproachFlareTouchDownRollOutAndTurnOff) {
    FlatGround ground(harness_, kFieldElevation);
    LiveFlightBuilder builder;
    // 16 records 8 s apart at 140 kt cover 4.4 nm: start that far west of the field.
    const double startLongitude =
        kFieldLongitude - 4.6 / 60.0 / std::cos(kFieldLatitude * kRadiansPerDegree);
    builder.at(kFieldLatitude, startLongitude).route("EGLL", "EDDF");
    std::vector<Leg> legs{Leg{.heading = 90.0,
                              .knots = 140.0,
                              .feetPerMinute = -700.0,
                              .altitude = kFieldElevation + 1500.0,
                              .airborne = true,
                              .spacing = 8.0,
                              .count = 16}};
    for (const double knots : {130.0, 110.0, 90.0, 70.0, 50.0, 30.0, 20.0}) {
        legs.push_back(Leg{.heading = 90.0, .knots = knots, .altitude = 0.0, .spacing = 4.0});
    }
    legs.push_back(Leg{.heading = 0.0, .knots = 15.0, .spacing = 5.0, .count = 4});
    const std::vector<LiveFlight> records = ksb::test::legTrack(builder, legs);
    FeedScript script({records.begin() + 1, records.end()}, kPlayDelay, records.front().timeStamp);
    const std::uint32_t key =
        ksb::test::placeReadyAircraft(records.front(), {.phase = FlightPhase::airborne,
                                                        .onGround = false,
                                                        .firstDueTick = script.originPlayTick()});
    ground.staticCg(3, 10.0, 0.0122);
    const std::string cs = harness_.liveAircraft(key).callsign;

    TrajectoryRecorder recorder(harness_, key);
    std::int32_t touchDownTick = -1;
    ASSERT_TRUE(recorder.runUntil(
        30000,
        [&](const TrajectoryPoint& p) {
            if (p.onGround && touchDownTick < 0) {
                touchDownTick = p.tick;
            }
            return touchDownTick >= 0 && !harness_.liveAircraft(key).landingRoll;
        },
        &script));
    const std::int32_t turnOffTick = recorder.points().back().tick;

    // The approach began once: throttle 1, flaps 3, gear down, the identity check.
    const std::vector<LinkCall> flaps = callsOf("setFlaps");
    ASSERT_FALSE(flaps.empty());
    EXPECT_EQ(flaps.front().text(), fmt::format("setFlaps({}, 3)", cs));
    const std::int32_t approachTick = flaps.front().tick;
    EXPECT_EQ(callTexts("setThrottle", approachTick, approachTick + 1),
              std::vector<std::string>{fmt::format("setThrottle({}, 1)", cs)});
    // The flare's throttle 0, then the touch-down on the report.
    EXPECT_EQ(callTexts("setThrottle", approachTick + 1, touchDownTick),
              std::vector<std::string>{fmt::format("setThrottle({}, 0)", cs)});
    EXPECT_TRUE(harness_.log().contains(fmt::format("{:8} landed from EGLL", cs)));
    EXPECT_EQ(callTexts("setSpoilersAndThrottles", touchDownTick - 1, touchDownTick + 1),
              std::vector<std::string>{"setSpoilersAndThrottles(3, 100, 100, 100)"});
    EXPECT_EQ(callTexts("setSpoilers", touchDownTick - 1, touchDownTick + 1),
              std::vector<std::string>{fmt::format("setSpoilers({}, true)", cs)});
    // The de-rotation ends at the ground pitch with the wings level.
    const LiveAircraft done = harness_.liveAircraft(key);
    const auto derotated = recorder.at(touchDownTick + done.derotationTicks + 1);
    ASSERT_TRUE(derotated.has_value());
    EXPECT_EQ(derotated->pitch, done.groundPitch);
    EXPECT_EQ(derotated->bank, 0.0);
    // Rolling out: taxi at the first ground step, definition 401 back to 0 at 90 kt or less,
    // then the turn-off's configuration and lights once.
    const std::int32_t taxiTick = firstTickOf(recorder, FlightPhase::taxi);
    EXPECT_GT(taxiTick, touchDownTick);
    EXPECT_FALSE(callTexts("setSpoilersAndThrottles", taxiTick, turnOffTick + 1).empty());
    for (const std::string& text :
         callTexts("setSpoilersAndThrottles", taxiTick, turnOffTick + 1)) {
        EXPECT_EQ(text, "setSpoilersAndThrottles(3, 0, 0, 0)");
    }
    EXPECT_EQ(callTexts("queueSetLights", taxiTick, turnOffTick + 1),
              std::vector<std::string>{"queueSetLights(3, 1 1 0 1 0 1 1)"});
    EXPECT_EQ(harness_.link().callsOf("countRequestError").size(), 0u);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// Longitude of a point nm east of the field (west when negative).
double lf_eastOfField(double nm) {
    return kFieldLongitude + nm / 60.0 / std::cos(kFieldLatitude * kRadiansPerDegree);
}

TEST_F(AirborneTrajectoryTest, GoAround) {
    struct Case {
        const char* name;
        double startEastNM;
        double heading;
        std::vector<Leg> legs;
        bool approach;
        bool goAround;
    };
    const Leg descending{.knots = 140.0,
                         .feetPerMinute = -700.0,
                         .altitude = kFieldElevation + 1500.0,
                         .airborne = true,
                         .spacing = 8.0};
    auto leg = [](Leg base, double heading, int count) {
        base.heading = heading;
        base.count = count;
        return base;
    };
    Leg climbing = descending;
    climbing.feetPerMinute = 1500.0;
    climbing.altitude = std::nullopt;
    Leg level = descending;
    level.feetPerMinute = 0.0;
    level.altitude = std::nullopt;
    Leg shallow = descending;
    shallow.feetPerMinute = -300.0;
    const Case cases[] = {
        {"climbing above 600 ft/min on approach",
         -4.6,
         90.0,
         {leg(descending, 90.0, 5), leg(climbing, 90.0, 4)},
         true,
         true},
        {"level on approach beyond 10 nm",
         9.6,
         90.0,
         {leg(descending, 90.0, 2), leg(level, 90.0, 5)},
         true,
         true},
        {"-300 ft/min at 20 nm", -20.0, 90.0, {leg(shallow, 90.0, 6)}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness_.link().clearCalls();
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.live.clear();
        }
        FlatGround ground(harness_, kFieldElevation);
        LiveFlightBuilder builder;
        builder.at(kFieldLatitude, lf_eastOfField(c.startEastNM));
        const std::vector<LiveFlight> records = ksb::test::legTrack(builder, c.legs);
        FeedScript script({records.begin() + 1, records.end()}, kPollDelay,
                          records.front().timeStamp);
        const std::uint32_t key = ksb::test::placeReadyAircraft(
            records.front(), {.phase = FlightPhase::airborne,
                              .onGround = false,
                              .firstDueTick = script.originPlayTick()});
        const std::string cs = harness_.liveAircraft(key).callsign;
        TrajectoryRecorder recorder(harness_, key);
        recorder.run(static_cast<int>(records.size()) * 800 + 3000, &script);
        ASSERT_TRUE(script.done());

        std::vector<std::string> expectedFlaps;
        std::vector<std::string> expectedGear;
        std::vector<std::string> expectedThrottle;
        if (c.approach) {
            expectedFlaps.push_back(fmt::format("setFlaps({}, 3)", cs));
            expectedGear.push_back(fmt::format("setGear({}, true)", cs));
            expectedThrottle.push_back(fmt::format("setThrottle({}, 1)", cs));
        }
        if (c.goAround) {
            expectedFlaps.push_back(fmt::format("setFlaps({}, 0)", cs));
            expectedGear.push_back(fmt::format("setGear({}, false)", cs));
            expectedThrottle.push_back(fmt::format("setThrottle({}, 4)", cs));
        }
        EXPECT_EQ(harness_.link().callsOf("setFlaps"), expectedFlaps);
        EXPECT_EQ(harness_.link().callsOf("setGear"), expectedGear);
        // Up to the end of the samples: the synthetic ones afterwards may change it.
        EXPECT_EQ(harness_.link().callsOf("setThrottle"), expectedThrottle);
        const std::optional<LiveAircraft> after = harness_.findLive(key);
        if (after) {
            EXPECT_EQ(after->goneAround, c.goAround);
            EXPECT_EQ(after->descending, c.approach && !c.goAround);
            EXPECT_EQ(after->flareStage, 0);
        }
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
    }
}

// Up through 10000 ft and back down: the cruise lights once going up, all seven once coming
// down; cabin lights and gear again at every step below and above.
TEST_F(AirborneTrajectoryTest, ClimbAndDescentThroughTenThousandFeet) {
    LiveFlightBuilder builder;
    builder.at(51.0, 8.5);
    const Leg up{.heading = 90.0,
                 .knots = 250.0,
                 .feetPerMinute = 2000.0,
                 .altitude = 9000.0,
                 .airborne = true,
                 .spacing = 8.0,
                 .count = 7};
    Leg level = up;
    level.feetPerMinute = 0.0;
    level.altitude = std::nullopt;
    level.count = 3;
    Leg down = level;
    down.feetPerMinute = -2000.0;
    down.count = 7;
    const std::vector<LiveFlight> records = ksb::test::legTrack(builder, {up, level, down});
    FeedScript script({records.begin() + 1, records.end()}, kPollDelay, records.front().timeStamp);
    const std::uint32_t key =
        ksb::test::placeReadyAircraft(records.front(), {.phase = FlightPhase::airborne,
                                                        .onGround = false,
                                                        .firstDueTick = script.originPlayTick()});
    const std::string cs = harness_.liveAircraft(key).callsign;
    TrajectoryRecorder recorder(harness_, key);
    recorder.run(static_cast<int>(records.size()) * 800 + 3000, &script);

    const std::vector<LinkCall> lights = callsOf("queueSetLights");
    ASSERT_EQ(lights.size(), 3u);
    EXPECT_EQ(lights[0].text(), "queueSetLights(3, 1 1 1 1 1 1 1)");
    EXPECT_EQ(lights[1].text(), "queueSetLights(3, 1 1 0 0 0 0 1)");
    EXPECT_EQ(lights[2].text(), "queueSetLights(3, 1 1 1 1 1 1 1)");
    const std::int32_t cruise = lights[1].tick;
    EXPECT_EQ(callTexts("setThrottle", cruise, cruise + 1),
              std::vector<std::string>{fmt::format("setThrottle({}, 3)", cs)});
    EXPECT_EQ(callTexts("setGear", cruise, cruise + 1),
              std::vector<std::string>{fmt::format("setGear({}, false)", cs)});
    EXPECT_EQ(callTexts("setFlaps", cruise, cruise + 1),
              std::vector<std::string>{fmt::format("setFlaps({}, 0)", cs)});
    // Below 10000 ft every sample step sends the cabin lights and, this high up, the gear.
    EXPECT_GE(callTexts("queueCabinLights", 0, cruise).size(), 3u);
    EXPECT_GE(callTexts("setGear", 0, cruise).size(), 3u);
    EXPECT_GE(
        callTexts("queueCabinLights", lights[2].tick, recorder.points().back().tick + 1).size(),
        3u);
    EXPECT_TRUE(callTexts("queueCabinLights", cruise, lights[2].tick).empty());
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// The feed falls silent in the air: 8 samples 8 s apart while the user is near or unknown,
// then the release; none far from the user.
TEST_F(AirborneTrajectoryTest, FeedEndsInTheAir) {
    struct Case {
        const char* name;
        double userLatitude;
        double userLongitude;
        int synthetic;
    };
    const Case cases[] = {
        {"user near", 51.0, 8.6, 8},
        {"user beyond the lateral range", 53.0, 8.6, 0},
        {"user position unknown", 0.0, 0.0, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness_.link().clearCalls();
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.live.clear();
        }
        UserAircraftState user;
        user.latitude = c.userLatitude;
        user.longitude = c.userLongitude;
        harness_.link().setUserState(user);
        LiveFlightBuilder builder;
        builder.at(51.0, 8.5);
        const std::vector<LiveFlight> records =
            ksb::test::legTrack(builder, {Leg{.heading = 90.0,
                                              .knots = 200.0,
                                              .altitude = 5000.0,
                                              .airborne = true,
                                              .spacing = 8.0,
                                              .count = 4}});
        FeedScript script({records.begin() + 1, records.end()}, kPollDelay,
                          records.front().timeStamp);
        const std::uint32_t key = ksb::test::placeReadyAircraft(
            records.front(), {.phase = FlightPhase::airborne,
                              .onGround = false,
                              .firstDueTick = script.originPlayTick()});
        TrajectoryRecorder recorder(harness_, key);
        const std::int32_t lastDue = script.playTickOf(records.back());
        ASSERT_TRUE(recorder.runUntil(
            20000, [](const TrajectoryPoint& p) { return p.state == LiveState::beingRemoved; },
            &script));
        const std::int32_t released = recorder.points().back().tick;
        // Each synthetic sample lasts 8 s; the re-timing moves the last real one a little.
        EXPECT_NEAR(released, lastDue + c.synthetic * 800, 400);
        EXPECT_EQ(harness_.link().callsOf("releaseAiAircraft").size(), 1u);
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
    }
}

// 30-degree turns between two legs: the heading turns the way of the turn and arrives at the new
// leg's course; the bank leans into it (against the heading change's sign) within the limits.
TEST_F(AirborneTrajectoryTest, Turns) {
    struct Case {
        const char* name;
        double turn;     // degrees, positive to the right
        bool fromSample; // heading and bank in the samples
        double height;   // feet above the field
    };
    const Case cases[] = {
        {"right, high, course from the track", 30.0, false, 4000.0},
        {"left, high, course from the track", -30.0, false, 4000.0},
        {"right, low, heading and bank from the samples", 30.0, true, 700.0},
        {"left, low, heading and bank from the samples", -30.0, true, 700.0},
        {"left, high, bank from the samples", -30.0, true, 4000.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness_.link().clearCalls();
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.live.clear();
        }
        FlatGround ground(harness_, kFieldElevation);
        LiveFlightBuilder builder;
        builder.at(50.3, 8.5);
        const double sign = c.turn > 0.0 ? 1.0 : -1.0;
        const Leg first{.heading = 90.0,
                        .knots = 160.0,
                        .altitude = kFieldElevation + c.height,
                        .airborne = true,
                        .spacing = 8.0,
                        .count = 5,
                        .trueHeading = c.fromSample,
                        .bank = c.fromSample ? std::optional<double>(0.0) : std::nullopt};
        Leg second = first;
        second.heading = 90.0 + c.turn;
        second.altitude = std::nullopt;
        second.count = 6;
        if (c.fromSample) {
            second.bank = -sign * 0.2;
        }
        const std::vector<LiveFlight> records = ksb::test::legTrack(builder, {first, second});
        FeedScript script({records.begin() + 1, records.end()}, kPollDelay,
                          records.front().timeStamp);
        const std::uint32_t key = ksb::test::placeReadyAircraft(
            records.front(), {.phase = FlightPhase::airborne,
                              .onGround = false,
                              .firstDueTick = script.originPlayTick()});
        TrajectoryRecorder recorder(harness_, key);
        recorder.run(3000 + 9 * 800, &script);

        const TrajectoryPoint* steepest = nullptr;
        const TrajectoryPoint* fastest = nullptr;
        for (const TrajectoryPoint& p : recorder.points()) {
            if (steepest == nullptr || std::fabs(p.bank) > std::fabs(steepest->bank)) {
                steepest = &p;
            }
            if (fastest == nullptr || std::fabs(p.headingStep) > std::fabs(fastest->headingStep)) {
                fastest = &p;
            }
            EXPECT_LE(std::fabs(p.bank), 30.0 * kRadiansPerDegree + 1e-9) << p.tick;
        }
        ASSERT_NE(steepest, nullptr);
        EXPECT_GT(fastest->headingStep * sign, 0.0);
        EXPECT_LT(steepest->bank * sign, 0.0);
        const double arrived = gf_angleDifference(recorder.points().back().heading,
                                                  (90.0 + c.turn) * kRadiansPerDegree);
        EXPECT_LT(std::fabs(arrived), 2.0 * kRadiansPerDegree);
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
    }
}

// A rotorcraft hovers on repeated airborne samples, which it keeps and waits on; a fixed-wing
// aircraft on the same feed skips them. The rotorcraft keeps full throttle and never gets
// spoiler, flaps or gear events (the invariant checker's rule).
TEST_F(AirborneTrajectoryTest, RotorcraftHoversWhereFixedWingSkips) {
    HELICOPTERS.setRaw(true);
    struct Case {
        const char* name;
        const char* type;
        const char* registration;
        bool hovers;
    };
    const Case cases[] = {
        {"rotorcraft", "EC35", "D-HXXX", true},
        {"fixed wing", "A320", "G-EUUA", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness_.link().clearCalls();
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.live.clear();
        }
        FlatGround ground(harness_, kFieldElevation);
        LiveFlightBuilder builder;
        builder.type(c.type).registration(c.registration).at(50.3, 8.5);
        const Leg cruise{.heading = 90.0,
                         .knots = 70.0,
                         .altitude = kFieldElevation + 1500.0,
                         .airborne = true,
                         .spacing = 8.0,
                         .count = 3};
        Leg hover = cruise;
        hover.knots = 0.0;
        hover.altitude = std::nullopt;
        hover.count = 4;
        Leg away = cruise;
        away.altitude = std::nullopt;
        const std::vector<LiveFlight> records = ksb::test::legTrack(builder, {cruise, hover, away});
        FeedScript script({records.begin() + 1, records.end()}, kPollDelay,
                          records.front().timeStamp);
        const std::uint32_t key = ksb::test::placeReadyAircraft(
            records.front(), {.phase = FlightPhase::airborne,
                              .onGround = false,
                              .firstDueTick = script.originPlayTick()});
        const std::string cs = harness_.liveAircraft(key).callsign;
        TrajectoryRecorder recorder(harness_, key);
        recorder.run(3000 + 10 * 800, &script);

        // The longest stretch of ticks without a move, once it flies the script.
        int still = 0;
        int longest = 0;
        for (std::size_t i = 1; i < recorder.points().size(); ++i) {
            const TrajectoryPoint& a = recorder.points()[i - 1];
            const TrajectoryPoint& b = recorder.points()[i];
            if (a.tick < script.originPlayTick() || b.state != LiveState::inSimulator) {
                continue;
            }
            still = (a.latitude == b.latitude && a.longitude == b.longitude) ? still + 1 : 0;
            longest = std::max(longest, still);
        }
        if (c.hovers) {
            EXPECT_GE(longest, 1500); // the hover's 24 s, less the re-timing's shortening
            for (const std::string& text : harness_.link().callsOf("setThrottle")) {
                EXPECT_EQ(text, fmt::format("setThrottle({}, 4)", cs));
            }
        } else {
            EXPECT_LT(longest, 100);
        }
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
    }
}

// In the landing roll the feed speeds up and climbs again: the lift-off ends the landing.
TEST_F(AirborneTrajectoryTest, TouchAndGo) {
    FlatGround ground(harness_, kFieldElevation);
    LiveFlightBuilder builder;
    builder.at(kFieldLatitude, lf_eastOfField(-3.0)).route("EGLL", "EDDF");
    std::vector<Leg> legs{Leg{.heading = 90.0,
                              .knots = 140.0,
                              .feetPerMinute = -700.0,
                              .altitude = kFieldElevation + 1000.0,
                              .airborne = true,
                              .spacing = 8.0,
                              .count = 11}};
    for (const double knots : {130.0, 120.0, 125.0, 135.0, 145.0}) {
        legs.push_back(Leg{.heading = 90.0, .knots = knots, .altitude = 0.0, .spacing = 4.0});
    }
    legs.push_back(Leg{.heading = 90.0,
                       .knots = 160.0,
                       .feetPerMinute = 1500.0,
                       .altitude = kFieldElevation + 50.0,
                       .airborne = true,
                       .spacing = 8.0,
                       .count = 6});
    const std::vector<LiveFlight> records = ksb::test::legTrack(builder, legs);
    FeedScript script({records.begin() + 1, records.end()}, kPlayDelay, records.front().timeStamp);
    const std::uint32_t key =
        ksb::test::placeReadyAircraft(records.front(), {.phase = FlightPhase::airborne,
                                                        .onGround = false,
                                                        .firstDueTick = script.originPlayTick()});
    ground.staticCg(3, 10.0, 0.0122);
    const std::string cs = harness_.liveAircraft(key).callsign;
    TrajectoryRecorder recorder(harness_, key);
    std::int32_t touchDownTick = -1;
    ASSERT_TRUE(recorder.runUntil(
        30000,
        [&](const TrajectoryPoint& p) {
            if (p.onGround && touchDownTick < 0) {
                touchDownTick = p.tick;
            }
            return touchDownTick >= 0 && p.phase == FlightPhase::rotationAndInitialClimb;
        },
        &script));
    const std::int32_t liftOffTick = recorder.points().back().tick;
    EXPECT_TRUE(harness_.log().contains(fmt::format("{:8} landed", cs)));
    EXPECT_TRUE(harness_.log().contains(fmt::format("{:8} took-off", cs)));
    const LiveAircraft a = harness_.liveAircraft(key);
    EXPECT_FALSE(a.landingRoll || a.landed || a.descending);
    const std::vector<std::string> atLiftOff =
        callTexts("setThrottle", liftOffTick, liftOffTick + 1);
    ASSERT_FALSE(atLiftOff.empty());
    EXPECT_EQ(atLiftOff.back(), fmt::format("setThrottle({}, 4)", cs));
    EXPECT_EQ(callTexts("setSpoilers", liftOffTick, liftOffTick + 1).back(),
              fmt::format("setSpoilers({}, false)", cs));
    EXPECT_EQ(callTexts("setFlaps", liftOffTick, liftOffTick + 1).back(),
              fmt::format("setFlaps({}, 1)", cs));
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// Eastbound across the antimeridian at 250 kt: the longitude changes sign once, in the same
// small steps as anywhere else, and the aircraft ends on its last sample.
TEST_F(AirborneTrajectoryTest, EastboundAcrossTheAntimeridian) {
    LiveFlightBuilder builder;
    builder.at(50.0, 179.98);
    const std::vector<LiveFlight> records = ksb::test::legTrack(builder, {Leg{.heading = 90.0,
                                                                              .knots = 250.0,
                                                                              .altitude = 20000.0,
                                                                              .airborne = true,
                                                                              .spacing = 8.0,
                                                                              .count = 8}});
    ASSERT_LT(records.back().longitude, -179.9);
    FeedScript script({records.begin() + 1, records.end()}, kPollDelay, records.front().timeStamp);
    const std::uint32_t key =
        ksb::test::placeReadyAircraft(records.front(), {.phase = FlightPhase::airborne,
                                                        .onGround = false,
                                                        .firstDueTick = script.originPlayTick()});
    TrajectoryRecorder recorder(harness_, key);
    const std::int32_t lastDue = script.playTickOf(records.back());
    recorder.run(lastDue - trafficState.tickCounter.load() + 1, &script);

    int crossings = 0;
    for (std::size_t i = 1; i < recorder.points().size(); ++i) {
        const double before = recorder.points()[i - 1].longitude;
        const double after = recorder.points()[i].longitude;
        EXPECT_LE(std::fabs(after), 180.0);
        if (before > 0.0 && after < 0.0) {
            ++crossings;
        }
        EXPECT_FALSE(before < 0.0 && after > 0.0) << recorder.points()[i].tick;
    }
    EXPECT_EQ(crossings, 1);
    const TrajectoryPoint& end = recorder.points().back();
    const double metres = gf_distanceNM({end.latitude, end.longitude},
                                        {records.back().latitude, records.back().longitude}) *
                          kMetresPerNM;
    // Within about one tick's move (1.3 m at 250 kt) of it.
    EXPECT_LT(metres, 3.0);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// A heavy aircraft does not lift off while a slowly climbing sample ahead is below 150 kt; once
// every sample ahead climbs faster than 256 ft/min it lifts off and climbs to the next one.
TEST_F(AirborneTrajectoryTest, HeavyLiftOffGate) {
    FlatGround ground(harness_, kFieldElevation);
    LiveFlightBuilder builder;
    builder.type("B744").registration("G-CIVA").at(kFieldLatitude, kFieldLongitude);
    std::vector<Leg> legs{Leg{.heading = 90.0, .knots = 8.0, .spacing = 6.0}};
    for (const double knots : {12.0, 20.0, 30.0, 45.0, 60.0, 80.0, 100.0, 120.0, 140.0}) {
        legs.push_back(Leg{.heading = 90.0, .knots = knots, .spacing = 4.0});
    }
    legs.push_back(Leg{.heading = 90.0,
                       .knots = 149.0,
                       .feetPerMinute = 200.0,
                       .altitude = kFieldElevation + 20.0,
                       .airborne = true,
                       .spacing = 8.0});
    legs.push_back(Leg{.heading = 90.0,
                       .knots = 152.0, // within 5 kt: no mid sample after the slow one
                       .feetPerMinute = 1500.0,
                       .altitude = kFieldElevation + 60.0,
                       .airborne = true,
                       .spacing = 8.0,
                       .count = 8});
    const std::vector<LiveFlight> records = ksb::test::legTrack(builder, legs);
    FeedScript script({records.begin() + 1, records.end()}, kPollDelay, records.front().timeStamp);
    const std::uint32_t key = ksb::test::placeReadyAircraft(
        records.front(), {.phase = FlightPhase::taxi, .firstDueTick = script.originPlayTick()});
    ground.staticCg(3, 18.0, 0.0122);
    ASSERT_EQ(harness_.liveAircraft(key).category, AircraftCategory::heavy);
    const LiveFlight& slow = records[records.size() - 9];
    ASSERT_EQ(slow.groundSpeed, 149.0);

    TrajectoryRecorder recorder(harness_, key);
    ASSERT_TRUE(recorder.runUntil(
        20000,
        [](const TrajectoryPoint& p) { return p.phase == FlightPhase::rotationAndInitialClimb; },
        &script));
    const std::int32_t liftOffTick = recorder.points().back().tick;
    const LiveAircraft a = harness_.liveAircraft(key);
    // The slow sample was the current one at the lift-off: never a sample ahead of it.
    ASSERT_FALSE(a.samples.empty());
    EXPECT_EQ(a.samples.front().groundSpeed, 152.0);
    for (const PositionSample& ahead : a.samples) {
        EXPECT_TRUE(ahead.airborne);
        EXPECT_GT(ahead.verticalRate, 256.0);
    }
    // The climb aims at the next sample rather than the climb limit.
    const PositionSample& next = a.samples.front();
    const double ticks = std::max<double>(next.dueTick - liftOffTick, 25.0);
    EXPECT_DOUBLE_EQ(a.verticalStep, std::max(next.altitude - a.position.altitude, 0.1) / ticks);
    EXPECT_NE(a.verticalStep, a.climbLimit);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// A light aircraft's flare and touch-down: the range requests come every 20 ticks from the
// flare's start and every 100 again after the touch-down; spoilers out but no definition 401.
TEST_F(AirborneTrajectoryTest, LightAircraftFlareAndTouchDown) {
    LIGHT_AIRCRAFT.setRaw(true);
    FlatGround ground(harness_, kFieldElevation);
    LiveFlightBuilder builder;
    builder.type("C172").registration("D-EFGH").callsign("DEFGH");
    builder.at(kFieldLatitude, lf_eastOfField(-2.5)).route("EDFE", "EDDF");
    std::vector<Leg> legs{Leg{.heading = 90.0,
                              .knots = 90.0,
                              .feetPerMinute = -500.0,
                              .altitude = kFieldElevation + 700.0,
                              .airborne = true,
                              .spacing = 8.0,
                              .count = 11}};
    for (const double knots : {60.0, 50.0, 40.0, 30.0, 20.0, 15.0}) {
        legs.push_back(Leg{.heading = 90.0, .knots = knots, .altitude = 0.0, .spacing = 5.0});
    }
    const std::vector<LiveFlight> records = ksb::test::legTrack(builder, legs);
    FeedScript script({records.begin() + 1, records.end()}, kPlayDelay, records.front().timeStamp);
    const std::uint32_t key =
        ksb::test::placeReadyAircraft(records.front(), {.phase = FlightPhase::airborne,
                                                        .onGround = false,
                                                        .firstDueTick = script.originPlayTick()});
    ground.staticCg(3, 10.0, 0.0122);
    const LiveAircraft placed = harness_.liveAircraft(key);
    ASSERT_EQ(placed.category, AircraftCategory::light);
    const std::string cs = placed.callsign;

    TrajectoryRecorder recorder(harness_, key);
    std::int32_t touchDownTick = -1;
    ASSERT_TRUE(recorder.runUntil(
        30000,
        [&](const TrajectoryPoint& p) {
            if (p.onGround && touchDownTick < 0) {
                touchDownTick = p.tick;
            }
            return touchDownTick >= 0 && p.tick >= touchDownTick + 400;
        },
        &script));

    EXPECT_TRUE(harness_.log().contains(fmt::format("{:8} landed from EDFE", cs)));
    EXPECT_TRUE(callsOf("setSpoilersAndThrottles").empty());
    EXPECT_EQ(callTexts("setSpoilers", touchDownTick - 1, touchDownTick + 1),
              std::vector<std::string>{fmt::format("setSpoilers({}, true)", cs)});
    // The range requests: every 20 ticks from the flare on, every 100 after the touch-down.
    std::vector<std::int32_t> ticks;
    for (const LinkCall& call : callsOf("requestAircraftInRange")) {
        ticks.push_back(call.tick);
    }
    std::int32_t fastFrom = -1;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        if (ticks[i] < touchDownTick && ticks[i] - ticks[i - 1] == 20 && fastFrom < 0) {
            fastFrom = ticks[i - 1];
        }
        if (ticks[i - 1] > touchDownTick) {
            EXPECT_EQ(ticks[i] - ticks[i - 1], 100) << ticks[i];
        } else if (fastFrom >= 0 && ticks[i] <= touchDownTick) {
            EXPECT_EQ(ticks[i] - ticks[i - 1], 20) << ticks[i];
        }
    }
    EXPECT_GT(fastFrom, 0);
    // The identity check: once at the approach, once at the touch-down.
    std::lock_guard traffic(trafficState.trafficMutex);
    EXPECT_EQ(
        std::count(trafficState.identityChecks.begin(), trafficState.identityChecks.end(), key), 2);
    const auto derotated = recorder.at(touchDownTick + placed.derotationTicks + 1);
    ASSERT_TRUE(derotated.has_value());
    EXPECT_EQ(derotated->pitch, placed.groundPitch);
    EXPECT_EQ(derotated->bank, 0.0);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// A rotorcraft's whole flight: a hover, a climb, a cruise, the approach to the field and the
// landing. Full throttle all the way and no spoiler, flap or gear event at any step.
TEST_F(AirborneTrajectoryTest, RotorcraftFlightFromHoverToLanding) {
    HELICOPTERS.setRaw(true);
    FlatGround ground(harness_, kFieldElevation);
    LiveFlightBuilder builder;
    builder.type("EC35").registration("D-HXXX").callsign("CHX12");
    builder.at(kFieldLatitude, lf_eastOfField(-4.6)).route("EDFE", "EDDF");
    const std::vector<LiveFlight> records = ksb::test::legTrack(
        builder,
        {Leg{.heading = 90.0,
             .knots = 0.0,
             .altitude = kFieldElevation + 800.0,
             .airborne = true,
             .spacing = 8.0,
             .count = 4},
         Leg{.heading = 90.0,
             .knots = 60.0,
             .feetPerMinute = 1000.0,
             .airborne = true,
             .spacing = 8.0,
             .count = 4},
         Leg{.heading = 90.0, .knots = 100.0, .airborne = true, .spacing = 8.0, .count = 4},
         Leg{.heading = 90.0,
             .knots = 90.0,
             .feetPerMinute = -700.0,
             .airborne = true,
             .spacing = 8.0,
             .count = 14},
         Leg{.heading = 90.0, .knots = 30.0, .altitude = 0.0, .spacing = 4.0},
         Leg{.heading = 90.0, .knots = 15.0, .spacing = 5.0, .count = 3}});
    FeedScript script({records.begin() + 1, records.end()}, kPollDelay, records.front().timeStamp);
    const std::uint32_t key =
        ksb::test::placeReadyAircraft(records.front(), {.phase = FlightPhase::airborne,
                                                        .onGround = false,
                                                        .firstDueTick = script.originPlayTick()});
    ground.staticCg(3, 5.0, 0.0);
    const LiveAircraft placed = harness_.liveAircraft(key);
    ASSERT_EQ(placed.category, AircraftCategory::rotorcraft);
    const std::string cs = placed.callsign;

    TrajectoryRecorder recorder(harness_, key);
    ASSERT_TRUE(recorder.runUntil(
        40000, [](const TrajectoryPoint& p) { return p.phase == FlightPhase::taxi; }, &script));
    recorder.run(1000, &script);

    EXPECT_TRUE(harness_.log().contains(fmt::format("{:8} landed from EDFE", cs)));
    // The approach began (the identity check of its start) and the throttle never left 4.
    const std::vector<std::string> throttle = harness_.link().callsOf("setThrottle");
    ASSERT_FALSE(throttle.empty());
    for (const std::string& text : throttle) {
        EXPECT_EQ(text, fmt::format("setThrottle({}, 4)", cs));
    }
    EXPECT_TRUE(harness_.liveAircraft(key).onGround);
    // It climbed from the hover and came down again.
    double highest = 0.0;
    for (const TrajectoryPoint& p : recorder.points()) {
        highest = std::max(highest, p.altitude);
    }
    EXPECT_GT(highest, kFieldElevation + 1200.0);
    // The checker fails any SPOILERS_SET, FLAPS_SET or GEAR_SET of a rotorcraft.
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// On final, the step whose next sample is on the ground: toward the park airport's elevation at
// standard pressure, at -601 ft/min without a park airport, at the glide rate above 1013 hPa;
// the gear goes down at that step in each case.
TEST_F(AirborneTrajectoryTest, TheLastAirborneStepOfAnApproach) {
    struct Case {
        const char* name;
        bool parkAirport;
        int qnh;
        double sentRate; // ft/min; NaN when the step aims at the elevation instead
    };
    const Case cases[] = {
        {"park airport, 1013 hPa", true, 1013, std::nan("")},
        {"no park airport, 1013 hPa", false, 1013, -601.0},
        {"park airport, 1020 hPa", true, 1020, -700.0 - 7.0 * 6.0}, // above 100 ft AGL
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness_.link().clearCalls();
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.live.clear();
            trafficState.currentQnh = c.qnh;
            gf_parkAirportState().parkAirportLoaded = c.parkAirport;
        }
        FlatGround ground(harness_, kFieldElevation);
        LiveFlightBuilder builder;
        builder.at(kFieldLatitude, lf_eastOfField(-3.0)).route("EGLL", "EDDF");
        const std::vector<LiveFlight> records = ksb::test::legTrack(
            builder,
            {Leg{.heading = 90.0,
                 .knots = 140.0,
                 .feetPerMinute = -700.0,
                 .altitude = kFieldElevation + 1300.0,
                 .airborne = true,
                 .spacing = 8.0,
                 .count = 8},
             // The feed's first ground record still carries the descent.
             Leg{.heading = 90.0,
                 .knots = 130.0,
                 .feetPerMinute = -700.0,
                 .altitude = 0.0,
                 .spacing = 4.0},
             Leg{.heading = 90.0, .knots = 120.0, .altitude = 0.0, .spacing = 4.0, .count = 2}});
        FeedScript script({records.begin() + 1, records.end()}, kPollDelay,
                          records.front().timeStamp);
        const std::uint32_t key = ksb::test::placeReadyAircraft(
            records.front(), {.phase = FlightPhase::airborne,
                              .onGround = false,
                              .firstDueTick = script.originPlayTick()});
        const std::string cs = harness_.liveAircraft(key).callsign;
        TrajectoryRecorder recorder(harness_, key);
        std::optional<LiveAircraft> atStep;
        ASSERT_TRUE(recorder.runUntil(
            20000,
            [&](const TrajectoryPoint& p) {
                // The sample step that made the first ground sample the one flown toward.
                if (p.onGround || p.frontDueTick <= p.tick) {
                    return false;
                }
                const LiveAircraft a = harness_.liveAircraft(key);
                if (!a.samples.empty() && !a.samples[0].airborne) {
                    atStep = a;
                    return true;
                }
                return false;
            },
            &script));
        const std::int32_t stepTick = recorder.points().back().tick;
        const LiveAircraft& a = *atStep;
        const double ticks = static_cast<double>(a.samples[0].dueTick - stepTick);
        if (std::isnan(c.sentRate)) {
            // The tick's own move has been made already.
            const double before = a.position.altitude - a.verticalStep;
            EXPECT_NEAR(a.verticalStep, (kFieldElevation - before) / ticks, 1e-9);
        } else {
            EXPECT_DOUBLE_EQ(a.verticalSpeed, c.sentRate);
            EXPECT_DOUBLE_EQ(a.samples[0].verticalRate, c.sentRate);
            EXPECT_NEAR(a.verticalStep, c.sentRate / 6000.0, 1e-12);
        }
        EXPECT_EQ(callTexts("setGear", stepTick, stepTick + 1),
                  std::vector<std::string>{fmt::format("setGear({}, true)", cs)});
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
    }
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.currentQnh = 1013;
}

// The feed shows the ground ahead while the aircraft flies: a take-off seen late climbs to the
// first airborne sample not too far ahead, or at 601 ft/min at least; a descent goes on at the
// glide rate. The gear goes down in each case.
TEST_F(AirborneTrajectoryTest, GroundSamplesWhileFlying) {
    struct Case {
        const char* name;
        double feetPerMinute; // of the ground records
        int groundRecords;
        bool descending;
        double sentRate; // ft/min; NaN when it climbs to the airborne sample
    };
    const Case cases[] = {
        {"climbing, an airborne sample 4th", 600.0, 3, false, std::nan("")},
        {"climbing, none airborne up to the 10th", 600.0, 11, false, 601.0},
        {"descending", -900.0, 11, true, -900.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness_.link().clearCalls();
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.live.clear();
        }
        LiveFlightBuilder builder;
        builder.at(kFieldLatitude, lf_eastOfField(-6.0));
        const std::vector<LiveFlight> records =
            ksb::test::legTrack(builder, {Leg{.heading = 90.0,
                                              .knots = 150.0,
                                              .feetPerMinute = c.feetPerMinute,
                                              .altitude = kFieldElevation + 500.0,
                                              .spacing = 4.0,
                                              .count = c.groundRecords},
                                          Leg{.heading = 90.0,
                                              .knots = 160.0,
                                              .feetPerMinute = 1500.0,
                                              .altitude = kFieldElevation + 900.0,
                                              .airborne = true,
                                              .spacing = 8.0,
                                              .count = 3}});
        FeedScript script({records.begin() + 1, records.end()}, 60, records.front().timeStamp);
        const std::uint32_t key = ksb::test::placeReadyAircraft(
            records.front(), {.phase = FlightPhase::airborne,
                              .onGround = false,
                              .firstDueTick = script.originPlayTick()});
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            for (LiveAircraft& a : trafficState.live) {
                a.descending = c.descending;
            }
        }
        const std::string cs = harness_.liveAircraft(key).callsign;
        TrajectoryRecorder recorder(harness_, key);
        // The first sample step, at the first record.
        const std::int32_t stepTick = script.originPlayTick();
        recorder.run(stepTick - trafficState.tickCounter.load() + 1, &script);
        const LiveAircraft a = harness_.liveAircraft(key);
        ASSERT_FALSE(a.samples.empty());
        if (std::isnan(c.sentRate)) {
            // The ground samples in between are gone; it climbs to the airborne one.
            EXPECT_TRUE(a.samples.front().airborne);
            EXPECT_EQ(a.samples.front().altitude, records[3].altitude);
            EXPECT_GT(a.verticalStep, 0.0);
            EXPECT_LE(a.verticalStep, a.climbLimit);
        } else {
            EXPECT_FALSE(a.samples.front().airborne);
            EXPECT_DOUBLE_EQ(a.verticalSpeed, c.sentRate);
            EXPECT_DOUBLE_EQ(a.samples.front().verticalRate, c.sentRate);
            EXPECT_NEAR(a.verticalStep, c.sentRate / 6000.0, 1e-12);
        }
        // Gear down first; with no ground report yet (2500 ft AGL) the configuration that ends
        // every airborne step then takes the climb's.
        const std::vector<std::string> gear = callTexts("setGear", stepTick, stepTick + 1);
        ASSERT_FALSE(gear.empty());
        EXPECT_EQ(gear.front(), fmt::format("setGear({}, true)", cs));
        recorder.run(1000, &script);
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
    }
}

} // namespace
