// The run phase against recording fakes of the link, the feed and the engine, in virtual time.
// Threads: lf_run starts the link's thread (a recording body here).
#include "app/exit_fixture.h"
#include "app/main_loop.h"
#include "app/run_phase.h"
#include "app/sim_connect_thread.h"
#include "core/controls.h"
#include "core/globals.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <fmt/format.h>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

using Calls = std::vector<std::string>;

// The scripted world of one run. Each number counts the worker's sleeps: the event happens when
// that many sleeps have passed (-1: never).
struct Script {
    int flightAfter = 0;
    int positionAfterRequests = 0; // requestUserPosition answers 0/0 this many times
    int guidAfter = 0;
    int qnhAfter = 0;
    int trafficAfter = 0;
    bool licence = true;
    bool onGroundDataSent = true;
};

class RunPhaseTest : public ksb::test::ExitFixture {
protected:
    void SetUp() override {
        ExitFixture::SetUp();
        gf_resetMainLoopForTests();
        // Exits are recorded, not run: the test looks at what the run phase asked for.
        exits.emplace();
        engine->onCall = [this](std::string_view name) {
            if (name == throwIn) {
                throw std::runtime_error("Flight plan folder cannot be made");
            }
            if (name == "gf_createFlightPlanFolder" || name == "gf_readParkAirports" ||
                name == "gf_checkParkAirport" || name == "gf_setFeedIntake") {
                record(std::string(name));
            }
        };
        installServices();
        clock->setSleepHook([this] { onSleep(); });
    }

    void TearDown() override {
        gf_joinSimConnectThread();
        ExitFixture::TearDown();
    }

    void installServices() {
        LinkServices link;
        link.threadBody = [this](std::stop_token, std::uint64_t generation) {
            bodyGeneration = generation;
            bodyRan = true;
            activeWorkers.fetch_sub(1);
        };
        link.clearRequestError = [this] { record("clearRequestError"); };
        link.reserve = [this](const RunCapacities& capacities) {
            record("reserve(" + std::to_string(capacities.positionQueue) + ")");
        };
        link.requestOnGroundData = [this] {
            record("requestOnGroundData");
            return script.onGroundDataSent;
        };
        link.countRequestError = [this] { record("countRequestError"); };
        link.requestUserPosition = [this] {
            record("requestUserPosition");
            UserAircraftState user;
            if (++positionRequests > script.positionAfterRequests) {
                user.latitude = 35.237;
                user.longitude = -120.642;
            }
            return user;
        };
        link.requestUserTitleAndModel = [this] { record("requestUserTitleAndModel"); };
        link.clearPositionQueues = [this] { record("clearPositionQueues"); };
        gf_setLinkServices(link);
        RtServices rt;
        rt.hasLicense = [this] { return script.licence; };
        rt.authenticate = [this] { record("authenticate"); };
        rt.loginGuid = [this] { return guid; };
        rt.startWeatherReader = [this] {
            record("startWeatherReader");
            return true;
        };
        rt.startTrafficReader = [this] {
            record("startTrafficReader");
            return true;
        };
        rt.setReferencePosition = [this](double latitude, double longitude) {
            record(fmt::format("setReferencePosition({}, {})", latitude, longitude));
        };
        rt.showStatus = [this] {
            record("showStatus");
            inMainLoop = true;
        };
        rt.updateQueryBox = [this] { record("updateQueryBox"); };
        gf_setRtServices(rt);
    }

    // The world moves on by one sleep of the worker.
    void onSleep() {
        ++sleeps;
        if (sleeps == script.flightAfter) {
            flightRunning = true;
            userOnGroundKnown = true;
        }
        if (sleeps == script.guidAfter) {
            guid = "4bd3a1e2";
        }
        if (sleeps == script.qnhAfter) {
            mainWindow.qnh = 1021;
        }
        if (sleeps == script.trafficAfter) {
            lastFeedTimeStamp = 1'780'000'123.5;
        }
        if (sleeps == exitAtSleep || inMainLoop) {
            exitInProgress = 1;
            secondTick = true;
        }
    }

