#pragma once
// Freeing the park-airport stand an aircraft held. The caller holds trafficState.trafficMutex.
#include "core/flight_records.h"

namespace ksb {

// Clears the occupied mark of the first stand record with the aircraft's stand id.
void gf_freeStandOf(AiAircraft& aircraft);

} // namespace ksb
