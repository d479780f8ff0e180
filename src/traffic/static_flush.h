#pragma once
// The flush of the static parked aircraft. The caller holds trafficState.trafficMutex.

namespace ksb {

// Releases every static aircraft in state 2. One whose object the simulator has reported while
// its start-up sequence runs takes the object from the sequence, which ends without parking it,
// and its removal is queued at once (released in state 1; in state 4 only queued). Any other in
// state 1 has its queued creation cancelled (its record goes), or, when its request has gone to
// the simulator, is marked to be removed once created. Others are left alone.
void gf_removeAllStatic();

} // namespace ksb
