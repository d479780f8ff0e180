#include "app/live_count.h"

#include "core/main_window.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <mutex>

void lf_updateLiveCount() {
    std::lock_guard lock(trafficState.trafficMutex);
    std::int32_t flying = 0;
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.state == LiveState::inSimulator && aircraft.phase != FlightPhase::parked) {
            ++flying;
        }
    }
    if (flying != mainWindow.liveCount.load()) {
        mainWindow.liveCount = flying;
        gf_invalidate(kStatusRegion);
    }
    // Counts only: the average fits are refreshed where the static parking changes.
    const std::int32_t parkedLive = gf_updateLiveParkedShare(false);
    const std::int32_t parkedStatic = gf_updateStaticParkedShare(false);
    if (parkedLive != mainWindow.parkedLive.load() ||
        parkedStatic != mainWindow.parkedStatic.load()) {
        mainWindow.parkedLive = parkedLive;
        mainWindow.parkedStatic = parkedStatic;
        gf_invalidate(kStatisticsRegion);
    }
}
