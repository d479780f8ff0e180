#pragma once
// The time since the previous run ended its use of the live-traffic service (LAST_EPOCH_TIME).
#include <cstdint>
#include <optional>
#include <string>

struct SinceLastRun {
    // The log line, when there is one.
    std::optional<std::string> line;
    // Whole seconds to wait before the service may be called again; 0 for none.
    int holdSeconds = 0;
};

// For elapsed = now - LAST_EPOCH_TIME in seconds (a signed 32-bit number): the line for less than
// 364 days, and a hold while less than 2 seconds have passed.
SinceLastRun lf_sinceLastRun(std::int32_t elapsed);
// now - LAST_EPOCH_TIME with now in whole seconds of the clock, as a signed 32-bit number.
std::int32_t lf_secondsSinceLastRun();
