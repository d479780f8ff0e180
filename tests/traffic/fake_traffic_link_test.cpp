// The engine tests' simulator link: installed for its lifetime, recording every call with the
// tick, passing the queueing and control calls on to the real link and faking the rest.
#include "airports/park_airport_state.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "traffic/traffic_state.h"

#include "support/fake_traffic_link.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

using ksb::test::FakeTrafficLink;
using ksb::test::RawLinkCall;

class FakeTrafficLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_resetTrafficForTests();
        gf_resetSimLinkStateForTests();
    }
    void TearDown() override {
        gf_resetTrafficForTests();
        gf_resetSimLinkStateForTests();
    }

    static LiveAircraft aircraft() {
        LiveAircraft a;
        a.callsign = "DLH4";
        a.category = AircraftCategory::large;
        a.objectId = 7;
        a.standId = 2;
        a.state = LiveState::inSimulator;
        return a;
    }
};

TEST_F(FakeTrafficLinkTest, QueueingAndControlReachTheRealLinkAndTheTableComesBackAfterwards) {
    trafficState.linkServices.frameRate = [] { return 12.5F; };
    ParkPosition stand;
    stand.standId = 2;
    stand.occupied = true;
    gf_parkAirportState().stands = {stand};
    {
        FakeTrafficLink link;
        std::lock_guard traffic(trafficState.trafficMutex);
        const ksb::TrafficLinkServices& s = trafficState.linkServices;
        LiveAircraft a = aircraft();
        AiCreateRequest request;
        request.callsign = "DLH4";
        request.flightKey = 20001;
        s.queueCreateAiAircraft(request);
        trafficState.tickCounter = 10;
        s.queueRemoveAiAircraft(9);
        s.queueEnginesOn(7);
        s.queueEnginesOff(7);
        s.queueSetLights(7, {1, 1, 0, 0, 1, 1, 0});
        trafficState.tickCounter = 11;
        s.setThrottle(a, 4);
        s.setFlaps(a, 1);
        s.setSpoilers(a, false);
        s.setGear(a, true);
        s.queueCabinLights(7, 1);
        s.shutdownAiAircraft(a);
        s.releaseAiAircraft(a);

        const std::vector<ksb::test::LinkCall> calls = link.calls();
        std::vector<std::string> texts;
        std::vector<std::int32_t> ticks;
        for (const ksb::test::LinkCall& call : calls) {
            texts.push_back(call.text());
            ticks.push_back(call.tick);
        }
        EXPECT_EQ(texts,
                  (std::vector<std::string>{
                      "queueCreateAiAircraft(DLH4, 20001)", "queueRemoveAiAircraft(9)",
                      "queueEnginesOn(7)", "queueEnginesOff(7)", "queueSetLights(7, 1 1 0 0 1 1 0)",
                      "setThrottle(DLH4, 4)", "setFlaps(DLH4, 1)", "setSpoilers(DLH4, false)",
                      "setGear(DLH4, true)", "queueCabinLights(7, 1)", "shutdownAiAircraft(DLH4)",
                      "releaseAiAircraft(DLH4)"}));
        EXPECT_EQ(ticks,
                  (std::vector<std::int32_t>{0, 10, 10, 10, 10, 11, 11, 11, 11, 11, 11, 11}));
        EXPECT_EQ(link.callsOf("setFlaps"), std::vector<std::string>{"setFlaps(DLH4, 1)"});

        // The link's own bookkeeping and queues.
        const SendQueueSnapshot sent = gf_sendQueueSnapshot();
        ASSERT_EQ(sent.creations.size(), 1u);
        EXPECT_EQ(sent.creations[0].flightKey, 20001u);
        EXPECT_EQ(sent.removals, std::vector<std::uint32_t>{9});
        std::vector<std::uint32_t> eventIds;
        for (const ClientEventRequest& event : sent.events) {
            eventIds.push_back(event.eventId);
        }
        const std::vector<std::uint32_t> lights{208, 207, 211, 209, 210, 213, 212};
        std::vector<std::uint32_t> expected{221, 222};
        expected.insert(expected.end(), lights.begin(), lights.end());
        // Throttle, flaps, spoilers, gear and cabin lights, then the shutdown's events.
        expected.insert(expected.end(), {223, 218, 219, 220, 212, 223, 218, 222});
        expected.insert(expected.end(), lights.begin(), lights.end());
        EXPECT_EQ(eventIds, expected);
        EXPECT_EQ(a.lastFlapsState, 0u); // the shutdown's flaps up
        EXPECT_EQ(a.state, LiveState::beingRemoved);
        EXPECT_FALSE(gf_parkAirportState().stands[0].occupied);
        EXPECT_EQ(trafficState.removals, std::deque<std::uint32_t>{7});
    }
    std::lock_guard traffic(trafficState.trafficMutex);
    EXPECT_EQ(trafficState.linkServices.frameRate(), 12.5F);
    EXPECT_FALSE(trafficState.linkServices.requestStaticCg(7));
}

