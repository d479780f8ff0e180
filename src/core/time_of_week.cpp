#include "core/time_of_week.h"

#include "core/clock.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/time_text.h"

#include <array>
#include <cmath>
#include <fmt/format.h>
#include <utility>

namespace {
constexpr int kHalfHoursPerDay = 48;
constexpr int kHalfHoursPerWeek = 7 * kHalfHoursPerDay;

// The time text has fixed positions, so two digits are read in place.
int lf_twoDigits(const std::string& text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

int lf_halfHourOfText(const std::string& text) {
    return lf_twoDigits(text, 11) * 2 + (lf_twoDigits(text, 14) >= 30 ? 1 : 0);
}
} // namespace

int lf_decodeDay(std::string_view abbreviation) {
    static constexpr std::array<std::string_view, 7> kDays = {"Mon", "Tue", "Wed", "Thu",
                                                              "Fri", "Sat", "Sun"};
    for (std::size_t i = 0; i < kDays.size(); ++i) {
        if (abbreviation == kDays[i]) {
            return static_cast<int>(i) + 1;
        }
    }
    gf_log(fmt::format("lf_decodeDay ?  {}", abbreviation));
    return 0;
}

std::string_view gf_dayName(int weekday) {
    static constexpr std::array<std::string_view, 7> kNames = {
        "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    if (weekday < 1 || weekday > 7) {
        return "wrong day";
    }
    return kNames[static_cast<std::size_t>(weekday - 1)];
}

std::optional<double> gf_feedTimeForNow() {
    if (!timeShiftActive.load()) {
        return std::nullopt;
    }
    const double stamp = lastFeedTimeStamp.load();
    // A stamp from the web service may be anything; only one that reads as a time counts.
    if (!gf_utcTimeInRange(stamp) || std::trunc(stamp) == 0.0) {
        return std::nullopt;
    }
    return stamp;
}

double gf_nowSeconds() {
    if (const auto feedTime = gf_feedTimeForNow()) {
        return *feedTime;
    }
    return ksb::gf_utcSecondsNow();
}

int gf_halfHourOf(double secondsSince1970) {
    return lf_halfHourOfText(gf_utcTimeString(secondsSince1970));
}

int gf_currentHalfHour() {
    return gf_halfHourOf(gf_nowSeconds());
}

DayHalfHour gf_currentDayHalfHour() {
    // One text for both halves, so weekday and half hour belong to the same instant.
    const std::string text = gf_utcTimeString(gf_nowSeconds());
    return gf_packDayHalfHour(lf_decodeDay(std::string_view(text).substr(0, 3)),
                              lf_halfHourOfText(text));
}

int gf_halfHoursBetween(DayHalfHour a, DayHalfHour b) {
    DayHalfHour later = a;
    DayHalfHour earlier = b;
    const int dayA = gf_weekdayOf(a);
    const int dayB = gf_weekdayOf(b);
    const bool mondayAfterSunday = dayA == 1 && dayB == 7;
    if (!mondayAfterSunday && ((dayA == 7 && dayB == 1) || dayA < dayB ||
                               (dayA == dayB && gf_halfHourOfPair(a) < gf_halfHourOfPair(b)))) {
        std::swap(later, earlier);
    }
    // 64-bit so that no pair, however odd, overflows.
    std::int64_t result =
        (std::int64_t{gf_weekdayOf(later)} - gf_weekdayOf(earlier)) * kHalfHoursPerDay +
        gf_halfHourOfPair(later) - gf_halfHourOfPair(earlier);
    if (gf_weekdayOf(later) == 1 && gf_weekdayOf(earlier) == 7) {
        result += kHalfHoursPerWeek;
    }
    return static_cast<int>(result);
}

int gf_halfHoursElapsed(DayHalfHour since, DayHalfHour now) {
    // 64-bit so that no pair, however odd, overflows; the remainder is taken non-negative.
    const std::int64_t raw =
        (std::int64_t{gf_weekdayOf(now)} - gf_weekdayOf(since)) * kHalfHoursPerDay +
        gf_halfHourOfPair(now) - gf_halfHourOfPair(since);
    return static_cast<int>(((raw % kHalfHoursPerWeek) + kHalfHoursPerWeek) % kHalfHoursPerWeek);
}

DayHalfHour gf_halfHoursBefore(DayHalfHour now, std::int64_t halfHours) {
    std::int32_t weekday = gf_weekdayOf(now);
    if (weekday < 1 || weekday > 7) {
        weekday = 1;
    }
    std::int64_t halfHour = gf_halfHourOfPair(now);
    if (halfHour < 0 || halfHour >= kHalfHoursPerDay) {
        halfHour = 0;
    }
    const std::int64_t ofWeek = (weekday - 1) * std::int64_t{kHalfHoursPerDay} + halfHour;
    // The count is reduced first, so that no count, however large, overflows.
    const std::int64_t back = ((halfHours % kHalfHoursPerWeek) + kHalfHoursPerWeek) %
                              kHalfHoursPerWeek;
    const std::int64_t result = (ofWeek - back + kHalfHoursPerWeek) % kHalfHoursPerWeek;
    return gf_packDayHalfHour(static_cast<std::int32_t>(result / kHalfHoursPerDay) + 1,
                              static_cast<std::int32_t>(result % kHalfHoursPerDay));
}

std::string gf_dayHalfHourText(DayHalfHour pair) {
    return fmt::format("day={} hh={}", gf_weekdayOf(pair), gf_halfHourOfPair(pair));
}
