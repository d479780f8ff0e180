#pragma once
// A single-thread fixture for the airborne motion's functions: a fresh engine and link, the fake
// link that records every control call, the log, a manual clock and the parameters. Aircraft are
// built here with their category's motion values and called directly under the traffic mutex.
#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "simlink/link_state.h"
#include "traffic/category_tables.h"
#include "traffic/motion.h"
#include "traffic/traffic_state.h"

#include "support/fake_traffic_link.h"
#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/parameters_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

class AirborneTest : public ::testing::Test {
protected:
    AirborneTest() {
        gf_resetSimLinkStateForTests();
        gf_resetTrafficForTests();
        link_.emplace();
        trafficState.tickCounter = kNow;
    }
    ~AirborneTest() override {
        link_.reset();
        gf_resetTrafficForTests();
        gf_resetSimLinkStateForTests();
    }

    static constexpr std::int32_t kNow = 100000;

    FakeTrafficLink& link() { return *link_; }

    // The control calls since the last take, as "name(arguments)".
    std::vector<std::string> takeCalls() {
        std::vector<std::string> out = link().callTexts();
        link().clearCalls();
        return out;
    }

    // An aircraft in the simulator with its category's motion values, unvaried.
    static LiveAircraft aircraft(AircraftCategory category = AircraftCategory::large) {
        const CategoryValues& v = gf_categoryValues(category);
        LiveAircraft a;
        a.callsign = "DLH4";
        a.departure = "EDDF";
        a.destination = "EGLL";
        a.flightKey = 20001;
        a.objectId = 7;
        a.category = category;
        a.state = LiveState::inSimulator;
        a.rotationPitch = v.rotationPitch * kRadiansPerDegree;
        a.climbPitch = v.climbPitch * kRadiansPerDegree;
        a.baseTurnRate = v.turnRate * kRadiansPerDegree;
        a.turnRate = a.baseTurnRate;
        a.climbLimit = v.climbLimit;
        a.pushSpeed = v.pushSpeed;
        a.flarePitchTicks = v.flareTicks;
        a.derotationTicks = v.derotationTicks;
        a.rotationTicks = v.rotationTicks;
        a.climbPitchTicks = v.pitchTransitionTicks;
        a.staticCgHeight = 10.0;
        a.groundPitch = 0.7 * kRadiansPerDegree;
        a.position.latitude = 50.0;
        a.position.longitude = 8.5;
        return a;
    }

    // A sample north of 50N 8.5E, due ticks after now.
    static PositionSample sample(double northNM, std::int32_t dueIn, double altitude, double knots,
                                 double rate = 0.0) {
        PositionSample s;
        s.latitude = 50.0 + northNM / 60.0;
        s.longitude = 8.5;
        s.altitude = altitude;
        s.airborne = altitude > 0.0;
        s.groundSpeed = knots;
        s.trueAirspeed = knots;
        s.verticalRate = rate;
        s.dueTick = kNow + dueIn;
        return s;
    }

    // A loaded park airport at 50N 8.5E.
    static void loadParkAirport(double elevation, const std::string& code = "EDDF") {
        ParkAirportState& park = gf_parkAirportState();
        park.name = code;
        park.altitude = elevation;
        park.parkAirportLoaded = true;
        trafficState.parkAirport.code = code;
        trafficState.parkAirport.lat = 50.0;
        trafficState.parkAirport.lon = 8.5;
    }

    ParametersFixture parameters_; // first: its core reset closes the log
    ManualClock clock_;
    ScopedClock scopedClock_{clock_};
    LogCapture log_;

private:
    std::optional<FakeTrafficLink> link_;
};

} // namespace ksb::test
