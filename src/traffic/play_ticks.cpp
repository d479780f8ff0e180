#include "traffic/feed_intake.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Far beyond any tick that fits 32 bits, and still exact as a double.
constexpr double kLargestTenths = 1e15;

// The play tick of a stamp, or nothing when it does not fit the 32-bit tick counter.
std::optional<std::int32_t> lf_playTick(std::int64_t baseTick, double stamp, double median) {
    const double tenths = std::trunc(10.0 * (stamp - median));
    if (!std::isfinite(tenths) || std::fabs(tenths) > kLargestTenths) {
        return std::nullopt;
    }
    const std::int64_t tick = baseTick + 10 * static_cast<std::int64_t>(tenths);
    if (tick < std::numeric_limits<std::int32_t>::min() ||
        tick > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(tick);
}

} // namespace

std::size_t gf_setPlayTicks(std::vector<LiveFlight>& batch, std::int64_t baseTick) {
    std::vector<char> usable(batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
        usable[i] = std::isfinite(batch[i].timeStamp) ? 1 : 0;
    }
    // A stamp far from the others can move the median; after dropping, the median is taken
    // again over what is left until every remaining tick fits.
    std::vector<double> stamps;
    for (;;) {
        stamps.clear();
        for (std::size_t i = 0; i < batch.size(); ++i) {
            if (usable[i] != 0) {
                stamps.push_back(batch[i].timeStamp);
            }
        }
        if (stamps.empty()) {
            break;
        }
        // The upper middle element for an even count.
        const auto middle = stamps.begin() + static_cast<std::ptrdiff_t>(stamps.size() / 2);
        std::nth_element(stamps.begin(), middle, stamps.end());
        const double median = *middle;
        bool dropped = false;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            if (usable[i] == 0) {
                continue;
            }
            const std::optional<std::int32_t> tick =
                lf_playTick(baseTick, batch[i].timeStamp, median);
            if (tick) {
                batch[i].playTick = *tick;
            } else {
                usable[i] = 0;
                dropped = true;
            }
        }
        if (!dropped) {
            break;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (usable[i] != 0) {
            if (kept != i) {
                batch[kept] = std::move(batch[i]);
            }
            ++kept;
        }
    }
    const std::size_t removed = batch.size() - kept;
    batch.erase(batch.begin() + static_cast<std::ptrdiff_t>(kept), batch.end());
    return removed;
}
