#pragma once
// What the simulator session reports about the user aircraft, read by the worker and the window.
// The simulator link writes these; until it exists, tests set them.
#include "core/link_records.h"

#include <atomic>
#include <cstdint>
#include <functional>

// The user aircraft is on the ground (answered once a second).
extern std::atomic<bool> userOnGround;
// The simulator's UTC time in seconds since 1970.
extern std::atomic<std::int64_t> simUtcSeconds;

// The worker's copy of the user aircraft's state, taken whole under its own lock so that a
// reader never mixes two answers.
UserAircraftState gf_userState();
void gf_setUserState(const UserAircraftState& state);

// How the traffic engine asks the simulator link for the user position: the engine may not call
// the link itself. Set once while wiring the program (an empty one removes it).
void gf_setUserPositionRequester(std::function<UserAircraftState()> requester);
// The link's answer through the requester; without one, the worker's current copy.
UserAircraftState gf_requestUserPositionForEngine();

// Back to the start values (the requester removed too) (part of gf_resetCoreGlobals).
void gf_resetSimSessionState();
