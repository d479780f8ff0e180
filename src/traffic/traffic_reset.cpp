#include "traffic/traffic_reset.h"

#include "core/main_window.h"
#include "traffic/traffic_state.h"

namespace ksb {

void gf_resetTraffic() {
    trafficState.reset();
    mainWindow.liveCount = 0;
    mainWindow.parkedLive = 0;
    mainWindow.parkedStatic = 0;
    gf_invalidate(kStatusRegion);
    gf_invalidate(kStatisticsRegion);
}

} // namespace ksb
