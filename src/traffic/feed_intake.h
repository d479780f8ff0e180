#pragma once
// The feed's batches into the engine: each record gets the tick at which the aircraft must be at
// its position, then is matched to its live aircraft or becomes a new one. A polled batch is
// taken at once on the reader thread; a zero-delay batch waits as the pending batch, which the
// tick takes one or two records at a time.
#include "core/flight_records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ksb {
// The engine's body of gf_takeFeedRecords (traffic/traffic.h). Takes the lock it needs itself:
// call it without any engine lock. Always leaves the batch empty.
void gf_takeFeedRecords(std::vector<LiveFlight>& batch, int delay);
} // namespace ksb

// Gives each record its play tick: base + 10 x trunc(10 x (stamp - median stamp)), in 64 bits.
// Records whose stamp is not finite or whose tick does not fit 32 bits are removed (the median
// is taken over the others); the rest keep their order. Returns the number removed.
std::size_t gf_setPlayTicks(std::vector<LiveFlight>& batch, std::int64_t baseTick);

// One tick's share of the pending batch: takes one or two records from its end under the feed
// mutex and ingests them after releasing it; arms the next batch when none is being taken. The
// caller (the tick) holds trafficState.trafficMutex.
void gf_takePendingFeedRecords();

// One record into the engine: appended to the aircraft with its flight key, or a new live
// aircraft. The caller holds trafficState.trafficMutex.
void gf_ingestFeedRecord(LiveFlight& record);
