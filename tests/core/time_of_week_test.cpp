#include "core/globals.h"
#include "core/time_of_week.h"
#include "core/time_text.h"

#include "support/log_capture.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using ksb::test::kWednesdayMorning;
using ksb::test::LogCapture;
using ksb::test::ManualClock;
using ksb::test::ScopedClock;

constexpr double kMondayMidnight = 1796601600.0;                   // Mon Dec 07 2026 00:00:00
constexpr double kMondayLate = kMondayMidnight + 23 * 3600 + 2710; // Mon Dec 07 2026 23:45:10

TEST(TimeOfWeek, PairPacksWeekdayLowAndHalfHourHigh) {
    const DayHalfHour pair = gf_packDayHalfHour(3, 21);
    EXPECT_EQ(pair, (std::uint64_t{21} << 32) | 3u);
    EXPECT_EQ(gf_weekdayOf(pair), 3);
    EXPECT_EQ(gf_halfHourOfPair(pair), 21);
    EXPECT_EQ(gf_dayHalfHourText(pair), "day=3 hh=21");
    EXPECT_EQ(gf_dayHalfHourText(gf_packDayHalfHour(0, 0)), "day=0 hh=0");
}

TEST(TimeOfWeek, SundayAndMondayAreNeighbours) {
    EXPECT_EQ(gf_weekdayBefore(1), 7);
    EXPECT_EQ(gf_weekdayBefore(4), 3);
    EXPECT_EQ(gf_weekdayAfter(7), 1);
    EXPECT_EQ(gf_weekdayAfter(4), 5);
}

TEST(TimeOfWeek, DecodeDayIsExactAndLogsTheRest) {
    struct Case {
        const char* name;
        const char* text;
        int day;
    };
    const Case cases[] = {
        {"Mon", "Mon", 1},     {"Tue", "Tue", 2},        {"Wed", "Wed", 3},
        {"Thu", "Thu", 4},     {"Fri", "Fri", 5},        {"Sat", "Sat", 6},
        {"Sun", "Sun", 7},     {"lower case", "mon", 0}, {"empty", "", 0},
        {"long", "Monday", 0}, {"upper case", "MON", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        EXPECT_EQ(lf_decodeDay(c.text), c.day);
        const std::vector<std::string> expected =
            c.day == 0 ? std::vector<std::string>{std::string("lf_decodeDay ?  ") + c.text}
                       : std::vector<std::string>{};
        EXPECT_EQ(log.body(), expected);
    }
}

TEST(TimeOfWeek, DayNames) {
    const std::pair<int, const char*> cases[] = {
        {1, "Monday"},   {2, "Tuesday"}, {3, "Wednesday"}, {4, "Thursday"},  {5, "Friday"},
        {6, "Saturday"}, {7, "Sunday"},  {0, "wrong day"}, {8, "wrong day"}, {-1, "wrong day"},
    };
    for (const auto& [day, name] : cases) {
        SCOPED_TRACE(day);
        EXPECT_EQ(gf_dayName(day), name);
    }
}

TEST(TimeOfWeek, HalfHourBoundaries) {
    const double day = kWednesdayMorning - (10 * 3600 + 29 * 60 + 59); // Wed Dec 09 00:00:00
    struct Case {
        const char* name;
        double seconds;
        int halfHour;
    };
    const Case cases[] = {
        {"00:00:00", day, 0},
        {"00:29:59.9", day + 1799.9, 0},
        {"00:30:00", day + 1800, 1},
        {"10:29:59", day + 10 * 3600 + 1799, 20},
        {"10:30:00", day + 10 * 3600 + 1800, 21},
        {"23:29:59", day + 23 * 3600 + 1799, 46},
        {"23:59:59", day + 86399, 47},
        {"next midnight", day + 86400, 0},
        {"not a time reads as time 0", std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_halfHourOf(c.seconds), c.halfHour);
    }
}

TEST(TimeOfWeek, CurrentDayHalfHourWalksThroughTheWeek) {
    ManualClock clock(kMondayMidnight);
    ScopedClock scoped(clock);
    LogCapture log;
    for (int weekday = 1; weekday <= 7; ++weekday) {
        SCOPED_TRACE(weekday);
        EXPECT_EQ(gf_currentDayHalfHour(), gf_packDayHalfHour(weekday, 0));
        clock.advance(std::chrono::seconds(86399));
        EXPECT_EQ(gf_currentDayHalfHour(), gf_packDayHalfHour(weekday, 47));
        EXPECT_EQ(gf_currentHalfHour(), 47);
        clock.advance(std::chrono::seconds(1));
    }
    EXPECT_EQ(gf_currentDayHalfHour(), gf_packDayHalfHour(1, 0)); // Monday again
    EXPECT_TRUE(log.body().empty());
}

TEST(TimeOfWeek, HalfHoursBetweenIsOrderFreeAndWrapsSundayToMonday) {
    struct Case {
        const char* name;
        DayHalfHour a;
        DayHalfHour b;
        int distance;
    };
    const Case cases[] = {
        {"same day", gf_packDayHalfHour(3, 10), gf_packDayHalfHour(3, 14), 4},
        {"equal", gf_packDayHalfHour(5, 20), gf_packDayHalfHour(5, 20), 0},
        {"Sunday 47 to Monday 0", gf_packDayHalfHour(7, 47), gf_packDayHalfHour(1, 0), 1},
        {"Sunday 0 to Monday 47", gf_packDayHalfHour(7, 0), gf_packDayHalfHour(1, 47), 95},
        {"Tuesday to Sunday", gf_packDayHalfHour(2, 0), gf_packDayHalfHour(7, 0), 240},
        {"Monday to Saturday", gf_packDayHalfHour(1, 0), gf_packDayHalfHour(6, 47), 287},
        {"across a day", gf_packDayHalfHour(4, 47), gf_packDayHalfHour(5, 0), 1},
        {"earlier slot on a later day", gf_packDayHalfHour(4, 40), gf_packDayHalfHour(6, 2), 58},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_halfHoursBetween(c.a, c.b), c.distance);
        EXPECT_EQ(gf_halfHoursBetween(c.b, c.a), c.distance);
    }
}

