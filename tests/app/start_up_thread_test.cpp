#include "app/start_up.h"
#include "app/window_app.h"
#include "core/clock.h"
#include "core/main_window.h"
#include "core/run_values.h"
#include "start_up_fixture.h"
#include "support/wait_for.h"

#include <chrono>
#include <gtest/gtest.h>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using ksb::test::RecordedExit;

using ksb::test::waitFor;

// The worker on its own thread, started by the window's handler; a sleep waits until the test
// moves the clock or wakes it.
class StartUpThreadTest : public ksb::test::StartUpFixture {
protected:
    void SetUp() override {
        StartUpFixture::SetUp();
        clock->setAutoAdvance(false);
        // The previous run used the service just now: a hold of 2 seconds is due.
        writeParameters({{"PROGRAM_VERSION", "9.3.0"},
                         {"LAST_EPOCH_TIME",
                          std::to_string(static_cast<std::int64_t>(ksb::gf_utcSecondsNow()))}});
    }

    void TearDown() override {
        if (worker_.joinable()) {
            worker_.join();
        }
        StartUpFixture::TearDown();
    }

    void startWorker() {
        events_.onAppMessage(ui::AppMessage::StartWorker);
        ASSERT_EQ(1, activeWorkers.load());
        ASSERT_TRUE(waitFor([this] { return clock->waiting() == 1; }));
        EXPECT_EQ("Holding for 2 seconds... (RT API cannnot be revisited within 2 seconds)",
                  mainWindow.messageText());
    }

    void joinWorker() { worker_.join(); }

    // The name the worker gave its thread.
    std::string workerName() {
        char name[16] = {};
        return pthread_getname_np(worker_.native_handle(), name, sizeof name) == 0 ? name : "";
    }

private:
    std::thread worker_;
    MainWindowEvents events_{port, lf_startUpKSBY,
                             [this](std::function<void()> body) { worker_ = std::thread(body); }};
};

TEST_F(StartUpThreadTest, TheHoldEndsWhenItsTimeHasPassed) {
    startWorker();
    EXPECT_EQ("ksby-worker", workerName());
    // The hold comes after parameters.xml was read.
    EXPECT_TRUE(parametersLoaded.load());
    clock->advance(1s);
    EXPECT_EQ(1, clock->waiting());
    clock->advance(1s);
    joinWorker();

    EXPECT_EQ(std::vector<std::chrono::nanoseconds>{2s}, clock->sleeps());
    EXPECT_EQ("lf_run", services->names().back());
    EXPECT_TRUE(exits->all().empty());
    EXPECT_EQ(0, activeWorkers.load());
}

TEST_F(StartUpThreadTest, AnExitDuringTheHoldEndsItAtOnce) {
    struct Case {
        const char* name;
        std::function<void()> flag;
    };
    const Case cases[] = {
        {"exit", [] { exitInProgress = 1; }},
        {"stop", [] { stopRequested = 1; }},
        {"new run generation", [] { ++runGeneration; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        startWorker();

        c.flag();
        ksb::gf_wakeSleepers();
        const bool ended = waitFor([] { return activeWorkers.load() == 0; });
        if (!ended) {
            // Let a worker that missed the flag finish, so that the test can end.
            clock->advance(2s);
        }
        joinWorker();
        EXPECT_TRUE(ended);

        // No virtual time passed and the run phase was not entered.
        EXPECT_TRUE(clock->sleeps().empty());
        const auto names = services->names();
        EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), "lf_run"));
        EXPECT_EQ((std::vector<RecordedExit>{{ExitReason::USER_CLOSED_SIM, 1}}), exits->all());
        EXPECT_EQ(0, activeWorkers.load());
    }
}

} // namespace
