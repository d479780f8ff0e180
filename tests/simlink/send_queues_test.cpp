// The send queues, the per-frame sending, the control operations on an AI aircraft, its release,
// the request errors and the lock of the parked-traffic controls.
#include "link_fixture.h"

#include "airports/park_airport_state.h"
#include "core/random_engine.h"
#include "core/run_values.h"
#include "simlink/ai_control.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <functional>
#include <limits>

namespace {

using namespace linktest;

class SendQueues : public LinkTest {
protected:
    // "name object event data" for each packet.
    static std::vector<std::string>
    lf_describe(const std::vector<simstub::DecodedPacket>& packets) {
        std::vector<std::string> out;
        for (const auto& p : packets) {
            if (p.name == "TransmitClientEvent") {
                out.push_back(fmt::format("event {} {} {} group {}", p.fields.u32("objectId"),
                                          p.fields.u32("eventId"), p.fields.u32("data"),
                                          p.fields.u32("group")));
            } else if (p.name == "AIReleaseControl") {
                out.push_back(fmt::format("release {} {}", p.fields.u32("objectId"),
                                          p.fields.u32("requestId")));
            } else if (p.name == "SetDataOnSimObject") {
                out.push_back(fmt::format("position {} {} {}", p.fields.u32("objectId"),
                                          p.fields.u32("definitionId"), p.fields.u32("unitSize")));
            } else if (p.name == "AICreateNonATCAircraft") {
                out.push_back(
                    fmt::format("create {} {}", p.fields.text("tail"), p.fields.u32("requestId")));
            } else if (p.name == "AIRemoveObject") {
                out.push_back(fmt::format("remove {} {}", p.fields.u32("objectId"),
                                          p.fields.u32("requestId")));
            } else {
                out.push_back(p.name);
            }
        }
        return out;
    }

