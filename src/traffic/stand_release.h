#pragma once
// Freeing the stand an aircraft held: every way an aircraft leaves (its release, its erasure, a
// cancelled creation) frees it by the same rule, so that no stand stays occupied by a record
// that is gone.
#include "core/flight_records.h"

// Clears the occupied mark of the first stand of the park airport with the aircraft's stand id;
// stand id 0 (no stand) frees nothing, and neither does a stand that another live aircraft
// stands on or moves into by now. The caller holds trafficState.trafficMutex.
void gf_freeStand(const AiAircraft& aircraft);
