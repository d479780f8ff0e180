#include "core/clock.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;
using ksb::WakeReason;
using ksb::test::ManualClock;
using ksb::test::ScopedClock;

TEST(ManualClockThreads, SleeperWakesWhenTimeIsStepped) {
    ManualClock clock;
    ScopedClock installed(clock);
    std::atomic<int> result{-1};
    std::thread sleeper([&] { result = static_cast<int>(ksb::gf_sleepFor(5s)); });
    while (clock.waiting() == 0) {
        std::this_thread::yield();
    }
    clock.advance(4s);
    EXPECT_EQ(result.load(), -1);
    clock.advance(1s);
    sleeper.join();
    EXPECT_EQ(result.load(), static_cast<int>(WakeReason::deadline));
    EXPECT_EQ(clock.sleeps(), std::vector<std::chrono::nanoseconds>{5s});
}

TEST(ManualClockThreads, StopWakesTheSleeperEarly) {
    ManualClock clock;
    ScopedClock installed(clock);
    std::atomic<bool> stop{false};
    std::atomic<int> result{-1};
    std::thread sleeper(
        [&] { result = static_cast<int>(ksb::gf_sleepFor(1h, [&] { return stop.load(); })); });
    while (clock.waiting() == 0) {
        std::this_thread::yield();
    }
    stop = true;
    ksb::gf_wakeSleepers();
    sleeper.join();
    EXPECT_EQ(result.load(), static_cast<int>(WakeReason::stopped));
}

// The system clock's sleep is bounded by the stop test, not by the deadline.
TEST(SystemClockThreads, StopEndsALongSleepAtOnce) {
    std::atomic<bool> stop{false};
    std::atomic<bool> started{false};
    std::atomic<int> result{-1};
    std::thread sleeper([&] {
        started = true;
        result = static_cast<int>(ksb::gf_sleepFor(1h, [&] { return stop.load(); }));
    });
    while (!started.load()) {
        std::this_thread::yield();
    }
    stop = true;
    ksb::gf_wakeSleepers();
    sleeper.join();
    EXPECT_EQ(result.load(), static_cast<int>(WakeReason::stopped));
}

} // namespace
