#include "traffic/sample_intake.h"

#include "core/geodesy.h"
#include "traffic/traffic_state.h"

#include "support/traffic_harness.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace {

using ksb::test::TrafficHarness;

constexpr Position kHere{51.47, -0.45};
constexpr std::uint32_t kAircraftObject = 7;
constexpr double kHalfSpan = 0.01; // nautical miles

Position lf_from(const Position& start, double bearingDegrees, double nauticalMiles) {
    return gf_destinationPoint(start, bearingDegrees * kRadiansPerDegree,
                               nauticalMiles * kFeetPerNM);
}

PositionSample lf_sample(const Position& at, std::int32_t dueTick, bool repeated = false,
                         bool airborne = false, double groundSpeed = 0.0) {
    PositionSample sample;
    sample.latitude = at.latitude;
    sample.longitude = at.longitude;
    sample.dueTick = dueTick;
    sample.repeated = repeated;
    sample.airborne = airborne;
    sample.groundSpeed = groundSpeed;
    return sample;
}

// One live aircraft at kHere in the engine, and recorders of the hooks and link calls that
// sample intake makes.
class SampleIntakeTest : public ::testing::Test {
protected:
    SampleIntakeTest() { install(); }

    void install() {
        ksb::TrafficHooks& hooks = trafficState.hooks;
        hooks.acceptSample = [this](LiveAircraft&, PositionSample&) {
            calls_.push_back("accept");
            return accept_;
        };
        hooks.checkReversal = [this](LiveAircraft&, PositionSample&) {
            calls_.push_back("reversal");
            return reversal_;
        };
        hooks.standDepartureCheck = [this](LiveAircraft&, PositionSample&) {
            calls_.push_back("departure");
            return departure_;
        };
        hooks.startTakeOffRoll = [this](LiveAircraft& aircraft) {
            calls_.push_back("take-off");
            aircraft.takeOffRoll = true;
        };
        ksb::TrafficLinkServices& link = trafficState.linkServices;
        link.setThrottle = [this](AiAircraft& aircraft, std::uint32_t state) {
            calls_.push_back(fmt::format("throttle {} {}", aircraft.objectId, state));
        };
        link.setSpoilers = [this](const AiAircraft& aircraft, bool out) {
            calls_.push_back(fmt::format("spoilers {} {}", aircraft.objectId, out));
        };
        link.setFlaps = [this](AiAircraft& aircraft, std::uint32_t state) {
            calls_.push_back(fmt::format("flaps {} {}", aircraft.objectId, state));
        };
        link.queueSetLights = [this](std::uint32_t object,
                                     const std::array<std::uint32_t, 7>& lights) {
            calls_.push_back(fmt::format("lights {} {}", object, fmt::join(lights, ",")));
        };
        link.releaseAiAircraft = [this](AiAircraft& aircraft) {
            calls_.push_back(fmt::format("release {}", aircraft.objectId));
            aircraft.state = LiveState::beingRemoved;
        };
    }

    // The engine's only aircraft, new for each case; nothing recorded yet.
    LiveAircraft& fresh(LiveState state, FlightPhase phase) {
        calls_.clear();
        accept_ = reversal_ = departure_ = true;
        LiveAircraft aircraft;
        aircraft.flightKey = 0x400001;
        aircraft.objectId = kAircraftObject;
        aircraft.halfWingSpan = kHalfSpan;
        aircraft.state = state;
        aircraft.phase = phase;
        aircraft.position.latitude = kHere.latitude;
        aircraft.position.longitude = kHere.longitude;
        trafficState.live = {aircraft};
        return trafficState.live.front();
    }

    static std::string pattern(const LiveAircraft& aircraft) {
        std::string text;
        for (const PositionSample& sample : aircraft.samples) {
            text += sample.repeated ? 'r' : 'n';
        }
        return text;
    }

