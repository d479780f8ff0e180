#pragma once
// The tick's positions to the simulator link. The caller holds trafficState.trafficMutex.

// Swaps the position write buffer with the link's send list, so that positions the link has
// not sent yet are replaced. While the link is busy, a simulator at 50 frames per second or
// less loses this tick's positions (the tick must not stall it); a faster one is waited for.
void lf_handOverPositions();
