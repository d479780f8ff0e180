#include "app/exit_fixture.h"
#include "app/final_exit.h"
#include "platform/thread_name.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using ExitThreadTest = ksb::test::ExitFixture;

TEST_F(ExitThreadTest, ManyRequestsAtOnceStartOneExit) {
    std::mutex mutex;
    std::vector<std::thread> exitThreads;
    gf_setExitThreadStarter([&](std::function<void()> body) {
        std::lock_guard lock(mutex);
        exitThreads.emplace_back(std::move(body));
    });
    std::atomic<bool> go{false};
    std::vector<std::thread> requesters;
    for (int i = 0; i < 8; ++i) {
        requesters.emplace_back([&go, i] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            gf_requestExit(i % 2 == 0 ? ExitReason::USER_CLOSED_SIM : ExitReason::SIM_WAS_CLOSED,
                           0);
        });
    }
    go = true;
    for (std::thread& t : requesters) {
        t.join();
    }
    std::lock_guard lock(mutex);
    ASSERT_EQ(1u, exitThreads.size());
    exitThreads.front().join();
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::EndProgram}, port.posted());
    EXPECT_EQ(0, activeWorkers.load());
}

TEST_F(ExitThreadTest, TheExitRunsOnADetachedThreadNamedKsbyExit) {
    gf_setExitThreadStarter({});
    std::mutex mutex;
    std::string name;
    engine->onCall = [&](std::string_view call) {
        if (call == "gf_removeAllStatic") {
            std::lock_guard lock(mutex);
            name = platform::threadName();
        }
    };
    gf_requestExit(ExitReason::SIM_WAS_CLOSED, 0);
    // The exit gives its count back as its very last step; the virtual clock lets it run
    // through its waits at once.
    while (exitInProgress.load() == 0 || activeWorkers.load() != 0 || port.posted().empty()) {
        std::this_thread::yield();
    }
    std::lock_guard lock(mutex);
    EXPECT_EQ("ksby-exit", name);
    EXPECT_NE("ksby-exit", platform::threadName());
}

} // namespace
