#pragma once
// The simulator link's process-wide values that other threads read. flightRunning, secondTick and
// userOnGroundKnown (core/run_state.h), userOnGround and simUtcSeconds (core/sim_session_state.h)
// and controlsLocked (core/run_values.h) are the core's; the link writes them too.
#include <atomic>
#include <cstdint>

// Frames per second, sampled every 30th frame.
extern std::atomic<float> simFrameRate;
// Set by the third failed request of a run: until the next run clears it, every later request is
// refused (an exit's search for its creations under way excepted) and the send queues are emptied
// unsent (the removals excepted).
extern std::atomic<bool> simRequestError;
// Failed requests since the last restart.
extern std::atomic<std::int32_t> simRequestErrorCount;
// The user aircraft's object id; AI objects have larger ones.
extern std::atomic<std::uint32_t> userObjectId;
inline constexpr std::uint32_t kUserObjectIdAtStart = 2;
// Nautical miles.
extern std::atomic<double> userHalfWingSpan;
// AircraftCategory as int.
extern std::atomic<std::int32_t> userCategory;

// Back to the start values: these, the send queues, the session's per-run state and its handle
// (forgotten, not closed). Tests only, with no link thread running.
void gf_resetSimLinkStateForTests();
