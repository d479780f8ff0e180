// The 200 ticks after the simulator reported a new object: light toggles, then the start of a
// live aircraft or the rest state of a static one.
#include "core/parameters.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/startup_sequences.h"

#include "engine_test_fixture.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

using ksb::test::EngineTest;

class StartupSequenceTest : public EngineTest {
protected:
    // A sequence one step before its end.
    static void endingSequence(std::uint32_t object, std::uint32_t key, SimInboundKind kind) {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.startupSequences.push_back(SimInboundRecord{object, key, 199, kind, 0, 0});
    }
};

TEST_F(StartupSequenceTest, TogglesAtFiftyAndHundredThenTheStartAtTwoHundred) {
    {
        std::lock_guard lock(trafficState.trafficMutex);
        addLive(20001, LiveState::creationRequested).phase = FlightPhase::taxi;
    }
    post(12, 20001, SimInboundKind::liveAdded);
    process();
    EXPECT_EQ(takeCalls(), (std::vector<std::string>{"requestStaticCg(12)"}));
    for (int step = 2; step <= 200; ++step) {
        SCOPED_TRACE(step);
        process();
        std::vector<std::string> expected;
        if (step == 50 || step == 100) {
            expected = {"allLightsToggle(12)"};
        } else if (step == 200) {
            expected = {"setSpoilers(BAW1, false)", "queueEnginesOn(12)",
                        "queueSetLights(12, 1 1 0 1 0 1 1)", "setThrottle(BAW1, 0)",
                        "setFlaps(BAW1, 1)"};
        }
        ASSERT_EQ(takeCalls(), expected);
    }
    std::lock_guard lock(trafficState.trafficMutex);
    EXPECT_TRUE(trafficState.startupSequences.empty());
    EXPECT_EQ(gf_liveByKey(20001)->state, LiveState::inSimulator);
}

TEST_F(StartupSequenceTest, ALightToggleFailureIsLoggedAndCountedEachTime) {
    link().failAlways(ksb::test::RawLinkCall::allLightsToggle);
    {
        std::lock_guard lock(trafficState.trafficMutex);
        addLive(20001, LiveState::creationRequested);
    }
    post(12, 20001, SimInboundKind::liveAdded);
    for (int step = 0; step < 200; ++step) {
        process();
    }
    EXPECT_EQ(link().requestErrorCount(), 2);
    EXPECT_EQ(log_.body(), (std::vector<std::string>{"===> SimConnect gf_allLightsToggle fails",
                                                     "===> SimConnect gf_allLightsToggle fails"}));
}

