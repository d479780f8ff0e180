// The airborne sample step and the vertical half of the per-tick step on their own: glide rate,
// vertical step, pitch target, heading and bank, lights and configuration by height, the
// approach and the go-around, the rotation's climb schedule, the flare and the de-rotation.
#include "airborne_test_fixture.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

using ksb::lf_airbornePhase;
using ksb::lf_airborneStep;
using ksb::lf_approachConfiguration;
using ksb::lf_bankForTurn;
using ksb::lf_climbConfiguration;
using ksb::lf_followCurveVertical;
using ksb::lf_glideRate;
using ksb::lf_landed;
using ksb::lf_logTookOff;
using ksb::lf_takeOffPhase;
using ksb::test::AirborneTest;
constexpr double kDegree = 0.017453292519943295;

class AirborneMotionTest : public AirborneTest {
protected:
    // Airborne at 5000 ft, 5000 ft above the ground, the next sample due in 1000 ticks.
    static LiveAircraft flying(AircraftCategory category = AircraftCategory::large) {
        LiveAircraft a = aircraft(category);
        a.phase = FlightPhase::airborne;
        a.position.altitude = 5000.0;
        a.agl = 5000.0;
        a.lightsBelowTenThousand = true;
        a.samples = {sample(0.0, 0, 5000.0, 250.0), sample(1.0, 1000, 5000.0, 250.0)};
        return a;
    }
    static void airbornePhase(LiveAircraft& a) {
        lf_airbornePhase(a, std::int64_t{a.samples[1].dueTick} - kNow, a.samples[1]);
    }
};

