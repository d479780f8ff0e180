// The take-off and landing functions on their own: the throttle ladder and the lift-off gate
// per category, the roll's start, the rotation, touch-down and the landing roll.
#include "airborne_test_fixture.h"

#include <fmt/format.h>

#include <cmath>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace {

using ksb::gf_airborneLimits;
using ksb::lf_landed;
using ksb::lf_landingRoll;
using ksb::lf_logTookOff;
using ksb::lf_startTakeOffRoll;
using ksb::lf_takeOffPhase;
using ksb::test::AirborneTest;
constexpr double kDegree = 0.017453292519943295;

class TakeOffLandingTest : public AirborneTest {};

TEST_F(TakeOffLandingTest, TheLimitsTableRefusesACategoryOutsideItsRows) {
    EXPECT_EQ(gf_airborneLimits(AircraftCategory::heavy).liftOffSpeed, 150.0);
    EXPECT_EQ(gf_airborneLimits(AircraftCategory::highPerformance).bankLimit, 90.0);
    EXPECT_EQ(gf_airborneLimits(AircraftCategory::rotorcraft).pitchStepLimit, 0.03);
    for (const int bad : {-1, 6}) {
        SCOPED_TRACE(bad);
        try {
            gf_airborneLimits(static_cast<AircraftCategory>(bad));
            ADD_FAILURE() << "no exception";
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "invalid unordered_map<K, T> key");
        }
    }
}

