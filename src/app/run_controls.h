#pragma once
// The main window's controls in their run state, and the time-shift mode behind SIM_TIME.
#include <atomic>
#include <cstdint>

// The simulator UTC time seen at the previous drift check; 0 makes the next check take the
// simulator's time at once.
extern std::atomic<std::int64_t> lastSimUtcSeconds;

// Enables the parameter controls that start-up hands to the user and puts the time shift in force
// (the stored shift quietly, or the simulator's time with SIM_TIME).
void lf_enableParameterControls();
// SIM_TIME off: no time shift, and the drift check starts from the simulator's time. On: the next
// drift check takes the simulator's time. The three fields are enabled exactly while it is off.
void lf_enableTimeShiftByMode();
// The three time-shift parameters back to 0 (clamped into their ranges), each saved.
void lf_resetTimeShiftFields();
