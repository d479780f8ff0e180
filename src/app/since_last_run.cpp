#include "app/since_last_run.h"

#include "core/clock.h"
#include "core/parameters.h"

#include <cmath>
#include <fmt/format.h>

namespace {

// 364 days.
constexpr std::int32_t kMinutesLimit = 524160;
// The service may not be called again within this many seconds.
constexpr std::int32_t kServiceGapSeconds = 2;

} // namespace

SinceLastRun lf_sinceLastRun(std::int32_t elapsed) {
    SinceLastRun result;
    const std::int32_t minutes = elapsed / 60;
    const std::int32_t seconds = elapsed - minutes * 60;
    const char* secondsPlural = (seconds == 1 || seconds < 0) ? "" : "s";
    if (minutes < 1) {
        result.line = fmt::format("{} second{} since last run", seconds, secondsPlural);
    } else if (minutes < kMinutesLimit) {
        result.line = fmt::format("{} minute{} and {} second{} since last run", minutes,
                                  minutes > 1 ? "s" : "", seconds, secondsPlural);
    }
    if (elapsed >= 0 && elapsed < kServiceGapSeconds) {
        result.holdSeconds = kServiceGapSeconds - elapsed;
    }
    return result;
}

std::int32_t lf_secondsSinceLastRun() {
    const auto now = static_cast<std::int64_t>(std::floor(ksb::gf_utcSecondsNow()));
    // Modulo 2^32, as a 32-bit difference would be.
    return static_cast<std::int32_t>(now - LAST_EPOCH_TIME.value());
}