TEST_F(TakeOffLandingTest, TheThrottleOnTheGroundFollowsTheLadderInTheRoll) {
    struct Case {
        const char* name;
        AircraftCategory category;
        bool takeOffRoll;
        double current;
        double next;
        std::uint32_t throttle;
    };
    const auto large = AircraftCategory::large;
    const Case cases[] = {
        {"taxi: idle", large, false, 15.0, 15.0, 0},
        {"taxi rotorcraft: full", AircraftCategory::rotorcraft, false, 10.0, 10.0, 4},
        {"roll from standstill", large, true, 0.0, 10.0, 0},
        {"next at 20", large, true, 0.0, 20.0, 1},
        {"current at 15", large, true, 15.0, 10.0, 1},
        {"next at 25", large, true, 10.0, 25.0, 2},
        {"current at 20", large, true, 20.0, 20.0, 2},
        {"next at 30", large, true, 10.0, 30.0, 4},
        {"current at 25", large, true, 25.0, 26.0, 4},
        {"just below each step", large, true, 14.9, 19.9, 0},
        {"rotorcraft in the roll", AircraftCategory::rotorcraft, true, 0.0, 5.0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = aircraft(c.category);
        a.phase = FlightPhase::taxi;
        a.onGround = true;
        a.takeOffRoll = c.takeOffRoll;
        a.samples = {sample(0.0, 0, 0.0, c.current), sample(0.1, 500, 0.0, c.next)};
        takeCalls();
        lf_takeOffPhase(a);
        EXPECT_EQ(link().callsOf("setThrottle"),
                  std::vector<std::string>{fmt::format("setThrottle(DLH4, {})", c.throttle)});
        EXPECT_EQ(a.phase, FlightPhase::taxi);
        EXPECT_EQ(a.position.pitch, a.groundPitch);
        EXPECT_EQ(a.speed, c.next);
    }
}

TEST_F(TakeOffLandingTest, TheGroundStepOfAnAirborneOrParkedAircraftOnlyMakesItTaxi) {
    for (const FlightPhase phase : {FlightPhase::airborne, FlightPhase::parked}) {
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = aircraft();
        a.phase = phase;
        a.onGround = true;
        a.landingRoll = true;
        a.samples = {sample(0.0, 0, 0.0, 120.0), sample(0.1, 500, 0.0, 100.0)};
        takeCalls();
        lf_takeOffPhase(a);
        EXPECT_EQ(a.phase, FlightPhase::taxi);
        EXPECT_EQ(a.previousPhase, phase);
        EXPECT_TRUE(takeCalls().empty());
    }
}

TEST_F(TakeOffLandingTest, LiftOffGatePerCategory) {
    struct Ahead {
        double knots;
        double rate;
        bool airborne;
        double altitude;
    };
    struct Case {
        const char* name;
        AircraftCategory category;
        double current;
        std::vector<Ahead> ahead;
        bool liftOff;
        double verticalStep; // when lifting off; 0 = the climb limit
    };
    const auto heavy = AircraftCategory::heavy;
    const auto large = AircraftCategory::large;
    const Case cases[] = {
        {"large: a sample ahead on the ground",
         large,
         120.0,
         {{150.0, 0.0, false, 0.0}, {160.0, 1500.0, true, 300.0}},
         false,
         0.0},
        {"large: one just below 140 kt",
         large,
         120.0,
         {{139.9, 0.0, true, 50.0}, {160.0, 1500.0, true, 300.0}},
         false,
         0.0},
        {"large: all airborne at 140 kt or more, one slow climb",
         large,
         120.0,
         {{140.0, 0.0, true, 50.0}, {160.0, 1500.0, true, 300.0}},
         true,
         0.0},
        {"heavy: all airborne, one just below 150 kt",
         heavy,
         140.0,
         {{149.9, 200.0, true, 50.0}, {170.0, 1500.0, true, 300.0}},
         false,
         0.0},
        {"heavy: all airborne at 150 kt",
         heavy,
         140.0,
         {{150.0, 200.0, true, 50.0}, {170.0, 1500.0, true, 300.0}},
         true,
         0.0},
        {"heavy: all climb above 256, all airborne: climb to the next",
         heavy,
         140.0,
         {{140.0, 300.0, true, 75.0}, {150.0, 1500.0, true, 300.0}},
         true,
         75.0 / 500.0},
        {"heavy: all climb above 256, one on the ground: the climb limit",
         heavy,
         140.0,
         {{140.0, 300.0, false, 0.0}, {150.0, 1500.0, true, 300.0}},
         true,
         0.0},
        {"heavy: all climb above 256 but the next lies lower",
         heavy,
         140.0,
         {{140.0, 300.0, true, 0.0}, {150.0, 1500.0, true, 300.0}},
         true,
         0.1 / 500.0},
        {"below 43 kt nothing lifts off",
         large,
         42.9,
         {{150.0, 1500.0, true, 50.0}, {160.0, 1500.0, true, 300.0}},
         false,
         0.0},
        {"light at 90 kt", AircraftCategory::light, 60.0, {{90.0, 0.0, true, 50.0}}, true, 0.0},
        {"light at 89 kt", AircraftCategory::light, 60.0, {{89.0, 0.0, true, 50.0}}, false, 0.0},
        {"rotorcraft: no speed needed",
         AircraftCategory::rotorcraft,
         45.0,
         {{50.0, 0.0, true, 50.0}},
         true,
         0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = aircraft(c.category);
        a.phase = FlightPhase::taxi;
        a.onGround = true;
        a.takeOffRoll = true;
        a.position.altitude = 0.0;
        a.samples = {sample(0.0, 0, 0.0, c.current)};
        std::int32_t due = 500;
        for (const Ahead& ahead : c.ahead) {
            PositionSample s = sample(0.2, due, ahead.altitude, ahead.knots, ahead.rate);
            s.airborne = ahead.airborne;
            a.samples.push_back(s);
            due += 500;
        }
        lf_takeOffPhase(a);
        EXPECT_EQ(a.phase == FlightPhase::rotationAndInitialClimb, c.liftOff);
        if (c.liftOff) {
            const double expected = c.verticalStep == 0.0 ? a.climbLimit : c.verticalStep;
            EXPECT_DOUBLE_EQ(a.verticalStep, expected);
            EXPECT_EQ(a.rotationCountdown, a.rotationTicks);
            EXPECT_TRUE(log_.contains("DLH4     took-off "));
        } else {
            EXPECT_EQ(a.verticalStep, 0.0);
        }
    }
}

TEST_F(TakeOffLandingTest, TheRollStartsWithItsConfiguration) {
    struct Case {
        const char* name;
        AircraftCategory category;
        bool towed;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"large",
         AircraftCategory::large,
         false,
         {"setThrottle(DLH4, 0)", "setSpoilers(DLH4, false)", "setFlaps(DLH4, 1)",
          "queueSetLights(7, 1 1 1 1 1 1 0)"}},
        {"rotorcraft keeps full throttle and gets no spoilers",
         AircraftCategory::rotorcraft,
         false,
         {"setThrottle(DLH4, 4)", "setFlaps(DLH4, 1)", "queueSetLights(7, 1 1 1 1 1 1 0)"}},
        {"towed",
         AircraftCategory::large,
         true,
         {"setThrottle(DLH4, 0)", "setSpoilers(DLH4, false)", "setFlaps(DLH4, 1)",
          "queueSetLights(7, 1 1 1 1 1 1 0)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = aircraft(c.category);
        a.towed = c.towed;
        a.descending = true;
        a.landed = true;
        a.goneAround = true;
        takeCalls();
        lf_startTakeOffRoll(a);
        EXPECT_EQ(takeCalls(), c.calls);
        EXPECT_TRUE(a.takeOffRoll);
        EXPECT_FALSE(a.descending || a.landed || a.goneAround);
        EXPECT_EQ(a.earlyWindow, 3000);
        EXPECT_EQ(a.lateWindow, 5000);
        EXPECT_EQ(log_.contains("towed aircraft takes-off? " + a.describe()), c.towed);
    }
}

TEST_F(TakeOffLandingTest, ATouchAndGoLeavesTheLandingRollAtTheLiftOff) {
    loadParkAirport(364.0, "EGLL");
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft a = aircraft();
    a.departure = "EGLL";
    a.destination = "EDDF";
    a.landingRoll = true;
    a.landed = true;
    a.descending = true;
    a.position.pitch = a.groundPitch;
    a.position.bank = 0.02;
    a.curveControlX = 1.0;
    a.curveControlY = 1.0;
    a.headingStep = 0.001;
    lf_logTookOff(a);
    EXPECT_EQ(takeCalls(),
              (std::vector<std::string>{"setThrottle(DLH4, 0)", "setSpoilers(DLH4, false)",
                                        "setFlaps(DLH4, 1)", "queueSetLights(7, 1 1 1 1 1 1 0)",
                                        "setThrottle(DLH4, 4)", "setSpoilers(DLH4, false)",
                                        "setFlaps(DLH4, 1)"}));
    EXPECT_EQ(a.phase, FlightPhase::rotationAndInitialClimb);
    EXPECT_FALSE(a.landingRoll || a.landed || a.descending);
    EXPECT_TRUE(a.takeOffRoll);
    EXPECT_EQ(a.rotationCountdown, a.rotationTicks);
    EXPECT_DOUBLE_EQ(a.pitchStep, (a.rotationPitch - a.groundPitch) / a.rotationTicks);
    EXPECT_EQ(a.position.bank, 0.0);
    EXPECT_TRUE(std::isnan(a.curveControlX));
    EXPECT_EQ(a.headingStep, 0.0);
    EXPECT_TRUE(log_.contains("DLH4     took-off to EDDF "));
}

TEST_F(TakeOffLandingTest, TouchDown) {
    struct Case {
        const char* name;
        AircraftCategory category;
        LiveState state;
        FlightPhase phase;
        bool descending;
        std::int32_t flareStage;
        bool fsltl;
        bool failWrite;
        std::vector<std::string> calls;
        bool landingRoll;
    };
    const auto large = AircraftCategory::large;
    const auto inSim = LiveState::inSimulator;
    const auto air = FlightPhase::airborne;
    const Case cases[] = {
        {"large after the flare",
         large,
         inSim,
         air,
         true,
         4,
         false,
         false,
         {"setSpoilers(DLH4, true)", "setSpoilersAndThrottles(7, 100, 100, 100)"},
         true},
        {"FSLTL model reverses",
         large,
         inSim,
         air,
         false,
         3,
         true,
         false,
         {"setSpoilers(DLH4, true)", "setSpoilersAndThrottles(7, 100, -100, -100)"},
         true},
        {"light: no definition 401",
         AircraftCategory::light,
         inSim,
         air,
         true,
         0,
         false,
         false,
         {"setSpoilers(DLH4, true)"},
         true},
        {"rotorcraft: no spoilers",
         AircraftCategory::rotorcraft,
         inSim,
         air,
         true,
         4,
         false,
         false,
         {"setSpoilersAndThrottles(7, 100, 100, 100)"},
         true},
        {"no approach: only on the ground", large, inSim, air, false, 0, false, false, {}, false},
        // Last: the log keeps its line for the cases after it.
        {"failed write: its line and one count",
         large,
         inSim,
         air,
         true,
         4,
         false,
         true,
         {"setSpoilers(DLH4, true)", "setSpoilersAndThrottles(7, 100, 100, 100)",
          "countRequestError()"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.failWrite) {
            link().failOnce(ksb::test::RawLinkCall::setSpoilersAndThrottles);
        }
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.identityChecks.clear();
        trafficState.fastRange = true;
        LiveAircraft a = aircraft(c.category);
        a.state = c.state;
        a.phase = c.phase;
        a.descending = c.descending;
        a.flareStage = c.flareStage;
        a.fsltlModel = c.fsltl;
        a.position.pitch = -4.0 * kDegree;
        a.position.bank = 0.01;
        a.position.heading = 1.2;
        a.verticalStep = -0.025;
        a.rotationCountdown = 0;
        takeCalls();
        lf_landed(a);
        EXPECT_EQ(takeCalls(), c.calls);
        EXPECT_TRUE(a.onGround);
        EXPECT_EQ(a.verticalStep, 0.0);
        EXPECT_EQ(a.rotationCountdown, 1);
        EXPECT_EQ(a.landingRoll, c.landingRoll);
        EXPECT_EQ(a.pitchingDown, c.landingRoll);
        EXPECT_EQ(a.landed, c.landingRoll);
        EXPECT_FALSE(a.descending);
        EXPECT_EQ(trafficState.fastRange, !c.landingRoll);
        EXPECT_EQ(trafficState.identityChecks.size(), c.landingRoll ? 1u : 0u);
        EXPECT_EQ(log_.contains("SimConnect set spoilers and throttles fails"), c.failWrite);
        if (c.landingRoll) {
            EXPECT_EQ(a.landingHeading, 1.2);
            EXPECT_DOUBLE_EQ(a.bankStep, -0.01 / a.derotationTicks);
            EXPECT_DOUBLE_EQ(a.pitchStep, (a.groundPitch + 4.0 * kDegree) / a.derotationTicks);
        }
    }
    EXPECT_EQ(link().requestErrorCount(), 1);
}

TEST_F(TakeOffLandingTest, TouchDownReportsAreIgnoredWhileBeingRemovedOrClimbingOut) {
    for (const bool removing : {true, false}) {
        SCOPED_TRACE(removing);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = aircraft();
        a.descending = true;
        a.flareStage = 4;
        if (removing) {
            a.state = LiveState::beingRemoved;
        } else {
            a.phase = FlightPhase::rotationAndInitialClimb;
        }
        takeCalls();
        lf_landed(a);
        EXPECT_TRUE(takeCalls().empty());
        EXPECT_FALSE(a.onGround || a.landingRoll);
        EXPECT_TRUE(a.descending);
    }
}

TEST_F(TakeOffLandingTest, ANonPositiveDerotationCountIsLoggedAndReplaced) {
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft a = aircraft();
    a.descending = true;
    a.derotationTicks = 0;
    a.position.bank = 0.05;
    lf_landed(a);
    EXPECT_TRUE(log_.contains("DLH4 ! onGround slots 0.0"));
    EXPECT_EQ(a.pitchStep, a.groundPitch);
    EXPECT_EQ(a.bankStep, 0.0);
}

TEST_F(TakeOffLandingTest, TheLandingRollTurnsOffAtFifteenDegreesTheShortWay) {
    struct Case {
        const char* name;
        AircraftCategory category;
        double landingHeading; // degrees
        double heading;        // degrees
        double knots;
        std::vector<std::string> calls;
        bool stillRolling;
    };
    const auto large = AircraftCategory::large;
    const std::vector<std::string> slowLarge{
        "setSpoilers(DLH4, false)", "setSpoilersAndThrottles(7, 0, 0, 0)", "setFlaps(DLH4, 1)"};
    const std::vector<std::string> exitLarge{
        "setFlaps(DLH4, 0)", "setThrottle(DLH4, 0)", "setSpoilers(DLH4, false)",
        "setSpoilersAndThrottles(7, 0, 0, 0)", "queueSetLights(7, 1 1 0 1 0 1 1)"};
    const Case cases[] = {
        {"fast on the runway: nothing", large, 90.0, 95.0, 120.0, {}, true},
        {"at 90 kt", large, 90.0, 95.0, 90.0, slowLarge, true},
        {"light at 90 kt: no definition 401",
         AircraftCategory::light,
         90.0,
         90.0,
         60.0,
         {"setSpoilers(DLH4, false)", "setFlaps(DLH4, 1)"},
         true},
        {"rotorcraft at 90 kt",
         AircraftCategory::rotorcraft,
         90.0,
         90.0,
         60.0,
         {"setSpoilersAndThrottles(7, 0, 0, 0)", "setFlaps(DLH4, 1)"},
         true},
        {"16 degrees off: turn-off", large, 90.0, 106.0, 30.0, exitLarge, false},
        {"across north, 14 degrees: still on the runway", large, 355.0, 9.0, 30.0, slowLarge, true},
        {"across north, 16 degrees: turn-off", large, 355.0, 11.0, 30.0, exitLarge, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = aircraft(c.category);
        a.onGround = true;
        a.landingRoll = true;
        a.landingHeading = c.landingHeading * kDegree;
        a.position.heading = c.heading * kDegree;
        a.samples = {sample(0.0, 0, 0.0, c.knots), sample(0.1, 500, 0.0, c.knots)};
        takeCalls();
        lf_landingRoll(a);
        EXPECT_EQ(takeCalls(), c.calls);
        EXPECT_EQ(a.landingRoll, c.stillRolling);
        if (!c.stillRolling) {
            EXPECT_EQ(a.landingHeading, 0.0);
        }
    }
}

} // namespace
