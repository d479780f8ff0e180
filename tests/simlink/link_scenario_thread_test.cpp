// The link's main road: the real link thread against the simulator stand-in, over the pipe
// stand-in and over TCP, while the test thread plays the run phase and the traffic engine.
#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/clock.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "simlink/ai_control.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_session.h"
#include "support/catalogue_fixtures.h"
#include "support/fake_traffic_engine.h"
#include "support/log_capture.h"
#include "support/recording_sinks.h"
#include "support/scoped_env.h"
#include "support/simstub/sim_stub_fixture.h"
#include "support/temp_folder.h"
#include "support/wait_for.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <list>
#include <optional>

namespace {

using namespace std::chrono_literals;
using ksb::test::waitFor;

class LinkMainRoad : public simstub::SimStubTest {
protected:
    simstub::Scenario makeScenario() override {
        simstub::Scenario scenario = SimStubTest::makeScenario();
        scenario.user.title = "Test A320";
        scenario.user.model = "TT:ATCCOM.AC_MODEL_A320.0.text";
        scenario.user.groundSpeed = 0.0;
        scenario.user.onGround = true;
        scenario.frameHz = 30.0;
        scenario.frameRate = 30.0;
        return scenario;
    }

    void SetUp() override {
        SimStubTest::SetUp();
        folder.emplace();
        log.emplace();
        messages.emplace();
        exits.emplace();
        engine.emplace();
        ksb::test::DbaseSpec spec;
        spec.aircrafts = {"A320", "B744", "C172", "C25A", "EC35", "F16"};
        spec.large = {"A320"};
        spec.heavy = {"B744"};
        spec.buzjet = {"C25A"};
        spec.rotorcraft = {"EC35"};
        spec.highPerformance = {"F16"};
        spec.cargoTypes = {"B744"};
        spec.similar = {{"A320", "A319"}};
        spec.icaoAirlines = {"DLH"};
        spec.cargoOperators = {"FDX"};
        spec.publishers = {"Aerosoft"};
        spec.wingspans = {{"A320", "34.0"}, {"B744", "64.4"}};
        spec.records = {{"D-AIPA", "DLH", "A320", "DLH", false}};
        ksb::test::writeDbaseXml(spec);
        ASSERT_TRUE(gf_readDbase());
        SIM_INSTALL_PATH.assign("C:\\Program Files\\Lockheed Martin\\Prepar3D v5");
        engine->standName = "A5";
        std::lock_guard lock(trafficState.trafficMutex);
        ParkPosition stand;
        stand.name = "C3";
        stand.standId = 3;
        gf_parkAirportState().stands = {stand};
    }

    void TearDown() override {
        stopThread();
        gf_linkRestartReset();
        engine.reset();
        gf_resetCatalogueForTests();
        exits.reset();
        messages.reset();
        log.reset();
        folder.reset();
        SimStubTest::TearDown();
    }

    void usePipe() { env.emplace_back("KSBY_PIPE_DIR", pipeDir().string()); }

    void useTcp() {
        // No pipe there: the client goes on to the registry's TCP port.
        env.emplace_back("KSBY_PIPE_DIR", (documents.path() / "no-pipes").string());
        const auto registry = documents.path() / "registry.ini";
        stub().writeRegistryPorts(registry);
        env.emplace_back("KSBY_REGISTRY", registry.string());
    }

    void startThread() {
        workersBefore = activeWorkers.load();
        ++activeWorkers;
        const std::uint64_t generation = runGeneration.load();
        thread = std::jthread(
            [generation](std::stop_token stop) { gf_simConnectThread(stop, generation); });
    }

    void stopThread() {
        if (thread.joinable()) {
            thread.request_stop();
            ksb::gf_wakeSleepers();
            thread.join();
        }
    }

    bool logHas(const std::string& text) const { return log->contains(text); }

