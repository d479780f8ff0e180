#include "airports/airports.h"
#include "airports/park_airport_state.h"
#include "app/exit_fixture.h"
#include "app/final_exit.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "support/airport_file_builder.h"
#include "support/catalogue_fixtures.h"
#include "support/fake_park_airport_services.h"
#include "support/file_bytes.h"
#include "support/parameters_fixture.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace {

using namespace std::chrono_literals;
using ksb::test::ExitFixture;
using Calls = std::vector<std::string>;

class FinalExitTest : public ExitFixture {
protected:
    std::optional<std::string> stored(const std::string& name) const {
        return ksb::test::storedParameter(appData.path() / "KSBY_P3D" / "parameters.xml", name);
    }
};

TEST_F(FinalExitTest, EachReasonRunsItsStepsAndPostsOnce) {
    const Calls finalTail = {"gf_removeAllStatic", "gf_removeFlightPlanFolder",
                             "printLiveryMatchSummary", "logUnmatched", "resetParkAirport"};
    const Calls restartTail = {
        "gf_removeAllStatic", "gf_removeFlightPlanFolder", "resetParkAirport", "rtReset",
        "rtResetWeather",     "linkRestartReset",          "gf_resetTraffic"};
    struct Case {
        const char* name;
        ExitReason reason;
        bool loggedIn;
        std::chrono::milliseconds slept;
        ui::AppMessage post;
        Calls tail;
    };
    const Case cases[] = {
        {"sim closed", ExitReason::SIM_WAS_CLOSED, false, 1500ms, ui::AppMessage::EndProgram,
         finalTail},
        {"sim closed, logged in", ExitReason::SIM_WAS_CLOSED, true, 4500ms,
         ui::AppMessage::EndProgram, finalTail},
        {"user closed", ExitReason::USER_CLOSED_SIM, false, 1500ms, ui::AppMessage::EndProgram,
         finalTail},
        {"user closed, logged in", ExitReason::USER_CLOSED_SIM, true, 4500ms,
         ui::AppMessage::EndProgram, finalTail},
        {"system error", ExitReason::SYSTEM_ERROR, false, 6500ms, ui::AppMessage::EndProgram,
         finalTail},
        {"system error, logged in", ExitReason::SYSTEM_ERROR, true, 9500ms,
         ui::AppMessage::EndProgram, finalTail},
        {"restart", ExitReason::RESTART, false, 3500ms, ui::AppMessage::StartWorker, restartTail},
        {"restart, logged in", ExitReason::RESTART, true, 6500ms, ui::AppMessage::StartWorker,
         restartTail},
        {"restart ipp", ExitReason::RESTART_IPP, false, 3500ms, ui::AppMessage::StartWorker,
         restartTail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        loggedIn = c.loggedIn;
        BLOCK_CALLSIGN.assign("DLH1");
        SIM_TIME.setRaw(true);
        SCAN_LIVERIES.setRaw(true);
        const auto generation = runGeneration.load();
        const std::size_t postedBefore = port.posted().size();

        gf_requestExit(c.reason, 2);

        const bool restart = c.reason == ExitReason::RESTART || c.reason == ExitReason::RESTART_IPP;
        Calls expected;
        if (c.loggedIn) {
            expected = {"stopReaders", "deauth"};
        }
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(expected, takeCalls());
        EXPECT_EQ(c.slept, sleptTotal());
        const auto posted = port.posted();
        EXPECT_EQ(std::vector<ui::AppMessage>{c.post},
                  std::vector<ui::AppMessage>(posted.begin() + postedBefore, posted.end()));
        EXPECT_TRUE(log->contains(fmt::format("Exiting: {}", gf_exitReasonText(c.reason))));
        EXPECT_EQ(c.reason == ExitReason::USER_CLOSED_SIM, log->contains("User closed KSBY_P3D"));
        EXPECT_EQ(c.reason == ExitReason::RESTART, log->contains("Prepare for a restart ..."));
        EXPECT_EQ(generation + 1, runGeneration.load());
        EXPECT_EQ(0, activeWorkers.load());
        // A final exit keeps the flag, so that a late close click starts nothing.
        EXPECT_EQ(restart ? 0 : 1, exitInProgress.load());
        EXPECT_EQ(c.reason == ExitReason::USER_CLOSED_SIM ? 1 : 0, stopRequested.load());
        if (c.loggedIn) {
            EXPECT_EQ(1'780'000'003, LAST_EPOCH_TIME.value());
            EXPECT_EQ("1780000003", stored("LAST_EPOCH_TIME"));
        } else {
            EXPECT_EQ(std::nullopt, stored("LAST_EPOCH_TIME"));
        }
        if (restart) {
            EXPECT_EQ("DLH1", BLOCK_CALLSIGN.value());
            EXPECT_EQ(ExitReason::NOT_YET_SET, exitReason.load());
            EXPECT_TRUE(log->contains("Restarting after 2 seconds"));
            EXPECT_EQ(c.reason == ExitReason::RESTART_IPP, SCAN_LIVERIES.value());
        } else {
            EXPECT_EQ("", BLOCK_CALLSIGN.value());
            EXPECT_EQ("", stored("BLOCK_CALLSIGN"));
            EXPECT_FALSE(SIM_TIME.value());
            EXPECT_EQ("false", stored("SIM_TIME"));
            EXPECT_EQ(c.reason, exitReason.load());
        }
    }
}

TEST_F(FinalExitTest, KeepSimTimeLeavesSimTimeOn) {
    SIM_TIME.setRaw(true);
    KEEP_SIM_TIME_PAR.setRaw(true);
    gf_requestExit(ExitReason::USER_CLOSED_SIM, 0);
    EXPECT_TRUE(SIM_TIME.value());
    EXPECT_EQ(std::nullopt, stored("SIM_TIME"));
}

TEST_F(FinalExitTest, OnlyAProcessThatReadTheParametersFileSavesTheRunSettings) {
    const std::string file = "<?xml version=\"1.0\"?>\n<parameters>\n"
                             "  <parameter name=\"KEEP_SIM_TIME_PAR\" value=\"true\"/>\n"
                             "  <parameter name=\"SIM_TIME\" value=\"true\"/>\n"
                             "  <parameter name=\"TIME_SHIFT_HOURS\" value=\"2\"/>\n"
                             "  <parameter name=\"BLOCK_CALLSIGN\" value=\"DLH1\"/>\n"
                             "</parameters>\n";
    struct Case {
        const char* name;
        bool loaded;
        ExitReason reason;
    };
    const Case cases[] = {
        {"start-up stopped before the read, user closed", false, ExitReason::USER_CLOSED_SIM},
        {"start-up stopped before the read, system error", false, ExitReason::SYSTEM_ERROR},
        {"read, user closed", true, ExitReason::USER_CLOSED_SIM},
    };
    const std::filesystem::path path = appData.path() / "KSBY_P3D" / "parameters.xml";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        ksb::test::writeBytes(path, file);
        parametersLoaded = false;
        if (c.loaded) {
            gf_readParameters(gf_parameterLists());
            parametersLoaded = true;
        }
        // What memory holds when nothing was read: the defaults.
        EXPECT_EQ(c.loaded, SIM_TIME.value());

        gf_requestExit(c.reason, 0);

        EXPECT_TRUE(log->contains(fmt::format("Exiting: {}", gf_exitReasonText(c.reason))));
        if (!c.loaded) {
            EXPECT_EQ(file, ksb::test::readBytes(path));
            continue;
        }
        EXPECT_EQ("", stored("BLOCK_CALLSIGN"));
        EXPECT_EQ("true", stored("SIM_TIME"));
        EXPECT_EQ("0", stored("TIME_SHIFT_HOURS"));
    }
}

TEST_F(FinalExitTest, ASecondRequestDuringAnExitIsIgnored) {
    engine->onCall = [](std::string_view name) {
        if (name == "gf_removeFlightPlanFolder") {
            gf_requestExit(ExitReason::RESTART, 30);
        }
    };
    gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::EndProgram}, port.posted());
    EXPECT_EQ(ExitReason::SIM_WAS_CLOSED, exitReason.load());
}

