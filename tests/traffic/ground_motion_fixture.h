#pragma once
// Hand-made ground aircraft for the motion's function tables: a large aircraft in the simulator,
// taxiing on the ground at its first sample, on a fresh engine with the fake link and a log.
// The motion runs inside the tick; these tests take the traffic mutex around each call.
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"
#include "traffic/motion.h"
#include "traffic/traffic_state.h"

#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ksb::test {

// The large category's turn rate, 0.07 degrees a tick.
inline constexpr double kLargeTurnRate = 0.07 * kRadiansPerDegree;

class GroundMotionTest : public ::testing::Test {
protected:
    static void setNow(std::int32_t tick) { trafficState.tickCounter = tick; }
    static std::int32_t now() { return trafficState.tickCounter.load(); }

    // A sample on the ground, track taken from nothing (0) unless set later.
    static PositionSample sampleAt(double latitude, double longitude, double knots,
                                   std::int32_t dueTick) {
        PositionSample s;
        s.latitude = latitude;
        s.longitude = longitude;
        s.groundSpeed = knots;
        s.trueAirspeed = knots;
        s.dueTick = dueTick;
        return s;
    }
    // The position the given metres north and east of a sample.
    static PositionSample offset(const PositionSample& from, double north, double east,
                                 double knots, std::int32_t dueTick) {
        const Position p = gf_destinationPoint(
            gf_destinationPoint({from.latitude, from.longitude}, 0.0, north / 0.3048),
            90.0 * kRadiansPerDegree, east / 0.3048);
        return sampleAt(p.latitude, p.longitude, knots, dueTick);
    }

    // In the simulator, taxiing, at its first sample with the given heading (degrees).
    static LiveAircraft aircraftWith(std::vector<PositionSample> samples,
                                     double headingDegrees = 90.0) {
        LiveAircraft a;
        a.callsign = "BAW9";
        a.airline = "BAW";
        a.type = "A320";
        a.flightKey = 0x4ca009;
        a.objectId = 9;
        a.category = AircraftCategory::large;
        a.baseTurnRate = kLargeTurnRate;
        a.turnRate = kLargeTurnRate;
        a.pushSpeed = 4.0;
        a.halfWingSpan = 0.0092;
        a.climbLimit = 0.6;
        a.state = LiveState::inSimulator;
        a.phase = FlightPhase::taxi;
        a.previousPhase = FlightPhase::taxi;
        a.onGround = true;
        a.samples.assign(samples.begin(), samples.end());
        if (!a.samples.empty()) {
            a.position.latitude = a.samples.front().latitude;
            a.position.longitude = a.samples.front().longitude;
        }
        a.position.heading = headingDegrees * kRadiansPerDegree;
        a.targetTrack = a.position.heading;
        return a;
    }

    TrafficHarness harness_;
};

} // namespace ksb::test
