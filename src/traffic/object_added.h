#pragma once
// The simulator created an object of ours (inbound kinds 0 and 1). The caller holds
// trafficState.trafficMutex.
#include "core/link_records.h"
#include "traffic/live_aircraft.h"

// Binds, starts the sequence, or has an object nobody wants removed again.
void lf_onObjectAdded(const SimInboundRecord& record);
// Binds a created live aircraft to its object: plan, static-CG request; false when the object
// id is refused (below 3).
bool liveAIAdded(LiveAircraft& aircraft, const SimInboundRecord& record);
