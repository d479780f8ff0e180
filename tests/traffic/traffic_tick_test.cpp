// The tick's own duties: pacing of the link's queues, the waiting keys, the range request, the
// user state, the dispatch by state, the erase pass and the position hand-over.
#include "core/globals.h"
#include "core/run_capacities.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "traffic/aircraft_lookup.h"

#include "engine_test_fixture.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

using ksb::test::EngineTest;

class TrafficTickTest : public EngineTest {
protected:
    // The recorded calls of the named members, each with its tick.
    std::vector<std::pair<std::string, std::int32_t>>
    callsOf(std::initializer_list<std::string> names) {
        std::vector<std::pair<std::string, std::int32_t>> result;
        for (const ksb::test::LinkCall& call : link().calls()) {
            for (const std::string& name : names) {
                if (call.name == name) {
                    result.emplace_back(call.text(), call.tick);
                }
            }
        }
        return result;
    }
    std::size_t waits() { return link().callsOf("swapPositionLists").size(); }
};

AiCreateRequest lf_tickTestRequest(std::uint32_t key) {
    AiCreateRequest request;
    request.flightKey = key;
    return request;
}

TEST_F(TrafficTickTest, RemovalsEveryTenTicksCreationsEveryFiftyLiveFirst) {
    std::vector<std::int32_t> built;
    {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.removals = {11, 12, 13};
        trafficState.liveCreations = {lf_tickTestRequest(20001), lf_tickTestRequest(20002)};
        trafficState.staticCreations = {lf_tickTestRequest(5)};
        trafficState.standsToFill.emplace_back();
        trafficState.hooks.createStaticParked = [&built] {
            built.push_back(trafficState.tickCounter.load());
        };
    }
    tick(151);
    using Call = std::pair<std::string, std::int32_t>;
    EXPECT_EQ(callsOf({"queueRemoveAiAircraft", "queueCreateAiAircraft"}),
              (std::vector<Call>{{"queueRemoveAiAircraft(11)", 0},
                                 {"queueCreateAiAircraft(, 20001)", 0},
                                 {"queueRemoveAiAircraft(12)", 10},
                                 {"queueRemoveAiAircraft(13)", 20},
                                 {"queueCreateAiAircraft(, 20002)", 50},
                                 {"queueCreateAiAircraft(, 5)", 100}}));
    // With a live request waiting nothing is built; once it went, the static request goes and
    // the next one is prepared, and with both queues empty the builder still runs.
    EXPECT_EQ(built, (std::vector<std::int32_t>{100, 150}));

    std::lock_guard lock(trafficState.trafficMutex);
    trafficState.standsToFill.clear();
    built.clear();
    trafficState.tickCounter = 200;
    trafficState.hooks.createStaticParked = [&built] { built.push_back(-1); };
    ::gf_trafficTick();
    EXPECT_TRUE(built.empty()) << "no stands left to fill";
}

// Sets exitInProgress for its life, as the exit does for the tick.
struct TickExitScope {
    explicit TickExitScope(bool exiting) { exitInProgress = exiting ? 1 : 0; }
    ~TickExitScope() { exitInProgress = 0; }
    TickExitScope(const TickExitScope&) = delete;
    TickExitScope& operator=(const TickExitScope&) = delete;
};

