#pragma once
// Time of week (weekday 1 = Monday .. 7 = Sunday, half hour 0..47 of the UTC day) and "now",
// which follows the replayed traffic while a time shift is applied.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A (weekday, half hour) pair as it travels in memory: weekday in the low 32 bits, half hour in
// the high 32 bits.
using DayHalfHour = std::uint64_t;

constexpr DayHalfHour gf_packDayHalfHour(std::int32_t weekday, std::int32_t halfHour) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(halfHour)) << 32) |
           static_cast<std::uint32_t>(weekday);
}
constexpr std::int32_t gf_weekdayOf(DayHalfHour pair) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(pair));
}
constexpr std::int32_t gf_halfHourOfPair(DayHalfHour pair) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(pair >> 32));
}
// The weekdays around one: Sunday (7) and Monday (1) are neighbours.
constexpr std::int32_t gf_weekdayBefore(std::int32_t weekday) {
    return weekday == 1 ? 7 : weekday - 1;
}
constexpr std::int32_t gf_weekdayAfter(std::int32_t weekday) {
    return weekday == 7 ? 1 : weekday + 1;
}

// "Mon" 1 .. "Sun" 7, exact case; anything else is logged and gives 0. File-local in spirit,
// declared here for tests.
int lf_decodeDay(std::string_view abbreviation);
// "Monday" .. "Sunday" for 1..7, else "wrong day".
std::string_view gf_dayName(int weekday);

// The feed time stamp while it stands for "now": a time shift is applied and a stamp whose whole
// seconds are not 0 has arrived. A stamp that cannot be shown as a UTC time is ignored.
std::optional<double> gf_feedTimeForNow();
// "Now" in seconds since 1970: the feed time stamp of gf_feedTimeForNow, else the clock's UTC
// time.
double gf_nowSeconds();

// Half hour 0..47 of a UTC time.
int gf_halfHourOf(double secondsSince1970);
int gf_currentHalfHour();
DayHalfHour gf_currentDayHalfHour();
// Order-free distance in half hours; Sunday and Monday are neighbours across the week's end.
int gf_halfHoursBetween(DayHalfHour a, DayHalfHour b);
// Half hours from `since` forward to `now`, wrapping through the week: 0..335. Equal pairs give 0;
// `now` half an hour before `since` gives 335 (almost a week).
int gf_halfHoursElapsed(DayHalfHour since, DayHalfHour now);
// The pair `halfHours` before `now`, wrapping through the week (a negative count goes forward).
// An odd weekday of `now` (not 1..7) is taken as Monday.
DayHalfHour gf_halfHoursBefore(DayHalfHour now, std::int64_t halfHours);
// "day={} hh={}"
std::string gf_dayHalfHourText(DayHalfHour pair);