    int logCount(const std::string& text) const {
        const auto lines = log->body();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
            return line.find(text) != std::string::npos;
        }));
    }

    bool posted(SimInboundKind kind, std::uint32_t key) const {
        for (const SimInboundRecord& r : engine->postedEvents()) {
            if (r.kind == kind && r.flightKeyOrOnGround == key) {
                return true;
            }
        }
        return false;
    }

    std::optional<SimInboundRecord> postedFor(SimInboundKind kind, std::uint32_t objectId) const {
        for (const SimInboundRecord& r : engine->postedEvents()) {
            if (r.kind == kind && r.objectId == objectId) {
                return r;
            }
        }
        return std::nullopt;
    }

    std::size_t packetCount(int conn, std::uint32_t number) {
        return stub().packets(simstub::PacketFilter{conn, number, std::nullopt}).size();
    }

    // Frames and a Sim event after them: once the flag has fallen, the frames were handled.
    void framesHandled(int count) {
        stub().stepFrames(count);
        stub().sendSim(false);
        ASSERT_TRUE(waitFor([] { return !flightRunning.load(); }));
        stub().sendSim(true);
        ASSERT_TRUE(waitFor([] { return flightRunning.load(); }));
    }

    void rangeRequest() {
        ASSERT_EQ(gf_withSimConnect([](SimConnectHandle* handle) {
                      return SimConnect_RequestDataOnSimObjectType(handle, 101, 404, 20000, 2);
                  }),
                  kScOk);
    }

    std::uint32_t aiObject(const std::string& tail) {
        for (const auto& o : stub().objects()) {
            if (o.kind == simstub::ObjectKind::ai && o.tail == tail) {
                return o.id;
            }
        }
        return 0;
    }

    std::uint32_t create(std::uint32_t key, const std::string& callsign,
                         std::string_view title = "Test A320") {
        AiCreateRequest request;
        request.callsign = callsign;
        request.liveryTitle = title;
        request.flightKey = key;
        request.initPosition.Latitude = stub().user().latitude + 0.001;
        request.initPosition.Longitude = stub().user().longitude;
        request.initPosition.Altitude = 364.0;
        request.initPosition.OnGround = 1;
        gf_queueCreateAiAircraft(request);
        stub().stepFrames(1);
        std::uint32_t id = 0;
        waitFor([&] { return (id = aiObject(callsign)) != 0; });
        return id;
    }

    void mainRoad();

    ksb::test::TempFolder publicDocuments;
    ksb::test::TempFolder documents;
    ksb::test::ScopedEnv publicEnv{"KSBY_PUBLIC_DOCUMENTS", publicDocuments.path().string()};
    ksb::test::ScopedEnv documentsEnv{"KSBY_DOCUMENTS", documents.path().string()};
    std::list<ksb::test::ScopedEnv> env;
    std::optional<ksb::test::WorkingFolder> folder;
    std::optional<ksb::test::LogCapture> log;
    std::optional<ksb::test::RecordingMessageSink> messages;
    std::optional<ksb::test::RecordingExitHandler> exits;
    std::optional<ksb::test::FakeTrafficEngine> engine;
    std::jthread thread;
    std::int32_t workersBefore = 0;
};