TEST_F(TrafficTickTest, DuringAnExitNothingNewGoesOutWhileRemovalsInboundAndMotionGoOn) {
    using Call = std::pair<std::string, std::int32_t>;
    struct Case {
        const char* name;
        bool exiting;
        std::vector<Call> queued;
        std::vector<std::int32_t> built;
        std::vector<std::uint32_t> waitingKeys;
        std::size_t liveRequests;
        std::size_t staticRequests;
    };
    const Case cases[] = {
        {"no exit: a live request, the waiting key's, then the static one and the builder",
         false,
         {{"queueRemoveAiAircraft(11)", 0},
          {"queueCreateAiAircraft(, 20001)", 0},
          {"queueRemoveAiAircraft(12)", 10},
          {"queueCreateAiAircraft(BAW2, 20002)", 50},
          {"queueCreateAiAircraft(, 5)", 100}},
         {100},
         {},
         0,
         0},
        {"exit under way: only the removals",
         true,
         {{"queueRemoveAiAircraft(11)", 0}, {"queueRemoveAiAircraft(12)", 10}},
         {},
         {20002},
         1,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        link().clearCalls();
        std::vector<std::int32_t> built;
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.removals = {11, 12};
            trafficState.liveCreations = {lf_tickTestRequest(20001)};
            trafficState.staticCreations = {lf_tickTestRequest(5)};
            trafficState.standsToFill.emplace_back();
            trafficState.hooks.createStaticParked = [&built] {
                built.push_back(trafficState.tickCounter.load());
            };
            addLive(20002, LiveState::creationRequested);
            trafficState.waitingKeys = {20002};
            addLive(20003, LiveState::beingRemoved, true, 41);
            addLive(20004, LiveState::inSimulator, true, 42).position.latitude = 51.0;
            trafficState.tickCounter = 0;
        }
        post(41, 0, SimInboundKind::objectRemoved);
        {
            const TickExitScope exit(c.exiting);
            tick(101);
        }
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.hooks.createStaticParked = [] {};
        }
        EXPECT_EQ(callsOf({"queueRemoveAiAircraft", "queueCreateAiAircraft"}), c.queued);
        EXPECT_EQ(built, c.built);
        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_EQ(trafficState.waitingKeys, c.waitingKeys);
        EXPECT_EQ(trafficState.liveCreations.size(), c.liveRequests);
        EXPECT_EQ(trafficState.staticCreations.size(), c.staticRequests);
        // The confirmed removal was handled and the aircraft in the simulator still moves.
        EXPECT_EQ(gf_liveByKey(20003), nullptr);
        const std::vector<PositionUpdate> sendList = link().sendList();
        ASSERT_EQ(sendList.size(), 1u);
        EXPECT_EQ(sendList[0].objectId, 42u);
        EXPECT_EQ(sendList[0].latitude, 51.0);
    }
}

TEST_F(TrafficTickTest, AWaitingKeyBecomesACreationRequest) {
    static const std::string title = "Airbus A320 British Airways";
    struct Case {
        const char* name;
        int samples; // 0 none, 1 on the ground, 2 airborne
        std::uint32_t onGround;
    };
    const Case cases[] = {
        {"first sample on the ground", 1, 1},
        {"first sample airborne", 2, 0},
        {"no sample left: on the ground", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            LiveAircraft& aircraft = addLive(20001, LiveState::creationRequested, c.samples == 2);
            if (c.samples == 0) {
                aircraft.samples.clear();
            }
            aircraft.callsign = "BAW123";
            aircraft.liveryTitle = title;
            aircraft.position.latitude = 51.4706;
            aircraft.position.longitude = -0.4619;
            aircraft.position.altitude = 83.0;
            aircraft.position.pitch = -0.1;
            aircraft.position.bank = 0.05;
            aircraft.position.heading = 1.5;
            aircraft.speed = 140.0;
            // The last key is taken first; the other names no aircraft any more.
            trafficState.waitingKeys = {20077, 20001};
            trafficState.tickCounter = 1;
        }
        tick(1);
        std::lock_guard lock(trafficState.trafficMutex);
        ASSERT_EQ(trafficState.liveCreations.size(), 1u);
        const AiCreateRequest& request = trafficState.liveCreations.front();
        EXPECT_EQ(request.initPosition.Latitude, 51.4706);
        EXPECT_EQ(request.initPosition.Longitude, -0.4619);
        EXPECT_EQ(request.initPosition.Altitude, 83.0);
        EXPECT_DOUBLE_EQ(request.initPosition.Pitch, -5.729577951308232);
        EXPECT_DOUBLE_EQ(request.initPosition.Bank, 2.864788975654116);
        EXPECT_DOUBLE_EQ(request.initPosition.Heading, 85.94366926962348);
        EXPECT_EQ(request.initPosition.OnGround, c.onGround);
        EXPECT_EQ(request.initPosition.Airspeed, 0u);
        EXPECT_EQ(request.callsign, "BAW123");
        EXPECT_EQ(request.liveryTitle.data(), title.data());
        EXPECT_EQ(request.flightKey, 20001u);
        EXPECT_EQ(trafficState.waitingKeys, (std::vector<std::uint32_t>{20077}));
        // One key per tick: the next drops the key whose aircraft has gone.
        ::gf_trafficTick();
        EXPECT_TRUE(trafficState.waitingKeys.empty());
        EXPECT_EQ(trafficState.liveCreations.size(), 1u);
    }
}

