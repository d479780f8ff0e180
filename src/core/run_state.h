#pragma once
// The run phase's own state, read by the worker, the exit thread and the window.
#include "core/exit_request.h"

#include <atomic>
#include <cstdint>

// The reason of the exit under way; NOT_YET_SET while none runs.
extern std::atomic<ExitReason> exitReason;
// The simulator reports the flight paused.
extern std::atomic<bool> flightPaused;
// Seconds of the main loop since the run began.
extern std::atomic<std::int32_t> secondsCounter;
// 0 none; 1 between the two steps of a static-parking renewal.
extern std::atomic<std::int32_t> staticRenewalPhase;
// A reader ended with an error other than 401.
extern std::atomic<bool> readerError;
// Session values the simulator link writes; tests set them.
extern std::atomic<bool> flightRunning;
extern std::atomic<bool> secondTick;
extern std::atomic<bool> userOnGroundKnown;
// The Prepar3D major version the link talks to.
extern std::atomic<std::int32_t> simVersion;

// Back to the start values.
void gf_resetRunState();
