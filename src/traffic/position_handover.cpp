#include "traffic/position_handover.h"

#include "traffic/traffic_state.h"

namespace {

constexpr float kWaitAboveFrameRate = 50.0F;

} // namespace

void lf_handOverPositions() {
    ksb::TrafficLinkServices& link = trafficState.linkServices;
    if (link.trySwapPositionLists(trafficState.positionWrites)) {
        return;
    }
    if (link.frameRate() <= kWaitAboveFrameRate) {
        trafficState.positionWrites.clear();
        return;
    }
    link.swapPositionLists(trafficState.positionWrites);
}
