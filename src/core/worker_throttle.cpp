#include "core/worker_throttle.h"

#include "core/clock.h"
#include "core/globals.h"

#include <algorithm>
#include <chrono>

void gf_waitForWorkerSlot() {
    // A limit below 1 (no hardware concurrency reported) would never free a slot.
    while (runningWorkers.load() >= std::max<std::int32_t>(1, workerLimit.load())) {
        ksb::gf_sleepFor(std::chrono::microseconds(10));
    }
}

void gf_workerFinished() {
    --runningWorkers;
}
