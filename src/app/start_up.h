#pragma once
// The worker procedure that the window starts on StartWorker, at the first start and after every
// restart. The window counts it in activeWorkers before the thread starts; the procedure gives the
// count back on every way out. Every failure is reported inside it.
#include <string>

void lf_startUpKSBY();

// Folders, parameters, licence, daily data, simulator detection and controls.
void lf_prepareStart();
// Creates each missing working folder, in order; file-system failures propagate.
void lf_createFolders();
// parameters.xml into the parameters, its version upkeep, then LATERAL_RANGE clamped and the
// injection radius derived from it.
void lf_loadAllParameters();
// "KSBY_P3D must be run from the KSBY_P3D folder!"
std::string lf_formatRunFromFolderMessage();

// What start-up keeps for the whole process (dbaseLoaded, lastSimUtcSeconds) back to its start
// (tests only).
void gf_resetStartUpForTests();
