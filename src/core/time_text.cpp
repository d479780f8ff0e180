#include "core/time_text.h"

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
