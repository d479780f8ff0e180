#pragma once
// The tick's walk over the live aircraft. The caller holds trafficState.trafficMutex.
#include <cstdint>

// Drives every live aircraft by its state at tick t, erases the flagged records and hands the
// positions over.
void lf_updateLiveAircraft(std::int32_t t);
