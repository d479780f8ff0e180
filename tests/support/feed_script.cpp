#include "support/feed_script.h"

#include "support/traffic_harness.h"
#include "traffic/traffic_state.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace ksb::test {

FeedScript::FeedScript(std::vector<LiveFlight> records, int delaySeconds)
    : FeedScript(std::move(records), delaySeconds, 0.0) {
    originStamp_ = records_.empty() ? 0.0 : records_.front().timeStamp;
}

FeedScript::FeedScript(std::vector<LiveFlight> records, int delaySeconds, double originStamp)
    : records_(std::move(records)), delaySeconds_(delaySeconds), originStamp_(originStamp),
      startTick_(trafficState.tickCounter.load()) {
    // A zero delay would park the records as the pending batch, taken over later ticks.
    if (delaySeconds_ < 1) {
        throw std::invalid_argument("a scripted feed plays with a delay of at least 1 s");
    }
}

std::int32_t FeedScript::feedTickOf(const LiveFlight& record) const {
    return startTick_ + static_cast<std::int32_t>(
                            std::lround((record.timeStamp - originStamp_) * 100.0));
}

std::int32_t FeedScript::playTickOf(const LiveFlight& record) const {
    return feedTickOf(record) + delaySeconds_ * 100;
}

void FeedScript::feedDue(TrafficHarness& harness) {
    const std::int32_t now = trafficState.tickCounter.load();
    while (next_ < records_.size() && feedTickOf(records_[next_]) <= now) {
        harness.feed({records_[next_]}, delaySeconds_);
        ++next_;
    }
}

} // namespace ksb::test
