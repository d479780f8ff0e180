// Whole lives of flights against the fake link, tick by tick: fed, admitted, created, bound,
// started, moved, released, removed and erased; twenty of them paced by the tick; and one
// re-created after a route change.
#include "core/geodesy.h"
#include "core/parameters.h"
#include "simlink/send_queues.h"
#include "traffic/flight_plans.h"
#include "traffic/traffic_state.h"

#include "support/live_flight_builder.h"
#include "support/teleport_motion.h"
#include "support/traffic_harness.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ksb::test::FakeTrafficLink;
using ksb::test::LinkCall;
using ksb::test::LiveFlightBuilder;
using ksb::test::TrafficHarness;

constexpr const char* kScenarioTitle = "Airbus A320 British Airways";

// The calls of the named members, each as "tick: name(arguments)".
std::vector<std::string> lf_scenarioCalls(const FakeTrafficLink& link,
                                          const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const LinkCall& call : link.calls()) {
        for (const std::string& name : names) {
            if (call.name == name) {
                out.push_back(fmt::format("{}: {}", call.tick, call.text()));
            }
        }
    }
    return out;
}

fs::path lf_scenarioPlanFile(std::uint32_t object) {
    return gf_flightPlanFolder() / gf_flightPlanFileName(object);
}

// Admission at once with one title; flights from EGLL to EDDF, one record every 5 s. The
// aircraft jump from sample to sample, so that each is exactly on its sample when it falls due
// and ends with its last one: these lives are about the engine, not the motion.
class TrafficScenarioTest : public ::testing::Test {
protected:
    TrafficScenarioTest() {
        harness.admitAtOnce(kScenarioTitle);
        ksb::test::installTeleportMotion();
    }

    static LiveFlightBuilder flight(std::uint32_t hexid) {
        LiveFlightBuilder builder(hexid);
        builder.route("EGLL", "EDDF").stamps(ksb::test::kFirstFeedStamp, 5.0);
        return builder;
    }

    TrafficHarness harness;
    FakeTrafficLink& link = harness.link();
};