TEST_F(FinalExitTest, EveryAircraftIsSeenOnceWhenACancelMovesTheLastIntoPlace) {
    auto& live = engine->live();
    const auto add = [&](const char* callsign, LiveState state, std::uint32_t id) {
        LiveAircraft aircraft;
        aircraft.callsign = callsign;
        aircraft.state = state;
        aircraft.objectId = id;
        live.push_back(aircraft);
    };
    add("A", LiveState::creationRequested, 0);
    add("B", LiveState::inSimulator, 11);
    add("C", LiveState::creationRequested, 0);
    add("D", LiveState::inSimulator, 12);
    trafficState.removals = {21, 22};
    trafficState.noLiveryKeys = {"k"};
    trafficState.ghostCallsigns = {"X_"};
    // "A" cancels: the engine erases it and moves the last one ("D") into its place. "C" was
    // already sent, so it is marked.
    engine->onCall = [&](std::string_view name) {
        if (name == "gf_cancelQueuedCreations" && live.front().callsign == "A") {
            live.front() = live.back();
            live.pop_back();
        }
        if (name == "gf_cancelQueuedCreations" && engine->callsOf(name).size() == 2) {
            engine->cancelQueuedCreationsResult = false;
        }
        if (name == "gf_removeAllStatic" || name == "gf_removeFlightPlanFolder") {
            record(std::string(name));
        }
    };
    engine->cancelQueuedCreationsResult = true;

    gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);

    const Calls calls = takeCalls();
    const Calls head(calls.begin(), calls.begin() + 6);
    EXPECT_EQ((Calls{"release(12)", "release(11)", "gf_removeAllStatic", "queueRemove(21)",
                     "queueRemove(22)", "gf_removeFlightPlanFolder"}),
              head);
    EXPECT_EQ(
        (std::vector<std::string>{"gf_cancelQueuedCreations(A)", "gf_cancelQueuedCreations(C)"}),
        engine->callsOf("gf_cancelQueuedCreations"));
    ASSERT_EQ(3u, live.size());
    EXPECT_TRUE(live[2].removeOnceCreated);
    EXPECT_TRUE(trafficState.removals.empty());
    EXPECT_TRUE(trafficState.noLiveryKeys.empty());
    EXPECT_TRUE(trafficState.ghostCallsigns.empty());
}