// Time elapsed runs forward through the week: a pair just after "now" is almost a week ago,
// which the order-free distance cannot tell.
TEST(TimeOfWeek, HalfHoursElapsedRunsForwardAndWrapsThroughTheWeek) {
    struct Case {
        const char* name;
        DayHalfHour since;
        DayHalfHour now;
        int elapsed;
    };
    const Case cases[] = {
        {"equal", gf_packDayHalfHour(5, 20), gf_packDayHalfHour(5, 20), 0},
        {"same day", gf_packDayHalfHour(3, 10), gf_packDayHalfHour(3, 14), 4},
        {"same day, now earlier", gf_packDayHalfHour(3, 14), gf_packDayHalfHour(3, 10), 332},
        {"across a day", gf_packDayHalfHour(4, 47), gf_packDayHalfHour(5, 0), 1},
        {"Sunday 47 to Monday 0", gf_packDayHalfHour(7, 47), gf_packDayHalfHour(1, 0), 1},
        {"Saturday to Monday", gf_packDayHalfHour(6, 10), gf_packDayHalfHour(1, 10), 96},
        {"Monday to Saturday", gf_packDayHalfHour(1, 0), gf_packDayHalfHour(6, 47), 287},
        {"Tuesday 0 to Monday 47", gf_packDayHalfHour(2, 0), gf_packDayHalfHour(1, 47), 335},
        {"odd weekday 0", gf_packDayHalfHour(0, 0), gf_packDayHalfHour(1, 0), 48},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_halfHoursElapsed(c.since, c.now), c.elapsed);
    }
    // Within a day of each other the two measures agree.
    EXPECT_EQ(gf_halfHoursElapsed(gf_packDayHalfHour(7, 40), gf_packDayHalfHour(1, 3)),
              gf_halfHoursBetween(gf_packDayHalfHour(7, 40), gf_packDayHalfHour(1, 3)));
}

