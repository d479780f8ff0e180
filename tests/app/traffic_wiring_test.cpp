// The start-up wiring of the traffic engine's neighbours: after it, every member of the engine's
// link table and feed table reaches the link's and the feed's real functions.
#include "airports/park_airport_state.h"
#include "app/startup_services.h"
#include "feed/rt_clients.h"
#include "simlink/client/simconnect_capture.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "simlink/sim_session.h"
#include "traffic/traffic_state.h"

#include "support/simstub/packets.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

class TrafficWiring : public ::testing::Test {
protected:
    void SetUp() override {
        gf_resetTrafficForTests();
        gf_resetSimLinkStateForTests();
        capture = sc::makeCaptureHandle();
        gf_setSimHandleForTests(capture->get());
    }
    void TearDown() override {
        gf_setSimHandleForTests(nullptr);
        capture.reset();
        gf_resetSimLinkStateForTests();
        gf_setLinkServices(LinkServices{});
        gf_resetTrafficForTests();
    }

    // The name of each packet sent since the last call.
    std::vector<std::string> takePacketNames() {
        std::vector<std::string> names;
        for (const auto& packet : capture->packets()) {
            names.push_back(
                simstub::gf_decodePacket(
                    std::string_view(reinterpret_cast<const char*>(packet.data()), packet.size()))
                    .name);
        }
        capture->clearPackets();
        return names;
    }

    std::unique_ptr<sc::CaptureHandle> capture;
};

TEST_F(TrafficWiring, BeforeTheWiringTheEngineReachesNothing) {
    std::lock_guard traffic(trafficState.trafficMutex);
    const ksb::TrafficLinkServices& link = trafficState.linkServices;
    EXPECT_FALSE(link.setFlightPlan(1234, "/data/orig_dest/1234.pln"));
    EXPECT_FALSE(link.requestAircraftInRange(84080.0));
    link.queueRemoveAiAircraft(9);
    EXPECT_TRUE(takePacketNames().empty());
    EXPECT_TRUE(gf_sendQueueSnapshot().removals.empty());
    userHalfWingSpan = 0.0095;
    EXPECT_EQ(link.userHalfWingSpan(), 0.0);
}

TEST_F(TrafficWiring, EveryLinkMemberReachesTheLinksOwnFunction) {
    // The user position goes through the application's link table, so a fake of that table
    // steers it too.
    LinkServices fakeLink;
    fakeLink.requestUserPosition = [] {
        UserAircraftState state;
        state.latitude = 50.28;
        return state;
    };
    gf_wireStartupServices();
    gf_setLinkServices(fakeLink);

    ParkPosition stand;
    stand.standId = 3;
    stand.occupied = true;
    gf_parkAirportState().stands = {stand};
    std::lock_guard traffic(trafficState.trafficMutex);
    const ksb::TrafficLinkServices& link = trafficState.linkServices;

    AiCreateRequest request;
    request.callsign = "DLH4";
    request.flightKey = 20001;
    link.queueCreateAiAircraft(request);
    link.queueRemoveAiAircraft(9);
    link.queueEnginesOn(7);
    link.queueEnginesOff(7);
    link.queueSetLights(7, {1, 0, 0, 0, 0, 0, 0});
    AiAircraft aircraft;
    aircraft.callsign = "DLH4";
    aircraft.category = AircraftCategory::large;
    aircraft.objectId = 7;
    aircraft.standId = 3;
    aircraft.state = LiveState::inSimulator;
    link.setThrottle(aircraft, 2);
    link.setFlaps(aircraft, 3);
    link.setSpoilers(aircraft, true);
    SendQueueSnapshot queued = gf_sendQueueSnapshot();
    ASSERT_EQ(queued.creations.size(), 1u);
    EXPECT_EQ(queued.creations[0].flightKey, 20001u);
    EXPECT_EQ(queued.removals, std::vector<std::uint32_t>{9});
    std::vector<std::uint32_t> ids;
    for (const ClientEventRequest& event : queued.events) {
        ids.push_back(event.eventId);
    }
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{221, 222, 208, 207, 211, 209, 210, 213, 212, 223,
                                               218, 219}));
    EXPECT_EQ(aircraft.lastThrottleState, 2u);
    EXPECT_EQ(aircraft.lastFlapsState, 3u);

    link.shutdownAiAircraft(aircraft);
    EXPECT_EQ(aircraft.lastThrottleState, 0u);
    EXPECT_EQ(aircraft.lastFlapsState, 0u);
    link.releaseAiAircraft(aircraft);
    EXPECT_EQ(aircraft.state, LiveState::beingRemoved);
    EXPECT_FALSE(gf_parkAirportState().stands[0].occupied);
    EXPECT_EQ(trafficState.removals, std::deque<std::uint32_t>{7});

    std::vector<PositionUpdate> list(1);
    list[0].objectId = 7;
    EXPECT_TRUE(link.trySwapPositionLists(list));
    EXPECT_TRUE(list.empty());
    list.resize(2);
    link.swapPositionLists(list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(gf_sendQueueSnapshot().positionsToSend.size(), 2u);

    simFrameRate = 47.5F;
    EXPECT_EQ(link.frameRate(), 47.5F);
    EXPECT_FALSE(link.requestErrorSet());
    link.countRequestError();
    EXPECT_EQ(simRequestErrorCount.load(), 1);
    simRequestError = true;
    EXPECT_TRUE(link.requestErrorSet());
    simRequestError = false;

    EXPECT_TRUE(link.requestAircraftInRange(84080.0));
    EXPECT_TRUE(link.requestStaticCg(7));
    EXPECT_TRUE(link.allLightsToggle(7));
    EXPECT_TRUE(link.setFlightPlan(7, "/data/orig_dest/7.pln"));
    EXPECT_EQ(takePacketNames(),
              (std::vector<std::string>{"RequestDataOnSimObjectType", "RequestDataOnSimObject",
                                        "TransmitClientEvent", "AISetAircraftFlightPlan"}));

    EXPECT_EQ(link.requestUserPosition().latitude, 50.28);
    // The link's value as it changes, not a copy taken at the wiring.
    userHalfWingSpan = 0.0095;
    EXPECT_EQ(link.userHalfWingSpan(), 0.0095);
    userHalfWingSpan = 0.0188;
    EXPECT_EQ(link.userHalfWingSpan(), 0.0188);
}

TEST_F(TrafficWiring, TheFeedMemberTakesWhatTheFeedCollected) {
    gf_wireStartupServices();
    gf_rtSetCollectFlag();
    rtTrafficClient.collect("KLM1", 0x4b0001);
    std::set<std::string> callsigns{"OLD"};
    std::set<std::uint32_t> ids{1};
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.feedServices.takeSeenFlights(callsigns, ids);
    EXPECT_EQ(callsigns, std::set<std::string>{"KLM1"});
    EXPECT_EQ(ids, std::set<std::uint32_t>{0x4b0001});
    EXPECT_FALSE(rtTrafficClient.collectFlag.load());
}

} // namespace
