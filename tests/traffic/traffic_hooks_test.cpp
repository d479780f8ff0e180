// The defaults of the engine's hooks into its later stages and of its unwired link table: what
// each does until the real stage replaces it, the motion wired in, the teleport that tests of
// other stages install instead, and the reset that puts the defaults back.
#include "core/geodesy.h"
#include "core/sim_session_state.h"
#include "traffic/motion.h"
#include "traffic/traffic_state.h"

#include "support/fake_traffic_link.h"
#include "support/teleport_motion.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

class TrafficHooksTest : public ::testing::Test {
protected:
    void SetUp() override { gf_resetTrafficForTests(); }
    void TearDown() override {
        gf_resetTrafficForTests();
        gf_resetSimSessionState();
    }

    static PositionSample sample(double latitude, bool trueHeadingValid) {
        PositionSample s;
        s.latitude = latitude;
        s.longitude = 8.61;
        s.altitude = 1200.0;
        s.trueHeading = 1.0;
        s.trueHeadingValid = trueHeadingValid;
        s.track = 90.0;
        s.groundSpeed = 140.0;
        s.verticalRate = 800.0;
        s.airborne = true;
        return s;
    }

    // An aircraft in the simulator, taxiing, with two samples ahead.
    static LiveAircraft aircraft() {
        LiveAircraft a;
        a.callsign = "DLH4";
        a.flightKey = 20001;
        a.objectId = 7;
        a.state = LiveState::inSimulator;
        a.phase = FlightPhase::taxi;
        a.position.latitude = 50.03;
        a.position.longitude = 8.57;
        a.position.altitude = 364.0;
        a.position.heading = 0.5;
        a.speed = 12.0;
        a.samples = {sample(50.04, true), sample(50.05, false)};
        return a;
    }

    // The fields any default could touch, and what the engine holds beside them.
    static std::string fingerprint(const LiveAircraft& a) {
        return fmt::format("state {} phase {} at {} {} {} heading {} speed {} vs {} samples {} "
                           "takeOffRoll {} onGround {} erase {} removals {}",
                           static_cast<int>(a.state), static_cast<int>(a.phase),
                           a.position.latitude, a.position.longitude, a.position.altitude,
                           a.position.heading, a.speed, a.verticalSpeed, a.samples.size(),
                           a.takeOffRoll, a.onGround, a.erase, trafficState.removals.size());
    }
};

