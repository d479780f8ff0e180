#pragma once
// A scripted feed handed over as the Traffic Reader would: each record its own batch with the
// play delay, at the tick its stamp comes round (the origin stamp at the script's start tick).
#include "core/flight_records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ksb::test {

class TrafficHarness;

class FeedScript {
public:
    // The origin stamp is the first record's unless given; the start tick is the current one.
    FeedScript(std::vector<LiveFlight> records, int delaySeconds);
    FeedScript(std::vector<LiveFlight> records, int delaySeconds, double originStamp);

    // Hands over every record whose tick has come; call before each tick.
    void feedDue(TrafficHarness& harness);
    bool done() const { return next_ >= records_.size(); }

    // The tick a record is handed over at, and the play tick it then gets.
    std::int32_t feedTickOf(const LiveFlight& record) const;
    std::int32_t playTickOf(const LiveFlight& record) const;
    // The play tick of the origin stamp: where a ready aircraft's first sample belongs.
    std::int32_t originPlayTick() const { return startTick_ + delaySeconds_ * 100; }

private:
    std::vector<LiveFlight> records_;
    int delaySeconds_ = 0;
    double originStamp_ = 0.0;
    std::int32_t startTick_ = 0;
    std::size_t next_ = 0;
};

} // namespace ksb::test
