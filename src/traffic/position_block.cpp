#include "traffic/position_block.h"

#include "core/geodesy.h"
#include "traffic/motion.h"

#include <cmath>

namespace {

constexpr double kBlockTwoPi = 6.283185307179586;
// 0.6 degrees, nose down.
constexpr double kBlockGroundPitch = 0.010471975511965976;

double lf_blockStartHeading(const LiveAircraft& aircraft) {
    const PositionSample& first = aircraft.samples.front();
    if (aircraft.hasRecreationHeading) {
        return aircraft.recreationHeading;
    }
    if (aircraft.phase == FlightPhase::parked) {
        return aircraft.standHeading;
    }
    if (aircraft.samples.size() > 1 && !aircraft.samples[1].repeated) {
        const PositionSample& second = aircraft.samples[1];
        return gf_initialBearing(ksb::gf_samplePosition(first), ksb::gf_samplePosition(second));
    }
    return first.track * kRadiansPerDegree;
}

double lf_blockHeadingInRange(double heading) {
    if (heading > kBlockTwoPi || heading < 0.0) {
        heading = std::fmod(heading, kBlockTwoPi);
        if (heading < 0.0) {
            heading += kBlockTwoPi;
        }
    }
    return heading;
}

} // namespace

namespace ksb {

void lf_fillPositionBlock(LiveAircraft& aircraft) {
    if (aircraft.samples.empty()) {
        return;
    }
    const PositionSample& first = aircraft.samples.front();
    SimPositionBlock& block = aircraft.position;
    block.latitude = first.latitude;
    block.longitude = first.longitude;
    block.pitch =
        first.airborne ? ksb::gf_airbornePitchTarget(first.verticalRate) : kBlockGroundPitch;
    block.bank = first.bankValid ? first.bank : 0.0;
    block.altitude = first.altitude;
    block.verticalSpeed = first.verticalRate / 60.0; // feet per second
    block.trueAirspeed = first.trueAirspeed;
    block.heading = lf_blockHeadingInRange(lf_blockStartHeading(aircraft));
    aircraft.groundHeading = first.airborne ? 0.0 : block.heading;
}

} // namespace ksb