TEST_F(FakeTrafficLinkTest, RawCallsSucceedUnlessATestFailsThem) {
    FakeTrafficLink link;
    std::lock_guard traffic(trafficState.trafficMutex);
    const ksb::TrafficLinkServices& s = trafficState.linkServices;
    struct Case {
        const char* name;
        RawLinkCall kind;
        std::function<bool()> call;
        std::string text;
    };
    const Case cases[] = {
        {"range", RawLinkCall::requestAircraftInRange,
         [&] { return s.requestAircraftInRange(84080.0); }, "requestAircraftInRange(84080)"},
        {"static CG", RawLinkCall::requestStaticCg, [&] { return s.requestStaticCg(7); },
         "requestStaticCg(7)"},
        {"lights toggle", RawLinkCall::allLightsToggle, [&] { return s.allLightsToggle(7); },
         "allLightsToggle(7)"},
        {"flight plan", RawLinkCall::setFlightPlan,
         [&] { return s.setFlightPlan(7, "/data/orig_dest/7.pln"); },
         "setFlightPlan(7, /data/orig_dest/7.pln)"},
        {"spoilers and throttles", RawLinkCall::setSpoilersAndThrottles,
         [&] { return s.setSpoilersAndThrottles(7, 100.0, -100.0, -100.0); },
         "setSpoilersAndThrottles(7, 100, -100, -100)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.clearCalls();
        EXPECT_TRUE(c.call());
        link.failOnce(c.kind);
        EXPECT_FALSE(c.call());
        EXPECT_TRUE(c.call());
        link.failAlways(c.kind);
        EXPECT_FALSE(c.call());
        EXPECT_FALSE(c.call());
        link.stopFailing(c.kind);
        EXPECT_TRUE(c.call());
        EXPECT_EQ(link.callTexts(), std::vector<std::string>(6, c.text));
    }
    // Each failure is the test's own: the other calls still succeed.
    link.failAlways(RawLinkCall::requestStaticCg);
    EXPECT_TRUE(s.allLightsToggle(7));
    EXPECT_TRUE(gf_sendQueueSnapshot().events.empty());
}

TEST_F(FakeTrafficLinkTest, TheHandOverSwapsWithItsSendListUnlessBusy) {
    FakeTrafficLink link;
    std::lock_guard traffic(trafficState.trafficMutex);
    const ksb::TrafficLinkServices& s = trafficState.linkServices;
    std::vector<PositionUpdate> list(2);
    list[0].objectId = 7;
    list[1].objectId = 8;

    link.setBusy(true);
    EXPECT_FALSE(s.trySwapPositionLists(list));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_TRUE(link.sendList().empty());

    // The wait: recorded, then the lists change places and what comes back is empty.
    s.swapPositionLists(list);
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(link.sendList().size(), 2u);
    EXPECT_EQ(link.sendList()[1].objectId, 8u);

    link.setBusy(false);
    list.resize(1);
    list[0].objectId = 9;
    EXPECT_TRUE(s.trySwapPositionLists(list));
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(link.sendList().size(), 1u);
    EXPECT_EQ(link.sendList()[0].objectId, 9u);
    EXPECT_EQ(link.callTexts(),
              (std::vector<std::string>{"trySwapPositionLists(2)", "swapPositionLists(2)",
                                        "trySwapPositionLists(1)"}));
    // Nothing reached the link's own send list.
    EXPECT_TRUE(gf_sendQueueSnapshot().positionsToSend.empty());
}

TEST_F(FakeTrafficLinkTest, FrameRateRequestErrorsAndTheUserStateAreScripted) {
    FakeTrafficLink link;
    std::lock_guard traffic(trafficState.trafficMutex);
    const ksb::TrafficLinkServices& s = trafficState.linkServices;
    EXPECT_EQ(s.frameRate(), 30.0F);
    link.setFrameRate(60.0F);
    EXPECT_EQ(s.frameRate(), 60.0F);

    EXPECT_FALSE(s.requestErrorSet());
    link.setRequestError(true);
    EXPECT_TRUE(s.requestErrorSet());
    s.countRequestError();
    s.countRequestError();
    s.countRequestError();
    EXPECT_EQ(link.requestErrorCount(), 3);
    // The link's own count and flag are left alone: no restart from the fake.
    EXPECT_EQ(simRequestErrorCount.load(), 0);
    EXPECT_FALSE(simRequestError.load());

    UserAircraftState user;
    user.latitude = 50.0333;
    user.altitudeAboveGround = 12.0;
    link.setUserState(user);
    const UserAircraftState answer = s.requestUserPosition();
    EXPECT_EQ(answer.latitude, 50.0333);
    EXPECT_EQ(answer.altitudeAboveGround, 12.0);
    EXPECT_EQ(link.callsOf("requestUserPosition").size(), 1u);
    EXPECT_EQ(link.callsOf("countRequestError").size(), 3u);

    // The user's half span is the test's, never the link's atomic.
    userHalfWingSpan = 0.02;
    EXPECT_EQ(s.userHalfWingSpan(), 0.0);
    link.setUserHalfWingSpan(0.0095);
    EXPECT_EQ(s.userHalfWingSpan(), 0.0095);
    EXPECT_TRUE(link.callsOf("userHalfWingSpan").empty());
}

TEST_F(FakeTrafficLinkTest, WithTheRawCallsAloneTheRestIsTheLinksOwn) {
    ksb::test::FakeTrafficLink link(ksb::test::FakeLinkScope::rawCalls);
    link.failOnce(RawLinkCall::requestStaticCg);
    UserAircraftState user;
    user.latitude = 47.45;
    link.setUserState(user);
    simFrameRate = 45.0F;
    std::lock_guard traffic(trafficState.trafficMutex);
    const ksb::TrafficLinkServices& s = trafficState.linkServices;

    // The link's queues and hand-over, unrecorded.
    s.queueRemoveAiAircraft(9);
    std::vector<PositionUpdate> writes{PositionUpdate{1.0, 2.0, 0, 0, 0, 0, 0, 0, 9}};
    EXPECT_TRUE(s.trySwapPositionLists(writes));
    EXPECT_TRUE(writes.empty());
    const SendQueueSnapshot queued = gf_sendQueueSnapshot();
    EXPECT_EQ(queued.removals, (std::vector<std::uint32_t>{9}));
    ASSERT_EQ(queued.positionsToSend.size(), 1u);
    EXPECT_EQ(queued.positionsToSend.front().objectId, 9u);
    EXPECT_EQ(s.frameRate(), 45.0F);
    EXPECT_FALSE(s.requestErrorSet());

    // The raw calls and the user position are still the fake's.
    EXPECT_FALSE(s.requestStaticCg(9));
    EXPECT_TRUE(s.requestStaticCg(9));
    EXPECT_EQ(s.requestUserPosition().latitude, 47.45);
    EXPECT_EQ(link.callTexts(),
              (std::vector<std::string>{"requestStaticCg(9)", "requestStaticCg(9)",
                                        "requestUserPosition()"}));
}

} // namespace