    static AiAircraft lf_aircraft(AircraftCategory category, std::uint32_t objectId = 7) {
        Flight flight;
        flight.callsign = "DLH4";
        flight.category = category;
        AiAircraft aircraft = gf_makeAiAircraft(flight, 0, 50.0, 8.0, 1.0, false);
        aircraft.objectId = objectId;
        return aircraft;
    }
};

TEST_F(SendQueues, ControlValues) {
    struct Case {
        const char* name;
        AircraftCategory category;
        std::function<void(AiAircraft&)> act;
        std::vector<std::string> events;
    };
    const auto large = AircraftCategory::large;
    const auto rotor = AircraftCategory::rotorcraft;
    const Case cases[] = {
        {"flaps 0..4",
         large,
         [](AiAircraft& a) {
             for (std::uint32_t s : {0u, 1u, 2u, 3u, 4u}) {
                 gf_setFlaps(a, s);
             }
         },
         {"7 218 0", "7 218 3072", "7 218 10240", "7 218 16383", "7 218 0"}},
        {"first flaps 4 sends nothing", large, [](AiAircraft& a) { gf_setFlaps(a, 4); }, {}},
        {"flaps repeated",
         large,
         [](AiAircraft& a) {
             gf_setFlaps(a, 2);
             gf_setFlaps(a, 2);
         },
         {"7 218 10240"}},
        {"rotorcraft flaps", rotor, [](AiAircraft& a) { gf_setFlaps(a, 2); }, {}},
        {"throttle 0..4",
         large,
         [](AiAircraft& a) {
             for (std::uint32_t s : {0u, 1u, 2u, 3u, 4u}) {
                 gf_setThrottle(a, s);
             }
         },
         {"7 223 0", "7 223 4914", "7 223 8191", "7 223 11468", "7 223 16383"}},
        {"throttle 5 after 2, then 2",
         large,
         [](AiAircraft& a) {
             gf_setThrottle(a, 2);
             gf_setThrottle(a, 5);
             gf_setThrottle(a, 2);
             gf_setThrottle(a, 2);
         },
         {"7 223 8191", "7 223 8191"}},
        {"rotorcraft throttle", rotor, [](AiAircraft& a) { gf_setThrottle(a, 1); }, {"7 223 4914"}},
        {"gear every call",
         large,
         [](AiAircraft& a) {
             gf_setGear(a, true);
             gf_setGear(a, true);
             gf_setGear(a, false);
         },
         {"7 220 1", "7 220 1", "7 220 0"}},
        {"rotorcraft gear", rotor, [](AiAircraft& a) { gf_setGear(a, true); }, {}},
        {"spoilers every call",
         large,
         [](AiAircraft& a) {
             gf_setSpoilers(a, true);
             gf_setSpoilers(a, true);
             gf_setSpoilers(a, false);
         },
         {"7 219 16383", "7 219 16383", "7 219 0"}},
        {"rotorcraft spoilers", rotor, [](AiAircraft& a) { gf_setSpoilers(a, true); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        AiAircraft aircraft = lf_aircraft(c.category);
        c.act(aircraft);
        std::vector<std::string> events;
        for (const ClientEventRequest& e : gf_sendQueueSnapshot().events) {
            events.push_back(fmt::format("{} {} {}", e.objectId, e.eventId, e.data));
        }
        EXPECT_EQ(events, c.events);
    }
}

TEST_F(SendQueues, AiAircraftConstructionAndCopy) {
    Flight flight;
    flight.callsign = "BAW1";
    flight.registration = "G-EUUA";
    flight.type = "A320";
    flight.flightKey = 4711;
    flight.halfWingSpan = 0.01;
    const AiAircraft aircraft = gf_makeAiAircraft(flight, 12, 51.47, -0.45, 1.5, true);
    EXPECT_EQ(aircraft.callsign, "BAW1");
    EXPECT_EQ(aircraft.registration, "G-EUUA");
    EXPECT_EQ(aircraft.flightKey, 4711u);
    EXPECT_EQ(aircraft.halfWingSpan, 0.01);
    EXPECT_EQ(aircraft.objectId, 0u);
    EXPECT_EQ(aircraft.standLatitude, 51.47);
    EXPECT_EQ(aircraft.standLongitude, -0.45);
    EXPECT_EQ(aircraft.standHeading, 1.5);
    EXPECT_EQ(aircraft.parkedAt, 0u);
    EXPECT_EQ(aircraft.trafficValue, 0u);
    EXPECT_EQ(aircraft.standId, 12u);
    EXPECT_EQ(aircraft.state, LiveState::newFlight);
    EXPECT_EQ(aircraft.lastThrottleState, 5u);
    EXPECT_EQ(aircraft.lastFlapsState, 4u);
    EXPECT_TRUE(aircraft.creatorFlag);
    EXPECT_FALSE(aircraft.trafficFlag1);
    EXPECT_FALSE(aircraft.trafficFlag2);

    AiAircraft other = aircraft;
    other.objectId = 9;
    other.lastFlapsState = 1;
    Flight renamed = flight;
    renamed.callsign = "BAW2";
    gf_copyFlight(other, renamed);
    EXPECT_EQ(other.callsign, "BAW2");
    EXPECT_EQ(other.objectId, 9u);
    EXPECT_EQ(other.lastFlapsState, 1u);
}

TEST_F(SendQueues, FrameSendsInOrder) {
    userObjectId = 3;
    std::vector<PositionUpdate> write;
    for (const std::uint32_t id : {2u, 3u, 9u}) {
        PositionUpdate update;
        update.objectId = id;
        update.latitude = 50.0 + id;
        write.push_back(update);
    }
    ASSERT_TRUE(gf_trySwapPositionLists(write));
    EXPECT_TRUE(write.empty());
    gf_queueRemoveAiAircraft(9);
    AiCreateRequest request;
    request.callsign = "DLH1";
    request.liveryTitle = "Title A";
    request.flightKey = 20000;
    gf_queueCreateAiAircraft(request);
    gf_queueEnginesOn(9);
    AiAircraft aircraft = lf_aircraft(AircraftCategory::large, 9);
    gf_setFlaps(aircraft, 1);
    gf_queueCabinLights(9, 1);
    sendFrame();
    EXPECT_EQ(
        lf_describe(takePackets()),
        (std::vector<std::string>{"position 9 402 64", "event 9 221 0 group 301", "release 9 103",
                                  "event 9 218 3072 group 301", "release 9 103",
                                  "event 9 212 1 group 301", "create DLH1 104", "remove 9 105"}));
    const auto snapshot = gf_sendQueueSnapshot();
    EXPECT_TRUE(snapshot.positionsToSend.empty());
    EXPECT_TRUE(snapshot.events.empty());
    EXPECT_TRUE(snapshot.creations.empty());
    EXPECT_TRUE(snapshot.removals.empty());
    ASSERT_EQ(gf_pendingCreations().size(), 1u);
    EXPECT_EQ(gf_pendingCreations()[0].callsign, "DLH1");
    EXPECT_EQ(gf_pendingCreations()[0].flightKey, 20000u);
    // The next frame sends nothing.
    sendFrame();
    EXPECT_TRUE(takePackets().empty());
}

TEST_F(SendQueues, SwapDropsWhatWasNotSent) {
    std::vector<PositionUpdate> write;
    write.push_back(PositionUpdate{1.0, 2.0, 0, 0, 0, 0, 0, 0, 11});
    gf_swapPositionLists(write);
    write.push_back(PositionUpdate{3.0, 4.0, 0, 0, 0, 0, 0, 0, 12});
    gf_swapPositionLists(write);
    EXPECT_TRUE(write.empty());
    const auto toSend = gf_sendQueueSnapshot().positionsToSend;
    ASSERT_EQ(toSend.size(), 1u);
    EXPECT_EQ(toSend[0].objectId, 12u);
    // The clear empties the send list; the engine's write list is its own.
    write.push_back(PositionUpdate{});
    gf_clearPositionQueues();
    EXPECT_EQ(write.size(), 1u);
    EXPECT_TRUE(gf_sendQueueSnapshot().positionsToSend.empty());
}

TEST_F(SendQueues, FailedTransmissionAndFailedRequests) {
    gf_queueClientEvent(9, 218, 0);
    gf_queueClientEvent(9, 208, 1);
    capture->failTransport(ScCloseReason::remoteDisconnect, kScStatusRemoteDisconnect);
    sendFrame();
    EXPECT_TRUE(takePackets().empty());
    EXPECT_EQ(messages->messages(),
              (std::vector<std::string>{"SimConnect TransmitClientEvent: 218 fails",
                                        "SimConnect TransmitClientEvent: 208 fails"}));
    EXPECT_EQ(simRequestErrorCount.load(), 0);
}

TEST_F(SendQueues, ThirdRequestErrorRestartsAndEmptiesTheQueues) {
    userObjectId = 1;
    // A callsign of 12 characters does not fit the tail number: the creation fails locally.
    AiCreateRequest request;
    request.callsign = "ABCDEFGHIJKL";
    request.liveryTitle = "Title A";
    request.flightKey = 30001;
    gf_queueCreateAiAircraft(request);
    gf_queueRemoveAiAircraft(1);
    sendFrame();
    EXPECT_TRUE(takePackets().empty());
    EXPECT_EQ(takeLog(), (std::vector<std::string>{
                             "! Simcon call to create ac in sim failed, hexid:30001, liv: \"Title "
                             "A\", callsign: ABCDEFGHIJKL",
                             "01:00:00!Simconnect call to remove AI ac with objectId 1"}));
    EXPECT_EQ(simRequestErrorCount.load(), 1);
    EXPECT_TRUE(gf_pendingCreations().empty());
    EXPECT_TRUE(engine->postedEvents().empty());
    lf_countRequestError();
    EXPECT_FALSE(simRequestError.load());
    EXPECT_TRUE(exits->all().empty());
    lf_countRequestError();
    EXPECT_TRUE(simRequestError.load());
    EXPECT_EQ(messages->messages(),
              std::vector<std::string>{"SimConnect request error 3, see Log.txt"});
    EXPECT_EQ(exits->all(), (std::vector<ksb::test::RecordedExit>{{ExitReason::RESTART, 10}}));
    // From now on every queue but the removals is emptied unsent, and the user position is not
    // asked for: the restart's removals still take the objects out.
    gf_queueClientEvent(9, 208, 1);
    gf_queueRemoveAiAircraft(9);
    gf_queueCreateAiAircraft(request);
    std::vector<PositionUpdate> write{PositionUpdate{1.0, 2.0, 0, 0, 0, 0, 0, 0, 9}};
    gf_swapPositionLists(write);
    sendFrame();
    gf_requestUserPosition();
    EXPECT_EQ(lf_describe(takePackets()), std::vector<std::string>{"remove 9 105"});
    const auto snapshot = gf_sendQueueSnapshot();
    EXPECT_TRUE(snapshot.positionsToSend.empty() && snapshot.events.empty() &&
                snapshot.creations.empty() && snapshot.removals.empty());
    gf_clearSimRequestError();
    EXPECT_FALSE(simRequestError.load());
}

// An exit drops the creations not yet sent; request errors drop everything but the removals.
TEST_F(SendQueues, UnderAnExitOrRequestErrorsTheRemovalsStillGo) {
    struct Case {
        const char* name;
        bool exiting;
        bool requestError;
        std::vector<std::string> packets;
        std::size_t pending;
    };
    const std::vector<std::string> everything = {"position 9 402 64", "event 9 208 1 group 301",
                                                 "create DLH1 104", "remove 8 105"};
    const Case cases[] = {
        {"neither", false, false, everything, 1},
        {"exit under way",
         true,
         false,
         {"position 9 402 64", "event 9 208 1 group 301", "remove 8 105"},
         0},
        {"request errors", false, true, {"remove 8 105"}, 0},
        {"both", true, true, {"remove 8 105"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        gf_setSimHandleForTests(capture->get());
        userObjectId = 1;
        takePackets();
        gf_queueClientEvent(9, 208, 1);
        gf_queueRemoveAiAircraft(8);
        AiCreateRequest request;
        request.callsign = "DLH1";
        request.liveryTitle = "Title A";
        request.flightKey = 20000;
        gf_queueCreateAiAircraft(request);
        std::vector<PositionUpdate> write{PositionUpdate{1.0, 2.0, 0, 0, 0, 0, 0, 0, 9}};
        gf_swapPositionLists(write);
        exitInProgress = c.exiting ? 1 : 0;
        simRequestError = c.requestError;
        sendFrame();
        exitInProgress = 0;
        EXPECT_EQ(lf_describe(takePackets()), c.packets);
        EXPECT_EQ(gf_pendingCreations().size(), c.pending);
        const auto snapshot = gf_sendQueueSnapshot();
        EXPECT_TRUE(snapshot.positionsToSend.empty() && snapshot.events.empty() &&
                    snapshot.creations.empty() && snapshot.removals.empty());
        EXPECT_EQ(simRequestErrorCount.load(), 0);
    }
    simRequestError = false;
}

// The link thread sends what is still queued as it stops; without a connection nothing goes and
// the removals wait.
TEST_F(SendQueues, TheRemovalsStillQueuedGoWhenTheThreadStops) {
    gf_resetSimLinkStateForTests();
    gf_setSimHandleForTests(capture->get());
    userObjectId = 1;
    gf_queueRemoveAiAircraft(7);
    gf_queueRemoveAiAircraft(8);
    gf_queueClientEvent(9, 208, 1);
    gf_sendQueuedRemovals();
    EXPECT_EQ(lf_describe(takePackets()),
              (std::vector<std::string>{"remove 7 105", "remove 8 105"}));
    EXPECT_TRUE(gf_sendQueueSnapshot().removals.empty());
    EXPECT_EQ(gf_sendQueueSnapshot().events.size(), 1u);

    gf_setSimHandleForTests(nullptr);
    gf_queueRemoveAiAircraft(9);
    gf_sendQueuedRemovals();
    simRequestError = true;
    sendFrame();
    EXPECT_TRUE(takePackets().empty());
    EXPECT_EQ(gf_sendQueueSnapshot().removals, std::vector<std::uint32_t>{9});
    gf_resetSimLinkStateForTests();
}

TEST_F(SendQueues, FailedRemovalIsCounted) {
    capture->failTransport(ScCloseReason::remoteDisconnect, kScStatusRemoteDisconnect);
    gf_queueRemoveAiAircraft(9);
    sendFrame();
    EXPECT_EQ(takeLog(), std::vector<std::string>{
                             "01:00:00!Simconnect call to remove AI ac from sim failed, id 9?"});
    EXPECT_EQ(simRequestErrorCount.load(), 1);
}

TEST_F(SendQueues, Requests) {
    struct Case {
        const char* name;
        std::function<void()> call;
        std::vector<std::string> packets; // "request definition object period"
        std::string failLine;
        int failCount;
    };
    const Case cases[] = {
        {"user position",
         [] { gf_requestUserPosition(); },
         {"109 403 0 1"},
         "===> SimConnect request user ac position fails",
         1},
        {"title and model",
         [] { gf_requestUserTitleAndModel(); },
         {"106 407 0 1", "107 408 0 1"},
         "===> SimConnect request user ac title fails",
         2},
        {"on-ground data", [] { gf_requestOnGroundData(); }, {"108 409 0 4"}, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        capture = sc::makeCaptureHandle();
        gf_setSimHandleForTests(capture->get());
        c.call();
        std::vector<std::string> sent;
        for (const auto& p : takePackets()) {
            sent.push_back(fmt::format("{} {} {} {}", p.fields.u32("requestId"),
                                       p.fields.u32("definitionId"), p.fields.u32("objectId"),
                                       p.fields.u32("period")));
        }
        EXPECT_EQ(sent, c.packets);
        capture->failTransport(ScCloseReason::remoteDisconnect, kScStatusRemoteDisconnect);
        takeLog();
        c.call();
        const auto lines = takeLog();
        if (c.failLine.empty()) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines[0], c.failLine);
        }
        EXPECT_EQ(simRequestErrorCount.load(), c.failCount);
    }
    // The caller of request 108 learns whether it was sent.
    EXPECT_FALSE(gf_requestOnGroundData());
    capture = sc::makeCaptureHandle();
    gf_setSimHandleForTests(capture->get());
    EXPECT_TRUE(gf_requestOnGroundData());
}

TEST_F(SendQueues, GuardedAccessWithoutAConnectionCallsNothing) {
    gf_setSimHandleForTests(nullptr);
    bool called = false;
    EXPECT_EQ(gf_withSimConnect([&](SimConnectHandle*) {
                  called = true;
                  return kScOk;
              }),
              kScFail);
    EXPECT_FALSE(called);
    EXPECT_FALSE(gf_requestOnGroundData());
    gf_setSimHandleForTests(capture->get());
    EXPECT_EQ(gf_withSimConnect([&](SimConnectHandle* handle) {
                  called = handle == capture->get();
                  return ScResult{42};
              }),
              42u);
    EXPECT_TRUE(called);
}

TEST_F(SendQueues, Shutdown) {
    struct Case {
        const char* name;
        bool navWhileParked;
        bool creatorFlag;
        std::uint32_t seed;
    };
    const Case cases[] = {
        {"nav lights while parked", true, false, 1},
        {"flag keeps the cabin dark", false, true, 1},
        {"another seed", false, false, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetSimLinkStateForTests();
        NAV_LIGHTS_WHILE_PARKED.setRaw(c.navWhileParked);
        gf_setRandomSeedForTests(c.seed);
        std::mt19937 expected(c.seed);
        const std::uint32_t cabin = c.creatorFlag ? 0 : (expected() % 10 <= 8 ? 1 : 0);
        AiAircraft aircraft = lf_aircraft(AircraftCategory::large, 7);
        aircraft.creatorFlag = c.creatorFlag;
        gf_setThrottle(aircraft, 2);
        gf_setFlaps(aircraft, 2);
        gf_queueClientEvent(0, 0, 0);
        gf_resetSimLinkStateForTests();
        gf_shutdownAiAircraft(aircraft);
        std::vector<std::string> events;
        for (const ClientEventRequest& e : gf_sendQueueSnapshot().events) {
            events.push_back(fmt::format("{} {}", e.eventId, e.data));
        }
        EXPECT_EQ(events, (std::vector<std::string>{"223 0", "218 0", "222 0",
                                                    fmt::format("208 {}", c.navWhileParked ? 1 : 0),
                                                    "207 0", "211 0", "209 0", "210 0", "213 1",
                                                    fmt::format("212 {}", cabin)}));
        EXPECT_EQ(aircraft.lastThrottleState, 0u);
        EXPECT_EQ(aircraft.lastFlapsState, 0u);
    }
    gf_setRandomSeedForTests(std::nullopt);
}

TEST_F(SendQueues, ReleaseBookkeeping) {
    ParkPosition stand1;
    stand1.standId = 4;
    stand1.occupied = true;
    ParkPosition stand2 = stand1;
    gf_parkAirportState().stands = {stand1, stand2};
    AiAircraft aircraft = lf_aircraft(AircraftCategory::large, 17);
    aircraft.standId = 4;
    aircraft.state = LiveState::inSimulator;
    gf_releaseAiAircraft(aircraft);
    EXPECT_EQ(aircraft.state, LiveState::beingRemoved);
    EXPECT_FALSE(gf_parkAirportState().stands[0].occupied);
    EXPECT_TRUE(gf_parkAirportState().stands[1].occupied);
    EXPECT_EQ(trafficState.removals, std::deque<std::uint32_t>{17});
    // A second release must not free the stand another aircraft holds by now.
    gf_parkAirportState().stands[0].occupied = true;
    gf_releaseAiAircraft(aircraft);
    EXPECT_TRUE(gf_parkAirportState().stands[0].occupied);
    EXPECT_EQ(trafficState.removals, std::deque<std::uint32_t>{17});

    AiAircraft unseen = lf_aircraft(AircraftCategory::large, 0);
    unseen.state = LiveState::creationRequested;
    takeLog();
    gf_releaseAiAircraft(unseen);
    EXPECT_EQ(unseen.state, LiveState::beingRemoved);
    EXPECT_EQ(takeLog(), std::vector<std::string>{"===> removing act " + unseen.describe() +
                                                  " with objectId=0 ?"});
    EXPECT_EQ(trafficState.removals.size(), 1u);

    trafficState.statics.push_back(lf_aircraft(AircraftCategory::large, 21));
    EXPECT_TRUE(gf_releaseAiAircraftById(21));
    EXPECT_FALSE(gf_releaseAiAircraftById(22));
    EXPECT_FALSE(gf_releaseAiAircraftById(0));
    EXPECT_EQ(trafficState.statics[0].state, LiveState::beingRemoved);
    EXPECT_EQ(trafficState.removals, (std::deque<std::uint32_t>{17, 21}));
}

TEST_F(SendQueues, LockAndUnlockTheParkedTrafficControls) {
    std::vector<std::uint16_t> locked;
    for (const ParameterControl* control : std::initializer_list<const ParameterControl*>{
             &parking_percentage, &INITIAL_LOAD_ONLY, &PARK_FAKE, &PARK_SOFT, &RT_PARKTRAFFIC_ONLY,
             &MAX_FIT_FL, &WEEK, &FLUSH_STATIC_BUTTON, &REREAD_BUTTON}) {
        gf_registerControl(
            ui::ControlSpec{control->commandId(), ui::Kind::Edit, 0, 0, 10, 10, "", true, false});
        locked.push_back(control->commandId());
    }
    gf_lockControls();
    EXPECT_TRUE(controlsLocked.load());
    for (const std::uint16_t id : locked) {
        EXPECT_FALSE(gf_controlEnabled(id)) << id;
    }
    ASSERT_FALSE(messages->all().empty());
    EXPECT_EQ(messages->all().back().kind, ksb::test::RecordedMessage::Kind::clear);

    RT_PARKTRAFFIC_ONLY.setRaw(true);
    gf_unlockControls();
    EXPECT_FALSE(controlsLocked.load());
    EXPECT_TRUE(gf_controlEnabled(RT_PARKTRAFFIC_ONLY.commandId()));
    EXPECT_TRUE(gf_controlEnabled(FLUSH_STATIC_BUTTON.commandId()));
    EXPECT_TRUE(gf_controlEnabled(REREAD_BUTTON.commandId()));
    // With RT_PARKTRAFFIC_ONLY on, the six parked-traffic controls stay off.
    EXPECT_FALSE(gf_controlEnabled(parking_percentage.commandId()));
    EXPECT_FALSE(gf_controlEnabled(WEEK.commandId()));
    RT_PARKTRAFFIC_ONLY.setRaw(false);
    gf_unlockControls();
    EXPECT_TRUE(gf_controlEnabled(parking_percentage.commandId()));
    EXPECT_TRUE(gf_controlEnabled(WEEK.commandId()));
    EXPECT_TRUE(gf_controlEnabled(MAX_FIT_FL.commandId()));
}

} // namespace

namespace {

// The engine's own simulator calls: one packet each through the guarded access; false without a
// connection and when the connection has failed, with nothing sent.
TEST_F(SendQueues, TheEngineCallsSendOnePacketOrAnswerFalse) {
    struct Case {
        const char* name;
        std::function<bool()> call;
        std::string packet; // "name fields"
    };
    const Case cases[] = {
        {"range request", [] { return gf_requestAircraftInRange(84080.0); },
         "RequestDataOnSimObjectType requestId=101 definitionId=404 radius=84080 objectType=2"},
        {"static CG request", [] { return gf_requestStaticCg(1234); },
         "RequestDataOnSimObject requestId=102 definitionId=405 objectId=1234 period=1 flags=0 "
         "origin=0 interval=0 limit=0"},
        {"all lights toggle", [] { return gf_sendAllLightsToggle(1234); },
         "TransmitClientEvent objectId=1234 eventId=214 data=0 group=301 flags=0"},
        {"flight plan", [] { return gf_setAiFlightPlan(1234, "/data/orig_dest/1234.pln"); },
         "AISetAircraftFlightPlan objectId=1234 path=\"/data/orig_dest/1234.pln\" requestId=110"},
        {"spoilers and throttles", [] { return gf_setSpoilersAndThrottles(1234, 100, -100, 0); },
         "SetDataOnSimObject definitionId=401 objectId=1234 flags=0 count=1 unitSize=24"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        capture = sc::makeCaptureHandle();
        gf_setSimHandleForTests(capture->get());
        EXPECT_TRUE(c.call());
        const std::vector<simstub::DecodedPacket> packets = takePackets();
        ASSERT_EQ(packets.size(), 1u);
        EXPECT_EQ(packets[0].name + " " + packets[0].fields.format(), c.packet);

        capture->failTransport(ScCloseReason::remoteDisconnect, kScStatusRemoteDisconnect);
        EXPECT_FALSE(c.call());
        EXPECT_TRUE(takePackets().empty());

        gf_setSimHandleForTests(nullptr);
        EXPECT_FALSE(c.call());
        EXPECT_TRUE(takePackets().empty());
    }
    // None of them counts a failure: the engine does, with its own line.
    EXPECT_EQ(simRequestErrorCount.load(), 0);
}

TEST_F(SendQueues, TheRangeRadiusNeverLeavesTheRequestsField) {
    struct Case {
        const char* name;
        double metres;
        std::uint32_t radius;
    };
    const Case cases[] = {
        {"fraction dropped", 84080.9, 84080},
        {"negative", -5.0, 0},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), 0},
        {"too large", 1e12, 4294967295u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(gf_requestAircraftInRange(c.metres));
        const std::vector<simstub::DecodedPacket> packets = takePackets();
        ASSERT_EQ(packets.size(), 1u);
        EXPECT_EQ(packets[0].fields.u32("radius"), c.radius);
    }
}

} // namespace

namespace {

// Definition 401 carries the spoiler handle and both throttle levers as three doubles, in that
// order, so a touch-down's reversed levers reach the simulator with their sign.
TEST_F(SendQueues, SpoilersAndThrottlesGoOutAsThreeDoublesInDefinitionOrder) {
    ASSERT_TRUE(gf_setSpoilersAndThrottles(1234, 100.0, -100.0, -100.0));
    const std::vector<std::vector<std::uint8_t>> packets = capture->packets();
    ASSERT_EQ(packets.size(), 1u);
    const std::string_view bytes(reinterpret_cast<const char*>(packets[0].data()),
                                 packets[0].size());
    ASSERT_EQ(bytes.size(), 36u + 24u);
    EXPECT_EQ(simstub::gf_readF64(bytes, 36), 100.0);
    EXPECT_EQ(simstub::gf_readF64(bytes, 44), -100.0);
    EXPECT_EQ(simstub::gf_readF64(bytes, 52), -100.0);
    capture->clearPackets();
}

} // namespace
