#pragma once
// The simplest motion the engine can run with: the aircraft jumps to its first queued sample and
// drops it; with none left it is released. Tests of the tick and the intake that are not about
// motion install it as the nextSample hook (with a followCurve that does nothing).
#include "traffic/live_aircraft.h"

namespace ksb::test {

// The caller holds trafficState.trafficMutex, as the tick does.
void teleportToNextSample(LiveAircraft& aircraft);
// Installs the teleport and a followCurve that does nothing; takes the traffic mutex.
void installTeleportMotion();

} // namespace ksb::test
