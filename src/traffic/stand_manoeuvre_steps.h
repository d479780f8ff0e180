#pragma once
// The small steps the stand manoeuvres share: the samples they build at pushSpeed, their due
// ticks and the lights of leaving a stand. Internal to the stand files.
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"
#include "traffic/motion_ticks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace ksb {

// Nav, beacon, taxi and logo on; landing, strobes and cabin off.
inline constexpr std::array<std::uint32_t, 7> kLeaveStandLights{1, 1, 0, 1, 0, 1, 0};

inline Position gf_standPoint(const LiveAircraft& aircraft) {
    return {aircraft.standLatitude, aircraft.standLongitude};
}

// Ticks to cover the distance at the aircraft's push-back speed (at least 1 kt, so a broken
// table value cannot divide by zero).
inline std::int64_t gf_pushTravelTicks(const LiveAircraft& aircraft, double distanceNm) {
    const double ticks = std::round(distanceNm / std::max(aircraft.pushSpeed, 1.0) * kTicksPerHour);
    return std::isfinite(ticks) ? static_cast<std::int64_t>(ticks) : 0;
}

// A copy of the template sample at the position, moving at the push-back speed.
inline PositionSample gf_pushSampleAt(const LiveAircraft& aircraft, const PositionSample& from,
                                      const Position& at, std::int32_t dueTick) {
    PositionSample sample = from;
    sample.latitude = at.latitude;
    sample.longitude = at.longitude;
    sample.groundSpeed = aircraft.pushSpeed;
    sample.dueTick = dueTick;
    sample.repeated = false;
    return sample;
}

} // namespace ksb
