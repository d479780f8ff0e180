#pragma once
// The stand the user's aircraft stands on. The caller holds trafficState.trafficMutex; nothing
// here takes a lock.
#include <string>

namespace ksb {

// The engine's body of gf_standNameAt: the name of the nearest stand within 55 m while the user
// is on the ground, else the empty text. The last answer is remembered for the same position.
std::string lf_standNameAt(double latitude, double longitude);

} // namespace ksb
