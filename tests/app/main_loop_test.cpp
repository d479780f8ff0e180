#include "airports/park_airport_state.h"
#include "app/exit_fixture.h"
#include "app/main_loop.h"
#include "app/run_controls.h"
#include "core/sim_session_state.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <optional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using Calls = std::vector<std::string>;

class MainLoopTest : public ksb::test::ExitFixture {
protected:
    void SetUp() override {
        ExitFixture::SetUp();
        gf_resetMainLoopForTests();
    }

    // The session: a second tick after every 100 cycles; hook(second) runs before it is raised.
    void tickEverySecond(std::function<void(int)> hook) {
        clock->setSleepHook([this, hook] {
            if (++cycles % 100 == 0) {
                ++seconds;
                hook(seconds);
                secondTick = true;
            }
        });
    }

    std::size_t count(const std::string& call) {
        const Calls all = takeCalls();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), call));
    }

    int cycles = 0;
    int seconds = 0;
};

TEST_F(MainLoopTest, TheScheduleRunsThroughTheFirstRenewal) {
    flightRunning = true;
    gf_parkAirportState().parkSnapshot.set(ksb::ParkSnapshot{"KSBY", 35.2, -120.6});
    tickEverySecond([](int second) {
        if (second == 1231) {
            exitInProgress = 1;
        }
    });

    mainLoop(runGeneration.load());

    EXPECT_EQ(123100u, engine->callsOf("gf_trafficTick").size());
    EXPECT_EQ(1230, secondsCounter.load());
    // The park check on multiples of 16 but not of 15, skipped between the renewal's steps
    // (1216 falls between 1215 and 1230).
    std::vector<std::string> parkChecks;
    for (int n = 1; n <= 1230; ++n) {
        if (n % 16 == 0 && n % 15 != 0 && n != 1216) {
            parkChecks.push_back("gf_checkParkAirport(false)");
        }
    }
    EXPECT_EQ(parkChecks, engine->callsOf("gf_checkParkAirport"));
    EXPECT_EQ(std::vector<std::string>{"gf_refreshStaticParking(false)"},
              engine->callsOf("gf_refreshStaticParking"));
    EXPECT_FALSE(staticRenewalRequested.load());
    EXPECT_EQ(0, staticRenewalPhase.load());
    EXPECT_EQ(20, mainWindow.minutesToRenewal.load());
    const Calls all = takeCalls();
    EXPECT_EQ(1, std::count(all.begin(), all.end(), "lockControls"));
    EXPECT_EQ(1, std::count(all.begin(), all.end(), "setCollectFlag"));
    EXPECT_EQ(1, std::count(all.begin(), all.end(), "logUnmatched"));
    // The reader status at start and every 15 s.
    EXPECT_EQ(1 + 1230 / 15, std::count(all.begin(), all.end(), "showStatus"));
    // No twin pass without static parked aircraft.
    EXPECT_TRUE(engine->callsOf("lf_removeStaticTwinOfLive").empty());
}

TEST_F(MainLoopTest, APauseAndAResumeAreHandledOnce) {
    flightRunning = true;
    tickEverySecond([](int second) {
        if (second == 2) {
            flightRunning = false;
        } else if (second == 5) {
            flightRunning = true;
        } else if (second == 7) {
            exitInProgress = 1;
        }
    });

    mainLoop(runGeneration.load());

    const auto body = log->body();
    EXPECT_EQ(1, std::count_if(body.begin(), body.end(), [](const std::string& line) {
                  return line.find("Flight not running") != std::string::npos;
              }));
    EXPECT_TRUE(log->contains("Flight resumed"));
    const Calls all = takeCalls();
    EXPECT_EQ(1, std::count(all.begin(), all.end(), "clearPositionQueues"));
    EXPECT_EQ((std::vector<std::string>{"gf_setFeedIntake(true)", "gf_setFeedIntake(false)",
                                        "gf_setFeedIntake(true)"}),
              engine->callsOf("gf_setFeedIntake"));
    // Every idle cycle handles the inbound records: three seconds of 100 cycles.
    EXPECT_EQ(300u, engine->callsOf("gf_processSimEvents").size());
    EXPECT_FALSE(flightPaused.load());
}

