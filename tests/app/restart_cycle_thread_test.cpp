// Whole runs in stepped virtual time: the window starts a worker, which starts up, runs and loops;
// a restart counts down and starts a new worker in the same window; the user's close ends the
// program. The test thread plays the GUI thread and the simulator session, and moves virtual time
// only while some thread sleeps on the clock.
#include "app/final_exit.h"
#include "app/run_phase.h"
#include "app/start_up_fixture.h"
#include "app/startup_services.h"
#include "core/exit_request.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "support/fake_traffic_engine.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class RestartCycleTest : public ksb::test::StartUpFixture {
protected:
    void SetUp() override {
        StartUpFixture::SetUp();
        clock->setAutoAdvance(false);
        engine.emplace();
        exits.reset(); // the program's own exit handler, on threads the test joins
        gf_setExitHandler(&gf_finalExitHandler());
        gf_setExitThreadStarter([this](std::function<void()> body) { keep(std::move(body)); });
        LinkServices link;
        link.threadBody = [](std::stop_token, std::uint64_t) { activeWorkers.fetch_sub(1); };
        link.requestUserPosition = [] {
            UserAircraftState user;
            user.latitude = 35.237;
            user.longitude = -120.642;
            return user;
        };
        gf_setLinkServices(link);
        services->onCall("lf_run", [this] { runOnce(); });
        RtServices rt = gf_rtServices();
        rt.hasLicense = [] { return false; };
        rt.showStatus = [this] { loopsEntered.fetch_add(1); };
        rt.stopReaders = [] {};
        rt.deauth = [] {};
        gf_setRtServices(rt);
    }

    void TearDown() override {
        joinAll();
        gf_setExitThreadStarter({});
        gf_setExitHandler(nullptr);
        engine.reset();
        StartUpFixture::TearDown();
    }

    void keep(std::function<void()> body) {
        std::lock_guard lock(threadsMutex);
        threads.emplace_back(std::move(body));
    }

    void joinAll() {
        std::vector<std::thread> all;
        {
            std::lock_guard lock(threadsMutex);
            all.swap(threads);
        }
        for (std::thread& t : all) {
            t.join();
        }
    }

    // The worker's run phase, recording whether a run was still going when this one began.
    void runOnce() {
        if (runsGoing.fetch_add(1) != 0) {
            overlapped = true;
        }
        runsStarted.fetch_add(1);
        if (stubborn) {
            // Ignores every stop, but parks on the clock like any worker; only the test frees it.
            while (!releaseStubborn.load()) {
                ksb::gf_sleepFor(100ms, [this] { return releaseStubborn.load(); });
            }
        } else {
            lf_run();
        }
        runsGoing.fetch_sub(1);
    }

    // The GUI thread and the session: handles the posts, raises a second tick each virtual second
    // and calls script(second) then. Returns when the window was told to end the program.
    void play(const std::function<void(int)>& script) {
        MainWindowEvents events(port, lf_startUpKSBY, [this](std::function<void()> body) {
            keep(std::move(body));
        });
        flightRunning = true;
        userOnGroundKnown = true;
        events.onAppMessage(ui::AppMessage::StartWorker);
        std::size_t handled = 0;
        int elapsedMs = 0;
        const auto bound = std::chrono::steady_clock::now() + 20s;
        for (;;) {
            if (std::chrono::steady_clock::now() > bound) {
                releaseStubborn = true;
                exitInProgress = 1;
                stopRequested = 1;
                ksb::gf_wakeSleepers();
                FAIL() << "the cycle did not end: runs " << runsStarted.load() << ", loops "
                       << loopsEntered.load() << ", sleepers " << clock->waiting() << ", posts "
                       << port.posted().size() << ", virtual ms " << elapsedMs;
            }
            const auto posted = port.posted();
            for (; handled < posted.size(); ++handled) {
                if (posted[handled] == ui::AppMessage::EndProgram) {
                    return;
                }
                events.onAppMessage(posted[handled]);
            }
            if (clock->waiting() == 0) {
                std::this_thread::yield();
                continue;
            }
            clock->advance(10ms);
            elapsedMs += 10;
            if (elapsedMs % 1000 == 0) {
                secondTick = true;
                script(elapsedMs / 1000);
            }
        }
    }

    std::optional<ksb::test::FakeTrafficEngine> engine;
    std::mutex threadsMutex;
    std::vector<std::thread> threads;
    std::atomic<int> runsGoing{0};
    std::atomic<int> runsStarted{0};
    std::atomic<int> loopsEntered{0};
    std::atomic<bool> overlapped{false};
    bool stubborn = false;
    std::atomic<bool> releaseStubborn{false};
};

TEST_F(RestartCycleTest, ARestartStartsANewWorkerOnlyAfterTheOldOneEndedAndACloseEndsIt) {
    bool restartRequested = false;
    bool closeRequested = false;
    play([&](int) {
        if (loopsEntered.load() == 1 && !restartRequested) {
            restartRequested = true;
            gf_requestExit(ExitReason::RESTART, 2);
        }
        if (loopsEntered.load() == 2 && !closeRequested) {
            closeRequested = true;
            gf_requestExit(ExitReason::USER_CLOSED_SIM, 0);
        }
        // The reset of the restart clears the session; the session reports the flight again.
        flightRunning = true;
        userOnGroundKnown = true;
    });
    joinAll();
    EXPECT_EQ(2, runsStarted.load());
    EXPECT_FALSE(overlapped.load());
    EXPECT_EQ((std::vector<ui::AppMessage>{ui::AppMessage::StartWorker,
                                           ui::AppMessage::EndProgram}),
              port.posted());
    EXPECT_EQ(0, activeWorkers.load());
    EXPECT_TRUE(log->contains("Exiting: RESTART"));
    EXPECT_TRUE(log->contains("Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(log->contains("User closed KSBY_P3D"));
}

TEST_F(RestartCycleTest, AStubbornWorkerTurnsARestartIntoTheEndOfTheProgram) {
    stubborn = true;
    bool restartRequested = false;
    play([&](int second) {
        if (second == 3 && !restartRequested) {
            restartRequested = true;
            gf_requestExit(ExitReason::RESTART, 2);
        }
    });
    releaseStubborn = true;
    ksb::gf_wakeSleepers();
    joinAll();
    EXPECT_EQ(1, runsStarted.load());
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::EndProgram}, port.posted());
    EXPECT_TRUE(log->contains(
        "Workers still running: 1; the restart waits up to 30 s more, then ends the program"));
    EXPECT_EQ(0, activeWorkers.load());
}

} // namespace