TEST_F(StartupSequenceTest, TheStartOfALiveAircraftByWhereItIs) {
    struct Case {
        const char* name;
        bool airborne;
        FlightPhase phase;
        AircraftCategory category;
        double altitude;
        double agl;
        bool navWhileParked;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"airborne below 10000 ft",
         true,
         FlightPhase::airborne,
         AircraftCategory::large,
         8000,
         3000,
         false,
         {"queueEnginesOn(12)", "setSpoilers(BAW1, false)", "queueSetLights(12, 1 1 1 0 1 1 1)"}},
        {"airborne at exactly 10000 ft, 1999 ft above ground",
         true,
         FlightPhase::airborne,
         AircraftCategory::large,
         10000,
         1999,
         false,
         {"queueEnginesOn(12)", "setSpoilers(BAW1, false)", "queueSetLights(12, 1 1 1 0 1 1 0)"}},
        {"airborne above 10000 ft",
         true,
         FlightPhase::airborne,
         AircraftCategory::heavy,
         10001,
         10001,
         false,
         {"queueEnginesOn(12)", "setSpoilers(BAW1, false)", "queueSetLights(12, 1 1 0 0 1 0 1)"}},
        {"taxiing",
         false,
         FlightPhase::taxi,
         AircraftCategory::large,
         0,
         0,
         false,
         {"setSpoilers(BAW1, false)", "queueEnginesOn(12)", "queueSetLights(12, 1 1 0 1 0 1 1)",
          "setThrottle(BAW1, 0)", "setFlaps(BAW1, 1)"}},
        {"pushing back",
         false,
         FlightPhase::pushBackOrTow,
         AircraftCategory::large,
         0,
         0,
         false,
         {"setSpoilers(BAW1, false)", "queueEnginesOn(12)", "queueSetLights(12, 1 1 0 0 0 1 1)",
          "setThrottle(BAW1, 0)", "setFlaps(BAW1, 0)"}},
        {"parked, nav lights while parked",
         false,
         FlightPhase::parked,
         AircraftCategory::large,
         0,
         0,
         true,
         {"setSpoilers(BAW1, false)", "queueEnginesOff(12)", "queueSetLights(12, 1 0 0 0 0 1 1)",
          "setThrottle(BAW1, 0)", "setFlaps(BAW1, 0)"}},
        {"parked, no nav lights while parked",
         false,
         FlightPhase::parked,
         AircraftCategory::large,
         0,
         0,
         false,
         {"setSpoilers(BAW1, false)", "queueEnginesOff(12)", "queueSetLights(12, 0 0 0 0 0 1 1)",
          "setThrottle(BAW1, 0)", "setFlaps(BAW1, 0)"}},
        {"rotorcraft on the ground",
         false,
         FlightPhase::taxi,
         AircraftCategory::rotorcraft,
         0,
         0,
         false,
         {"queueEnginesOn(12)", "queueSetLights(12, 1 1 0 1 0 1 1)", "setThrottle(BAW1, 4)",
          "setFlaps(BAW1, 1)"}},
        {"rotorcraft in the air",
         true,
         FlightPhase::airborne,
         AircraftCategory::rotorcraft,
         800,
         800,
         false,
         {"queueEnginesOn(12)", "queueSetLights(12, 1 1 1 0 1 1 0)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NAV_LIGHTS_WHILE_PARKED.setRaw(c.navWhileParked);
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.live.clear();
        LiveAircraft& aircraft = addLive(20001, LiveState::creationRequested, c.airborne, 12);
        aircraft.phase = c.phase;
        aircraft.category = c.category;
        aircraft.position.altitude = c.altitude;
        aircraft.agl = c.agl;
        takeCalls();
        lf_startLiveAircraft(aircraft);
        EXPECT_EQ(takeCalls(), c.calls);
        EXPECT_EQ(aircraft.state, LiveState::inSimulator);
    }
}

TEST_F(StartupSequenceTest, TheEndOfASequenceForAircraftThatAreToGo) {
    struct Case {
        const char* name;
        SimInboundKind kind;
        std::uint32_t key;
        LiveState before;
        bool removeOnceCreated;
        LiveState after;
        std::vector<std::string> calls;
        std::deque<std::uint32_t> removals;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"live, to be removed once created: released, not started",
         SimInboundKind::liveAdded,
         20001,
         LiveState::creationRequested,
         true,
         LiveState::beingRemoved,
         {"releaseAiAircraft(BAW1)"},
         {15},
         {}},
        {"live, released during its sequence: not started",
         SimInboundKind::liveAdded,
         20001,
         LiveState::beingRemoved,
         false,
         LiveState::beingRemoved,
         {},
         {},
         {}},
        {"static: at rest and logged",
         SimInboundKind::staticAdded,
         5,
         LiveState::creationRequested,
         false,
         LiveState::inSimulator,
         {"shutdownAiAircraft(EZY5*)"},
         {},
         {"A1      : EZY5*    parked 10:29:59"}},
        {"static, to be removed once created: released",
         SimInboundKind::staticAdded,
         5,
         LiveState::creationRequested,
         true,
         LiveState::beingRemoved,
         {"releaseAiAircraft(EZY5*)"},
         {15},
         {}},
        {"static, released before it existed: its removal queued now",
         SimInboundKind::staticAdded,
         5,
         LiveState::beingRemoved,
         false,
         LiveState::beingRemoved,
         {},
         {15},
         {}},
    };
    LOG.setRaw(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            addStands(1);
            if (c.kind == SimInboundKind::liveAdded) {
                LiveAircraft& aircraft = addLive(c.key, c.before, false, 15);
                aircraft.removeOnceCreated = c.removeOnceCreated;
            } else {
                AiAircraft& aircraft = addStatic(c.key, c.before, 1);
                aircraft.removeOnceCreated = c.removeOnceCreated;
            }
        }
        endingSequence(15, c.key, c.kind);
        takeCalls();
        const std::size_t linesBefore = log_.body().size();
        process();
        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_EQ(takeCalls(), c.calls);
        EXPECT_EQ(trafficState.removals, c.removals);
        EXPECT_TRUE(trafficState.startupSequences.empty());
        const AiAircraft& aircraft = c.kind == SimInboundKind::liveAdded
                                         ? static_cast<const AiAircraft&>(*gf_liveByKey(c.key))
                                         : *gf_staticByKey(c.key);
        EXPECT_EQ(aircraft.state, c.after);
        EXPECT_EQ(aircraft.objectId, 15u);
        const std::vector<std::string> body = log_.body();
        EXPECT_EQ(std::vector<std::string>(body.begin() + static_cast<std::ptrdiff_t>(linesBefore),
                                           body.end()),
                  c.lines);
    }
}

} // namespace
