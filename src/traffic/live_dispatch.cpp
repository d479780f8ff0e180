#include "traffic/live_dispatch.h"

#include "traffic/aircraft_index.h"
#include "traffic/first_sample.h"
#include "traffic/position_handover.h"
#include "traffic/stand_release.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cstddef>

namespace {

PositionUpdate lf_positionUpdateOf(const LiveAircraft& aircraft) {
    const SimPositionBlock& p = aircraft.position;
    return PositionUpdate{p.latitude, p.longitude,     p.pitch,        p.bank,           p.heading,
                          p.altitude, p.verticalSpeed, p.trueAirspeed, aircraft.objectId};
}

void lf_driveInSimulator(LiveAircraft& aircraft, std::int32_t t) {
    ksb::TrafficHooks& hooks = trafficState.hooks;
    if (!aircraft.samples.empty() && t >= aircraft.samples.front().dueTick) {
        hooks.nextSample(aircraft);
    }
    // The motion gives feet per minute; the simulator takes feet per second.
    aircraft.position.verticalSpeed = aircraft.verticalSpeed / 60.0;
    aircraft.position.trueAirspeed = gf_firstSampleRepeated(aircraft) ? 0.0 : aircraft.speed;
    if (aircraft.state != LiveState::inSimulator) {
        return;
    }
    if (!gf_firstSampleRepeated(aircraft)) {
        hooks.followCurve(aircraft);
    }
    trafficState.positionWrites.push_back(lf_positionUpdateOf(aircraft));
}

void lf_eraseFlagged() {
    std::vector<LiveAircraft>& live = trafficState.live;
    if (std::none_of(live.begin(), live.end(), [](const LiveAircraft& a) { return a.erase; })) {
        return;
    }
    for (LiveAircraft& aircraft : live) {
        if (aircraft.erase && aircraft.state != LiveState::beingRemoved) {
            gf_freeStand(aircraft);
        }
    }
    std::erase_if(live, [](const LiveAircraft& a) { return a.erase; });
    gf_rebuildLiveIndex();
}

} // namespace

void lf_updateLiveAircraft(std::int32_t t) {
    // By index: a stage may append to the vector while it runs.
    for (std::size_t i = 0; i < trafficState.live.size(); ++i) {
        LiveAircraft& aircraft = trafficState.live[i];
        if (aircraft.state == LiveState::inSimulator) {
            lf_driveInSimulator(aircraft, t);
        } else if (aircraft.state == LiveState::newFlight) {
            trafficState.hooks.admitNewAircraft(aircraft);
        }
    }
    lf_eraseFlagged();
    lf_handOverPositions();
}
