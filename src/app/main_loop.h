#pragma once
// The worker's 10 ms main loop and its per-second schedule.
#include <cstdint>

// Runs until an exit or a stop ends it at a second tick (or 100 cycles after the flag), or at once
// when the run generation moved past the one given.
void mainLoop(std::uint64_t generation);
// One cycle.
void lf_mainLoopCycle();
// The cycle while no flight runs.
void lf_flightNotRunning();
void lf_everySecond();
void lf_every30Seconds();
// The pending "Re-read" check, when the controls are not held.
void lf_checkReservedStandPending();
// The idle cycles counted down to the next once-a-second idle work (start: 100).
void gf_resetMainLoopForTests();
