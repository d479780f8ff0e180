#include "core/run_values.h"

std::atomic<std::int32_t> liveLimit{300};
std::atomic<std::int32_t> userLateralRange{40};
std::atomic<std::int32_t> userMaxLive{300};
std::atomic<double> injectionRadiusNm{40.0};
std::atomic<std::int32_t> injectionRadiusMetres{84080};
std::atomic<bool> parkSettingsChanged{false};
std::atomic<bool> staticRenewalRequested{false};
std::atomic<bool> flushStaticRequested{false};
std::atomic<bool> reservedStandCheckPending{false};
std::atomic<bool> blockCallsignChanged{false};
std::atomic<bool> matchingDepthRaised{false};
std::atomic<std::uint8_t> parkTrafficOnlyLatch{0};
std::atomic<bool> controlsLocked{false};
std::atomic<std::int32_t> activeWorkers{0};
std::atomic<std::uint8_t> exitInProgress{0};
std::atomic<std::uint8_t> stopRequested{0};
std::atomic<std::uint64_t> runGeneration{0};
std::atomic<bool> parametersLoaded{false};

bool gf_runShouldEnd(std::uint64_t generation) {
    return exitInProgress.load() != 0 || stopRequested.load() != 0 ||
           runGeneration.load() != generation;
}

void gf_resetRunValues() {
    liveLimit = 300;
    userLateralRange = 40;
    userMaxLive = 300;
    injectionRadiusNm = 40.0;
    injectionRadiusMetres = 84080;
    parkSettingsChanged = false;
    staticRenewalRequested = false;
    flushStaticRequested = false;
    reservedStandCheckPending = false;
    blockCallsignChanged = false;
    matchingDepthRaised = false;
    parkTrafficOnlyLatch = 0;
    controlsLocked = false;
    activeWorkers = 0;
    exitInProgress = 0;
    stopRequested = 0;
    runGeneration = 0;
    parametersLoaded = false;
}