// True only says that something of the callsign was cancelled (an orphan request, say); an
// aircraft still in its place had its own creation sent and is marked.
TEST_F(FinalExitTest, AnAircraftTheCancelLeftInPlaceIsMarked) {
    auto& live = engine->live();
    LiveAircraft aircraft;
    aircraft.callsign = "A";
    aircraft.state = LiveState::creationRequested;
    live.push_back(aircraft);
    engine->cancelQueuedCreationsResult = true;

    gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);

    EXPECT_EQ((std::vector<std::string>{"gf_cancelQueuedCreations(A)"}),
              engine->callsOf("gf_cancelQueuedCreations"));
    ASSERT_EQ(1u, live.size());
    EXPECT_TRUE(live[0].removeOnceCreated);
}

// Step 6 by how far each live aircraft's creation has come. One whose object the simulator has
// reported goes at once with that object, although its start-up sequence has not ended: no tick
// may reach that end any more.
TEST_F(FinalExitTest, EachLiveAircraftGoesByHowFarItsCreationCame) {
    struct Case {
        const char* name;
        LiveState state;
        std::uint32_t objectId;
        bool queued; // the cancel finds its creation still queued and erases it
        Calls calls;
        Calls cancels;
        std::size_t left;
        bool marked;
    };
    const Calls cancelA = {"gf_cancelQueuedCreations(A)"};
    const Case cases[] = {
        {"in the simulator", LiveState::inSimulator, 11, false, {"release(11)"}, {}, 1, false},
        {"bound to its object, in its start-up sequence",
         LiveState::creationRequested,
         12,
         false,
         {"release(12)"},
         {},
         1,
         false},
        {"creation still queued", LiveState::creationRequested, 0, true, {}, cancelA, 0, false},
        {"creation sent, object not yet reported",
         LiveState::creationRequested,
         0,
         false,
         {},
         cancelA,
         1,
         true},
        {"being removed", LiveState::beingRemoved, 13, false, {}, {}, 1, false},
        {"not yet admitted", LiveState::newFlight, 0, false, {}, {}, 1, false},
    };
    auto& live = engine->live();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exitInProgress = 0;
        live.clear();
        engine->clearCalls();
        LiveAircraft aircraft;
        aircraft.callsign = "A";
        aircraft.state = c.state;
        aircraft.objectId = c.objectId;
        live.push_back(aircraft);
        engine->cancelQueuedCreationsResult = c.queued;
        engine->onCall = [&](std::string_view name) {
            if (name == "gf_cancelQueuedCreations" && c.queued) {
                live.clear();
            }
        };
        takeCalls();

        gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);

        Calls released;
        for (const std::string& call : takeCalls()) {
            if (call.starts_with("release(") || call.starts_with("queueRemove(")) {
                released.push_back(call);
            }
        }
        EXPECT_EQ(c.calls, released);
        EXPECT_EQ(c.cancels, engine->callsOf("gf_cancelQueuedCreations"));
        ASSERT_EQ(c.left, live.size());
        if (c.left == 1) {
            EXPECT_EQ(c.marked, live[0].removeOnceCreated);
        }
    }
    engine->onCall = [](std::string_view) {};
}