    TrafficHarness harness_;
    std::lock_guard<ksb::RankedMutex> traffic_{trafficState.trafficMutex};
    std::vector<std::string> calls_;
    bool accept_ = true;
    bool reversal_ = true;
    bool departure_ = true;
};

TEST_F(SampleIntakeTest, AQueueAbove200SamplesEndsItsAircraft) {
    struct Case {
        const char* name;
        LiveState state;
        FlightPhase phase;
        std::size_t queued;
        bool erase;
        std::vector<std::string> calls;
        std::size_t after;
    };
    const Case cases[] = {
        {"new: flagged for erasure", LiveState::newFlight, FlightPhase::newFlight, 201, true, {},
         201},
        {"in the simulator: released", LiveState::inSimulator, FlightPhase::taxi, 201, false,
         {"release 7"}, 201},
        {"creation requested: released", LiveState::creationRequested, FlightPhase::taxi, 201,
         false, {"release 7"}, 201},
        {"200 samples: appended", LiveState::newFlight, FlightPhase::newFlight, 200, false,
         {"accept"}, 201},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(c.state, c.phase);
        for (std::size_t i = 0; i < c.queued; ++i) {
            aircraft.samples.push_back(lf_sample(kHere, static_cast<std::int32_t>(i)));
        }
        PositionSample sample = lf_sample(kHere, 5000);
        lf_applySample(aircraft, sample);
        EXPECT_EQ(aircraft.erase, c.erase);
        EXPECT_EQ(calls_, c.calls);
        EXPECT_EQ(aircraft.samples.size(), c.after);
    }
}

