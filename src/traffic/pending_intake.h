#pragma once
// The tick's share of the feed intake: one or two records of the pending batch per tick. The
// caller holds trafficState.trafficMutex and no other engine lock.

namespace ksb {

void lf_pendingIntakeStep();

} // namespace ksb
