#include "traffic/live_aircraft.h"
#include "traffic/traffic_state.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <mutex>

namespace {

TEST(LiveAircraft, ANewFlightStartsFromItsFirstSample) {
    Flight flight;
    flight.callsign = "BAW123";
    flight.registration = "G-EUUA";
    flight.flightKey = 0x4ca123;
    flight.category = AircraftCategory::heavy;
    PositionSample first;
    first.latitude = 51.47;
    first.dueTick = 3000;

    const LiveAircraft aircraft(first, flight, 1700000000.5);
    EXPECT_EQ(aircraft.callsign, "BAW123");
    EXPECT_EQ(aircraft.registration, "G-EUUA");
    EXPECT_EQ(aircraft.flightKey, 0x4ca123u);
    EXPECT_EQ(aircraft.category, AircraftCategory::heavy);
    EXPECT_EQ(aircraft.objectId, 0u);
    EXPECT_EQ(aircraft.state, LiveState::newFlight);
    EXPECT_EQ(aircraft.lastThrottleState, 5u);
    EXPECT_EQ(aircraft.lastFlapsState, 4u);
    EXPECT_EQ(aircraft.phase, FlightPhase::newFlight);
    EXPECT_EQ(aircraft.previousPhase, FlightPhase::newFlight);
    EXPECT_EQ(aircraft.lastFeedTimeStamp, 1700000000.5);
    ASSERT_EQ(aircraft.samples.size(), 1u);
    EXPECT_EQ(aircraft.samples.front().latitude, 51.47);
    EXPECT_EQ(aircraft.samples.front().dueTick, 3000);
    EXPECT_EQ(aircraft.extraSamples, 0);
    EXPECT_EQ(aircraft.earlyWindow, 1000);
    EXPECT_EQ(aircraft.lateWindow, 1000);
    EXPECT_EQ(aircraft.rotationCountdown, 1);
    EXPECT_EQ(aircraft.agl, 2500.0);
    EXPECT_EQ(aircraft.position.latitude, 0.0);
    EXPECT_FALSE(aircraft.onGround || aircraft.erase || aircraft.removeOnceCreated ||
                 aircraft.stays || aircraft.takeOffRoll || aircraft.landingRoll);
    // No curve yet: both coordinates of its control point are NaN.
    EXPECT_TRUE(std::isnan(aircraft.curveControlX) && std::isnan(aircraft.curveControlY));
    EXPECT_EQ(aircraft.curveParameter, 0.0);
    EXPECT_EQ(aircraft.speed, 0.0);
    EXPECT_EQ(aircraft.verticalSpeed, 0.0);
    EXPECT_EQ(aircraft.awayCount, 0);
    EXPECT_EQ(aircraft.standWaitTimers, (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_FALSE(aircraft.turning || aircraft.landed || aircraft.descending || aircraft.goneAround ||
                 aircraft.departureRequested || aircraft.standChecked || aircraft.moveSeen ||
                 aircraft.hasRecreationHeading || aircraft.standCargo);
}

TEST(LiveAircraft, CopyIsDeepAndKeepsPhaseAndSamples) {
    LiveAircraft original;
    original.callsign = "EZY45";
    original.phase = FlightPhase::taxi;
    original.previousPhase = FlightPhase::pushBackOrTow;
    original.samples.resize(3);
    original.samples[1].groundSpeed = 12.0;

    LiveAircraft copy = original.copy();
    EXPECT_EQ(copy.phase, FlightPhase::taxi);
    EXPECT_EQ(copy.previousPhase, FlightPhase::pushBackOrTow);
    ASSERT_EQ(copy.samples.size(), 3u);
    EXPECT_EQ(copy.samples[1].groundSpeed, 12.0);

    // The per-second check releases and trims the original while it holds the copy.
    original.samples.clear();
    original.callsign = "changed";
    EXPECT_EQ(copy.samples.size(), 3u);
    EXPECT_EQ(copy.callsign, "EZY45");
}

TEST(TrafficStateDeathTest, InvertedNestingIsCaught) {
    if (!ksb::gf_lockRanksChecked()) {
        GTEST_SKIP() << "lock ranks are checked in debug and sanitizer builds";
    }
    struct Case {
        const char* name;
        ksb::RankedMutex& outer;
        ksb::RankedMutex& inner;
        const char* message;
    };
    const Case cases[] = {
        {"feed, then traffic", trafficState.feedMutex, trafficState.trafficMutex,
         "taking \"traffic\" \\(rank 10\\) while holding \"feed\" \\(rank 40\\)"},
        {"inbound, then traffic", trafficState.inboundMutex, trafficState.trafficMutex,
         "taking \"traffic\" \\(rank 10\\) while holding \"inbound\" \\(rank 20\\)"},
        {"feed, then inbound", trafficState.feedMutex, trafficState.inboundMutex,
         "taking \"inbound\" \\(rank 20\\) while holding \"feed\" \\(rank 40\\)"},
        {"traffic twice", trafficState.trafficMutex, trafficState.trafficMutex,
         "taking \"traffic\" \\(rank 10\\) while holding \"traffic\" \\(rank 10\\)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DEATH(
            {
                std::lock_guard outer(c.outer);
                std::lock_guard inner(c.inner);
            },
            c.message);
    }
}

TEST(TrafficState, TheRuledOrderNests) {
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        std::lock_guard inbound(trafficState.inboundMutex);
    }
    std::lock_guard traffic(trafficState.trafficMutex);
    std::lock_guard feed(trafficState.feedMutex);
}

} // namespace
