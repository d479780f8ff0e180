// Synthetic samples when the feed falls silent: how many by phase, ground or air, category and
// setting; the air limit against the user's range; the speed, movement, altitude and due tick
// of each; and the end of life once none may be made.
#include "ground_motion_fixture.h"

#include "airports/park_airport_state.h"
#include "core/parameters.h"

#include <cmath>
#include <limits>
#include <mutex>

namespace {

using ksb::test::GroundMotionTest;

class SyntheticSamplesTest : public GroundMotionTest {
protected:
    // One sample at 50N 8E due at 1000, now 1000, heading east.
    LiveAircraft lone(double knots, bool onGround, FlightPhase phase) {
        setNow(1000);
        PositionSample s = sampleAt(50.0, 8.0, knots, 1000);
        s.airborne = !onGround;
        s.altitude = onGround ? 0.0 : 3000.0;
        LiveAircraft a = aircraftWith({s});
        a.onGround = onGround;
        a.phase = phase;
        return a;
    }
    static void userAt(double latitude, double longitude) {
        trafficState.userState.latitude = latitude;
        trafficState.userState.longitude = longitude;
    }
};

TEST_F(SyntheticSamplesTest, TheFirstCountDependsOnPhaseGroundAirCategoryAndSetting) {
    struct Case {
        const char* name;
        AircraftCategory category;
        bool onGround;
        FlightPhase phase;
        CheckBoxParameter* setting; // switched off when given
        double userNm;              // east of the aircraft; negative: user position unknown
        std::int32_t count;         // 0: refused
    };
    const Case cases[] = {
        {"taxiing", AircraftCategory::large, true, FlightPhase::taxi, nullptr, 1.0, 10},
        {"parked", AircraftCategory::large, true, FlightPhase::parked, nullptr, 1.0, 1},
        {"pushed back", AircraftCategory::large, true, FlightPhase::pushBackOrTow, nullptr, 1.0,
         1},
        {"push back under way", AircraftCategory::heavy, true, FlightPhase::pushBackUnderWay,
         nullptr, 1.0, 10},
        {"airborne near the user", AircraftCategory::buzjet, false, FlightPhase::airborne,
         nullptr, 39.4, 8},
        {"airborne at the range less 0.5 NM", AircraftCategory::large, false,
         FlightPhase::airborne, nullptr, 39.5, 0},
        {"airborne, user position unknown", AircraftCategory::large, false,
         FlightPhase::airborne, nullptr, -1.0, 8},
        {"light with its setting", AircraftCategory::light, true, FlightPhase::taxi, nullptr,
         1.0, 10},
        {"light without", AircraftCategory::light, true, FlightPhase::taxi, &LIGHT_AIRCRAFT, 1.0,
         0},
        {"high performance without", AircraftCategory::highPerformance, false,
         FlightPhase::airborne, &HIGH_PERF_AIRCRAFT, 1.0, 0},
        {"rotorcraft without", AircraftCategory::rotorcraft, true, FlightPhase::taxi,
         &HELICOPTERS, 1.0, 0},
        {"heavy whatever the settings", AircraftCategory::heavy, true, FlightPhase::taxi,
         &LIGHT_AIRCRAFT, 1.0, 10},
    };
    LATERAL_RANGE.setRaw(40);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LIGHT_AIRCRAFT.setRaw(true);
        HIGH_PERF_AIRCRAFT.setRaw(true);
        HELICOPTERS.setRaw(true);
        if (c.setting != nullptr) {
            c.setting->setRaw(false);
        }
        LiveAircraft a = lone(10.0, c.onGround, c.phase);
        a.category = c.category;
        if (c.userNm < 0.0) {
            userAt(0.0005, 0.01);
        } else {
            const Position user = gf_destinationPoint({50.0, 8.0}, 1.5707963267948966,
                                                      c.userNm * kFeetPerNM);
            userAt(user.latitude, user.longitude);
        }
        std::lock_guard traffic(trafficState.trafficMutex);
        EXPECT_EQ(ksb::lf_extendSamples(a), c.count > 0);
        EXPECT_EQ(a.extraSamples, c.count);
        EXPECT_EQ(a.samples.size(), c.count > 0 ? 2u : 1u);
    }
}

TEST_F(SyntheticSamplesTest, TenOnTheGroundThenNone) {
    LiveAircraft a = lone(12.0, true, FlightPhase::taxi);
    std::lock_guard traffic(trafficState.trafficMutex);
    int made = 0;
    while (ksb::lf_extendSamples(a)) {
        ++made;
        a.samples.pop_front(); // the step moves on to it
        ASSERT_LE(made, 10);
    }
    EXPECT_EQ(made, 10);
    EXPECT_EQ(a.extraSamples, -1);
    EXPECT_FALSE(ksb::lf_extendSamples(a));
    EXPECT_EQ(a.samples.size(), 1u);
}