TEST_F(TrafficScenarioTest, OneFlightsWholeLife) {
    constexpr std::uint32_t kKey = 0x4ca001;
    constexpr std::uint32_t kObject = 42;

    // Four taxi records 5 s apart, fed on tick 3: the median is the third, so they play on
    // ticks 2003, 2503, 3003 and 3503.
    LiveFlightBuilder builder = flight(kKey);
    const std::vector<LiveFlight> track = builder.taxi(4);
    harness.tick(3);
    harness.feed(track, 30);
    {
        const LiveAircraft fed = harness.liveAircraft(kKey);
        EXPECT_EQ(fed.state, LiveState::newFlight);
        std::vector<std::int32_t> dueTicks;
        for (const PositionSample& sample : fed.samples) {
            dueTicks.push_back(sample.dueTick);
        }
        ASSERT_EQ(dueTicks, (std::vector<std::int32_t>{2003, 2503, 3003, 3503}));
    }

    // Admitted when its first sample is due, requested on the next multiple of 50.
    harness.tick(2003 - 3);
    EXPECT_EQ(harness.liveAircraft(kKey).state, LiveState::newFlight);
    harness.tick(1);
    EXPECT_EQ(harness.liveAircraft(kKey).state, LiveState::creationRequested);
    ASSERT_EQ(harness.queues().liveCreations.size(), 1u);
    harness.tick(2050 - 2004);
    EXPECT_TRUE(link.callsOf("queueCreateAiAircraft").empty());
    harness.tick(1);
    EXPECT_EQ(lf_scenarioCalls(link, {"queueCreateAiAircraft"}),
              (std::vector<std::string>{"2050: queueCreateAiAircraft(BAW123, 5021697)"}));
    EXPECT_TRUE(harness.queues().liveCreations.empty());
    {
        const std::vector<AiCreateRequest> sent = gf_sendQueueSnapshot().creations;
        ASSERT_EQ(sent.size(), 1u);
        const AiCreateRequest& request = sent.front();
        EXPECT_DOUBLE_EQ(request.initPosition.Latitude, track[0].latitude);
        EXPECT_DOUBLE_EQ(request.initPosition.Longitude, track[0].longitude);
        EXPECT_EQ(request.initPosition.Altitude, 0.0);
        EXPECT_DOUBLE_EQ(request.initPosition.Pitch, 0.6);
        EXPECT_EQ(request.initPosition.Bank, 0.0);
        EXPECT_DOUBLE_EQ(request.initPosition.Heading, 90.0);
        EXPECT_EQ(request.initPosition.OnGround, 1u);
        EXPECT_EQ(request.initPosition.Airspeed, 0u);
        EXPECT_EQ(request.callsign, "BAW123");
        EXPECT_EQ(request.liveryTitle.data(), harness.admittedTitle().data());
        EXPECT_EQ(request.flightKey, kKey);
    }

    // Bound on tick 2060: its plan and the static-CG request at once, the light toggles on
    // sequence ticks 50 and 100, the start on 200.
    harness.tick(2060 - 2051);
    link.clearCalls();
    harness.simAdds(kKey, kObject, 0.0);
    harness.tick(1);
    {
        const LiveAircraft bound = harness.liveAircraft(kKey);
        EXPECT_EQ(bound.objectId, kObject);
        EXPECT_EQ(bound.state, LiveState::creationRequested);
        EXPECT_TRUE(bound.onGround);
        EXPECT_TRUE(bound.hasFlightPlan);
    }
    EXPECT_TRUE(fs::exists(lf_scenarioPlanFile(kObject)));
    harness.tick(2259 - 2061);
    EXPECT_EQ(harness.liveAircraft(kKey).state, LiveState::creationRequested);
    harness.tick(1);
    const std::string planPath = fs::absolute(lf_scenarioPlanFile(kObject)).string();
    EXPECT_EQ(lf_scenarioCalls(link, {"setFlightPlan", "requestStaticCg", "allLightsToggle",
                                      "setSpoilers", "queueEnginesOn", "queueEnginesOff",
                                      "queueSetLights", "setThrottle", "setFlaps"}),
              (std::vector<std::string>{
                  "2060: setFlightPlan(42, " + planPath + ")",
                  "2060: requestStaticCg(42)",
                  "2109: allLightsToggle(42)",
                  "2159: allLightsToggle(42)",
                  "2259: setSpoilers(BAW123, false)",
                  "2259: queueEnginesOn(42)",
                  "2259: queueSetLights(42, 1 1 0 1 0 1 1)",
                  "2259: setThrottle(BAW123, 0)",
                  "2259: setFlaps(BAW123, 1)",
              }));
    EXPECT_EQ(harness.liveAircraft(kKey).state, LiveState::inSimulator);

    // One position a tick for its object, each handed to the link's send list; the samples
    // are played as they fall due.
    for (std::int32_t t = 2260; t < 3503; ++t) {
        harness.tick(1);
        const std::vector<PositionUpdate> sent = link.sendList();
        ASSERT_EQ(sent.size(), 1u) << "tick " << t;
        EXPECT_EQ(sent.front().objectId, kObject);
        if (t == 3003) {
            EXPECT_DOUBLE_EQ(sent.front().latitude, track[2].latitude);
            EXPECT_DOUBLE_EQ(sent.front().longitude, track[2].longitude);
            EXPECT_EQ(harness.liveAircraft(kKey).samples.size(), 1u);
        }
    }
    EXPECT_TRUE(link.callsOf("releaseAiAircraft").empty());

    // Its last sample played, it is released; its removal goes out on the next multiple of 10.
    harness.tick(1);
    EXPECT_TRUE(link.sendList().empty());
    EXPECT_EQ(harness.liveAircraft(kKey).state, LiveState::beingRemoved);
    EXPECT_EQ(harness.removals(), (std::vector<std::uint32_t>{kObject}));
    harness.tick(3510 - 3504);
    EXPECT_TRUE(link.callsOf("queueRemoveAiAircraft").empty());
    harness.tick(1);
    EXPECT_EQ(lf_scenarioCalls(link, {"releaseAiAircraft", "queueRemoveAiAircraft"}),
              (std::vector<std::string>{"3503: releaseAiAircraft(BAW123)",
                                        "3510: queueRemoveAiAircraft(42)"}));
    EXPECT_EQ(gf_sendQueueSnapshot().removals, (std::vector<std::uint32_t>{kObject}));
    EXPECT_TRUE(fs::exists(lf_scenarioPlanFile(kObject)));

    // The simulator confirms: the record is erased with its plan file.
    harness.simRemoved(kObject);
    harness.tick(1);
    EXPECT_TRUE(harness.live().empty());
    EXPECT_FALSE(fs::exists(lf_scenarioPlanFile(kObject)));
    EXPECT_EQ(link.requestErrorCount(), 0);
    EXPECT_TRUE(harness.messages().all().empty());
}