TEST_F(AirborneMotionTest, GlideRate) {
    struct Case {
        const char* name;
        double agl;
        std::int32_t qnh;
        double currentRate;
        double nextRate;
        double glide;
    };
    const Case cases[] = {
        {"mean of the two", 150.0, 1013, -700.0, -900.0, -800.0},
        {"never shallower than -601", 150.0, 1013, -300.0, -300.0, -601.0},
        {"QNH 1020 steepens by 42", 150.0, 1020, -700.0, -700.0, -742.0},
        {"QNH 1020 on a shallow pair", 150.0, 1020, -100.0, -100.0, -601.0},
        {"QNH 1000 flattens by 78", 150.0, 1000, -800.0, -800.0, -722.0},
        {"at 100 ft", 100.0, 1020, -900.0, -900.0, -600.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft a = flying();
        a.agl = c.agl;
        trafficState.currentQnh = c.qnh;
        a.samples[0].verticalRate = c.currentRate;
        a.samples[1].verticalRate = c.nextRate;
        EXPECT_DOUBLE_EQ(lf_glideRate(a), c.glide);
    }
}

TEST_F(AirborneMotionTest, ThePitchTargetFollowsTheNextRateWithinItsLimits) {
    struct Case {
        const char* name;
        double nextRate;
        std::int32_t dueIn;
        double targetDegrees; // pitch reached after dueIn ticks, before the step limit
        bool limited;
    };
    const Case cases[] = {
        {"level: 3 degrees nose up", 0.0, 100000, -3.0, false},
        {"1200 ft/min up", 1200.0, 100000, -7.4, false},
        {"climb above 2400 counts as 2400", 5000.0, 100000, -11.8, false},
        {"1200 ft/min down counts half", -1200.0, 100000, -0.8, false},
        {"descent beyond -3000 counts as -3000, halved", -8000.0, 100000, 2.5, false},
        {"a short interval meets the step limit", 2400.0, 100, -11.8, true},
        {"and downward too", -3000.0, 100, 2.5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = flying();
        a.samples[1].verticalRate = c.nextRate;
        a.samples[1].dueTick = kNow + c.dueIn;
        airbornePhase(a);
        const double limit = 0.0075 * kDegree;
        if (c.limited) {
            EXPECT_DOUBLE_EQ(std::fabs(a.pitchStep), limit);
            EXPECT_EQ(a.pitchStep > 0.0, c.targetDegrees > 0.0);
        } else {
            EXPECT_NEAR(a.pitchStep * c.dueIn, c.targetDegrees * kDegree, 1e-12);
        }
        EXPECT_EQ(a.verticalSpeed, c.nextRate);
    }
}

TEST_F(AirborneMotionTest, BankForTurn) {
    struct Case {
        const char* name;
        AircraftCategory category;
        double bank;   // degrees
        double change; // degrees
        double ticks;
        double step; // degrees per tick
    };
    const auto large = AircraftCategory::large;
    const Case cases[] = {
        {"right turn banks right (negative)", large, 0.0, 10.0, 10000.0, -0.001},
        {"left turn banks left", large, 0.0, -10.0, 10000.0, 0.001},
        {"the bank limit", large, 0.0, 50.0, 10000.0, -0.003},
        {"the bank step limit", large, 0.0, 10.0, 100.0, -0.02},
        {"levelling out", large, 12.0, 0.0, 1000.0, -0.012},
        {"heavy: 20 degrees at most", AircraftCategory::heavy, 0.0, -60.0, 10000.0, 0.002},
        {"rotorcraft: 75 degrees", AircraftCategory::rotorcraft, 0.0, 80.0, 10000.0, -0.0075},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft a = flying(c.category);
        a.position.bank = c.bank * kDegree;
        lf_bankForTurn(a, c.change * kDegree, c.ticks);
        EXPECT_NEAR(a.bankStep, c.step * kDegree, 1e-15);
    }
}

TEST_F(AirborneMotionTest, HeadingAndBankFromTheSampleAtLowHeightTheShortWay) {
    struct Case {
        const char* name;
        double heading;     // degrees
        double nextHeading; // degrees
        double agl;
        bool descending;
        double headingStep; // degrees per tick
    };
    const Case cases[] = {
        {"right across north", 350.0, 10.0, 500.0, false, 0.02},
        {"left across north", 10.0, 350.0, 500.0, false, -0.02},
        {"descending below 2000 ft", 90.0, 60.0, 1500.0, true, -0.03},
        {"climbing at 1500 ft: the course ahead instead", 90.0, 60.0, 1500.0, false, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = flying();
        a.agl = c.agl;
        a.descending = c.descending;
        a.position.heading = c.heading * kDegree;
        a.position.bank = 0.1;
        PositionSample& next = a.samples[1];
        next.trueHeading = c.nextHeading * kDegree;
        next.trueHeadingValid = true;
        next.bank = -0.2;
        next.bankValid = true;
        airbornePhase(a);
        EXPECT_NEAR(a.headingStep, c.headingStep * kDegree, 1e-12);
        EXPECT_DOUBLE_EQ(a.bankStep, -0.3 / 1000.0);
    }
}

TEST_F(AirborneMotionTest, VerticalStepBySamplesOnTheGroundAndInTheAir) {
    struct Case {
        const char* name;
        bool currentAirborne;
        bool nextAirborne;
        double nextAltitude;
        double agl;
        bool descending;
        bool park;
        std::int32_t qnh;
        double nextRate;
        double verticalStep;
        bool gearDown;
    };
    // Aircraft at 5000 ft, next due in 1000 ticks; large climb limit 0.6 ft/tick.
    const Case cases[] = {
        {"from the ground up", false, true, 5300.0, 500.0, false, false, 1013, 1500.0, 0.3, false},
        {"from the ground up, limited", false, true, 6000.0, 500.0, false, false, 1013, 1500.0, 0.6,
         false},
        {"from the ground, next lower", false, true, 4000.0, 500.0, false, false, 1013, 0.0, 0.0,
         false},
        {"landing ahead: toward the park airport", true, false, 0.0, 500.0, false, true, 1013, 0.0,
         (364.0 - 5000.0) / 1000.0, true},
        {"landing ahead, no park airport: -601", true, false, 0.0, 500.0, false, false, 1013, 0.0,
         -601.0 / 6000.0, true},
        {"landing ahead, QNH 1020: the glide rate", true, false, 0.0, 500.0, false, true, 1020,
         -1500.0, (-750.0 - 42.0) / 6000.0, true},
        {"climb high up", true, true, 5400.0, 5000.0, false, false, 1013, 0.0, 0.4, false},
        {"descent high up", true, true, 4000.0, 5000.0, false, false, 1013, 0.0, -1.0, false},
        {"low and not descending: at least 0.2", true, true, 4000.0, 900.0, false, false, 1013, 0.0,
         0.2, false},
        // Descending near the park airport, so that the approach goes on.
        {"descending: toward the next altitude", true, true, 4800.0, 900.0, true, true, 1013,
         -700.0, -0.2, false},
        {"descending, level and low: the glide rate", true, true, 5000.0, 900.0, true, true, 1013,
         0.0, -601.0 / 6000.0, false},
        {"descending, level, rates over 100: stay level", true, true, 5000.0, 900.0, true, true,
         1013, 150.0, 0.0, false},
        {"both on the ground while descending: the glide rate", false, false, 0.0, 900.0, true,
         true, 1013, 0.0, -601.0 / 6000.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.park) {
            loadParkAirport(364.0);
        } else {
            gf_parkAirportState().parkAirportLoaded = false;
        }
        trafficState.currentQnh = c.qnh;
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = flying();
        a.agl = c.agl;
        a.descending = c.descending;
        a.samples[0].airborne = c.currentAirborne;
        a.samples[1].airborne = c.nextAirborne;
        a.samples[1].altitude = c.nextAltitude;
        a.samples[1].verticalRate = c.nextRate;
        takeCalls();
        airbornePhase(a);
        EXPECT_NEAR(a.verticalStep, c.verticalStep, 1e-12);
        const std::vector<std::string> gear = link().callsOf("setGear");
        EXPECT_EQ(std::count(gear.begin(), gear.end(), "setGear(DLH4, true)"), c.gearDown ? 1 : 0);
    }
}

TEST_F(AirborneMotionTest, ATakeOffSeenLateSkipsToTheFirstAirborneSampleOrClimbsAt601) {
    struct Case {
        const char* name;
        std::vector<bool> airborne; // of the samples after the current one
        std::size_t left;           // samples left
        double nextAltitude;        // of the airborne sample skipped to; 0 = none
    };
    const Case cases[] = {
        {"the third is airborne", {false, false, true, true}, 3, 5600.0},
        {"the fourth is airborne", {false, false, false, true, true}, 3, 5800.0},
        {"none: climb at 601", {false, false, false}, 4, 0.0},
        {"only the next two: climb at 601", {false, true}, 3, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = flying();
        a.agl = 2200.0; // neither gear nor flaps from the configuration
        a.samples = {sample(0.0, 0, 0.0, 150.0, 500.0)};
        a.samples[0].airborne = false;
        for (std::size_t i = 0; i < c.airborne.size(); ++i) {
            const std::int32_t due = static_cast<std::int32_t>(500 * (i + 1));
            PositionSample s = sample(0.2 * (i + 1), due, 5000.0 + 200.0 * (i + 1), 150.0, 500.0);
            s.airborne = c.airborne[i];
            a.samples.push_back(s);
        }
        takeCalls();
        airbornePhase(a);
        EXPECT_EQ(a.samples.size(), c.left);
        EXPECT_EQ(link().callsOf("setGear"), std::vector<std::string>{"setGear(DLH4, true)"});
        if (c.nextAltitude == 0.0) {
            EXPECT_EQ(a.samples[1].verticalRate, 601.0);
            EXPECT_DOUBLE_EQ(a.verticalStep, 601.0 / 6000.0);
            continue;
        }
        // Climbs to the new next sample, re-timed, and the horizontal steps aim at it.
        const PositionSample& next = a.samples[1];
        EXPECT_EQ(next.altitude, c.nextAltitude);
        const double ticks = std::max(next.dueTick - kNow, 25);
        EXPECT_DOUBLE_EQ(a.verticalStep, std::min((c.nextAltitude - 5000.0) / ticks, a.climbLimit));
        EXPECT_NEAR(a.latStep, (next.latitude - 50.0) / ticks, 1e-15);
    }
}

TEST_F(AirborneMotionTest, LightsAtTenThousandFeetOnceEachWay) {
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft a = flying();
    a.lastThrottleState = 4;
    a.lastFlapsState = 1;
    a.position.altitude = 9000.0;
    a.agl = 9000.0;
    a.samples[0].altitude = 10000.0;
    a.samples[1].altitude = 11000.0;
    takeCalls();
    airbornePhase(a);
    EXPECT_EQ(takeCalls(),
              (std::vector<std::string>{"queueSetLights(7, 1 1 0 0 0 0 1)", "setThrottle(DLH4, 3)",
                                        "setGear(DLH4, false)", "setFlaps(DLH4, 0)"}));
    airbornePhase(a);
    EXPECT_TRUE(takeCalls().empty());

    a.samples[0].altitude = 9990.0;
    a.samples[1].altitude = 9000.0;
    a.samples[0].verticalRate = -1500.0;
    airbornePhase(a);
    const std::vector<std::string> down = takeCalls();
    ASSERT_GE(down.size(), 2u);
    EXPECT_EQ(down[0], "queueSetLights(7, 1 1 1 1 1 1 1)");
    EXPECT_EQ(down[1], "queueCabinLights(7, 1)");
    airbornePhase(a);
    EXPECT_TRUE(link().callsOf("queueSetLights").empty());
    EXPECT_EQ(link().callsOf("queueCabinLights"),
              std::vector<std::string>{"queueCabinLights(7, 1)"});
}

TEST_F(AirborneMotionTest, ClimbConfigurationByHeightAndRate) {
    struct Case {
        const char* name;
        double agl;
        double rate;
        std::uint32_t throttle;
        std::uint32_t flaps;
        std::vector<std::string> calls; // after the cabin lights
    };
    const Case cases[] = {
        {"descending at throttle 3",
         3000.0,
         -250.0,
         3,
         0,
         {"setThrottle(DLH4, 2)", "setGear(DLH4, false)", "setFlaps(DLH4, 0)"}},
        {"climbing at full throttle",
         3000.0,
         500.0,
         4,
         0,
         {"setThrottle(DLH4, 3)", "setGear(DLH4, false)", "setFlaps(DLH4, 0)"}},
        {"climbing at 400 keeps full throttle",
         3000.0,
         400.0,
         4,
         0,
         {"setGear(DLH4, false)", "setFlaps(DLH4, 0)"}},
        {"2000 ft, level, clean: flaps 1", 2000.0, 100.0, 2, 0, {"setFlaps(DLH4, 1)"}},
        {"2000 ft, climbing: nothing", 2000.0, 101.0, 2, 0, {}},
        {"below 2000, level, flaps 1: flaps 2", 1900.0, 0.0, 2, 1, {"setFlaps(DLH4, 2)"}},
        {"below 2000, level, flaps 2: nothing", 1900.0, 0.0, 2, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = flying();
        a.agl = c.agl;
        a.takeOffRoll = true;
        a.descending = true;
        a.earlyWindow = 3000;
        a.lateWindow = 1050;
        a.lastThrottleState = c.throttle;
        a.lastFlapsState = c.flaps;
        a.samples[0].verticalRate = c.rate;
        takeCalls();
        lf_climbConfiguration(a);
        std::vector<std::string> expected{"queueCabinLights(7, 1)"};
        expected.insert(expected.end(), c.calls.begin(), c.calls.end());
        EXPECT_EQ(takeCalls(), expected);
        EXPECT_FALSE(a.takeOffRoll || a.descending);
        EXPECT_EQ(a.earlyWindow, 2900);
        EXPECT_EQ(a.lateWindow, 1000);
    }
}

TEST_F(AirborneMotionTest, ApproachAndGoAround) {
    struct Case {
        const char* name;
        double rate;
        double distanceNM; // north of the park airport
        bool park;
        bool descending;
        bool goneAround;
        std::vector<std::string> calls; // after the cabin lights
        bool descendingAfter;
    };
    const std::vector<std::string> approach{"setThrottle(DLH4, 1)", "setFlaps(DLH4, 3)",
                                            "setGear(DLH4, true)"};
    const std::vector<std::string> goAround{"setThrottle(DLH4, 4)", "setGear(DLH4, false)",
                                            "setFlaps(DLH4, 0)"};
    const Case cases[] = {
        {"descending within 10 nm: the approach begins", -700.0, 9.0, true, false, false, approach,
         true},
        {"descending at 20 nm: nothing", -700.0, 20.0, true, false, false, {}, false},
        {"-300 ft/min at 20 nm: nothing", -300.0, 20.0, true, false, false, {}, false},
        {"no park airport: no approach", -700.0, 1.0, false, false, false, {}, false},
        {"on approach already: nothing more", -700.0, 5.0, true, true, false, {}, true},
        {"climbing above 600: go-around", 601.0, 5.0, true, false, false, goAround, false},
        {"climbing at 600: nothing", 600.0, 5.0, true, false, false, {}, false},
        {"gone around already: once", 900.0, 5.0, true, false, true, {}, false},
        {"on approach, level beyond 10 nm: go-around", -200.0, 11.0, true, true, false, goAround,
         false},
        {"on approach, level within 10 nm: nothing", -200.0, 9.0, true, true, false, {}, true},
        {"on approach, no park airport: go-around", -200.0, 1.0, false, true, false, goAround,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.park) {
            loadParkAirport(364.0);
        } else {
            gf_parkAirportState().parkAirportLoaded = false;
        }
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.identityChecks.clear();
        LiveAircraft a = flying();
        a.agl = 600.0;
        a.position.latitude = 50.0 + c.distanceNM / 60.0;
        a.descending = c.descending;
        a.goneAround = c.goneAround;
        a.flareStage = 2;
        a.standId = 4;
        a.standLatitude = 50.1;
        a.standCargo = true;
        a.groundReferenceKnown = true;
        a.rotationCountdown = -400;
        a.earlyWindow = 1500;
        a.lateWindow = 1500;
        a.samples[0].verticalRate = c.rate;
        takeCalls();
        lf_approachConfiguration(a);
        std::vector<std::string> expected{"queueCabinLights(7, 0)"};
        expected.insert(expected.end(), c.calls.begin(), c.calls.end());
        EXPECT_EQ(takeCalls(), expected);
        EXPECT_EQ(a.descending, c.descendingAfter);
        if (c.calls == approach) {
            EXPECT_EQ(trafficState.identityChecks, std::deque<std::uint32_t>{20001});
            EXPECT_EQ(a.standId, 0u);
            EXPECT_EQ(a.standLatitude, 0.0);
            EXPECT_FALSE(a.standCargo || a.goneAround || a.groundReferenceKnown);
            EXPECT_EQ(a.rotationCountdown, 1);
            EXPECT_EQ(a.earlyWindow, 3000);
            EXPECT_EQ(a.lateWindow, 3000);
        } else if (c.calls == goAround) {
            EXPECT_TRUE(a.goneAround);
            EXPECT_EQ(a.flareStage, 0);
            EXPECT_FALSE(a.groundReferenceKnown);
            EXPECT_EQ(a.earlyWindow, 1400);
            EXPECT_TRUE(trafficState.identityChecks.empty());
        } else {
            EXPECT_EQ(a.standId, 4u);
            EXPECT_EQ(a.flareStage, 2);
            EXPECT_EQ(a.earlyWindow, 1500);
        }
    }
}

TEST_F(AirborneMotionTest, TheRotationAndInitialClimbSchedule) {
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft a = aircraft(AircraftCategory::large);
    a.phase = FlightPhase::taxi;
    a.onGround = true;
    a.takeOffRoll = true;
    a.position.pitch = a.groundPitch;
    a.position.altitude = 364.0;
    a.agl = 10.0;
    lf_logTookOff(a);
    a.verticalStep = 0.5;
    a.bankStep = 0.0001;
    takeCalls();
    const double rotationStep = a.pitchStep;
    double climbed = 0.0;
    for (std::int32_t tick = 1; tick <= 600; ++tick) {
        const double before = a.position.pitch;
        const double altitude = a.position.altitude;
        lf_followCurveVertical(a);
        const std::int32_t count = a.rotationTicks - tick;
        climbed += a.position.altitude - altitude;
        if (count >= 1) {
            EXPECT_FALSE(a.onGround);
            EXPECT_NEAR(a.position.pitch - before, rotationStep, 1e-15) << tick;
            EXPECT_EQ(a.position.altitude, altitude) << tick;
        } else if (count == 0) {
            EXPECT_EQ(a.position.altitude, altitude);
        } else if (count >= -99) {
            EXPECT_NEAR(a.position.altitude - altitude, 0.05, 1e-9) << tick;
        } else if (count >= -199) {
            EXPECT_NEAR(a.position.altitude - altitude, 0.1, 1e-9) << tick;
        } else if (count >= -299) {
            EXPECT_NEAR(a.position.altitude - altitude, 0.25, 1e-9) << tick;
        } else {
            EXPECT_NEAR(a.position.altitude - altitude, 0.5, 1e-9) << tick;
        }
        EXPECT_GE(a.position.pitch, a.climbPitch);
        if (count == -300) {
            EXPECT_EQ(takeCalls(), std::vector<std::string>{"setGear(DLH4, false)"});
        }
    }
    // Gear once; no phase 4 below 800 ft.
    EXPECT_TRUE(takeCalls().empty());
    EXPECT_EQ(a.phase, FlightPhase::rotationAndInitialClimb);
    EXPECT_EQ(a.position.pitch, a.climbPitch);
    EXPECT_EQ(a.pitchStep, 0.0);

    a.agl = 800.0;
    lf_followCurveVertical(a);
    EXPECT_EQ(takeCalls(), std::vector<std::string>{"setThrottle(DLH4, 3)"});
    EXPECT_EQ(a.phase, FlightPhase::airborne);
    EXPECT_EQ(a.rotationCountdown, 1);
    EXPECT_GT(climbed, 0.0);
}

TEST_F(AirborneMotionTest, FlareInFourStagesThenTouchDownAndDerotation) {
    struct Case {
        const char* name;
        AircraftCategory category;
        std::string throttleAtStage3;
    };
    const Case cases[] = {
        {"large", AircraftCategory::large, "setThrottle(DLH4, 0)"},
        {"rotorcraft keeps full throttle", AircraftCategory::rotorcraft, "setThrottle(DLH4, 4)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        loadParkAirport(364.0);
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.fastRange = false;
        LiveAircraft a = flying(c.category);
        a.descending = true;
        a.position.altitude = 364.0 + 60.0;
        a.position.pitch = -2.0 * kDegree;
        a.position.bank = 0.02;
        a.verticalStep = -0.2;
        a.pitchStep = 0.0;
        a.bankStep = 0.0;
        takeCalls();
        struct Stage {
            double agl;
            std::int32_t stage;
            double verticalStep;
            double rate;
        };
        // The AGL reads 80 ft, but the park airport's reference gives 40: stage 1 at once.
        a.agl = 80.0;
        a.position.altitude = 364.0 + 40.0;
        lf_followCurveVertical(a);
        EXPECT_EQ(a.flareStage, 1);
        EXPECT_DOUBLE_EQ(a.heightAboveReference, 40.0);
        EXPECT_TRUE(trafficState.fastRange);
        EXPECT_DOUBLE_EQ(a.pitchStep, (-4.0 * kDegree + 2.0 * kDegree) / a.flarePitchTicks);
        const Stage stages[] = {
            {31.0, 1, -0.1, -601.0},  {30.0, 2, -0.075, -450.0}, {21.0, 2, -0.075, -450.0},
            {20.0, 3, -0.05, -300.0}, {14.0, 3, -0.05, -300.0},  {13.0, 4, -0.025, -150.0},
        };
        for (const Stage& s : stages) {
            SCOPED_TRACE(s.agl);
            a.agl = s.agl;
            lf_followCurveVertical(a);
            EXPECT_EQ(a.flareStage, s.stage);
            EXPECT_EQ(a.verticalStep, s.verticalStep);
            EXPECT_EQ(a.samples.front().verticalRate, s.rate);
            EXPECT_GE(a.position.pitch, -4.0 * kDegree);
        }
        EXPECT_EQ(takeCalls(), std::vector<std::string>{c.throttleAtStage3});

        lf_landed(a);
        EXPECT_FALSE(trafficState.fastRange);
        for (std::int32_t tick = 1; tick <= a.derotationTicks; ++tick) {
            const double bank = a.position.bank;
            lf_followCurveVertical(a);
            EXPECT_LE(std::fabs(a.position.bank), std::fabs(bank) + 1e-15);
        }
        EXPECT_EQ(a.position.pitch, a.groundPitch);
        EXPECT_EQ(a.position.bank, 0.0);
        EXPECT_FALSE(a.pitchingDown);
        EXPECT_EQ(a.flareStage, 0);
        // On the ground from now on: ground pitch, wings level, no altitude step.
        const double altitude = a.position.altitude;
        lf_followCurveVertical(a);
        EXPECT_EQ(a.position.altitude, altitude);
        EXPECT_EQ(a.position.pitch, a.groundPitch);
    }
}

// Zero speeds, samples on one spot and due now, headings of exactly 0 and 2 pi, a longitude at
// the antimeridian and tick counts of 0 leave every value finite.
TEST_F(AirborneMotionTest, ExtremeValuesStayFinite) {
    struct Case {
        const char* name;
        double heading;
        double longitude;
    };
    const Case cases[] = {
        {"heading 0", 0.0, 8.5},
        {"heading 2 pi", 6.283185307179586, 8.5},
        {"at the antimeridian", 3.0, 179.9999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft a = flying();
        a.rotationTicks = 0;
        a.climbPitchTicks = 0;
        a.flarePitchTicks = 0;
        a.derotationTicks = 0;
        a.climbLimit = 0.5;
        a.position.heading = c.heading;
        a.position.longitude = c.longitude;
        a.agl = 50.0;
        a.descending = true;
        a.takeOffRoll = true;
        for (PositionSample& s : a.samples) {
            s.latitude = 50.0;
            s.longitude = c.longitude;
            s.groundSpeed = 0.0;
            s.trueAirspeed = 0.0;
            s.dueTick = kNow;
            s.trueHeading = 6.283185307179586;
            s.trueHeadingValid = true;
        }
        a.samples.push_back(a.samples.back());
        lf_airborneStep(a);
        airbornePhase(a);
        for (int i = 0; i < 400; ++i) {
            lf_followCurveVertical(a);
        }
        a.onGround = true;
        lf_takeOffPhase(a);
        lf_logTookOff(a);
        for (int i = 0; i < 400; ++i) {
            lf_followCurveVertical(a);
        }
        a.setPhase(FlightPhase::airborne);
        a.descending = true;
        lf_landed(a);
        for (int i = 0; i < 10; ++i) {
            lf_followCurveVertical(a);
        }
        for (const double v :
             {a.position.pitch, a.position.bank, a.position.altitude, a.position.heading,
              a.pitchStep, a.bankStep, a.headingStep, a.verticalStep, a.latStep, a.lonStep}) {
            EXPECT_TRUE(std::isfinite(v)) << v;
        }
        EXPECT_GE(a.samples[1].dueTick, kNow);
    }
}

} // namespace
