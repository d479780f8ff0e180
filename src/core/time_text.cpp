#include "core/time_text.h"

#include "core/clock.h"
#include "core/time_of_week.h"

#include <array>
#include <cmath>
#include <ctime>
#include <fmt/format.h>

namespace {
constexpr std::array<const char*, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool lf_toUtc(double seconds, std::tm& out) {
    if (!std::isfinite(seconds) || seconds < -1.0e12 || seconds > 1.0e12) {
        return false;
    }
    const auto t = static_cast<std::time_t>(std::floor(seconds));
    if (gmtime_r(&t, &out) == nullptr) {
        return false;
    }
    const int year = out.tm_year + 1900;
    return year >= 1000 && year <= 9999 && out.tm_wday >= 0 && out.tm_wday < 7 && out.tm_mon >= 0 &&
           out.tm_mon < 12;
}

// "hh:mm:ss": the 8 characters that start 13 before the end of the time text.
std::string lf_clockTextOf(double seconds) {
    const std::string text = gf_utcTimeString(seconds);
    return text.substr(text.size() - 13, 8);
}
} // namespace

std::string gf_utcTimeString(double secondsSince1970) {
    std::tm tm{};
    if (!lf_toUtc(secondsSince1970, tm)) {
        lf_toUtc(0.0, tm);
    }
    return fmt::format("{} {} {:02} {:02}:{:02}:{:02} {}", kWeekdays[tm.tm_wday],
                       kMonths[tm.tm_mon], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                       tm.tm_year + 1900);
}

bool gf_utcTimeInRange(double secondsSince1970) {
    std::tm tm{};
    return lf_toUtc(secondsSince1970, tm);
}

std::string gf_utcClockText() {
    return lf_clockTextOf(ksb::gf_utcSecondsNow());
}

std::string gf_metaDateText() {
    const std::string text = gf_utcTimeString(ksb::gf_utcSecondsNow());
    return fmt::format("{} {}, {}", text.substr(4, 3), text.substr(8, 2), text.substr(20, 4));
}

std::string gf_logTimeStamp() {
    if (const auto feedTime = gf_feedTimeForNow()) {
        return "<<< " + lf_clockTextOf(*feedTime);
    }
    return lf_clockTextOf(ksb::gf_utcSecondsNow());
}