    // The run with the world of the script; events at sleep 0 are there from the start.
    void run() {
        if (script.flightAfter == 0) {
            flightRunning = true;
            userOnGroundKnown = true;
        }
        if (script.guidAfter == 0) {
            guid = "4bd3a1e2";
        }
        if (script.qnhAfter == 0) {
            mainWindow.qnh = 1021;
        }
        if (script.trafficAfter == 0) {
            lastFeedTimeStamp = 1'780'000'123.5;
        }
        lf_run();
        gf_joinSimConnectThread();
    }

    Calls sleepsOf(std::chrono::milliseconds duration) const {
        Calls out;
        for (const auto d : clock->sleeps()) {
            if (d == duration) {
                out.push_back(std::to_string(duration.count()));
            }
        }
        return out;
    }

    std::size_t logCount(const std::string& text) const {
        const Calls body = log->body();
        return static_cast<std::size_t>(std::count_if(
            body.begin(), body.end(),
            [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }

    static std::size_t countOf(const Calls& calls, const std::string& name) {
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), name));
    }

    Script script;
    std::string guid;
    std::string throwIn;
    int sleeps = 0;
    int exitAtSleep = -1;
    int positionRequests = 0;
    bool inMainLoop = false;
    std::atomic<bool> bodyRan{false};
    std::atomic<std::uint64_t> bodyGeneration{0};
};

TEST_F(RunPhaseTest, RunsItsStepsInOrderAndEntersTheMainLoop) {
    ALWAYS_ON_TOP.setRaw(true);
    P3D_VERSION.setRaw(4);
    trafficState.tickCounter = 4711;
    runGeneration = 7;
    script = {.flightAfter = 2, .positionAfterRequests = 2, .guidAfter = 5, .qnhAfter = 6,
              .trafficAfter = 8};
    mainWindow.sessionEstablished = true;
    mainWindow.simConnected = true;
    gf_registerControl(REREAD_BUTTON.createButton(10, 60, "Re-read"));
    gf_enableControl(REREAD_BUTTON.commandId(), false);

    run();

    const Calls expected{"clearRequestError",
                         "reserve(256)",
                         "gf_createFlightPlanFolder",
                         "requestOnGroundData",
                         "requestUserPosition",
                         "requestUserPosition",
                         "requestUserPosition",
                         "requestUserTitleAndModel",
                         "gf_readParkAirports",
                         "gf_setFeedIntake",
                         "updateQueryBox",
                         "authenticate",
                         "startWeatherReader",
                         "setReferencePosition(35.237, -120.642)",
                         "startTrafficReader",
                         "gf_checkParkAirport",
                         "showStatus",
                         "gf_setFeedIntake"};
    const Calls calls = takeCalls();
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(expected, Calls(calls.begin(), calls.begin() + expected.size()));
    EXPECT_EQ((Calls{"gf_readParkAirports(false)"}), engine->callsOf("gf_readParkAirports"));
    EXPECT_EQ((Calls{"gf_checkParkAirport(true)"}), engine->callsOf("gf_checkParkAirport"));
    EXPECT_TRUE(bodyRan.load());
    EXPECT_EQ(7u, bodyGeneration.load());
    EXPECT_EQ(0, activeWorkers.load());
    EXPECT_EQ(std::optional<bool>(true), port.topmost());
    EXPECT_EQ(4, simVersion.load());
    // Reset before the link and the readers start; the main loop's ticks count from there.
    EXPECT_LT(trafficState.tickCounter.load(), 4711);
    EXPECT_GE(trafficState.live.capacity(), 512u);
    EXPECT_GE(trafficState.statics.capacity(), 256u);
    EXPECT_FALSE(mainWindow.sessionEstablished.load());
    EXPECT_FALSE(mainWindow.simConnected.load());
    EXPECT_FALSE(mainWindow.servicePending.load());
    EXPECT_EQ(2, mainWindow.weatherCell.load());
    EXPECT_EQ(2, mainWindow.trafficCell.load());
    EXPECT_TRUE(gf_controlEnabled(REREAD_BUTTON.commandId()));
    EXPECT_FALSE(log->contains("No traffic in this region?"));
    EXPECT_TRUE(exits->all().empty());
}