void LinkMainRoad::mainRoad() {
    // 1. Connect.
    startThread();
    ASSERT_TRUE(waitFor([] { return mainWindow.simConnected.load(); }));
    const int conn = stub().waitForConnection(1);
    ASSERT_NE(conn, 0);
    {
        const auto all = messages->all();
        ASSERT_FALSE(all.empty());
        EXPECT_EQ(all[0], (ksb::test::RecordedMessage{ksb::test::RecordedMessage::Kind::message,
                                                      "Waiting for Prepar3Dv5 ...", true}));
    }
    ASSERT_TRUE(waitFor(
        [&] { return logHas("Lockheed Martin Prepar3D v5 (5.3.17.28160) connected "); }));
    EXPECT_EQ(mainWindow.text(WindowText::simulatorText),
              "Lockheed Martin Prepar3D v5 (5.3.17.28160)");
    ASSERT_TRUE(waitFor([&] {
        const auto all = messages->all();
        return all.back().kind == ksb::test::RecordedMessage::Kind::clear;
    }));

    // 2. Declare.
    ASSERT_TRUE(waitFor([&] { return stub().packets({conn}).size() >= 74; }));
    {
        const auto packets = stub().packets({conn});
        ASSERT_EQ(packets.size(), 74u);
        EXPECT_EQ(packets[0].name, "Open");
        std::vector<std::string> names;
        for (std::size_t i = 1; i < packets.size(); ++i) {
            EXPECT_EQ(packets[i].sendId, packets[i - 1].sendId + 1);
            if (names.empty() || names.back() != packets[i].name) {
                names.push_back(packets[i].name);
            }
        }
        EXPECT_EQ(names, (std::vector<std::string>{
                             "SubscribeToSystemEvent", "AddToDataDefinition",
                             "MapClientEventToSimEvent", "AddToDataDefinition",
                             "AddClientEventToNotificationGroup", "SetNotificationGroupPriority"}));
        EXPECT_EQ(packets[1].fields.text("name"), "Sim");
        EXPECT_EQ(packets[6].fields.text("name"), "Frame");
        EXPECT_EQ(packets[7].fields.u32("definitionId"), 407u);
        EXPECT_EQ(packets[36].fields.text("datum"), "ATC ID");
        EXPECT_EQ(packets[37].fields.text("name"), "GEAR_SET");
        EXPECT_EQ(packets[53].fields.text("name"), "FREEZE_ATTITUDE_SET");
        EXPECT_EQ(packets[54].fields.u32("definitionId"), 401u);
        EXPECT_EQ(packets[57].fields.u32("eventId"), 208u);
        EXPECT_EQ(packets[72].fields.u32("eventId"), 217u);
        EXPECT_EQ(packets[73].fields.u32("priority"), 1u);
    }
    ASSERT_TRUE(waitFor([] { return flightRunning.load(); }));
    EXPECT_TRUE(mainWindow.flightLoaded.load());

    // 3. Tick.
    ASSERT_TRUE(gf_requestOnGroundData());
    ASSERT_TRUE(waitFor([&] { return packetCount(conn, 0x0E) == 1; }));
    for (int second = 0; second < 2; ++second) {
        stub().advance(1s);
        ASSERT_TRUE(waitFor([] {
            bool expected = true;
            return secondTick.compare_exchange_strong(expected, false);
        }));
        EXPECT_FALSE(userOnGroundKnown.load());
    }

    // 4. User.
    gf_requestUserPosition();
    ASSERT_TRUE(waitFor([] { return userObjectId.load() == 1; }));
    {
        const UserAircraftState state = gf_requestUserPosition();
        EXPECT_DOUBLE_EQ(state.latitude, stub().user().latitude);
        EXPECT_DOUBLE_EQ(state.longitude, stub().user().longitude);
        EXPECT_EQ(simUtcSeconds.load(), static_cast<std::int64_t>(stub().zuluNow()));
        gf_setUserState(state);
    }
    stub().advance(1s);
    ASSERT_TRUE(waitFor([] { return userOnGroundKnown.load(); }));
    EXPECT_TRUE(userOnGround.load());
    secondTick = false;
    gf_requestUserTitleAndModel();
    ASSERT_TRUE(waitFor([&] { return logHas("half wing span"); }));
    EXPECT_EQ(mainWindow.text(WindowText::userTitle), "Test A320");
    EXPECT_TRUE(logHas("          SimConnect: User aircraft title: Test A320"));
    EXPECT_EQ(logCount("SimConnect: User aircraft model: "), 1);
    EXPECT_TRUE(logHas("          SimConnect: User aircraft model: A320, half wing span: 17.0 "
                       "meter, category: Large"));
    EXPECT_TRUE(mainWindow.userRecognised.load());
    EXPECT_EQ(mainWindow.text(WindowText::userStand), "A5");
    const double oneNmLatitude = 1.0 / 60.0;
    const simstub::UserState home = stub().user();
    stub().teleportUser(home.latitude + 0.5 * oneNmLatitude, home.longitude, home.altitude);
    gf_requestUserPosition();
    ASSERT_TRUE(waitFor([&] {
        return gf_userAircraftView().state.latitude > home.latitude + 0.4 * oneNmLatitude;
    }));
    EXPECT_FALSE(logHas("Teleport"));
    EXPECT_TRUE(exits->all().empty());
    stub().teleportUser(home.latitude + 12.5 * oneNmLatitude, home.longitude, home.altitude);
    gf_requestUserPosition();
    // The line comes before the exit request.
    ASSERT_TRUE(waitFor([&] { return logHas("Teleport") && !exits->all().empty(); }));
    EXPECT_EQ(exits->all(), (std::vector<ksb::test::RecordedExit>{{ExitReason::RESTART, 30}}));
    stub().teleportUser(home.latitude, home.longitude, home.altitude);
    gf_requestUserPosition();
    ASSERT_TRUE(waitFor([&] { return exits->all().size() == 2; }));

    // 5. Create live.
    const std::uint32_t liveKey = 0x4A1B2C;
    const std::uint32_t live = create(liveKey, "DLH123");
    ASSERT_NE(live, 0u);
    EXPECT_EQ(packetCount(conn, 0x29), 1u);
    rangeRequest();
    ASSERT_TRUE(waitFor([&] { return posted(SimInboundKind::liveAdded, liveKey); }));
    {
        const auto record = postedFor(SimInboundKind::liveAdded, live);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->value1, 0.0);
        EXPECT_NEAR(record->value2, stub().object(live)->agl, 1e-9);
        // Only the creation's object, never the user, is adopted or reported.
        EXPECT_FALSE(postedFor(SimInboundKind::aircraftNearUser, 1));
    }
    ASSERT_TRUE(waitFor([&] { return stub().object(live)->released; }));
    stub().stepFrames(1);
    ASSERT_TRUE(waitFor([&] {
        const auto o = stub().object(live);
        return o->frozenLatLon && o->frozenAltitude && o->frozenAttitude;
    }));

    // 6. Create static.
    const std::uint32_t parked = create(5000, "DLH9*");
    ASSERT_NE(parked, 0u);
    rangeRequest();
    ASSERT_TRUE(waitFor([&] { return posted(SimInboundKind::staticAdded, 5000); }));
    EXPECT_EQ(postedFor(SimInboundKind::staticAdded, parked)->value2, 0.0);
    engine->clearCalls();
    rangeRequest();
    ASSERT_TRUE(waitFor(
        [&] { return postedFor(SimInboundKind::aircraftNearUser, live).has_value(); }));
    framesHandled(1);
    EXPECT_FALSE(postedFor(SimInboundKind::aircraftNearUser, parked));
    EXPECT_FALSE(postedFor(SimInboundKind::aircraftNearUser, 1));

    // 7. Control.
    Flight flight;
    flight.callsign = "DLH123";
    flight.category = AircraftCategory::large;
    flight.flightKey = liveKey;
    AiAircraft aircraft = gf_makeAiAircraft(flight, 3, 50.0, 8.5, 0.0, false);
    aircraft.objectId = live;
    aircraft.state = LiveState::inSimulator;
    const std::size_t eventsBefore = stub().events(live).size();
    gf_queueSetLights(live, {1, 1, 0, 1, 0, 1, 1});
    gf_queueEnginesOn(live);
    gf_setThrottle(aircraft, 3);
    gf_setFlaps(aircraft, 2);
    gf_setFlaps(aircraft, 2);
    gf_setGear(aircraft, false);
    gf_setSpoilers(aircraft, true);
    framesHandled(1);
    ASSERT_TRUE(stub().waitFor([&] { return stub().events(live).size() >= eventsBefore + 14; }));
    {
        const auto events = stub().events(live);
        std::vector<std::string> seen;
        for (std::size_t i = eventsBefore; i < events.size(); ++i) {
            seen.push_back(events[i].name == "AIReleaseControl"
                               ? "release"
                               : fmt::format("{}={}", events[i].clientEventId, events[i].data));
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"208=1", "207=1", "211=0", "209=1", "210=0",
                                                  "213=1", "212=1", "221=0", "223=11468", "release",
                                                  "218=10240", "release", "220=0", "219=16383"}));
    }

    // 8. Move.
    std::vector<PositionUpdate> write;
    const std::size_t positionsBefore = stub().positions(live).size();
    for (int frame = 1; frame <= 3; ++frame) {
        PositionUpdate user;
        user.objectId = 1;
        user.latitude = 10.0;
        write.push_back(user);
        PositionUpdate update;
        update.objectId = live;
        update.latitude = home.latitude + 0.0001 * frame;
        update.longitude = home.longitude;
        update.altitude = 364.0;
        update.heading = 1.0;
        write.push_back(update);
        gf_swapPositionLists(write);
        const std::size_t writes = packetCount(conn, 0x10);
        stub().stepFrames(1);
        ASSERT_TRUE(
            waitFor([&] { return stub().positions(live).size() == positionsBefore + frame; }));
        EXPECT_EQ(packetCount(conn, 0x10), writes + 1);
    }
    EXPECT_DOUBLE_EQ(stub().positions(live).back().latitude, home.latitude + 0.0003);
    EXPECT_DOUBLE_EQ(stub().user().latitude, home.latitude);

    // 9. Busy.
    const std::size_t transmits = packetCount(conn, 0x05);
    gf_queueCabinLights(live, 0);
    {
        // Frames handled while the mutex is held send nothing.
        std::unique_lock hold(gf_sendQueueMutex());
        stub().stepFrames(3);
        stub().sendSim(false);
        ASSERT_TRUE(waitFor([] { return !flightRunning.load(); }));
    }
    stub().sendSim(true);
    ASSERT_TRUE(waitFor([] { return flightRunning.load(); }));
    EXPECT_EQ(packetCount(conn, 0x05), transmits);
    stub().stepFrames(1);
    ASSERT_TRUE(stub().waitFor([&] { return packetCount(conn, 0x05) == transmits + 1; }));

    // 10. Refusals.
    stub().refuseTitles({"Refused Title"});
    AiCreateRequest refused;
    refused.callsign = "BAD1";
    refused.liveryTitle = "Refused Title";
    refused.flightKey = 70001;
    gf_queueCreateAiAircraft(refused);
    stub().stepFrames(1);
    ASSERT_TRUE(waitFor([&] { return posted(SimInboundKind::creationRefused, 70001); }));
    AiCreateRequest tooLong = refused;
    tooLong.callsign = "ABCDEFGHIJKL";
    tooLong.liveryTitle = "Test A320";
    tooLong.flightKey = 70002;
    const std::size_t creations = packetCount(conn, 0x29);
    gf_queueCreateAiAircraft(tooLong);
    framesHandled(1);
    EXPECT_EQ(packetCount(conn, 0x29), creations);
    EXPECT_TRUE(logHas("! Simcon call to create ac in sim failed, hexid:70002, liv: \"Test A320\", "
                       "callsign: ABCDEFGHIJKL"));
    EXPECT_EQ(simRequestErrorCount.load(), 1);
    EXPECT_FALSE(posted(SimInboundKind::creationRefused, 70002));

    // 11. Remove.
    {
        std::lock_guard lock(trafficState.trafficMutex);
        gf_parkAirportState().stands[0].occupied = true;
        gf_releaseAiAircraft(aircraft);
        EXPECT_EQ(aircraft.state, LiveState::beingRemoved);
        EXPECT_FALSE(gf_parkAirportState().stands[0].occupied);
        ASSERT_EQ(trafficState.removals, std::deque<std::uint32_t>{live});
        gf_queueRemoveAiAircraft(trafficState.removals.front());
        trafficState.removals.pop_front();
        gf_releaseAiAircraft(aircraft);
        EXPECT_TRUE(trafficState.removals.empty());
    }
    stub().stepFrames(1);
    ASSERT_TRUE(
        waitFor([&] { return postedFor(SimInboundKind::objectRemoved, live).has_value(); }));
    EXPECT_EQ(packetCount(conn, 0x2C), 1u);
    EXPECT_EQ(stub().packets({conn, 0x2C, std::nullopt})[0].fields.u32("requestId"), 105u);
    EXPECT_FALSE(stub().object(live));

    // 12. Errors.
    for (std::uint32_t key : {70003u, 70004u}) {
        tooLong.flightKey = key;
        gf_queueCreateAiAircraft(tooLong);
    }
    ASSERT_TRUE(waitFor([&] {
        stub().stepFrames(1);
        return simRequestError.load();
    }));
    EXPECT_TRUE(waitFor([&] {
        const auto shown = messages->messages();
        return std::find(shown.begin(), shown.end(), "SimConnect request error 3, see Log.txt") !=
               shown.end();
    }));
    EXPECT_EQ(exits->all().back(), (ksb::test::RecordedExit{ExitReason::RESTART, 10}));
    const std::size_t before = stub().packets({conn}).size();
    gf_queueCabinLights(parked, 1);
    framesHandled(1);
    gf_requestUserPosition();
    EXPECT_EQ(stub().packets({conn}).size(), before);
    EXPECT_TRUE(gf_sendQueueSnapshot().events.empty());

    // 13. Pause.
    stub().sendSim(false);
    ASSERT_TRUE(
        waitFor([] { return !flightRunning.load() && !mainWindow.flightLoaded.load(); }));

    // 14. Gone.
    stub().sendQuit(conn);
    stub().dropConnection(conn);
    ASSERT_TRUE(waitFor([&] { return activeWorkers.load() == workersBefore; }));
    thread.join();
    EXPECT_TRUE(logHas("Flight Simulator no longer connected, KSBY_P3D will stop ..."));
    EXPECT_EQ(exits->all().back(), (ksb::test::RecordedExit{ExitReason::SIM_WAS_CLOSED, 0}));
    EXPECT_FALSE(mainWindow.simConnected.load());
    EXPECT_FALSE(flightRunning.load());
    EXPECT_EQ(gf_simHandle(), nullptr);

    // 15. Restart cycle.
    gf_linkRestartReset();
    gf_clearSimRequestError();
    EXPECT_EQ(userObjectId.load(), kUserObjectIdAtStart);
    EXPECT_EQ(simRequestErrorCount.load(), 0);
    startThread();
    const int second = stub().waitForConnection(2);
    ASSERT_NE(second, 0);
    ASSERT_TRUE(waitFor([&] { return stub().packets({second}).size() >= 74; }));
    stopThread();
    EXPECT_EQ(activeWorkers.load(), workersBefore);
    EXPECT_NE(gf_simHandle(), nullptr);
    {
        const auto all = stub().connections();
        EXPECT_TRUE(all.back().open);
    }
    gf_linkRestartReset();
    EXPECT_TRUE(stub().waitFor([&] { return !stub().connections().back().open; }));
    EXPECT_EQ(gf_simHandle(), nullptr);
    EXPECT_EQ(gf_userAircraftView().state.latitude, 0.0);
    EXPECT_FALSE(gf_previousUserPosition());
    EXPECT_TRUE(gf_sendQueueSnapshot().events.empty());
    // The user moved far away between the runs.
    stub().teleportUser(home.latitude + 3.0, home.longitude, home.altitude);
    const int teleports = logCount("Teleport");
    const std::size_t exitCount = exits->all().size();
    startThread();
    const int third = stub().waitForConnection(3);
    ASSERT_NE(third, 0);
    ASSERT_TRUE(waitFor([&] { return stub().packets({third}).size() >= 74; }));
    gf_requestUserPosition();
    ASSERT_TRUE(waitFor([] { return userObjectId.load() == 1; }));
    EXPECT_EQ(logCount("Teleport"), teleports);
    EXPECT_EQ(exits->all().size(), exitCount);

    // 16. Exit: a dropped connection ends the thread without a line or an exit request.
    exitInProgress = 1;
    const int closedLines = logCount("no longer connected");
    stub().dropConnection(third);
    ASSERT_TRUE(waitFor([&] { return activeWorkers.load() == workersBefore; }));
    thread.join();
    EXPECT_EQ(logCount("no longer connected"), closedLines);
    EXPECT_EQ(exits->all().size(), exitCount);
    exitInProgress = 0;
    EXPECT_TRUE(stub().protocolErrors().empty());
}

