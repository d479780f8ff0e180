#pragma once

// Applies a time shift of the given minutes (at most 4 weeks): the fields and parameters take its
// split, the feed its offset. A quiet call (start-up's stored shift) shows nothing but "No time
// shift"; a loud one also names the shift and drops the traffic placed under the old one, under
// trafficMutex, which the caller must not hold. Runs on the GUI thread and on the worker (the
// drift correction of SIM_TIME).
void lf_applyTimeShift(int minutes, bool quiet);
