#include "support/ready_aircraft.h"

#include "core/geodesy.h"
#include "traffic/new_flight.h"
#include "traffic/traffic_state.h"

#include <mutex>
#include <stdexcept>

namespace ksb::test {

std::uint32_t placeReadyAircraft(const LiveFlight& first, const ReadyAircraft& how) {
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveFlight record = first;
    record.playTick = how.firstDueTick.value_or(trafficState.tickCounter.load());
    const std::size_t before = trafficState.live.size();
    if (!lf_newFlight(record) || trafficState.live.size() != before + 1) {
        throw std::runtime_error("the engine did not create the ready aircraft");
    }
    LiveAircraft& aircraft = trafficState.live.back();
    aircraft.state = LiveState::inSimulator;
    aircraft.objectId = how.objectId;
    aircraft.setPhase(how.phase);
    aircraft.onGround = how.onGround;
    aircraft.rotationCountdown = 1;
    aircraft.staticCgHeight = how.staticCgHeight;
    aircraft.groundPitch = how.groundPitch;
    const PositionSample& sample = aircraft.samples.front();
    SimPositionBlock& block = aircraft.position;
    block.latitude = sample.latitude;
    block.longitude = sample.longitude;
    block.altitude = sample.altitude;
    block.heading = sample.trueHeadingValid ? sample.trueHeading : sample.track * kRadiansPerDegree;
    block.pitch = how.onGround ? how.groundPitch : 0.0;
    block.bank = 0.0;
    aircraft.speed = sample.groundSpeed;
    aircraft.verticalSpeed = sample.verticalRate;
    aircraft.targetTrack = block.heading;
    return aircraft.flightKey;
}

} // namespace ksb::test