TEST_F(RunPhaseTest, BoundedWaitsRunOutAndTheRunGoesOn) {
    script = {.guidAfter = -1, .qnhAfter = -1, .trafficAfter = -1};
    reservedStandCheckPending = true;
    engine->checkReservedStandResult = true;
    engine->checkReservedStandText = "Stand 12 reserved";

    run();

    // GUID and QNH 10 x 300 ms each, the first traffic 150 x 100 ms; the 500 and 200 ms waits
    // for the position are not needed here.
    EXPECT_EQ(20u, sleepsOf(300ms).size());
    EXPECT_EQ(150u, sleepsOf(100ms).size());
    EXPECT_EQ(1u, logCount("No traffic in this region?"));
    const Calls calls = takeCalls();
    EXPECT_EQ(1u, countOf(calls, "startWeatherReader"));
    EXPECT_EQ(1u, countOf(calls, "startTrafficReader"));
    EXPECT_EQ(1u, countOf(calls, "showStatus"));
    // The pending "Re-read" check ran during the QNH wait.
    EXPECT_FALSE(reservedStandCheckPending.load());
    EXPECT_EQ("Stand 12 reserved", mainWindow.messageText());
}

TEST_F(RunPhaseTest, WaitsForTheFlightAndLeaveTheOriginBox) {
    script = {.flightAfter = 3, .positionAfterRequests = 4};
    run();
    // Three 100 ms sleeps for the flight; loop A asks once and sleeps 500 ms until the state is
    // known away from 0/0, then loop B is not needed.
    EXPECT_EQ(3u, sleepsOf(100ms).size());
    const Calls calls = takeCalls();
    EXPECT_EQ(5u, countOf(calls, "requestUserPosition"));
    EXPECT_EQ(5u, sleepsOf(500ms).size());
    EXPECT_TRUE(sleepsOf(200ms).empty());
}

TEST_F(RunPhaseTest, LoopAAsksUntilTheKnownPositionLeavesTheOrigin) {
    // The on-ground state is known from the start, but the worker's copy is still at 0/0.
    script = {.positionAfterRequests = 1};
    run();
    EXPECT_EQ(2u, countOf(takeCalls(), "requestUserPosition"));
    EXPECT_EQ(2u, sleepsOf(500ms).size());
}

TEST_F(RunPhaseTest, TheOriginBoxEdges) {
    struct Case {
        const char* name;
        double latitude;
        double longitude;
        bool inside;
    };
    const Case cases[] = {
        {"origin", 0.0, 0.0, true},
        {"latitude edge", 0.0009, 0.0, true},
        {"longitude edge", 0.0, 0.05, true},
        {"both edges", 0.0009, 0.05, true},
        {"latitude past", 0.00091, 0.0, false},
        {"longitude past", 0.0, 0.0501, false},
        {"south of it", -0.0001, 0.0, false},
        {"west of it", 0.0, -0.0001, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.inside, lf_insideOriginBox(c.latitude, c.longitude));
    }
}

TEST_F(RunPhaseTest, AFailedOnGroundRequestIsLoggedCountedAndTheWaitGoesOn) {
    script.onGroundDataSent = false;
    run();
    const Calls calls = takeCalls();
    EXPECT_EQ(1u, countOf(calls, "countRequestError"));
    EXPECT_EQ(1u, logCount("SimConnect request ac gnd/air fails"));
    EXPECT_EQ(1u, countOf(calls, "showStatus"));
}

TEST_F(RunPhaseTest, AReaderErrorBeforeTheLoopRequestsASystemErrorExit) {
    readerError = true;
    run();
    EXPECT_EQ("Reader error", mainWindow.errorText());
    ASSERT_EQ(1u, exits->all().size());
    EXPECT_EQ(ExitReason::SYSTEM_ERROR, exits->all()[0].reason);
    EXPECT_EQ(0, exits->all()[0].seconds);
    // The run goes on; the exit stops it.
    EXPECT_EQ(1u, countOf(takeCalls(), "showStatus"));
}

