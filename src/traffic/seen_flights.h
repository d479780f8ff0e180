#pragma once
// The live flights the Traffic Reader saw while a static-parking calculation collected them.

// Empties the engine's seen callsigns and flight ids, then fills them with what the feed
// collected (which lowers its collect flag). The caller holds trafficState.trafficMutex.
void gf_clearStaticLists();