TEST_F(FinalExitTest, TheRestartResetsBringEveryValueBackToItsStart) {
    mainWindow.showError("bad");
    mainWindow.showMessage("hello", false);
    mainWindow.trafficCell = 1;
    SCAN_LIVERIES.setRaw(true);
    SCAN_AIRPORTS.setRaw(true);
    parkSettingsChanged = true;
    timeShiftActive = true;
    flushStaticRequested = true;
    reservedStandCheckPending = true;
    matchingDepthRaised = true;
    parkTrafficOnlyLatch = 2;
    secondTick = true;
    readerError = true;
    stopRequested = 1;
    exitInProgress = 1;
    flightPaused = true;
    UserAircraftState user;
    user.latitude = 12.0;
    gf_setUserState(user);
    staticRenewalRequested = true;
    secondsCounter = 99;
    staticRenewalPhase = 1;
    blockCallsignChanged = true;
    stockAirportsPath.set("C:\\Scenery");
    LATERAL_RANGE.setRaw(LATERAL_RANGE.max() + 50);
    P3D_VERSION.setRaw(5);
    userOnGroundKnown = true;
    flightRunning = true;
    exitReason = ExitReason::RESTART;

    lf_restartResets(ExitReason::RESTART);

    EXPECT_EQ("", mainWindow.errorText());
    EXPECT_EQ("", mainWindow.messageText());
    EXPECT_EQ(3, mainWindow.trafficCell.load());
    EXPECT_FALSE(SCAN_LIVERIES.value());
    EXPECT_FALSE(SCAN_AIRPORTS.value());
    EXPECT_EQ("false", stored("SCAN_LIVERIES"));
    EXPECT_EQ("false", stored("SCAN_AIRPORTS"));
    EXPECT_FALSE(parkSettingsChanged);
    EXPECT_FALSE(timeShiftActive);
    EXPECT_FALSE(flushStaticRequested);
    EXPECT_FALSE(reservedStandCheckPending);
    EXPECT_FALSE(matchingDepthRaised);
    EXPECT_EQ(0, parkTrafficOnlyLatch.load());
    EXPECT_FALSE(secondTick);
    EXPECT_FALSE(readerError);
    EXPECT_EQ(0, stopRequested.load());
    EXPECT_EQ(0, exitInProgress.load());
    EXPECT_FALSE(flightPaused);
    EXPECT_EQ(0.0, gf_userState().latitude);
    EXPECT_FALSE(staticRenewalRequested);
    EXPECT_EQ(0, secondsCounter.load());
    EXPECT_EQ(0, staticRenewalPhase.load());
    EXPECT_FALSE(blockCallsignChanged);
    EXPECT_EQ("", stockAirportsPath.text());
    EXPECT_EQ(LATERAL_RANGE.max(), LATERAL_RANGE.value());
    EXPECT_EQ(LATERAL_RANGE.max(), injectionRadiusNm.load());
    EXPECT_EQ(LATERAL_RANGE.max() * 1852 + 10000, injectionRadiusMetres.load());
    EXPECT_EQ(5, simVersion.load());
    EXPECT_FALSE(userOnGroundKnown);
    EXPECT_FALSE(flightRunning);
    EXPECT_EQ(ExitReason::NOT_YET_SET, exitReason.load());
    EXPECT_EQ((Calls{"rtReset", "rtResetWeather", "linkRestartReset", "gf_resetTraffic"}),
              takeCalls());
}