TEST_F(TrafficHooksTest, EachDefaultDoesWhatTheEngineCanLiveWithUntilItsStageExists) {
    struct Case {
        const char* name;
        // Runs the hook; a predicate's answer is returned, others give true.
        std::function<bool(LiveAircraft&, PositionSample&)> call;
        // What the default changes on the aircraft; nothing when empty.
        std::function<void(LiveAircraft&)> change;
    };
    const ksb::TrafficHooks& hooks = trafficState.hooks;
    const Case cases[] = {
        // Admission is built: its default is the real one, which drops a flight without samples.
        {"admission drops an empty queue",
         [&](LiveAircraft& a, PositionSample&) {
             a.samples.clear();
             hooks.admitNewAircraft(a);
             return true;
         },
         [](LiveAircraft& a) {
             a.samples.clear();
             a.erase = true;
         }},
        {"the take-off roll starts (its controls go to the unwired link)",
         [&](LiveAircraft& a, PositionSample&) {
             hooks.startTakeOffRoll(a);
             return true;
         },
         [](LiveAircraft& a) { a.takeOffRoll = true; }},
        {"a touch-down without an approach only puts it on the ground",
         [&](LiveAircraft& a, PositionSample&) {
             hooks.landed(a);
             return true;
         },
         [](LiveAircraft& a) { a.onGround = true; }},
        {"adjacent parking releases no aircraft that is not parked",
         [&](LiveAircraft& a, PositionSample&) {
             ksb::StandRuleContext context{1, 2, a};
             return !hooks.removedByAdjacentParking(context, a);
         },
         {}},
        {"no ghost among no aircraft",
         [&](LiveAircraft&, PositionSample&) {
             hooks.removeGhost("DLH4");
             return true;
         },
         {}},
        {"no static aircraft built",
         [&](LiveAircraft&, PositionSample&) {
             hooks.createStaticParked();
             return true;
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft actual = aircraft();
        LiveAircraft expected = aircraft();
        PositionSample s = sample(50.06, true);
        std::lock_guard traffic(trafficState.trafficMutex);
        EXPECT_TRUE(c.call(actual, s));
        if (c.change) {
            c.change(expected);
        }
        EXPECT_EQ(fingerprint(actual), fingerprint(expected));
        EXPECT_TRUE(trafficState.live.empty());
        EXPECT_TRUE(trafficState.statics.empty());
        EXPECT_TRUE(trafficState.standsToFill.empty());
    }
}

// The motion's functions are the defaults; a test can still replace each.
TEST_F(TrafficHooksTest, TheMotionIsWiredIn) {
    using Step = void (*)(LiveAircraft&);
    using Filter = bool (*)(LiveAircraft&, PositionSample&);
    const ksb::TrafficHooks& hooks = trafficState.hooks;
    ASSERT_NE(hooks.nextSample.target<Step>(), nullptr);
    EXPECT_EQ(*hooks.nextSample.target<Step>(), &ksb::lf_nextSample);
    ASSERT_NE(hooks.followCurve.target<Step>(), nullptr);
    EXPECT_EQ(*hooks.followCurve.target<Step>(), &ksb::lf_followCurve);
    ASSERT_NE(hooks.acceptSample.target<Filter>(), nullptr);
    EXPECT_EQ(*hooks.acceptSample.target<Filter>(), &ksb::lf_acceptSample);
    ASSERT_NE(hooks.checkReversal.target<Filter>(), nullptr);
    EXPECT_EQ(*hooks.checkReversal.target<Filter>(), &ksb::lf_checkReversal);
}

TEST_F(TrafficHooksTest, TheTeleportJumpsToTheNextSampleAndReleasesAtTheEnd) {
    ksb::test::FakeTrafficLink link;
    ksb::test::installTeleportMotion();
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft a = aircraft();

    // True heading valid: it is the heading.
    trafficState.hooks.nextSample(a);
    EXPECT_EQ(a.position.latitude, 50.04);
    EXPECT_EQ(a.position.longitude, 8.61);
    EXPECT_EQ(a.position.altitude, 1200.0);
    EXPECT_EQ(a.position.heading, 1.0);
    EXPECT_EQ(a.speed, 140.0);
    EXPECT_EQ(a.verticalSpeed, 800.0);
    ASSERT_EQ(a.samples.size(), 1u);
    EXPECT_EQ(a.samples.front().latitude, 50.05);
    EXPECT_EQ(a.state, LiveState::inSimulator);
    EXPECT_TRUE(link.calls().empty());

    // Without a valid true heading the track (degrees) gives it; the queue then runs empty and
    // the aircraft goes through the link's release.
    trafficState.hooks.nextSample(a);
    EXPECT_EQ(a.position.latitude, 50.05);
    EXPECT_DOUBLE_EQ(a.position.heading, 90.0 * kRadiansPerDegree);
    EXPECT_TRUE(a.samples.empty());
    EXPECT_EQ(link.callTexts(), std::vector<std::string>{"releaseAiAircraft(DLH4)"});
    EXPECT_EQ(a.state, LiveState::beingRemoved);
    EXPECT_EQ(trafficState.removals, std::deque<std::uint32_t>{7});
}

TEST_F(TrafficHooksTest, TheTeleportReleasesAnAircraftWithNoSampleLeftAndMovesNothing) {
    ksb::test::FakeTrafficLink link;
    ksb::test::installTeleportMotion();
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft a = aircraft();
    a.samples.clear();
    trafficState.hooks.nextSample(a);
    EXPECT_EQ(a.position.latitude, 50.03);
    EXPECT_EQ(a.position.heading, 0.5);
    EXPECT_EQ(a.speed, 12.0);
    EXPECT_EQ(link.callTexts(), std::vector<std::string>{"releaseAiAircraft(DLH4)"});
    EXPECT_EQ(a.state, LiveState::beingRemoved);
}

// The stand manoeuvres are built: the departure check and the livery change are the real ones.
TEST_F(TrafficHooksTest, TheStandDefaultsAreTheStandManoeuvres) {
    ksb::test::FakeTrafficLink link;
    std::lock_guard traffic(trafficState.trafficMutex);
    const ksb::TrafficHooks& hooks = trafficState.hooks;
    // Parked, and the feed shows it far beyond its stand: released, the sample not taken.
    LiveAircraft parked = aircraft();
    parked.phase = FlightPhase::parked;
    parked.standLatitude = 50.0;
    parked.standLongitude = 8.57;
    PositionSample far = sample(50.06, true);
    EXPECT_FALSE(hooks.standDepartureCheck(parked, far));
    EXPECT_TRUE(parked.standChecked);
    EXPECT_EQ(parked.state, LiveState::beingRemoved);
    // A livery change in flight starts the new object where the old one is.
    LiveAircraft flying = aircraft();
    hooks.liveryChange(flying);
    EXPECT_EQ(flying.state, LiveState::toBeRecreated);
    ASSERT_EQ(flying.samples.size(), 3u);
    EXPECT_EQ(flying.samples.front().latitude, 50.03);
}

TEST_F(TrafficHooksTest, TheTestResetPutsTheDefaultHooksBack) {
    int replaced = 0;
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.landed = [&replaced](LiveAircraft&) { ++replaced; };
        trafficState.hooks.nextSample = [&replaced](LiveAircraft&) { ++replaced; };
        trafficState.hooks.acceptSample = [&replaced](LiveAircraft&, PositionSample&) {
            ++replaced;
            return false;
        };
    }
    gf_resetTrafficForTests();

    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft a = aircraft();
    PositionSample s = sample(50.06, true);
    trafficState.hooks.landed(a);
    EXPECT_TRUE(a.onGround);
    using Step = void (*)(LiveAircraft&);
    ASSERT_NE(trafficState.hooks.nextSample.target<Step>(), nullptr);
    EXPECT_EQ(*trafficState.hooks.nextSample.target<Step>(), &ksb::lf_nextSample);
    // The real filter: a new position far from the last queued one is taken.
    EXPECT_TRUE(trafficState.hooks.acceptSample(a, s));
    EXPECT_EQ(replaced, 0);
}

// Before the program's wiring the engine's link calls change nothing and fail; the user position
// is the worker's own copy.
TEST_F(TrafficHooksTest, TheUnwiredLinkTableDoesNothingAndAnswersTheWorkersCopy) {
    UserAircraftState worker;
    worker.latitude = 50.0333;
    worker.longitude = 8.5706;
    gf_setUserState(worker);

    std::lock_guard traffic(trafficState.trafficMutex);
    const ksb::TrafficLinkServices& link = trafficState.linkServices;
    LiveAircraft a = aircraft();
    link.queueCreateAiAircraft(AiCreateRequest{});
    link.queueRemoveAiAircraft(7);
    link.queueEnginesOn(7);
    link.queueEnginesOff(7);
    link.queueSetLights(7, {1, 1, 1, 1, 1, 1, 1});
    link.setThrottle(a, 2);
    link.setFlaps(a, 2);
    link.setSpoilers(a, true);
    link.shutdownAiAircraft(a);
    link.releaseAiAircraft(a);
    link.countRequestError();
    const LiveAircraft untouched = aircraft();
    EXPECT_EQ(fingerprint(a), fingerprint(untouched));
    EXPECT_EQ(a.lastThrottleState, 5u);
    EXPECT_EQ(a.lastFlapsState, 4u);

    std::vector<PositionUpdate> list(2);
    EXPECT_FALSE(link.trySwapPositionLists(list));
    link.swapPositionLists(list);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(link.frameRate(), 0.0F);
    EXPECT_FALSE(link.requestErrorSet());
    EXPECT_FALSE(link.requestAircraftInRange(84080.0));
    EXPECT_FALSE(link.requestStaticCg(7));
    EXPECT_FALSE(link.allLightsToggle(7));
    EXPECT_FALSE(link.setFlightPlan(7, "/data/orig_dest/7.pln"));
    const UserAircraftState answer = link.requestUserPosition();
    EXPECT_EQ(answer.latitude, 50.0333);
    EXPECT_EQ(answer.longitude, 8.5706);
}

} // namespace
