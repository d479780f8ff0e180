#pragma once
// The worker's run phase: the link's thread, the waits for the simulator and the service, then
// the main loop.

// Returns when the main loop has ended, or earlier when the run ends before it. Catches every
// standard exception of its steps and turns it into a SYSTEM ERROR exit.
void lf_run();
// True when the simulator runs a flight and the user position is known; false as soon as the run
// ends.
bool lf_waitForSimulator();
// The user position has not left 0/0 yet (no flight loaded).
bool lf_insideOriginBox(double latitude, double longitude);
