#include "core/globals.h"
#include "core/time_text.h"

#include "support/manual_clock.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using ksb::test::kWednesdayMorning;
using ksb::test::ManualClock;
using ksb::test::ScopedClock;

// Wed Dec 09 2026 10:29:59 UTC: a one-digit day, one second before a half-hour boundary.
constexpr char kTimeZeroText[] = "Thu Jan 01 00:00:00 1970";

TEST(UtcTimeString, FormatsFixedWidthTexts) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        double seconds;
        const char* text;
        bool inRange;
    };
    const Case cases[] = {
        {"one-digit day, zero padded", kWednesdayMorning, "Wed Dec 09 10:29:59 2026", true},
        {"fraction is cut, not rounded", kWednesdayMorning + 0.999, "Wed Dec 09 10:29:59 2026",
         true},
        {"epoch", 0.0, kTimeZeroText, true},
        {"before the epoch rounds down", -1.5, "Wed Dec 31 23:59:58 1969", true},
        {"first second of year 1000", -30610224000.0, "Wed Jan 01 00:00:00 1000", true},
        {"last second of year 9999", 253402300799.0, "Fri Dec 31 23:59:59 9999", true},
        {"year 999", -30610224001.0, kTimeZeroText, false},
        {"year 10000", 253402300800.0, kTimeZeroText, false},
        {"negative year", -1.0e11, kTimeZeroText, false},
        {"huge", 1.0e300, kTimeZeroText, false},
        {"huge negative", -1.0e300, kTimeZeroText, false},
        {"NaN", kNaN, kTimeZeroText, false},
        {"+inf", kInf, kTimeZeroText, false},
        {"-inf", -kInf, kTimeZeroText, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = gf_utcTimeString(c.seconds);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.size(), 24u);
        EXPECT_EQ(gf_utcTimeInRange(c.seconds), c.inRange);
    }
}

TEST(UtcClockTexts, ComeFromTheClocksUtcTime) {
    ManualClock clock(kWednesdayMorning);
    ScopedClock scoped(clock);
    EXPECT_EQ(gf_utcClockText(), "10:29:59");
    EXPECT_EQ(gf_metaDateText(), "Dec 09, 2026");

    clock.advance(std::chrono::seconds(13 * 3600 + 30 * 60 + 1)); // Thu Dec 10 00:00:00
    EXPECT_EQ(gf_utcClockText(), "00:00:00");
    EXPECT_EQ(gf_metaDateText(), "Dec 10, 2026");
}

TEST(UtcClockTexts, IgnoreTheTimeShift) {
    ManualClock clock(kWednesdayMorning);
    ScopedClock scoped(clock);
    timeShiftActive = true;
    lastFeedTimeStamp = 1796687110.0; // Mon Dec 07 2026 23:45:10

    EXPECT_EQ(gf_utcClockText(), "10:29:59");
    EXPECT_EQ(gf_metaDateText(), "Dec 09, 2026");
    // The log's clock text is the one that follows the feed.
    EXPECT_EQ(gf_logTimeStamp(), "<<< 23:45:10");
}

} // namespace