TEST_F(TrafficTickTest, RangeRequestEveryHundredTicksOrTwentyWhenFast) {
    struct Case {
        const char* name;
        bool fast;
        bool requestError;
        bool fails;
        std::vector<std::int32_t> ticks;
        int errors;
    };
    const Case cases[] = {
        {"every 100 ticks", false, false, false, {0, 100, 200}, 0},
        {"every 20 ticks while an aircraft flares",
         true,
         false,
         false,
         {0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200},
         0},
        {"none while the request-error flag is set", false, true, false, {}, 0},
        {"each failure logged and counted", false, false, true, {0, 100, 200}, 3},
    };
    injectionRadiusMetres = 28520; // 10 NM
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        link().clearCalls();
        const int errorsBefore = link().requestErrorCount();
        link().setRequestError(c.requestError);
        if (c.fails) {
            link().failAlways(ksb::test::RawLinkCall::requestAircraftInRange);
        } else {
            link().stopFailing(ksb::test::RawLinkCall::requestAircraftInRange);
        }
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.fastRange = c.fast;
        }
        const std::size_t linesBefore = log_.body().size();
        tick(201);
        std::vector<std::pair<std::string, std::int32_t>> expected;
        for (std::int32_t t : c.ticks) {
            expected.emplace_back("requestAircraftInRange(28520)", t);
        }
        EXPECT_EQ(callsOf({"requestAircraftInRange"}), expected);
        EXPECT_EQ(link().requestErrorCount() - errorsBefore, c.errors);
        const std::vector<std::string> body = log_.body();
        const std::vector<std::string> lines(body.begin() + linesBefore, body.end());
        EXPECT_EQ(lines, std::vector<std::string>(c.errors,
                                                  "===> SimConnect request ac within range fails"));
    }
}

UserAircraftState lf_tickTestUser(double latitude) {
    UserAircraftState state;
    state.latitude = latitude;
    state.longitude = 8.5706;
    state.altitudeAboveGround = 1200.0;
    return state;
}

TEST_F(TrafficTickTest, UserStateEveryHundredTicksIntoTheEngineAndTheWorkerCopy) {
    const auto userAsked = [this] { return link().callsOf("requestUserPosition").size(); };
    gf_setUserState(lf_tickTestUser(10.0));
    link().setUserState(lf_tickTestUser(47.45));
    tick(1);
    EXPECT_EQ(userAsked(), 1u);
    EXPECT_EQ(gf_userState().latitude, 47.45);
    EXPECT_EQ(gf_userState().altitudeAboveGround, 1200.0);

    link().setUserState(lf_tickTestUser(47.5));
    tick(99);
    EXPECT_EQ(userAsked(), 1u);
    EXPECT_EQ(gf_userState().latitude, 47.45);
    tick(1);
    EXPECT_EQ(userAsked(), 2u);
    EXPECT_EQ(gf_userState().latitude, 47.5);
    EXPECT_EQ(gf_userState().longitude, 8.5706);
    std::lock_guard lock(trafficState.trafficMutex);
    EXPECT_EQ(trafficState.userState.latitude, 47.5);
    EXPECT_EQ(trafficState.userState.altitudeAboveGround, 1200.0);
}

