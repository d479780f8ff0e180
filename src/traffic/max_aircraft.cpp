#include "traffic/max_aircraft.h"

#include "core/controls.h"
#include "core/geodesy.h"
#include "core/parameters.h"
#include "traffic/traffic_state.h"
#include "traffic/user_proximity.h"

#include <cstdint>

namespace {

constexpr double kFartherMarginNm = 0.1;

} // namespace

bool lf_removeFarthest(double distanceNm) {
    const Position user = ksb::lf_userPosition();
    double limit = distanceNm;
    LiveAircraft* candidate = nullptr;
    for (LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.state != LiveState::inSimulator) {
            continue;
        }
        const double distance =
            gf_distanceNM({aircraft.position.latitude, aircraft.position.longitude}, user);
        if (distance > limit + kFartherMarginNm) {
            candidate = &aircraft;
            limit = distance;
        }
    }
    if (candidate == nullptr) {
        return true;
    }
    trafficState.linkServices.releaseAiAircraft(*candidate);
    return false;
}

namespace ksb {

void gf_applyMaxAircraft() {
    if (MAX_LIVE.value() == MAX_LIVE.defaultValue()) {
        lf_showIntParameter(MAX_LIVE);
        return;
    }
    std::int32_t inSimulator = 0;
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.state == LiveState::inSimulator) {
            ++inSimulator;
        }
    }
    for (std::int32_t excess = inSimulator - MAX_LIVE.value(); excess > 0; --excess) {
        lf_removeFarthest(-1.0);
    }
}

} // namespace ksb