TEST_F(SampleIntakeTest, NewAircraftPassOnlyTheAcceptanceTest) {
    struct Case {
        const char* name;
        bool accepted;
        std::int32_t due;
        std::string pattern;
        std::int32_t dueAfter;
    };
    const Case cases[] = {
        {"accepted, due before the last: raised", true, 900, "nrrn", 1201},
        {"accepted, due later: kept", true, 1500, "nrrn", 1500},
        {"refused", false, 1500, "nrr", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // In the simulator on the ground, taxiing would start a take-off and trim the stop;
        // a new aircraft does neither.
        LiveAircraft& aircraft = fresh(LiveState::inSimulator, FlightPhase::newFlight);
        aircraft.onGround = true;
        aircraft.samples = {lf_sample(kHere, 1000, false, false, 50.0),
                            lf_sample(kHere, 1100, true, false, 50.0),
                            lf_sample(kHere, 1200, true, false, 50.0)};
        accept_ = c.accepted;
        PositionSample sample = lf_sample(kHere, c.due, false, true, 150.0);
        lf_applySample(aircraft, sample);
        EXPECT_EQ(pattern(aircraft), c.pattern);
        EXPECT_EQ(calls_, std::vector<std::string>{"accept"});
        if (c.accepted) {
            EXPECT_EQ(aircraft.samples.back().dueTick, c.dueAfter);
        }
    }
}

TEST_F(SampleIntakeTest, ParkedAndAdjacentStandAircraftNeedTheSimulatorAndTheDepartureTest) {
    struct Case {
        const char* name;
        LiveState state;
        FlightPhase phase;
        bool departs;
        std::vector<std::string> calls;
        std::size_t after;
    };
    const Case cases[] = {
        {"parked, new", LiveState::newFlight, FlightPhase::parked, true, {}, 0},
        {"adjacent stand, creation requested", LiveState::creationRequested,
         FlightPhase::movingToAdjacentStand, true, {}, 0},
        {"parked in the simulator, departing", LiveState::inSimulator, FlightPhase::parked, true,
         {"departure"}, 1},
        {"parked in the simulator, staying", LiveState::inSimulator, FlightPhase::parked, false,
         {"departure"}, 0},
        {"adjacent stand in the simulator", LiveState::inSimulator,
         FlightPhase::movingToAdjacentStand, true, {"departure"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(c.state, c.phase);
        departure_ = c.departs;
        PositionSample sample = lf_sample(kHere, 100);
        lf_applySample(aircraft, sample);
        EXPECT_EQ(calls_, c.calls);
        EXPECT_EQ(aircraft.samples.size(), c.after);
    }
}

TEST_F(SampleIntakeTest, PushBackUnderWayNotesTheTurnAndQueuesNothing) {
    struct Case {
        const char* name;
        std::int32_t countdown;
        double heading; // of the aircraft, degrees
        bool headingValid;
        double sampleHeading; // degrees
        double track;
        bool moveSeen;
        bool right;
    };
    const Case cases[] = {
        {"true heading to the right", 2, 10, true, 40, 200, true, true},
        {"true heading to the left", 2, 40, true, 10, 200, true, false},
        {"the track without a valid heading", 2, 90, false, 0, 120, true, true},
        {"across north to the right", 2, 350, false, 0, 10, true, true},
        {"across north to the left", 2, 10, false, 0, 350, true, false},
        {"a track of exactly 0 notes nothing", 2, 90, false, 0, 0, false, true},
        {"a true heading of 0 is noted", 2, 90, true, 0, 0, true, false},
        {"countdown 1 notes nothing", 1, 10, true, 40, 40, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(LiveState::inSimulator, FlightPhase::pushBackUnderWay);
        aircraft.pushCountdown = c.countdown;
        aircraft.position.heading = c.heading * kRadiansPerDegree;
        aircraft.turnRightSeen = true;
        PositionSample sample = lf_sample(kHere, 100);
        sample.trueHeadingValid = c.headingValid;
        sample.trueHeading = c.sampleHeading * kRadiansPerDegree;
        sample.track = c.track;
        lf_applySample(aircraft, sample);
        EXPECT_EQ(aircraft.moveSeen, c.moveSeen);
        EXPECT_EQ(aircraft.turnRightSeen, c.right);
        EXPECT_TRUE(aircraft.samples.empty());
        EXPECT_TRUE(calls_.empty());
    }
}

TEST_F(SampleIntakeTest, PushBackEndsAwayFromTheAircraft) {
    struct Case {
        const char* name;
        double spans;         // distance of the sample in half spans
        double previousSpans; // distance at the previous sample
        std::int32_t extra;
        bool takeOffRoll;
        bool ends;
        std::int32_t firstDue; // of the first queued sample afterwards
        std::int32_t lateWindow;
    };
    const Case cases[] = {
        {"beyond 2.75 spans and moving away", 3.0, 2.0, 0, false, true, 4000, 1000},
        {"beyond 2.75 spans, not moving away", 3.0, 3.5, 0, false, false, 4000, 1000},
        {"within 2.75 spans", 2.5, 0.0, 0, false, false, 4000, 1000},
        {"beyond 6 spans", 6.5, 900.0 / kHalfSpan, 0, false, true, 4000, 1000},
        {"ends with extra samples allowed", 3.0, 2.0, 1, false, true, 5001, 3000},
        {"ends with extra samples, the take-off begun", 3.0, 2.0, 1, true, true, 5001, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(LiveState::creationRequested, FlightPhase::pushBackOrTow);
        trafficState.tickCounter = 5000;
        aircraft.pushBackDistance = c.previousSpans * kHalfSpan;
        aircraft.extraSamples = c.extra;
        aircraft.takeOffRoll = c.takeOffRoll;
        aircraft.samples = {lf_sample(kHere, 4000)};
        PositionSample sample = lf_sample(lf_from(kHere, 200.0, c.spans * kHalfSpan), 6000, true);
        lf_applySample(aircraft, sample);

        EXPECT_EQ(aircraft.phase, c.ends ? FlightPhase::taxi : FlightPhase::pushBackOrTow);
        ASSERT_EQ(aircraft.samples.size(), c.ends ? 2u : 1u);
        EXPECT_EQ(aircraft.samples.front().dueTick, c.firstDue);
        EXPECT_EQ(aircraft.extraSamples, 0);
        EXPECT_EQ(aircraft.earlyWindow, c.extra > 0 ? 3000 : 1000);
        EXPECT_EQ(aircraft.lateWindow, c.lateWindow);
        if (c.ends) {
            EXPECT_EQ(aircraft.previousPhase, FlightPhase::pushBackOrTow);
            EXPECT_FALSE(aircraft.samples.back().repeated);
            EXPECT_EQ(aircraft.samples.back().dueTick, 6000);
        } else {
            EXPECT_NEAR(aircraft.pushBackDistance, c.spans * kHalfSpan, 1e-9);
        }
    }
}

TEST_F(SampleIntakeTest, MovingAircraftTestsAndTheHundredDegreeRule) {
    struct Case {
        const char* name;
        FlightPhase phase;
        bool onGround;
        bool landingRoll;
        bool towed;
        bool accept;
        bool reversal;
        std::int32_t extra;
        double bearing; // of the new sample from the last queued one, degrees
        std::vector<std::string> calls;
        bool appended;
        std::int32_t extraAfter;
    };
    const FlightPhase air = FlightPhase::airborne;
    const Case cases[] = {
        {"across north, 90 degrees off", air, false, false, false, true, true, 1, 80, {"accept"},
         true, 0},
        {"across north, 110 degrees off", air, false, false, false, true, true, 1, 100,
         {"accept"}, false, 1},
        {"behind, 170 degrees off", air, false, false, false, true, true, 1, 180, {"accept"},
         false, 1},
        {"behind, on the ground", FlightPhase::taxi, true, false, false, true, true, 1, 180,
         {"accept"}, true, 0},
        {"behind, no extra samples", air, false, false, false, true, true, 0, 180, {"accept"},
         true, 0},
        {"the acceptance test refuses", FlightPhase::rotationAndInitialClimb, false, false,
         false, false, true, 0, 0, {"accept"}, false, 0},
        {"landing roll: the towing test decides", FlightPhase::taxi, true, true, false, true,
         false, 0, 0, {"reversal"}, false, 0},
        {"towed: the towing test passes", FlightPhase::taxi, true, false, true, false, true, 0,
         0, {"reversal"}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(LiveState::creationRequested, c.phase);
        aircraft.onGround = c.onGround;
        aircraft.landingRoll = c.landingRoll;
        aircraft.towed = c.towed;
        aircraft.extraSamples = c.extra;
        aircraft.position.heading = 350.0 * kRadiansPerDegree;
        accept_ = c.accept;
        reversal_ = c.reversal;
        aircraft.samples = {lf_sample(kHere, 100, false, !c.onGround)};
        PositionSample sample =
            lf_sample(lf_from(kHere, c.bearing, 0.5), 200, false, !c.onGround);
        lf_applySample(aircraft, sample);
        EXPECT_EQ(calls_, c.calls);
        EXPECT_EQ(aircraft.samples.size(), c.appended ? 2u : 1u);
        EXPECT_EQ(aircraft.extraSamples, c.extraAfter);
        const bool windowsSet = c.extra > 0 && c.appended;
        EXPECT_EQ(aircraft.earlyWindow, windowsSet ? 3000 : 1000);
        EXPECT_EQ(aircraft.lateWindow, windowsSet ? 3000 : 1000);
    }
}

TEST_F(SampleIntakeTest, RepeatedPositionsOnTheGroundAreTrimmed) {
    struct Case {
        const char* name;
        std::string queue;   // 'n' moving, 'r' repeated, oldest first
        std::int32_t stood;  // ticks from the last moving sample to the last queued one
        bool repeated;       // the new sample
        bool airborne;       // the new sample
        double metres;       // from the last moving sample
        std::string after;
    };
    const Case cases[] = {
        {"a short stop goes", "nrr", 200, false, false, 30, "nn"},
        {"15 s stood and 22 m moved: the stop stays", "nrr", 1500, false, false, 30, "nrrn"},
        {"15 s stood but only 20 m moved", "nrr", 1500, false, false, 20, "nn"},
        {"moved but stood just under 15 s", "nrr", 1499, false, false, 30, "nn"},
        {"five repeated after a moving sample", "nrrrrr", 200, false, false, 30, "nn"},
        {"no moving sample within the last six", "nrrrrrr", 200, false, false, 30, "nrrrrrrn"},
        {"only repeated samples, then one more", "rrr", 200, true, false, 0, "rr"},
        {"a repeated sample after a moving one", "nrr", 200, true, false, 0, "nrrr"},
        {"an airborne sample", "nrr", 200, false, true, 30, "nrrn"},
        {"a queue that does not end repeated", "nrn", 200, false, false, 30, "nrnn"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(LiveState::creationRequested, FlightPhase::taxi);
        aircraft.onGround = true;
        for (std::size_t i = 0; i < c.queue.size(); ++i) {
            aircraft.samples.push_back(
                lf_sample(kHere, 1000 + 100 * static_cast<std::int32_t>(i), c.queue[i] == 'r'));
        }
        const std::size_t lastMoving = c.queue.rfind('n');
        if (lastMoving != std::string::npos && lastMoving + 1 < c.queue.size()) {
            aircraft.samples.back().dueTick = aircraft.samples[lastMoving].dueTick + c.stood;
        }
        PositionSample sample = lf_sample(lf_from(kHere, 90.0, c.metres * kNMPerMetre), 9000,
                                          c.repeated, c.airborne);
        lf_applySample(aircraft, sample);
        EXPECT_EQ(pattern(aircraft), c.after);
        EXPECT_EQ(aircraft.samples.back().dueTick, 9000);
    }
}

TEST_F(SampleIntakeTest, ASampleIsRaisedToPlayAfterTheLastQueued) {
    struct Case {
        const char* name;
        bool empty;
        std::int32_t due;
        std::int32_t after;
    };
    const Case cases[] = {
        {"earlier", false, 400, 501},
        {"the same tick", false, 500, 501},
        {"later", false, 502, 502},
        {"an empty queue", true, 400, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(LiveState::creationRequested, FlightPhase::taxi);
        if (!c.empty) {
            aircraft.samples = {lf_sample(kHere, 500)};
        }
        PositionSample sample = lf_sample(lf_from(kHere, 90.0, 0.1), c.due);
        lf_applySample(aircraft, sample);
        EXPECT_EQ(aircraft.samples.back().dueTick, c.after);
    }
}

TEST_F(SampleIntakeTest, TakeOffBeginsByAnAirborneSampleOrTwoAt43Knots) {
    struct Case {
        const char* name;
        LiveState state;
        FlightPhase phase;
        bool onGround;
        bool rolling;
        bool rollingOut; // in the landing roll
        bool emptyQueue;
        double lastSpeed;
        double speed;
        bool airborne;
        bool takeOff;
    };
    const LiveState sim = LiveState::inSimulator;
    const FlightPhase taxi = FlightPhase::taxi;
    const FlightPhase climb = FlightPhase::rotationAndInitialClimb;
    const LiveState requested = LiveState::creationRequested;
    const Case cases[] = {
        {"an airborne sample", sim, taxi, true, false, false, false, 30, 140, true, true},
        {"an airborne sample, nothing queued", sim, taxi, true, false, false, true, 0, 140, true,
         true},
        {"two samples at 43 kt", sim, taxi, true, false, false, false, 43, 43, false, true},
        {"42.9 kt, then 43 kt", sim, taxi, true, false, false, false, 42.9, 43, false, false},
        {"43 kt, then 42.9 kt", sim, taxi, true, false, false, false, 43, 42.9, false, false},
        {"43 kt, nothing queued", sim, taxi, true, false, false, true, 0, 43, false, false},
        {"already rolling", sim, taxi, true, true, false, false, 43, 43, false, false},
        {"not on the ground", sim, taxi, false, false, false, false, 43, 43, false, false},
        {"not taxiing", sim, climb, true, false, false, false, 43, 43, false, false},
        {"creation requested", requested, taxi, true, false, false, false, 43, 43, false, false},
        {"rolling out at 100 kt", sim, taxi, true, false, true, false, 110, 100, false, false},
        {"a touch-and-go", sim, taxi, true, false, true, false, 130, 140, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(c.state, c.phase);
        aircraft.onGround = c.onGround;
        aircraft.takeOffRoll = c.rolling;
        aircraft.landingRoll = c.rollingOut;
        if (!c.emptyQueue) {
            aircraft.samples = {lf_sample(kHere, 100, false, false, c.lastSpeed)};
        }
        PositionSample sample =
            lf_sample(lf_from(kHere, 0.0, 0.1), 200, false, c.airborne, c.speed);
        lf_applySample(aircraft, sample);
        // The landing roll's samples pass the reversal test instead.
        std::vector<std::string> expected = {c.rollingOut ? "reversal" : "accept"};
        if (c.takeOff) {
            expected.push_back("take-off");
        }
        EXPECT_EQ(calls_, expected);
        EXPECT_EQ(aircraft.samples.size(), c.emptyQueue ? 1u : 2u);
    }
}

TEST_F(SampleIntakeTest, ATowedAircraftWhoseFeedFliesTakesOff) {
    struct Case {
        const char* name;
        AircraftCategory category;
        bool lastAirborne;
        bool airborne;
        std::vector<std::string> calls;
    };
    const std::vector<std::string> large = {
        "reversal", "throttle 7 0", "spoilers 7 false", "flaps 7 1", "lights 7 1,1,1,1,1,1,0"};
    const std::vector<std::string> rotorcraft = {"reversal", "throttle 7 0", "flaps 7 1",
                                                 "lights 7 1,1,1,1,1,1,0"};
    const Case cases[] = {
        {"both airborne", AircraftCategory::large, true, true, large},
        {"both airborne, rotorcraft: no spoilers", AircraftCategory::rotorcraft, true, true,
         rotorcraft},
        {"the last queued sample on the ground", AircraftCategory::large, false, true,
         {"reversal"}},
        {"the new sample on the ground", AircraftCategory::large, true, false, {"reversal"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft& aircraft = fresh(LiveState::inSimulator, FlightPhase::pushBackOrTow);
        aircraft.setPhase(FlightPhase::taxi);
        aircraft.setPhase(FlightPhase::airborne);
        aircraft.category = c.category;
        aircraft.onGround = true;
        aircraft.towed = true;
        aircraft.landingRoll = true;
        aircraft.samples = {lf_sample(kHere, 100, false, c.lastAirborne, 150.0)};
        PositionSample sample = lf_sample(lf_from(kHere, 0.0, 0.5), 200, false, c.airborne, 150.0);
        lf_applySample(aircraft, sample);
        EXPECT_EQ(calls_, c.calls);
        EXPECT_EQ(aircraft.samples.size(), 2u);
        const bool switched = c.calls.size() > 1;
        EXPECT_EQ(aircraft.phase, switched ? FlightPhase::taxi : FlightPhase::airborne);
        EXPECT_EQ(aircraft.takeOffRoll, switched);
        EXPECT_EQ(aircraft.landingRoll, !switched);
        EXPECT_TRUE(aircraft.towed);
        EXPECT_EQ(aircraft.earlyWindow, switched ? 3000 : 1000);
        EXPECT_EQ(aircraft.lateWindow, switched ? 5000 : 1000);
    }
}

} // namespace
