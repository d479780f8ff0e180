#pragma once
// The traffic engine's 10 ms tick.

namespace ksb {

// The engine's own body of gf_trafficTick (traffic/traffic.h): inbound records, the live
// aircraft, one removal every 10 ticks, one creation every 50, the pending feed records, one
// waiting key, the range request and the user state; then the tick counter moves on. While
// exitInProgress is set it hands no creation to the link, builds no static aircraft and takes no
// waiting key. The caller (the main loop) holds trafficState.trafficMutex.
void gf_trafficTick();

} // namespace ksb
