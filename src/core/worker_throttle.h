#pragma once
// Keeps the number of running scan workers (runningWorkers in core/globals.h) at workerLimit.
// The scans call gf_waitForWorkerSlot before starting each worker and increment runningWorkers
// when they start it; each worker calls gf_workerFinished as its last step.

// Returns as soon as fewer than workerLimit (at least 1) workers run; polls every 10 µs on
// the clock of core/clock.h.
void gf_waitForWorkerSlot();
void gf_workerFinished();

// Calls gf_workerFinished when the worker's scope ends, also by an exception.
struct WorkerFinished {
    WorkerFinished() = default;
    WorkerFinished(const WorkerFinished&) = delete;
    WorkerFinished& operator=(const WorkerFinished&) = delete;
    ~WorkerFinished() { gf_workerFinished(); }
};
