#pragma once
// The liveries that the simulator refused to create (gf_liveryNotCreated, catalogue/catalogue.h):
// their titles, which the matchers never hand out again, and their type and airline keys for the
// matching summary. The worker records them while the exit thread may print the summary, so one
// leaf mutex guards both lists; nothing else is done while it is held.

// Empties both lists (tests).
void gf_clearRefusedLiveriesForTests();
