#pragma once
// The parked counts and the average fits of the main window. The caller holds
// trafficState.trafficMutex.

namespace ksb {

// The live aircraft parked in state 2; with show, also their average fit in the window.
int gf_updateLiveParkedShare(bool show);
// The static aircraft in state 2 or 4; with show and WEEK off, also their average fit.
int gf_updateStaticParkedShare(bool show);

} // namespace ksb