TEST_F(RunPhaseTest, WithoutALicenceTheServiceIsSkippedAndTheLoopRuns) {
    script = {.guidAfter = -1, .qnhAfter = -1, .trafficAfter = -1, .licence = false};
    run();
    const Calls calls = takeCalls();
    for (const char* skipped : {"authenticate", "startWeatherReader", "startTrafficReader"}) {
        SCOPED_TRACE(skipped);
        EXPECT_EQ(0u, countOf(calls, skipped));
    }
    EXPECT_EQ(1u, countOf(calls, "updateQueryBox"));
    EXPECT_EQ(1u, countOf(calls, "showStatus"));
    EXPECT_TRUE(sleepsOf(300ms).empty());
    EXPECT_TRUE(sleepsOf(100ms).empty());
    EXPECT_EQ(3, mainWindow.weatherCell.load());
    EXPECT_EQ(3, mainWindow.trafficCell.load());
    EXPECT_FALSE(log->contains("No traffic in this region?"));
}

TEST_F(RunPhaseTest, AnExceptionInAStepBecomesASystemErrorExit) {
    throwIn = "gf_createFlightPlanFolder";
    mainWindow.sessionEstablished = true;
    run();
    EXPECT_EQ("Flight plan folder cannot be made", mainWindow.messageText());
    EXPECT_TRUE(log->contains("Flight plan folder cannot be made"));
    EXPECT_FALSE(mainWindow.sessionEstablished.load());
    ASSERT_EQ(1u, exits->all().size());
    EXPECT_EQ(ExitReason::SYSTEM_ERROR, exits->all()[0].reason);
    // The link's thread was never started.
    EXPECT_FALSE(bodyRan.load());
    EXPECT_EQ(0, activeWorkers.load());
}

TEST_F(RunPhaseTest, AnExitDuringEachWaitEndsTheRunWithinOneSleep) {
    struct Case {
        const char* name;
        Script script;
        // The call that must not happen after the wait.
        const char* notReached;
    };
    const Case cases[] = {
        {"running flight", {.flightAfter = -1}, "requestOnGroundData"},
        {"loop A", {.positionAfterRequests = 1000}, "requestUserTitleAndModel"},
        {"GUID", {.guidAfter = -1}, "startWeatherReader"},
        {"QNH", {.qnhAfter = -1}, "startTrafficReader"},
        {"first traffic", {.trafficAfter = -1}, "showStatus"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetRunState();
        exitInProgress = 0;
        mainWindow.qnh = 0;
        lastFeedTimeStamp = 0.0;
        guid.clear();
        takeCalls();
        sleeps = 0;
        positionRequests = 0;
        inMainLoop = false;
        // The wait under test is the only one that sleeps.
        script = c.script;
        exitAtSleep = 2;
        run();
        EXPECT_EQ(2, sleeps);
        EXPECT_EQ(0u, countOf(takeCalls(), c.notReached));
    }
    exitInProgress = 0;
}

TEST_F(RunPhaseTest, AnOldLinkThreadIsStoppedAndJoinedFirst) {
    std::atomic<bool> oldEnded{false};
    activeWorkers.fetch_add(1);
    gf_startSimConnectThread([&oldEnded](std::stop_token stop) {
        while (!stop.stop_requested()) {
            std::this_thread::yield();
        }
        oldEnded = true;
        activeWorkers.fetch_sub(1);
    });
    LinkServices link = gf_linkServices();
    link.threadBody = [&oldEnded, this](std::stop_token, std::uint64_t) {
        record(oldEnded.load() ? "new body after the old one ended" : "new body beside the old");
        activeWorkers.fetch_sub(1);
    };
    gf_setLinkServices(link);
    run();
    EXPECT_EQ(1u, countOf(takeCalls(), "new body after the old one ended"));
    EXPECT_EQ(0, activeWorkers.load());
}

} // namespace
