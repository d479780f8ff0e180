#pragma once
// The three time-shift fields (days, hours, minutes) and the two check boxes beside them.

// Splits the minutes into TIME_SHIFT_DAYS, TIME_SHIFT_HOURS and TIME_SHIFT_MINS; each is clamped,
// saved and shown, in that order.
void lf_setTimeShiftFields(int minutes);
// true: SIM_TIME and KEEP_SIM_TIME_PAR are enabled and the three fields only while SIM_TIME is
// off; false: all five are disabled. Either way the window's time-shift-controls flag follows and
// the status region is repainted.
void lf_enableTimeShiftControls(bool enable);