TEST_F(FinalExitTest, TheCountdownShowsEverySecondAndLogsWithFiveLineEnds) {
    ksb::test::RecordingMessageSink messages;
    EXPECT_TRUE(lf_showRestartCountdown(3));
    EXPECT_EQ((std::vector<std::string>{"Restarting after 3 seconds", "Restarting after 2 seconds",
                                        "Restarting after 1 second"}),
              messages.messages());
    EXPECT_EQ(std::vector<std::chrono::nanoseconds>(3, 1s), clock->sleeps());
    const auto body = log->body();
    const auto at = std::find(body.begin(), body.end(), "Restarting after 3 seconds");
    ASSERT_NE(body.end(), at);
    ASSERT_GE(body.end() - at, 5);
    EXPECT_EQ((std::vector<std::string>{"", "", "", ""}), std::vector<std::string>(at + 1, at + 5));
    EXPECT_TRUE(lf_showRestartCountdown(0));
    EXPECT_EQ(3u, messages.messages().size());
}

TEST_F(FinalExitTest, ANewRequestCutsTheCountdownShortAndTheOldExitLeavesTheFlags) {
    // Ends the window: the cut restart posts nothing, the new exit posts its own end.
    clock->setSleepHook([this] {
        if (clock->sleeps().size() == 3) { // 0.5 s, 1 s, then the first second of the countdown
            gf_requestExit(ExitReason::USER_CLOSED_SIM, 0);
        }
    });
    ksb::test::RecordingMessageSink messages;
    gf_requestExit(ExitReason::RESTART, 30);

    const auto shown = messages.messages();
    EXPECT_EQ(1, std::count(shown.begin(), shown.end(), "Restarting after 30 seconds"));
    EXPECT_EQ(0, std::count(shown.begin(), shown.end(), "Restarting after 29 seconds"));
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::EndProgram}, port.posted());
    EXPECT_EQ(1, exitInProgress.load());
    EXPECT_EQ(ExitReason::USER_CLOSED_SIM, exitReason.load());
    EXPECT_EQ(0, activeWorkers.load());
}

TEST_F(FinalExitTest, AFailingStepIsReportedAndStillEndsTheWindow) {
    engine->onCall = [](std::string_view name) {
        if (name == "gf_removeFlightPlanFolder") {
            throw std::runtime_error("disk gone");
        }
    };
    ksb::test::RecordingMessageSink messages;
    gf_requestExit(ExitReason::RESTART, 5);

    EXPECT_EQ(std::vector<std::string>{"FinalExit: disk gone"}, messages.errors());
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::EndProgram}, port.posted());
    EXPECT_EQ(0, activeWorkers.load());
    EXPECT_EQ(1, exitInProgress.load());
}

TEST_F(FinalExitTest, AStubbornWorkerTurnsARestartIntoTheEnd) {
    activeWorkers = 1; // a worker that never ends
    gf_requestExit(ExitReason::RESTART, 5);

    EXPECT_TRUE(log->contains(
        "===> Workers still running: 1; the restart waits up to 30 s more, then ends the program"));
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::EndProgram}, port.posted());
    EXPECT_EQ(1, activeWorkers.load());
    // 1.5 s of steps, 6.1 s, then 30 s more; no countdown and no resets.
    EXPECT_EQ(1500ms + 361 * 100ms, sleptTotal());
    EXPECT_EQ(Calls{}, Calls(std::find(calls.begin(), calls.end(), "rtReset"), calls.end()));
}

