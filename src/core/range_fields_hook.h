#pragma once
// The automatic injection radius lives in the application; the park-airport load below it reaches
// it through this hook.

// nullptr removes it.
void gf_setRangeFieldsUpdater(void (*updater)());
// Runs the installed updater; nothing without one.
void gf_updateRangeFields();
