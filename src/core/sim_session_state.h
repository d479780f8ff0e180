#pragma once
// What the simulator session reports about the user aircraft, read by the worker and the window.
// The simulator link writes these; until it exists, tests set them.
#include "core/link_records.h"

#include <atomic>
#include <cstdint>

// The user aircraft is on the ground (answered once a second).
extern std::atomic<bool> userOnGround;
// The simulator's UTC time in seconds since 1970.
extern std::atomic<std::int64_t> simUtcSeconds;

// The worker's copy of the user aircraft's state, taken whole under its own lock so that a
// reader never mixes two answers.
UserAircraftState gf_userState();
void gf_setUserState(const UserAircraftState& state);

// The user aircraft is known to stand on the ground, at 2 kt or less.
bool gf_userStandsStill();

// The simulator has not reported a real position yet: inside [0, 0.0009] x [0, 0.05] degrees.
bool gf_userPositionUnknown(double latitude, double longitude);

// Back to the start values (part of gf_resetCoreGlobals).
void gf_resetSimSessionState();
