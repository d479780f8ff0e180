#include "app/since_last_run.h"
#include "core/parameters.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(SinceLastRunTest, LinesAndHold) {
    struct Case {
        const char* name;
        std::int32_t elapsed;
        std::optional<std::string> line;
        int hold;
    };
    const Case cases[] = {
        {"just now", 0, "0 seconds since last run", 2},
        {"a second", 1, "1 second since last run", 1},
        {"two seconds", 2, "2 seconds since last run", 0},
        {"under a minute", 59, "59 seconds since last run", 0},
        {"a minute", 60, "1 minute and 0 seconds since last run", 0},
        {"a minute and a second", 61, "1 minute and 1 second since last run", 0},
        {"two minutes", 120, "2 minutes and 0 seconds since last run", 0},
        {"two minutes and a second", 121, "2 minutes and 1 second since last run", 0},
        {"a second in the future", -1, "-1 second since last run", 0},
        // Under a minute only the seconds part is shown, as the line is written.
        {"100 seconds in the future", -100, "-40 second since last run", 0},
        {"just under 364 days", 524160 * 60 - 1, "524159 minutes and 59 seconds since last run", 0},
        {"364 days", 524160 * 60, std::nullopt, 0},
        {"LAST_EPOCH_TIME 0", 1'780'000'000, std::nullopt, 0},
        {"largest", std::numeric_limits<std::int32_t>::max(), std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SinceLastRun result = lf_sinceLastRun(c.elapsed);
        EXPECT_EQ(c.line, result.line);
        EXPECT_EQ(c.hold, result.holdSeconds);
    }
}

TEST(SinceLastRunTest, ElapsedComesFromTheClockInWholeSeconds) {
    ksb::test::ManualClock clock(1'780'000'000.75);
    ksb::test::ScopedClock scoped(clock);
    struct Case {
        std::int32_t lastEpoch;
        std::int32_t elapsed;
    };
    for (const Case c : {Case{1'780'000'000, 0}, Case{1'779'999'999, 1}, Case{0, 1'780'000'000},
                         Case{2'000'000'000, -220'000'000}}) {
        SCOPED_TRACE(c.lastEpoch);
        LAST_EPOCH_TIME.setRaw(c.lastEpoch);
        EXPECT_EQ(c.elapsed, lf_secondsSinceLastRun());
    }
}

} // namespace
