#include "core/run_state.h"

std::atomic<ExitReason> exitReason{ExitReason::NOT_YET_SET};
std::atomic<bool> flightPaused{false};
std::atomic<std::int32_t> secondsCounter{0};
std::atomic<std::int32_t> staticRenewalPhase{0};
std::atomic<bool> readerError{false};
std::atomic<bool> flightRunning{false};
std::atomic<bool> secondTick{false};
std::atomic<bool> userOnGroundKnown{false};
std::atomic<std::int32_t> simVersion{0};

void gf_resetRunState() {
    exitReason = ExitReason::NOT_YET_SET;
    flightPaused = false;
    secondsCounter = 0;
    staticRenewalPhase = 0;
    readerError = false;
    flightRunning = false;
    secondTick = false;
    userOnGroundKnown = false;
    simVersion = 0;
}