// Sets exitInProgress for the test's life, as the exit does.
struct LinkExitScope {
    LinkExitScope() { exitInProgress = 1; }
    ~LinkExitScope() { exitInProgress = 0; }
    LinkExitScope(const LinkExitScope&) = delete;
    LinkExitScope& operator=(const LinkExitScope&) = delete;
};

// An exit with creations under way: the one still queued is never sent; the link finds the
// objects of those already sent and removes them, on its frames and, for an id that came after
// the last frame, as its thread stops.
TEST_F(LinkMainRoad, AnExitRemovesTheCreationsUnderWayAndSendsNoNewOne) {
    usePipe();
    startThread();
    const int conn = stub().waitForConnection(1);
    ASSERT_NE(conn, 0);
    ASSERT_TRUE(waitFor([&] { return stub().packets({conn}).size() >= 74; }));
    gf_requestUserPosition();
    ASSERT_TRUE(waitFor([] { return userObjectId.load() == 1; }));
    injectionRadiusMetres = 20000;
    // Sent before the exit, neither recognised: one near, one beyond the link's radius.
    const std::uint32_t near = create(0x4A1B2C, "DLH123");
    ASSERT_NE(near, 0u);
    AiCreateRequest far;
    far.callsign = "DLH9*";
    far.liveryTitle = "Test A320";
    far.flightKey = 5000;
    far.initPosition.Latitude = stub().user().latitude + 0.5;
    far.initPosition.Longitude = stub().user().longitude;
    far.initPosition.Altitude = 364.0;
    far.initPosition.OnGround = 1;
    gf_queueCreateAiAircraft(far);
    stub().stepFrames(1);
    std::uint32_t farId = 0;
    ASSERT_TRUE(waitFor([&] { return (farId = aiObject("DLH9*")) != 0; }));
    const std::size_t creations = packetCount(conn, 0x29);
    ASSERT_EQ(creations, 2u);
    const auto removed = [&] {
        std::vector<std::uint32_t> ids;
        for (const auto& packet : stub().packets({conn, 0x2C, std::nullopt})) {
            ids.push_back(packet.fields.u32("objectId"));
        }
        return ids;
    };

    // Still queued when the exit starts.
    AiCreateRequest queued = far;
    queued.callsign = "DLH456";
    queued.flightKey = 0x4A1B2D;
    gf_queueCreateAiAircraft(queued);
    const LinkExitScope exiting;
    const std::size_t ranges = packetCount(conn, 0x0F);
    stub().stepFrames(1);
    ASSERT_TRUE(waitFor([&] { return gf_sendQueueSnapshot().removals.size() == 1; }));
    EXPECT_EQ(gf_sendQueueSnapshot().removals, std::vector<std::uint32_t>{near});
    EXPECT_EQ(packetCount(conn, 0x0F), ranges + 1);
    stub().stepFrames(1);
    ASSERT_TRUE(stub().waitFor([&] { return removed().size() == 1; }));
    EXPECT_EQ(removed(), std::vector<std::uint32_t>{near});
    // The far one is still announced and pending: every frame asks again.
    ASSERT_TRUE(stub().waitFor([&] { return packetCount(conn, 0x0F) == ranges + 2; }));

    // Its id comes after the last frame; the stop still sends its removal.
    ASSERT_EQ(gf_withSimConnect([](SimConnectHandle* handle) {
                  return SimConnect_RequestDataOnSimObjectType(handle, 101, 404, 100000, 2);
              }),
              kScOk);
    ASSERT_TRUE(waitFor([&] { return gf_sendQueueSnapshot().removals.size() == 1; }));
    stopThread();
    ASSERT_TRUE(stub().waitFor([&] { return removed().size() == 2; }));
    EXPECT_EQ(removed(), (std::vector<std::uint32_t>{near, farId}));
    EXPECT_EQ(packetCount(conn, 0x29), creations);
    EXPECT_EQ(aiObject("DLH456"), 0u);
    // Neither was released to the simulator's AI, frozen or handed to the engine.
    for (const auto& packet : stub().packets({conn})) {
        EXPECT_NE(packet.name, "AIReleaseControl");
        EXPECT_NE(packet.name, "TransmitClientEvent");
    }
    for (const SimInboundRecord& record : engine->postedEvents()) {
        EXPECT_NE(record.kind, SimInboundKind::liveAdded);
        EXPECT_NE(record.kind, SimInboundKind::staticAdded);
    }
    EXPECT_TRUE(stub().protocolErrors().empty());
}