TEST(TimeOfWeek, HalfHoursBeforeStepsBackThroughTheWeek) {
    struct Case {
        const char* name;
        DayHalfHour now;
        std::int64_t halfHours;
        DayHalfHour expected;
    };
    const Case cases[] = {
        {"none", gf_packDayHalfHour(3, 20), 0, gf_packDayHalfHour(3, 20)},
        {"within the day", gf_packDayHalfHour(3, 20), 5, gf_packDayHalfHour(3, 15)},
        {"to the day before", gf_packDayHalfHour(3, 2), 5, gf_packDayHalfHour(2, 45)},
        {"Monday back to Sunday", gf_packDayHalfHour(1, 0), 1, gf_packDayHalfHour(7, 47)},
        {"a whole day", gf_packDayHalfHour(1, 10), 48, gf_packDayHalfHour(7, 10)},
        {"a whole week", gf_packDayHalfHour(4, 7), 336, gf_packDayHalfHour(4, 7)},
        {"more than a week", gf_packDayHalfHour(4, 7), 337 + 336 * 1000,
         gf_packDayHalfHour(4, 6)},
        {"negative goes forward", gf_packDayHalfHour(7, 47), -1, gf_packDayHalfHour(1, 0)},
        {"odd weekday taken as Monday", gf_packDayHalfHour(0, 3), 4, gf_packDayHalfHour(7, 47)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_halfHoursBefore(c.now, c.halfHours), c.expected);
        // Stepping back and measuring forward again gives the count, within a week.
        if (c.halfHours >= 0 && c.halfHours < 336 && gf_weekdayOf(c.now) >= 1) {
            EXPECT_EQ(gf_halfHoursElapsed(gf_halfHoursBefore(c.now, c.halfHours), c.now),
                      c.halfHours);
        }
    }
}

// "Now" follows a usable feed stamp only while a time shift is applied. Seen through the
// time of week and the log's clock text, which both read it.
TEST(Now, FollowsTheFeedOnlyWhileShiftedAndTheStampIsATime) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const DayHalfHour clockPair = gf_packDayHalfHour(3, 20);
    const std::string clockText = "10:29:59";
    struct Case {
        const char* name;
        bool shift;
        double stamp;
        DayHalfHour pair;
        std::string logStamp;
    };
    const Case cases[] = {
        {"shift off", false, kMondayLate, clockPair, clockText},
        {"shift on, no stamp yet", true, 0.0, clockPair, clockText},
        {"shift on, stamp under one second", true, 0.9, clockPair, clockText},
        {"shift on, after a stamp", true, kMondayLate, gf_packDayHalfHour(1, 47), "<<< 23:45:10"},
        {"shift on, fractional stamp", true, kMondayLate + 0.75, gf_packDayHalfHour(1, 47),
         "<<< 23:45:10"},
        {"shift on, stamp before 1970", true, -1.5, gf_packDayHalfHour(3, 47), "<<< 23:59:58"},
        {"shift on, last second of 9999", true, 253402300799.0, gf_packDayHalfHour(5, 47),
         "<<< 23:59:59"},
        {"shift on, NaN", true, kNaN, clockPair, clockText},
        {"shift on, +inf", true, kInf, clockPair, clockText},
        {"shift on, -inf", true, -kInf, clockPair, clockText},
        {"shift on, 1e300", true, 1.0e300, clockPair, clockText},
        {"shift on, negative year", true, -1.0e11, clockPair, clockText},
        {"shift on, year 10000", true, 253402300800.0, clockPair, clockText},
    };
    ManualClock clock(kWednesdayMorning);
    ScopedClock scoped(clock);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        timeShiftActive = c.shift;
        lastFeedTimeStamp = c.stamp;
        EXPECT_EQ(gf_dayHalfHourText(gf_currentDayHalfHour()), gf_dayHalfHourText(c.pair));
        EXPECT_EQ(gf_currentHalfHour(), gf_halfHourOfPair(c.pair));
        EXPECT_EQ(gf_logTimeStamp(), c.logStamp);
        const bool followsFeed = c.logStamp.starts_with("<<< ");
        EXPECT_EQ(gf_feedTimeForNow().has_value(), followsFeed);
        if (!followsFeed) {
            EXPECT_EQ(gf_nowSeconds(), kWednesdayMorning);
        }
    }
}

TEST(Now, MovesWithTheClockWhenNotShifted) {
    ManualClock clock(kWednesdayMorning);
    ScopedClock scoped(clock);
    timeShiftActive = true; // no stamp yet
    EXPECT_EQ(gf_currentHalfHour(), 20);
    clock.advance(std::chrono::seconds(1));
    EXPECT_EQ(gf_currentHalfHour(), 21);
    EXPECT_EQ(gf_logTimeStamp(), "10:30:00");
}

} // namespace
