#include "core/globals.h"
#include "core/worker_throttle.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using ksb::test::ManualClock;
using ksb::test::ScopedClock;
using std::chrono::microseconds;

TEST(WorkerThrottle, PollsUntilASlotIsFree) {
    struct Case {
        const char* name;
        std::int32_t limit;
        std::int32_t running;
        // Sleeps after which the hook lets one worker finish (0: never).
        std::size_t finishAfter;
        std::size_t expectedSleeps;
    };
    const Case cases[] = {
        {"below the limit returns at once", 4, 3, 0, 0},
        {"at the limit waits for a finish", 4, 4, 3, 3},
        {"above the limit waits for two finishes", 2, 3, 2, 4},
        {"a limit of 0 behaves as 1: free slot", 0, 0, 0, 0},
        {"a limit of 0 behaves as 1: one running", 0, 1, 5, 5},
        {"a negative limit behaves as 1", -3, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock clock(1'780'000'000.0, true);
        ScopedClock scoped(clock);
        workerLimit = c.limit;
        runningWorkers = c.running;
        clock.setSleepHook([&] {
            const std::size_t sleeps = clock.sleepCount();
            if (c.finishAfter != 0 && sleeps % c.finishAfter == 0) {
                gf_workerFinished();
            }
            if (sleeps > 100) {
                // A throttle that never sees a slot would spin for ever; end it here.
                ADD_FAILURE() << "still waiting after " << sleeps << " polls";
                workerLimit = 1000;
            }
        });
        gf_waitForWorkerSlot();
        EXPECT_EQ(clock.sleepCount(), c.expectedSleeps);
        for (const auto sleep : clock.sleeps()) {
            EXPECT_EQ(sleep, microseconds(10));
        }
        EXPECT_LT(runningWorkers.load(), std::max<std::int32_t>(1, c.limit));
    }
}

TEST(WorkerThrottle, FinishedCountsDown) {
    runningWorkers = 2;
    gf_workerFinished();
    EXPECT_EQ(runningWorkers.load(), 1);
}

} // namespace
