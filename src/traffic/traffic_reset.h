#pragma once
// The engine back to its start at a stop or restart.

namespace ksb {

// The engine's own body of gf_resetTraffic (traffic/traffic.h): trafficState.reset() (which
// takes the engine's mutexes itself: the caller holds none) and the window's aircraft counters.
void gf_resetTraffic();

} // namespace ksb
