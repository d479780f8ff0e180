#pragma once
// The static parking's plan: which stands of the park airport get a static parked aircraft, and
// which aircraft. The caller holds trafficState.trafficMutex; nothing here takes it.

namespace ksb {

// The first plan for a park airport just loaded.
void gf_calculateStaticParking();
// The 20-minute renewal against the aircraft already standing; parkTrafficOnlySwitchedOn when
// the user has just switched RT_PARKTRAFFIC_ONLY on.
void gf_adjustStaticParking(bool parkTrafficOnlySwitchedOn);

} // namespace ksb