TEST_F(TrafficTickTest, UnwiredTheWorkerCopyStaysAsItIs) {
    trafficState.linkServices = ksb::TrafficLinkServices{};
    gf_setUserState(lf_tickTestUser(49.5));
    tick(201);
    EXPECT_EQ(gf_userState().latitude, 49.5);
    std::lock_guard lock(trafficState.trafficMutex);
    EXPECT_EQ(trafficState.userState.latitude, 49.5);
}

TEST_F(TrafficTickTest, HandOverByFrameRateWhileTheLinkIsBusyOrFree) {
    struct Case {
        const char* name;
        bool busy;
        float frameRate;
        bool sent;
        int waits;
    };
    const Case cases[] = {
        {"free at 30 frames per second", false, 30.0F, true, 0},
        {"free at 60 frames per second", false, 60.0F, true, 0},
        {"busy at 30: this tick's positions are lost", true, 30.0F, false, 0},
        {"busy at exactly 50: lost", true, 50.0F, false, 0},
        {"busy at 60: the tick waits", true, 60.0F, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            LiveAircraft& aircraft = addLive(20001, LiveState::inSimulator, true, 12);
            aircraft.position.latitude = 51.0;
            trafficState.tickCounter = 7;
        }
        link().setBusy(c.busy);
        link().setFrameRate(c.frameRate);
        const std::size_t waitsBefore = waits();
        // An update the link has not sent yet.
        link().setSendList({PositionUpdate{1.0, 2.0, 0, 0, 0, 0, 0, 0, 99}});
        tick(1);
        EXPECT_EQ(trafficState.tickCounter.load(), 8);
        EXPECT_EQ(waits() - waitsBefore, static_cast<std::size_t>(c.waits));
        const std::vector<PositionUpdate> sendList = link().sendList();
        if (c.sent) {
            ASSERT_EQ(sendList.size(), 1u);
            EXPECT_EQ(sendList[0].objectId, 12u);
            EXPECT_EQ(sendList[0].latitude, 51.0);
        } else {
            ASSERT_EQ(sendList.size(), 1u);
            EXPECT_EQ(sendList[0].objectId, 99u);
        }
        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_TRUE(trafficState.positionWrites.empty());
    }
}

