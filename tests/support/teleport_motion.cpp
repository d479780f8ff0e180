#include "support/teleport_motion.h"

#include "core/geodesy.h"
#include "traffic/traffic_state.h"

#include <mutex>

namespace ksb::test {

void teleportToNextSample(LiveAircraft& aircraft) {
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

void installTeleportMotion() {
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.hooks.nextSample = teleportToNextSample;
    trafficState.hooks.followCurve = [](LiveAircraft&) {};
}

} // namespace ksb::test
