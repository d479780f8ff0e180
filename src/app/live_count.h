#pragma once
// The live, parked live and parked static counts of the window's status and statistics.

// Recounts them once a second and invalidates what changed. Takes the traffic mutex itself
// for the walk and both share calls: never call it with that mutex held.
void lf_updateLiveCount();