TEST_F(LinkMainRoad, ARefusedSimulatorEndsTheThreadAndLeavesTheConnectionOpen) {
    usePipe();
    stub().setOpenAnswer("KittyHawk", {1, 0, 0, 0});
    startThread();
    ASSERT_TRUE(waitFor([&] { return activeWorkers.load() == workersBefore; }));
    thread.join();
    EXPECT_EQ(messages->errors(),
              std::vector<std::string>{"78: KittyHawk, (MSFS) not being P3D connects ... ?"});
    EXPECT_TRUE(exits->all().empty());
    EXPECT_FALSE(logHas("no longer connected"));
    ASSERT_EQ(stub().connections().size(), 1u);
    EXPECT_TRUE(stub().connections()[0].open);
    gf_linkRestartReset();
    EXPECT_TRUE(stub().waitFor([&] { return !stub().connections()[0].open; }));
}

TEST_F(LinkMainRoad, AStopEndsTheWaitForTheSimulator) {
    // Nothing listens on this pipe folder and the registry has no ports.
    env.emplace_back("KSBY_PIPE_DIR", (documents.path() / "no-pipes").string());
    env.emplace_back("KSBY_REGISTRY", (documents.path() / "no-registry.ini").string());
    startThread();
    ASSERT_TRUE(waitFor([&] { return !messages->all().empty(); }));
    EXPECT_EQ(messages->messages(), std::vector<std::string>{"Waiting for Prepar3Dv5 ..."});
    // No wake of the sleepers by the test: the thread's own stop wakes its retry wait.
    thread.request_stop();
    thread.join();
    EXPECT_EQ(activeWorkers.load(), workersBefore);
    EXPECT_TRUE(stub().connections().empty());
    EXPECT_TRUE(exits->all().empty());
}

TEST_F(LinkMainRoad, OverThePipe) {
    usePipe();
    mainRoad();
}

TEST_F(LinkMainRoad, OverTcp) {
    useTcp();
    mainRoad();
}

} // namespace
