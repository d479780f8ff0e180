#include "traffic/traffic_hooks.h"

#include "core/geodesy.h"
#include "traffic/traffic_state.h"

namespace ksb {
namespace {

// Jumps to the next sample; with none left the flight is over and the aircraft goes.
void lf_teleportToNextSample(LiveAircraft& aircraft) {
    if (aircraft.samples.empty()) {
        trafficState.linkServices.releaseAiAircraft(aircraft);
        return;
    }
    const PositionSample& sample = aircraft.samples.front();
    aircraft.position.latitude = sample.latitude;
    aircraft.position.longitude = sample.longitude;
    aircraft.position.altitude = sample.altitude;
    aircraft.position.heading =
        sample.trueHeadingValid ? sample.trueHeading : sample.track * kRadiansPerDegree;
    aircraft.speed = sample.groundSpeed;
    aircraft.verticalSpeed = sample.verticalRate;
    aircraft.samples.pop_front();
    if (aircraft.samples.empty()) {
        trafficState.linkServices.releaseAiAircraft(aircraft);
    }
}

} // namespace

TrafficHooks::TrafficHooks() : nextSample(lf_teleportToNextSample) {}

} // namespace ksb
