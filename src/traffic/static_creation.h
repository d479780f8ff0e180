#pragma once
// Static parked aircraft from the plan of stands to fill: each call turns one planned entry into
// a static aircraft waiting for creation and its queued creation request. The caller holds
// trafficState.trafficMutex; nothing here takes a lock.
#include <cstdint>

namespace ksb {

// Static flight keys run 1..kLastStaticKey; 0 means "no key". Live flights use hexids above
// 10000, so the two never meet.
inline constexpr std::uint32_t kLastStaticKey = 9999;

// Takes the last entry of trafficState.standsToFill; with an empty stand table it returns and
// takes nothing. The entry is dropped when a live aircraft parks on its stand or on a neighbour
// stand, or moves into one (logged with LOG on), when its stand is gone, when no key is free or
// when no livery fits. Otherwise the static aircraft joins trafficState.statics in state 1 and
// its request trafficState.staticCreations.
void gf_createStaticParked();

} // namespace ksb
