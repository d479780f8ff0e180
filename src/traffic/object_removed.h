#pragma once
// The simulator removed an object of ours (inbound kind 2). The caller holds
// trafficState.trafficMutex.
#include <cstdint>

// A live aircraft to be re-created goes back to new; any other record of the object is erased.
void lf_onObjectRemoved(std::uint32_t objectId);
