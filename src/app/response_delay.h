#pragma once

// Tells the user when a change of the parked traffic takes effect: at the main loop's next
// 15-second step, which is asked for a renewal (none with INITIAL_LOAD_ONLY). Without a park
// airport there is nothing to change and the message line is cleared.
void lf_showResponseDelay();
