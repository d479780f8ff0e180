#include "core/clock.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using ksb::WakeReason;
using ksb::test::ManualClock;
using ksb::test::ScopedClock;

TEST(ManualClock, AutoAdvanceJumpsRecordsAndCallsTheHook) {
    ManualClock clock(1000.0, true);
    ScopedClock installed(clock);
    int hooks = 0;
    clock.setSleepHook([&] { ++hooks; });
    const auto start = ksb::gf_clock().steadyNow();
    EXPECT_EQ(ksb::gf_sleepFor(10ms), WakeReason::deadline);
    EXPECT_EQ(ksb::gf_sleepFor(2s), WakeReason::deadline);
    EXPECT_EQ(ksb::gf_clock().steadyNow() - start, 2010ms);
    EXPECT_DOUBLE_EQ(ksb::gf_utcSecondsNow(), 1002.01);
    EXPECT_EQ(hooks, 2);
    EXPECT_EQ(clock.sleeps(), (std::vector<std::chrono::nanoseconds>{10ms, 2s}));
    // A stop test already true returns before sleeping.
    EXPECT_EQ(ksb::gf_sleepFor(1s, [] { return true; }), WakeReason::stopped);
    EXPECT_EQ(clock.sleepCount(), 2u);
}

TEST(Clock, InstalledClockIsUsedUntilRemoved) {
    ManualClock clock(42.5);
    {
        ScopedClock installed(clock);
        EXPECT_DOUBLE_EQ(ksb::gf_utcSecondsNow(), 42.5);
    }
    EXPECT_GT(ksb::gf_utcSecondsNow(), 1.7e9);
    // A deadline in the past returns at once from the system clock.
    EXPECT_EQ(ksb::gf_clock().sleepUntil(ksb::gf_clock().steadyNow() - 1s, {}),
              WakeReason::deadline);
}

} // namespace