TEST_F(TrafficScenarioTest, TwentyFlightsUnderAutoSim) {
    harness.autoSim(7);
    constexpr int kFlights = 20;
    for (int i = 0; i < kFlights; ++i) {
        LiveFlightBuilder builder = flight(0x500000 + static_cast<std::uint32_t>(i));
        builder.callsign(fmt::format("BAW{}", 100 + i)).at(51.47 + 0.01 * i, -0.45);
        harness.feed(builder.taxi(3), 30);
    }
    ASSERT_EQ(harness.live().size(), static_cast<std::size_t>(kFlights));

    // Bounded: the last creation goes out near tick 3500, its flight ends 200 ticks later.
    for (int round = 0; round < 100 && !harness.live().empty(); ++round) {
        harness.tick(100);
    }
    EXPECT_TRUE(harness.live().empty());

    std::vector<std::int32_t> creationTicks;
    for (const LinkCall& call : link.calls()) {
        if (call.name == "queueCreateAiAircraft") {
            creationTicks.push_back(call.tick);
        }
    }
    ASSERT_EQ(creationTicks.size(), static_cast<std::size_t>(kFlights));
    for (std::size_t i = 1; i < creationTicks.size(); ++i) {
        EXPECT_EQ(creationTicks[i] - creationTicks[i - 1], 50) << "creation " << i;
    }

    // Every object bound once (one start each) and removed once.
    const std::vector<ksb::test::SimObject> objects = harness.simObjects();
    ASSERT_EQ(objects.size(), static_cast<std::size_t>(kFlights));
    std::map<std::uint32_t, int> keys;
    for (const ksb::test::SimObject& object : objects) {
        SCOPED_TRACE(object.objectId);
        ++keys[object.flightKey];
        EXPECT_EQ(object.removals, 1);
    }
    EXPECT_EQ(keys.size(), static_cast<std::size_t>(kFlights));
    EXPECT_EQ(link.callsOf("setFlaps").size(), static_cast<std::size_t>(kFlights));
    EXPECT_EQ(link.callsOf("setFlightPlan").size(), static_cast<std::size_t>(kFlights));
    EXPECT_TRUE(harness.removals().empty());
    const ksb::test::TrafficQueues queues = harness.queues();
    EXPECT_TRUE(queues.liveCreations.empty());
    EXPECT_TRUE(queues.startupSequences.empty());
    EXPECT_TRUE(fs::is_empty(gf_flightPlanFolder()));
}

