#pragma once
// The user's reserved stand is kept clear. The caller holds trafficState.trafficMutex.

namespace ksb {

// Releases the first static aircraft in state 2 on the stand named trafficState.reservedStand,
// or, when there is none, the first live aircraft parked on it in state 2. An empty or unknown
// name releases nothing.
void gf_clearReservedStand();

} // namespace ksb