TEST_F(MainLoopTest, TheLoopEndsOnEachOfItsConditions) {
    struct Case {
        const char* name;
        bool ticks;
        std::function<void()> end;
        int cycles;
    };
    const Case cases[] = {
        {"exit at a second tick", true, [] { exitInProgress = 1; }, 300},
        {"stop without ticks: 100 cycles", false, [] { stopRequested = 1; }, 349},
        {"a new generation: at once", false, [] { ++runGeneration; }, 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        flightRunning = true;
        cycles = 0;
        clock->setSleepHook([&] {
            ++cycles;
            if (c.ticks && cycles % 100 == 0) {
                secondTick = true;
            }
            if (cycles == 250) {
                c.end();
            }
        });
        mainLoop(runGeneration.load());
        EXPECT_EQ(c.cycles, cycles);
    }
}

TEST_F(MainLoopTest, AThrowInTheLoopIsReportedAndEndsIt) {
    exits.emplace();
    flightRunning = true;
    engine->onCall = [](std::string_view name) {
        if (name == "gf_trafficTick") {
            throw std::runtime_error("boom");
        }
    };
    mainLoop(runGeneration.load());
    EXPECT_EQ("mainLoop: boom", mainWindow.errorText());
    EXPECT_EQ((std::vector<ksb::test::RecordedExit>{{ExitReason::SYSTEM_ERROR, 0}}), exits->all());
}

TEST_F(MainLoopTest, TheThirtySecondStep) {
    exits.emplace();
    matchingDepthRaised = true;
    readerError = true;
    trafficState.noLiveryKeys = {"a"};
    secondsCounter = 86400;
    trafficState.liveryCache[1] = "title";

    lf_every30Seconds();

    EXPECT_EQ("1001: RT error", mainWindow.errorText());
    EXPECT_EQ((std::vector<ksb::test::RecordedExit>{{ExitReason::SYSTEM_ERROR, 0}}), exits->all());
    EXPECT_FALSE(matchingDepthRaised.load());
    EXPECT_TRUE(trafficState.noLiveryKeys.empty());
    EXPECT_TRUE(trafficState.liveryCache.empty());
    EXPECT_EQ(0, secondsCounter.load());
    EXPECT_EQ((Calls{"clearNoLiveryFlights", "logUnmatched", "printLiveryMatchSummary"}),
              takeCalls());
}

} // namespace

namespace {

TEST_F(MainLoopTest, TheDriftCorrectionFollowsTheSimulatorClock) {
    const std::int64_t now = 1'780'000'000;
    struct Case {
        const char* name;
        std::int64_t simTime;
        std::int64_t lastSeen;
        std::optional<int> offset; // handed to both clients; none = no shift
    };
    const Case cases[] = {
        {"an hour behind, jumped 60 s", now - 3600, now - 3660, 60},
        {"jumped exactly 30 s", now - 3600, now - 3630, 60},
        {"jumped 29 s", now - 3600, now - 3629, std::nullopt},
        {"ahead of the real clock", now + 600, now, 0},
        {"set back to 1970", 0, now, 40320},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SIM_TIME.setRaw(true);
        std::vector<int> offsets;
        RtServices rt = gf_rtServices();
        rt.setTimeOffset = [&offsets](int minutes) { offsets.push_back(minutes); };
        gf_setRtServices(rt);
        simUtcSeconds = c.simTime;
        lastSimUtcSeconds = c.lastSeen;

        lf_everySecond();

        EXPECT_EQ(c.offset ? std::vector<int>{*c.offset} : std::vector<int>{}, offsets);
        EXPECT_EQ(c.simTime, lastSimUtcSeconds.load());
    }
}

} // namespace