TEST_F(TrafficScenarioTest, RecreationAfterARouteChange) {
    GUID_CHANGES.setRaw(true);
    LOG.setRaw(true);
    // The re-creation alone, without the sample a livery change puts where the aircraft stands.
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.liveryChange = [](LiveAircraft& a) {
            a.state = LiveState::toBeRecreated;
        };
    }
    constexpr std::uint32_t kKey = 0x4ca002;
    constexpr std::uint32_t kObject = 42;

    // Two records heading east, then four north, 5 s apart: played on ticks 1503 to 4003.
    LiveFlightBuilder builder = flight(kKey);
    std::vector<LiveFlight> track = builder.taxi(2);
    builder.track(0.0);
    for (LiveFlight& record : builder.taxi(4)) {
        track.push_back(record);
    }
    harness.tick(3);
    harness.feed(track, 30);
    harness.tick(1560 - 3); // admitted on 1503, requested on 1550
    harness.simAdds(kKey, kObject);
    harness.tick(1759 - 1560 + 1); // bound on 1560, started on 1759
    harness.tick(2003 - 1760 + 1); // the second sample played on 2003
    {
        const LiveAircraft started = harness.liveAircraft(kKey);
        ASSERT_EQ(started.state, LiveState::inSimulator);
        ASSERT_EQ(started.samples.size(), 4u);
        EXPECT_DOUBLE_EQ(started.position.heading, 90.0 * kRadiansPerDegree);
    }
    EXPECT_TRUE(fs::exists(lf_scenarioPlanFile(kObject)));

    // A newer record with another route: to be re-created where it stands; no sample.
    const std::size_t linesBefore = harness.log().body().size();
    builder.route("LFPG", "EHAM");
    harness.feed({builder.next()}, 30);
    {
        const LiveAircraft changed = harness.liveAircraft(kKey);
        EXPECT_EQ(changed.state, LiveState::toBeRecreated);
        EXPECT_EQ(changed.departure, "LFPG");
        EXPECT_EQ(changed.destination, "EHAM");
        EXPECT_TRUE(changed.hasRecreationHeading);
        EXPECT_DOUBLE_EQ(changed.recreationHeading, 90.0 * kRadiansPerDegree);
        EXPECT_EQ(changed.samples.size(), 4u);
    }
    EXPECT_EQ(harness.removals(), (std::vector<std::uint32_t>{kObject}));
    EXPECT_EQ(harness.log().body().size(), linesBefore + 1);

    // Its removal goes out on the next multiple of 10; nothing is sent for it meanwhile.
    link.clearCalls();
    harness.tick(2010 - 2004 + 1);
    EXPECT_EQ(lf_scenarioCalls(link, {"queueRemoveAiAircraft"}),
              (std::vector<std::string>{"2010: queueRemoveAiAircraft(42)"}));
    EXPECT_TRUE(link.sendList().empty());

    // The removal confirmed: new again, with its samples and title, its old plan gone.
    harness.simRemoved(kObject);
    harness.tick(1);
    {
        const LiveAircraft again = harness.liveAircraft(kKey);
        EXPECT_EQ(again.state, LiveState::newFlight);
        EXPECT_TRUE(again.recreating);
        EXPECT_EQ(again.objectId, 0u);
        EXPECT_EQ(again.samples.size(), 4u);
        EXPECT_EQ(again.liveryTitle.data(), harness.admittedTitle().data());
        EXPECT_EQ(again.phase, FlightPhase::taxi);
        EXPECT_EQ(again.lastThrottleState, 5u);
        EXPECT_EQ(again.lastFlapsState, 4u);
        EXPECT_FALSE(again.hasFlightPlan);
    }
    EXPECT_FALSE(fs::exists(lf_scenarioPlanFile(kObject)));

    // Admitted again when its next sample falls due (2503), requested on 2550 with the heading
    // it had when it was taken out, not its next sample's (north).
    harness.tick(2503 - 2012);
    EXPECT_EQ(harness.liveAircraft(kKey).state, LiveState::newFlight);
    harness.tick(1);
    EXPECT_EQ(harness.liveAircraft(kKey).state, LiveState::creationRequested);
    harness.tick(2550 - 2504 + 1);
    EXPECT_EQ(lf_scenarioCalls(link, {"queueCreateAiAircraft"}),
              (std::vector<std::string>{"2550: queueCreateAiAircraft(BAW123, 5021698)"}));
    const std::vector<AiCreateRequest> sent = gf_sendQueueSnapshot().creations;
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_DOUBLE_EQ(sent.back().initPosition.Heading, 90.0);
    EXPECT_EQ(sent.back().initPosition.OnGround, 1u);
    EXPECT_EQ(sent.back().flightKey, kKey);
    EXPECT_EQ(sent.back().liveryTitle.data(), harness.admittedTitle().data());

    // Bound to its new object, it gets a plan of its new route.
    harness.simAdds(kKey, 43);
    harness.tick(1);
    EXPECT_TRUE(harness.liveAircraft(kKey).hasFlightPlan);
    EXPECT_TRUE(fs::exists(lf_scenarioPlanFile(43)));
}

} // namespace