TEST_F(TrafficTickTest, DispatchByStateAndTheFirstQueuedSample) {
    struct Case {
        const char* name;
        LiveState state;
        bool due;      // the tick has reached the first sample's play tick
        bool repeated; // the first queued sample repeats the previous position
        bool releasedBySample;
        int nextSamples;
        int curves;
        int admissions;
        bool written;
        double trueAirspeed;
    };
    const Case cases[] = {
        {"in the simulator, sample due", LiveState::inSimulator, true, false, false, 1, 1, 0, true,
         150.0},
        {"in the simulator, sample not yet due", LiveState::inSimulator, false, false, false, 0, 1,
         0, true, 150.0},
        {"a repeated position: no curve, no airspeed", LiveState::inSimulator, false, true, false,
         0, 0, 0, true, 0.0},
        {"released by its sample step: nothing written", LiveState::inSimulator, true, false, true,
         1, 0, 0, false, 150.0},
        {"new: admission", LiveState::newFlight, true, false, false, 0, 0, 1, false, 0.0},
        {"creation requested: nothing", LiveState::creationRequested, true, false, false, 0, 0, 0,
         false, 0.0},
        {"to be re-created: nothing", LiveState::toBeRecreated, true, false, false, 0, 0, 0, false,
         0.0},
        {"being removed: nothing", LiveState::beingRemoved, true, false, false, 0, 0, 0, false,
         0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int nextSamples = 0;
        int curves = 0;
        int admissions = 0;
        trafficState.reset();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            LiveAircraft& aircraft = addLive(20001, c.state, true, 12);
            aircraft.samples.front().dueTick = c.due ? 300 : 301;
            aircraft.samples.front().repeated = c.repeated;
            aircraft.speed = 150.0;
            aircraft.verticalSpeed = -900.0;
            trafficState.tickCounter = 300;
            const bool releases = c.releasedBySample;
            trafficState.hooks.nextSample = [&nextSamples, releases](LiveAircraft& a) {
                ++nextSamples;
                if (releases) {
                    trafficState.linkServices.releaseAiAircraft(a);
                }
            };
            trafficState.hooks.followCurve = [&curves](LiveAircraft&) { ++curves; };
            trafficState.hooks.admitNewAircraft = [&admissions](LiveAircraft&) { ++admissions; };
        }
        link().setBusy(false);
        link().setSendList({});
        tick(1);
        EXPECT_EQ(nextSamples, c.nextSamples);
        EXPECT_EQ(curves, c.curves);
        EXPECT_EQ(admissions, c.admissions);
        EXPECT_EQ(link().sendList().size(), c.written ? 1u : 0u);
        std::lock_guard lock(trafficState.trafficMutex);
        const LiveAircraft& aircraft = trafficState.live.front();
        if (c.state == LiveState::inSimulator) {
            // Feet per minute from the motion, feet per second to the simulator.
            EXPECT_EQ(aircraft.position.verticalSpeed, -15.0);
            EXPECT_EQ(aircraft.position.trueAirspeed, c.trueAirspeed);
        } else {
            EXPECT_EQ(aircraft.position.verticalSpeed, 0.0);
        }
    }
}

TEST_F(TrafficTickTest, TheErasePassKeepsOrderAndFreesTheStandsOfUnreleasedRecords) {
    {
        std::lock_guard lock(trafficState.trafficMutex);
        addStands(3);
        addLive(20001, LiveState::creationRequested).standId = 1;
        LiveAircraft& blocked = addLive(20002, LiveState::newFlight);
        blocked.standId = 2;
        blocked.erase = true;
        addLive(20003, LiveState::creationRequested);
        LiveAircraft& released = addLive(20004, LiveState::beingRemoved);
        released.standId = 3;
        released.erase = true;
        addLive(20005, LiveState::creationRequested);
    }
    tick(1);
    std::lock_guard lock(trafficState.trafficMutex);
    std::vector<std::uint32_t> keys;
    for (const LiveAircraft& aircraft : trafficState.live) {
        keys.push_back(aircraft.flightKey);
    }
    EXPECT_EQ(keys, (std::vector<std::uint32_t>{20001, 20003, 20005}));
    EXPECT_TRUE(standOccupied(1));
    EXPECT_FALSE(standOccupied(2));
    // Freed at its release; another aircraft may stand there by now.
    EXPECT_TRUE(standOccupied(3));
}

TEST_F(TrafficTickTest, TheInboundQueueKeepsTheRunCapacity) {
    trafficState.reserve(kRunCapacities);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        for (int i = 0; i < 5; ++i) {
            post(7, 20001, SimInboundKind::blockedCallsign);
        }
        tick(1);
        std::lock_guard traffic(trafficState.trafficMutex);
        EXPECT_TRUE(trafficState.inboundTaken.empty());
        std::lock_guard lock(trafficState.inboundMutex);
        EXPECT_TRUE(trafficState.inbound.empty());
        EXPECT_GE(trafficState.inbound.capacity(), kRunCapacities.inboundQueue);
    }
}

TEST_F(TrafficTickTest, TakingFeedRecordsLeavesTheLastFeedTimeStamp) {
    lastFeedTimeStamp = 1765400000.5;
    std::vector<LiveFlight> batch(4);
    batch[0].timeStamp = 1765400100.0;
    gf_takeFeedRecords(batch, 30);
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(lastFeedTimeStamp.load(), 1765400000.5);
}

} // namespace
