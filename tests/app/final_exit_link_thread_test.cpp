// The exit with creations under way, end to end below the program: the real FinalExit, the real
// engine records and the real link thread against the simulator stand-in, whose frames come in
// real time, so the exit's own waits are the only time the link gets.
#include "app/final_exit.h"
#include "app/sim_connect_thread.h"
#include "core/exit_request.h"
#include "core/flight_records.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "simlink/sim_session.h"
#include "simlink/traffic_link_wiring.h"
#include "support/catalogue_fixtures.h"
#include "support/fake_window_port.h"
#include "support/log_capture.h"
#include "support/recording_sinks.h"
#include "support/scoped_env.h"
#include "support/simstub/sim_stub_fixture.h"
#include "support/temp_folder.h"
#include "support/wait_for.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using ksb::test::waitFor;

constexpr std::uint32_t kPacketCreate = 0x29;
constexpr std::uint32_t kPacketRemove = 0x2C;

class ExitLinkTest : public simstub::SimStubTest {
protected:
    simstub::Scenario makeScenario() override {
        simstub::Scenario scenario = SimStubTest::makeScenario();
        scenario.clock = simstub::ClockMode::real;
        scenario.frameHz = 30.0;
        scenario.frameRate = 30.0;
        return scenario;
    }

    void SetUp() override {
        SimStubTest::SetUp();
        env.emplace_back("KSBY_PIPE_DIR", pipeDir().string());
        folder.emplace();
        log.emplace();
        messages.emplace();
        gf_resetRunState();
        gf_setWindowPort(&port);
        SIM_INSTALL_PATH.assign("C:\\Program Files\\Lockheed Martin\\Prepar3D v5");
        ksb::gf_setTrafficServices(ksb::gf_defaultTrafficServices());
        gf_resetTrafficForTests();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.linkServices = gf_trafficLinkServices();
        }
        gf_setExitHandler(&gf_finalExitHandler());
    }

    void TearDown() override {
        if (exitThread.joinable()) {
            exitThread.join();
        }
        gf_joinSimConnectThread();
        gf_linkRestartReset();
        gf_setExitThreadStarter({});
        gf_setExitHandler(nullptr);
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.linkServices = ksb::TrafficLinkServices{};
        }
        gf_resetTrafficForTests();
        gf_resetSimLinkStateForTests();
        gf_resetRunState();
        gf_setWindowPort(nullptr);
        messages.reset();
        log.reset();
        folder.reset();
        SimStubTest::TearDown();
    }

    void startLink() {
        ++activeWorkers;
        const std::uint64_t generation = runGeneration.load();
        gf_startSimConnectThread(
            [generation](std::stop_token stop) { gf_simConnectThread(stop, generation); });
    }

    static AiCreateRequest request(std::uint32_t key, const std::string& callsign,
                                   const simstub::UserState& user) {
        AiCreateRequest made;
        made.callsign = callsign;
        made.liveryTitle = "Test A320";
        made.flightKey = key;
        made.initPosition.Latitude = user.latitude + 0.001;
        made.initPosition.Longitude = user.longitude;
        made.initPosition.Altitude = 364.0;
        made.initPosition.OnGround = 1;
        return made;
    }

    // A live aircraft waiting for its creation, as admission leaves it.
    static void addWaiting(std::uint32_t key, const std::string& callsign) {
        LiveAircraft aircraft;
        aircraft.callsign = callsign;
        aircraft.flightKey = key;
        aircraft.state = LiveState::creationRequested;
        aircraft.samples.push_back(PositionSample{});
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.live.push_back(std::move(aircraft));
    }

    std::uint32_t aiObject(const std::string& tail) {
        for (const auto& o : stub().objects()) {
            if (o.kind == simstub::ObjectKind::ai && o.tail == tail) {
                return o.id;
            }
        }
        return 0;
    }

    std::vector<std::uint32_t> packetObjects(int conn, std::uint32_t number, const char* field) {
        std::vector<std::uint32_t> out;
        for (const auto& packet : stub().packets({conn, number, std::nullopt})) {
            out.push_back(packet.fields.u32(field));
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    std::list<ksb::test::ScopedEnv> env;
    std::optional<ksb::test::WorkingFolder> folder;
    std::optional<ksb::test::LogCapture> log;
    std::optional<ksb::test::RecordingMessageSink> messages;
    ksb::test::FakeWindowPort port;
    std::jthread exitThread;
};

// Three aircraft in state 1 when the close comes: one bound to its object and in its start-up
// sequence, one whose creation was sent but not yet recognised, and one whose creation the link
// still holds. The first two are removed once each within the exit's waits; the third is never
// created; and no object of the connection is left.
TEST_F(ExitLinkTest, AnExitWithCreationsUnderWayLeavesNoObject) {
    startLink();
    const int conn = stub().waitForConnection(1);
    ASSERT_NE(conn, 0);
    ASSERT_TRUE(waitFor([&] { return stub().packets({conn}).size() >= 74; }));
    gf_requestUserPosition();
    ASSERT_TRUE(waitFor([] { return userObjectId.load() == 1; }));
    injectionRadiusMetres = 20000;
    const simstub::UserState user = stub().user();

    // Bound: created, recognised and handed to the engine, whose start-up sequence now runs.
    addWaiting(0x4A1B2C, "DLH123");
    gf_queueCreateAiAircraft(request(0x4A1B2C, "DLH123", user));
    std::uint32_t bound = 0;
    ASSERT_TRUE(waitFor([&] { return (bound = aiObject("DLH123")) != 0; }));
    ASSERT_TRUE(gf_requestAircraftInRange(20000.0));
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard lock(trafficState.trafficMutex);
        ::gf_processSimEvents();
        return !trafficState.startupSequences.empty();
    }));
    {
        std::lock_guard lock(trafficState.trafficMutex);
        ASSERT_EQ(trafficState.live[0].objectId, bound);
        ASSERT_EQ(trafficState.live[0].state, LiveState::creationRequested);
    }
    // Sent, not recognised.
    addWaiting(0x4A1B2D, "DLH456");
    gf_queueCreateAiAircraft(request(0x4A1B2D, "DLH456", user));
    std::uint32_t sent = 0;
    ASSERT_TRUE(waitFor([&] { return (sent = aiObject("DLH456")) != 0; }));
    // Handed to the link as the exit begins.
    addWaiting(0x4A1B2E, "DLH789");
    gf_setExitThreadStarter([this, user](std::function<void()> body) {
        gf_queueCreateAiAircraft(request(0x4A1B2E, "DLH789", user));
        exitThread = std::jthread(std::move(body));
    });

    gf_requestExit(ExitReason::USER_CLOSED_SIM, 0);
    ASSERT_TRUE(waitFor(
        [&] {
            const auto posted = port.posted();
            return std::find(posted.begin(), posted.end(), ui::AppMessage::EndProgram) !=
                   posted.end();
        },
        std::chrono::seconds(60)));
    exitThread.join();

    EXPECT_EQ(stub().packets({conn, kPacketCreate, std::nullopt}).size(), 2u);
    EXPECT_EQ(aiObject("DLH789"), 0u);
    const std::vector<std::uint32_t> expected = [&] {
        std::vector<std::uint32_t> ids{bound, sent};
        std::sort(ids.begin(), ids.end());
        return ids;
    }();
    EXPECT_EQ(packetObjects(conn, kPacketRemove, "objectId"), expected);
    EXPECT_TRUE(stub().waitFor([&] { return aiObject("DLH123") == 0 && aiObject("DLH456") == 0; }));
    EXPECT_TRUE(log->contains("User closed KSBY_P3D"));
}

} // namespace