TEST_F(SyntheticSamplesTest, EachSampleHasItsSpeedPlaceAltitudeAndDueTick) {
    struct Case {
        const char* name;
        bool onGround;
        FlightPhase phase;
        double knots;
        bool landingRoll;
        bool takeOffRoll;
        bool descending;
        std::int32_t count;
        bool repeatedCurrent;
        // Expected:
        double speed;
        double verticalRate;
        double altitude;     // the current is at 0 on the ground, 3000 in the air
        bool repeated;
        bool airborne;
        std::int64_t dueAfter; // ticks after the current sample's
    };
    const bool G = true;
    const bool A = false;
    const FlightPhase taxi = FlightPhase::taxi;
    const FlightPhase air = FlightPhase::airborne;
    const Case cases[] = {
        {"taxi: stops", G, taxi, 12, false, false, false, 10, false, 0, 0, 0, true, false, 300},
        {"repeated current", G, taxi, 12, false, true, false, 10, true, 0, 0, 0, true, false,
         300},
        {"parked: 7 days", G, FlightPhase::parked, 0, false, false, false, 1, false, 0, 0, 0,
         true, false, 60480000},
        {"pushed back: 300 s", G, FlightPhase::pushBackOrTow, 3, false, false, false, 1, false, 0,
         0, 0, true, false, 30000},
        {"landing roll at 140", G, taxi, 140, true, false, false, 10, false, 100, 0, 0, false,
         false, 300},
        {"landing roll at 139", G, taxi, 139, true, false, false, 10, false, 80, 0, 0, false,
         false, 300},
        {"landing roll at 80", G, taxi, 80, true, false, false, 10, false, 60, 0, 0, false,
         false, 300},
        {"landing roll at 60", G, taxi, 60, true, false, false, 10, false, 30, 0, 0, false,
         false, 300},
        {"landing roll at 59", G, taxi, 59, true, false, false, 10, false, 20, 0, 0, false,
         false, 300},
        {"take-off roll at 30", G, taxi, 30, false, true, false, 10, false, 40, 0, 0, false,
         false, 300},
        {"take-off roll at 60", G, taxi, 60, false, true, false, 10, false, 80, 0, 0, false,
         false, 300},
        {"take-off roll at 100", G, taxi, 100, false, true, false, 10, false, 110, 0, 0, false,
         false, 300},
        {"take-off roll at 140", G, taxi, 140, false, true, false, 10, false, 150, 600, 0, false,
         false, 300},
        {"take-off roll at 160", G, taxi, 160, false, true, false, 10, false, 170, 1200, 0, false,
         false, 300},
        {"take-off roll at 161", G, taxi, 161, false, true, false, 10, false, 180, 2400, 0, false,
         false, 300},
        {"in the air: 95 %", A, air, 200, false, false, false, 8, false, 190, 0, 3000, false,
         true, 800},
        {"descending: 90 %", A, air, 200, false, false, true, 4, false, 180, -667,
         3000 - 8 * 10.005, false, true, 800},
        {"descending, count below 4: kept", A, air, 200, false, false, true, 3, false, 200, -667,
         3000 - 8 * 10.005, false, true, 800},
        {"at least 1 kt", A, air, 0.5, false, false, false, 8, false, 1.0, 0, 3000, false, true,
         800},
        {"initial climb", A, FlightPhase::rotationAndInitialClimb, 160, false, false, false, 8,
         false, 152, 1500, 3200, false, true, 800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft a = lone(c.knots, c.onGround, c.phase);
        a.samples.front().repeated = c.repeatedCurrent;
        a.landingRoll = c.landingRoll;
        a.takeOffRoll = c.takeOffRoll;
        a.descending = c.descending;
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_makeSyntheticSample(a, c.count);
        EXPECT_EQ(a.extraSamples, c.count);
        ASSERT_EQ(a.samples.size(), 2u);
        const PositionSample& current = a.samples.front();
        const PositionSample& made = a.samples.back();
        EXPECT_NEAR(made.groundSpeed, c.speed, 1e-9);
        EXPECT_EQ(made.verticalRate, c.verticalRate);
        EXPECT_NEAR(made.altitude, c.altitude, 1e-9);
        EXPECT_EQ(made.repeated, c.repeated);
        EXPECT_EQ(made.airborne, c.airborne);
        EXPECT_EQ(std::int64_t{made.dueTick} - current.dueTick, c.dueAfter);
        // Moving samples go along the heading (east) by speed times 3 s, or 8 s in the air.
        const double metres = gf_distanceNM({current.latitude, current.longitude},
                                            {made.latitude, made.longitude}) *
                              kMetresPerNM;
        const double seconds = c.onGround ? 3.0 : 8.0;
        EXPECT_NEAR(metres, c.repeated ? 0.0 : c.speed * seconds / 3600.0 * kMetresPerNM, 0.01);
        if (!c.repeated) {
            EXPECT_NEAR(gf_initialBearing({current.latitude, current.longitude},
                                          {made.latitude, made.longitude}),
                        1.5707963267948966, 1e-3);
        }
    }
}

TEST_F(SyntheticSamplesTest, AtTheStandTheMarkGoesAndTheDueTickStaysInRange) {
    ParkPosition stand;
    stand.name = "A1";
    stand.standId = 1;
    stand.occupied = true;
    harness_.loadParkAirport("EGLL", 80.0, {stand});
    LiveAircraft a = lone(0.0, true, FlightPhase::parked);
    a.standId = 1;
    a.standChecked = true;
    a.samples.front().dueTick = std::numeric_limits<std::int32_t>::max() - 100;
    std::lock_guard traffic(trafficState.trafficMutex);
    ksb::lf_makeSyntheticSample(a, 1);
    EXPECT_FALSE(gf_parkAirportState().stands.front().occupied);
    EXPECT_FALSE(a.standChecked);
    EXPECT_EQ(a.samples.back().dueTick, std::numeric_limits<std::int32_t>::max());
}

TEST_F(SyntheticSamplesTest, WithNoneLeftTheAircraftIsReleasedOnce) {
    LiveAircraft a = lone(12.0, true, FlightPhase::taxi);
    a.extraSamples = 1;
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_nextSample(a);
    }
    EXPECT_EQ(a.state, LiveState::beingRemoved);
    EXPECT_EQ(harness_.link().callsOf("releaseAiAircraft"),
              std::vector<std::string>{"releaseAiAircraft(BAW9)"});
    EXPECT_EQ(harness_.removals(), std::vector<std::uint32_t>{9});
    EXPECT_EQ(a.samples.size(), 1u);
}

} // namespace
