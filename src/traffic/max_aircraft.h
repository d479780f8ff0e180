#pragma once
// Keeping the number of live aircraft in the simulator at MAX_LIVE. The caller holds
// trafficState.trafficMutex.

// Releases the aircraft in the simulator farthest from the user beyond d + 0.1 NM (the first of
// near-equal ones, as the 0.1 NM margin decides); true when there was none, so the caller keeps
// what it has.
bool lf_removeFarthest(double distanceNm);

namespace ksb {

// The engine's own body of gf_applyMaxAircraft (traffic/traffic.h): at the default only the
// field's text is refreshed; otherwise the farthest aircraft above MAX_LIVE are released.
void gf_applyMaxAircraft();

} // namespace ksb