TEST_F(FinalExitTest, AFinalExitGoesOnAfterTheBoundedWait) {
    activeWorkers = 1;
    gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);
    EXPECT_FALSE(log->contains("Workers still running"));
    EXPECT_EQ(1500ms + 61 * 100ms, sleptTotal());
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::EndProgram}, port.posted());
}

TEST_F(FinalExitTest, AnExitThreadThatCannotStartLeavesTheExitFree) {
    gf_setExitThreadStarter([](std::function<void()>) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "thread");
    });
    EXPECT_THROW(gf_requestExit(ExitReason::USER_CLOSED_SIM, 0), std::system_error);
    EXPECT_EQ(0, exitInProgress.load());
    // A later request starts an exit again.
    gf_setExitThreadStarter([](std::function<void()> body) { body(); });
    gf_requestExit(ExitReason::USER_CLOSED_SIM, 0);
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::EndProgram}, port.posted());
}

TEST_F(FinalExitTest, AStoppedReaderRestartsOnUnauthorisedElseFlagsTheError) {
    struct Case {
        const char* reader;
        bool unauthorised;
    };
    const Case cases[] = {{"Weather Reader", false}, {"Traffic Reader", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reader);
        TearDown();
        SetUp();
        exits.emplace();
        ksb::test::RecordingMessageSink messages;
        lf_readerStopped(c.reader, c.unauthorised);
        const std::string text = fmt::format("The {} has stopped with an error", c.reader);
        EXPECT_EQ(std::vector<std::string>{text}, messages.messages());
        EXPECT_EQ(!c.unauthorised, readerError.load());
        if (c.unauthorised) {
            EXPECT_EQ((std::vector<ksb::test::RecordedExit>{{ExitReason::RESTART, 15}}),
                      exits->all());
        } else {
            EXPECT_TRUE(exits->all().empty());
        }
    }
}

// The exit closes the park airport with trafficMutex held, as a tick may still walk the stands:
// the learned file is written and the feed's park elevation cleared.
TEST_F(FinalExitTest, TheExitClosesTheParkAirportWithTheTrafficMutexHeld) {
    ksb::test::WorkingFolder work;
    ksb::test::FakeParkAirportServices park;
    const std::filesystem::path apf = "airports/archive/stock/EHAM.xml";
    const std::filesystem::path learned = "airports/learned/stock/EHAM.xml";
    ksb::test::AirportFileBuilder()
        .parameter("airport_name", "Schiphol")
        .parameter("publisher", "stock")
        .parameter("altitude", "-11")
        .parkpos({{"id", "D1"}, {"latitude", "52.3"}, {"longitude", "4.76"}, {"radius", "30"}})
        .write(apf);
    ksb::ParkAirportState& state = gf_parkAirportState();
    {
        std::lock_guard lock(trafficState.trafficMutex);
        state.name = "EHAM";
        std::string result;
        gf_readApf(result, apf, state.airportName, state.qualityFactors, state.stands);
        ASSERT_EQ(result, "");
        StandObservation learnedHere;
        learnedHere.registration = "PH-BFA";
        learnedHere.day = 2;
        learnedHere.halfHours.set(14);
        learnedHere.sequenceNumber = 1;
        learnedHere.learned = true;
        state.stands[0].observations.push_back(learnedHere);
        state.learnedUpdateCount = 1;
    }
    park.takeCalls();
    bool held = false;
    StartupServices startup;
    startup.resetParkAirport = [&held] {
        // Nobody else takes it here, so a failed try means this thread holds it.
        held = !trafficState.trafficMutex.try_lock();
        if (!held) {
            trafficState.trafficMutex.unlock();
        }
        gf_resetParkAirport();
    };
    gf_setStartupServices(startup);

    gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);

    EXPECT_TRUE(held);
    ASSERT_TRUE(std::filesystem::exists(learned));
    EXPECT_NE(ksb::test::readBytes(learned).find("PH-BFA"), std::string::npos);
    EXPECT_FALSE(state.parkAirportLoaded);
    EXPECT_EQ(state.learnedUpdateCount, 0);
    EXPECT_EQ(park.calls(), Calls{"setParkElevation(none)"});
}

} // namespace
