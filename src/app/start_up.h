#pragma once
// The worker procedure that the window starts on StartWorker. The window counts it in
// activeWorkers before the thread starts; the procedure gives the count back on its way out.
void lf_startUpKSBY();
