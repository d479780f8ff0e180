// The ground model at one sample step: the heading difference to the course after the next
// sample, and the way there (straight, a curve, a mid sample for a sharp slow turn or a speed
// change), with the finite results extreme values must still give.
#include "ground_motion_fixture.h"

#include <cmath>
#include <mutex>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

using ksb::test::GroundMotionTest;

constexpr double kDeg = kRadiansPerDegree;

TEST_F(GroundMotionTest, TheHeadingDifferenceIsSignedAndTakesTheShortWay) {
    struct Case {
        const char* name;
        double heading;     // degrees
        double course;      // degrees, from the next sample to the one after it
        int samples;
        double expected;    // degrees
    };
    const Case cases[] = {
        {"right turn", 90.0, 120.0, 3, 30.0},
        {"left turn", 90.0, 60.0, 3, -30.0},
        {"right across north", 350.0, 10.0, 3, 20.0},
        {"left across north", 10.0, 350.0, 3, -20.0},
        {"heading exactly 0", 0.0, 90.0, 3, 90.0},
        {"heading exactly 2 pi", 360.0, 270.0, 3, -90.0},
        {"two samples only", 90.0, 120.0, 2, 0.0},
        {"one sample", 90.0, 120.0, 1, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PositionSample first = sampleAt(50.0, 8.0, 10.0, 1000);
        const PositionSample next = offset(first, 0.0, 50.0, 10.0, 1500);
        const PositionSample after =
            offset(next, 50.0 * std::cos(c.course * kDeg), 50.0 * std::sin(c.course * kDeg),
                   10.0, 2000);
        std::vector<PositionSample> samples = {first, next, after};
        samples.resize(static_cast<std::size_t>(c.samples));
        LiveAircraft a = aircraftWith(samples, c.heading);
        EXPECT_NEAR(ksb::lf_headingDifference(a), c.expected * kDeg, 1e-3);
    }

    // The sample after the next at the next one's position: no course, no turn.
    const PositionSample first = sampleAt(50.0, 8.0, 10.0, 1000);
    const PositionSample next = offset(first, 0.0, 50.0, 10.0, 1500);
    LiveAircraft a = aircraftWith({first, next, next}, 45.0);
    EXPECT_EQ(ksb::lf_headingDifference(a), 0.0);
}

// The ground step of an aircraft heading east toward the next sample 60 m on, with the sample
// after it in the course given and one more beyond it, unless the queue stops there.
struct WayCase {
    const char* name;
    double course;        // degrees from the next sample to the one after it
    double speed;         // knots of the first two samples
    double nextSpeed;     // knots of the next sample
    std::int32_t nextDue; // the next sample's due tick; now is 1000
    double apart;         // metres from the first sample to the next
    bool curve;
    int midSamples;       // inserted behind the current sample
    bool stopsThere = false; // the queue ends at the sample after the next
};

TEST_F(GroundMotionTest, EachTurnTakesItsWay) {
    const WayCase cases[] = {
        {"straight on", 91.0, 10.0, 10.0, 1500, 60.0, false, 0},
        {"gentle: a curve", 30.0 + 90.0, 10.0, 10.0, 1500, 60.0, true, 0},
        {"across north: a curve, not a reversal", 110.0, 10.0, 10.0, 1500, 60.0, true, 0},
        {"sharp and slow far ahead: a mid sample", 180.0 - 60.0 + 90.0, 10.0, 10.0, 1600,
         60.0, false, 1},
        {"sharp but only 40 m apart: a curve", 180.0 + 90.0 - 60.0, 10.0, 10.0, 1600, 40.0,
         true, 0},
        {"sharp but fast: a curve", 180.0, 44.0, 44.0, 1600, 60.0, true, 0},
        {"sharp but soon: a curve", 180.0, 10.0, 10.0, 1599, 60.0, true, 0},
        {"a reversal: straight", 270.0, 10.0, 10.0, 1500, 60.0, false, 0},
        {"straight with a speed change over 100 m", 90.0, 5.0, 25.0, 3000, 120.0, false, 1},
        {"a speed change over 90 m: nothing", 90.0, 5.0, 25.0, 3000, 90.0, false, 0},
        {"a change of 5 kt: nothing", 90.0, 5.0, 10.0, 3000, 120.0, false, 0},
        {"the queue stops at the sample after the next: no curve", 120.0, 10.0, 10.0, 1500,
         60.0, false, 0, true},
    };
    for (const WayCase& c : cases) {
        SCOPED_TRACE(c.name);
        setNow(1000);
        const PositionSample first = sampleAt(50.0, 8.0, c.speed, 1000);
        const PositionSample next = offset(first, 0.0, c.apart, c.nextSpeed, c.nextDue);
        const PositionSample after =
            offset(next, 60.0 * std::cos(c.course * kDeg), 60.0 * std::sin(c.course * kDeg),
                   c.nextSpeed, c.nextDue + 600);
        std::vector<PositionSample> queue = {first, next, after};
        if (!c.stopsThere) {
            queue.push_back(offset(after, 60.0 * std::cos(c.course * kDeg),
                                   60.0 * std::sin(c.course * kDeg), c.nextSpeed,
                                   c.nextDue + 1200));
        }
        LiveAircraft a = aircraftWith(queue, 90.0);
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_groundPhase(a);
        EXPECT_EQ(ksb::lf_hasCurve(a), c.curve);
        EXPECT_EQ(a.samples.size(),
                  queue.size() - (c.curve ? 1u : 0u) + static_cast<unsigned>(c.midSamples));
        if (c.curve) {
            // The next sample left the queue; the curve ends at the one after it.
            EXPECT_EQ(a.samples[1].latitude, after.latitude);
            EXPECT_NEAR(a.curveTurnAngle,
                        std::fabs(std::remainder(c.course - 90.0, 360.0)), 0.05);
            EXPECT_FALSE(a.turning);
            EXPECT_GT(a.curveStep, 0.0);
        }
        if (c.midSamples == 1) {
            const PositionSample& mid = a.samples[1];
            EXPECT_NEAR(mid.latitude, (first.latitude + next.latitude) / 2.0, 1e-12);
            EXPECT_NEAR(mid.longitude, (first.longitude + next.longitude) / 2.0, 1e-12);
            EXPECT_EQ(mid.groundSpeed, (c.speed + c.nextSpeed) / 2.0);
            EXPECT_FALSE(mid.repeated);
            EXPECT_FALSE(mid.airborne);
            EXPECT_EQ(a.samples[2].latitude, next.latitude);
        }
    }
}

TEST_F(GroundMotionTest, TheMidSampleIsTheMeanAndLiesOnTheAntimeridian) {
    struct Case {
        const char* name;
        double lon1;
        double lon2;
        double altitude1;
        double altitude2;
        std::int32_t due1;
        std::int32_t due2;
        double lon;
        double altitude;
        bool airborne;
        std::int32_t due;
    };
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    const Case cases[] = {
        {"plain", 8.0, 8.002, 0.0, 0.0, 1000, 1601, 8.001, 0.0, false, 1300},
        {"across the line", 179.99, -179.99, 0.0, 0.0, 1000, 2000, 180.0, 0.0, false, 1500},
        {"climbing", 8.0, 8.002, 0.0, 300.0, 1000, 2000, 8.001, 150.0, true, 1500},
        {"below ground becomes 0", 8.0, 8.002, -50.0, 10.0, 1000, 2000, 8.001, 0.0, false, 1500},
        {"due ticks far apart do not overflow", 8.0, 8.002, 0.0, 0.0, big - 10, big, 8.001, 0.0,
         false, big - 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PositionSample first = sampleAt(10.0, c.lon1, 10.0, c.due1);
        first.altitude = c.altitude1;
        first.track = 77.0;
        PositionSample next = sampleAt(10.0, c.lon2, 20.0, c.due2);
        next.altitude = c.altitude2;
        LiveAircraft a = aircraftWith({first, next});
        ksb::lf_insertMidSample(a);
        ASSERT_EQ(a.samples.size(), 3u);
        const PositionSample& mid = a.samples[1];
        EXPECT_NEAR(std::fabs(mid.longitude), std::fabs(c.lon), 1e-9);
        EXPECT_NEAR(mid.longitude, c.lon, 1e-9 + (std::fabs(c.lon) == 180.0 ? 360.0 : 0.0));
        EXPECT_EQ(mid.altitude, c.altitude);
        EXPECT_EQ(mid.airborne, c.airborne);
        EXPECT_EQ(mid.dueTick, c.due);
        EXPECT_EQ(mid.groundSpeed, 15.0);
        EXPECT_EQ(mid.track, 77.0); // the rest is the current sample's
    }
}

// Extreme values through a whole sample step and a few ticks: every result stays finite.
TEST_F(GroundMotionTest, ExtremeValuesGiveFiniteResults) {
    struct Case {
        const char* name;
        double lon;      // of the first sample
        double heading;  // degrees
        double speed;
        double metres;   // to the next sample, east
        double course;   // to the one after it
    };
    const Case cases[] = {
        {"0 kt at one spot", 8.0, 90.0, 0.0, 0.0, 0.0},
        {"0 kt, a curve ahead", 8.0, 90.0, 0.0, 30.0, 30.0},
        {"next to the antimeridian", 179.9999, 90.0, 10.0, 60.0, 0.0},
        {"heading exactly 0", 8.0, 0.0, 10.0, 60.0, 180.0},
        {"heading exactly 2 pi", 8.0, 360.0, 10.0, 60.0, 45.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setNow(1000);
        const PositionSample first = sampleAt(50.0, c.lon, c.speed, 1000);
        const PositionSample next = offset(first, 0.0, c.metres, c.speed, 1000);
        const PositionSample after =
            offset(next, 30.0 * std::cos(c.course * kDeg), 30.0 * std::sin(c.course * kDeg),
                   c.speed, 1000);
        LiveAircraft a = aircraftWith({first, next, after}, c.heading);
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_nextSample(a);
        for (int i = 0; i < 30; ++i) {
            ksb::lf_followCurve(a);
        }
        const double values[] = {a.position.latitude, a.position.longitude, a.position.heading,
                                 a.latStep,           a.lonStep,            a.turnRate,
                                 a.curveStep};
        for (double v : values) {
            EXPECT_TRUE(std::isfinite(v));
        }
        EXPECT_GE(a.position.longitude, -180.0);
        EXPECT_LE(a.position.longitude, 180.0);
        EXPECT_GE(a.position.heading, 0.0);
        EXPECT_LT(a.position.heading, 2.0 * std::numbers::pi);
        EXPECT_FALSE(a.samples.empty());
        EXPECT_GE(a.samples.front().dueTick, 1025);
    }
}

} // namespace

namespace {

// A next sample long overdue is due at once and stepped toward over 25 ticks; the next sample
// step starts from where the aircraft is, so nothing jumps.
TEST_F(GroundMotionTest, AnOverdueSampleIsSteppedOver25TicksWithoutAJump) {
    setNow(10000);
    const PositionSample first = sampleAt(50.0, 8.0, 10.0, 10000);
    const PositionSample overdue = offset(first, 0.0, 50.0, 10.0, 8000);
    const PositionSample later = offset(overdue, 0.0, 50.0, 10.0, 12000);
    LiveAircraft a = aircraftWith({first, overdue, later}, 90.0);
    std::lock_guard traffic(trafficState.trafficMutex);
    ksb::lf_nextSample(a);
    ASSERT_EQ(a.samples.size(), 2u);
    EXPECT_EQ(a.samples.front().dueTick, 10000); // the late window, then not before now
    EXPECT_NEAR(ksb::gf_longitudeDelta(overdue.longitude, first.longitude) / 25.0, a.lonStep, 1e-15);
    ksb::lf_followCurve(a);
    const double lon = a.position.longitude;

    setNow(10001);
    ksb::lf_nextSample(a);
    ASSERT_EQ(a.samples.size(), 1u); // only the sample after is left
    // From where it is now toward the sample after: the first step of the new leg is a share of
    // the way from here, not a jump onto the overdue sample.
    ksb::lf_followCurve(a);
    const double stepped = a.position.longitude - lon;
    EXPECT_GT(stepped, 0.0);
    EXPECT_LT(stepped, ksb::gf_longitudeDelta(overdue.longitude, first.longitude) / 25.0);
}

} // namespace

namespace {

// The per-tick step without a curve, by phase: which phases turn, which add the airborne
// heading step, which move; the longitude wrapped at the antimeridian.
TEST_F(GroundMotionTest, ThePerTickStepByPhase) {
    struct Case {
        const char* name;
        FlightPhase phase;
        bool turning;
        double target;      // degrees
        double headingStep; // degrees per tick
        double heading;     // expected after one tick, degrees
        bool moves;
    };
    const double rate = ksb::test::kLargeTurnRate / kRadiansPerDegree;
    const Case cases[] = {
        {"taxi straight", FlightPhase::taxi, false, 120.0, 0.0, 90.0, true},
        {"taxi turning", FlightPhase::taxi, true, 120.0, 0.0, 90.0 + rate, true},
        {"taxi turning left", FlightPhase::taxi, true, 60.0, 0.0, 90.0 - rate, true},
        {"taxi within half a degree", FlightPhase::taxi, true, 90.4, 0.0, 90.0, true},
        {"tow: turning in place", FlightPhase::pushBackOrTow, true, 120.0, 0.0, 90.0 + rate,
         false},
        {"into the stand: always turning", FlightPhase::movingToAdjacentStand, false, 120.0, 0.0,
         90.0 + rate, true},
        {"airborne: the heading step", FlightPhase::airborne, true, 120.0, -0.5, 89.5, true},
        {"parked: the heading step", FlightPhase::parked, false, 120.0, 0.25, 90.25, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft a = aircraftWith({sampleAt(10.0, 179.99999, 10.0, 1000)}, 90.0);
        a.phase = c.phase;
        a.turning = c.turning;
        a.targetTrack = c.target * kRadiansPerDegree;
        a.headingStep = c.headingStep * kRadiansPerDegree;
        a.latStep = 0.00001;
        a.lonStep = 0.00002;
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_followCurve(a);
        EXPECT_NEAR(a.position.heading, c.heading * kRadiansPerDegree, 1e-12);
        if (c.moves) {
            EXPECT_NEAR(a.position.latitude, 10.00001, 1e-12);
            EXPECT_NEAR(a.position.longitude, -179.99999, 1e-9);
        } else {
            EXPECT_EQ(a.position.latitude, 10.0);
            EXPECT_EQ(a.position.longitude, 179.99999);
        }
    }
}

TEST_F(GroundMotionTest, ACurveThatCannotBeEvaluatedLeavesThePositionAndIsLogged) {
    LiveAircraft a = aircraftWith({sampleAt(50.0, 8.0, 10.0, 1000)}, 90.0);
    a.curveStartLatitude = 50.0;
    a.curveStartLongitude = 8.0;
    a.curveControlX = 30.0;
    a.curveControlY = 0.0;
    a.curveEndX = std::numeric_limits<double>::quiet_NaN();
    a.curveEndY = 30.0;
    a.curveStep = 0.1;
    a.latStep = 0.001;
    std::lock_guard traffic(trafficState.trafficMutex);
    ksb::lf_followCurve(a);
    EXPECT_EQ(a.position.latitude, 50.0);
    EXPECT_EQ(a.position.longitude, 8.0);
    EXPECT_EQ(a.position.heading, 90.0 * kRadiansPerDegree);
    EXPECT_TRUE(harness_.log().contains("BAW9 error in curve at index: 0.10"));
    // The next tick tries again further on.
    ksb::lf_followCurve(a);
    EXPECT_TRUE(harness_.log().contains("BAW9 error in curve at index: 0.20"));
}

// The two sample steps of a push back under way: the side point dropped or the tail swung onto
// the chosen one, then the engines started and the tow begins.
TEST_F(GroundMotionTest, ThePushBackCountdown) {
    struct Case {
        const char* name;
        bool moveSeen;
        bool turnRightSeen;
        std::size_t left;  // samples after the step
        bool curve;
        bool endsAtSaved;  // the last sample is the saved side point
    };
    const Case cases[] = {
        {"no heading seen: straight back", false, false, 2, false, false},
        {"a heading to the left: the tail swings to the side point C", true, false, 2, true,
         false},
        {"a heading to the right: the side point B replaces C", true, true, 2, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setNow(1000);
        const PositionSample mid = sampleAt(50.0, 8.0, 4.0, 1000);
        const PositionSample back = offset(mid, -20.0, 0.0, 4.0, 1700);
        const PositionSample sideC = offset(back, 0.0, -17.0, 4.0, 2100);
        LiveAircraft a = aircraftWith({mid, back, sideC}, 0.0);
        a.phase = FlightPhase::pushBackUnderWay;
        a.pushCountdown = 2;
        a.moveSeen = c.moveSeen;
        a.turnRightSeen = c.turnRightSeen;
        a.savedSample = offset(back, 0.0, 17.0, 4.0, 2100);
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_groundPhase(a);
        EXPECT_EQ(a.pushCountdown, 1);
        EXPECT_EQ(ksb::lf_hasCurve(a), c.curve);
        ASSERT_EQ(a.samples.size(), c.left);
        if (!c.curve) {
            EXPECT_EQ(a.samples.back().latitude, back.latitude);
            continue;
        }
        EXPECT_EQ(a.curveTurnAngle, 90.0);
        EXPECT_DOUBLE_EQ(a.curveStep, 1.0 / 737.0); // round(90 / 0.07 degrees a tick / 100)
        const PositionSample& end = c.endsAtSaved ? a.savedSample : sideC;
        EXPECT_EQ(a.samples.back().longitude, end.longitude);
        EXPECT_NEAR(a.curveEndX, c.endsAtSaved ? 17.0 : -17.0, 0.05);
    }

    // The next step ends it: engines on, idle, flaps 1, and the tow takes over.
    setNow(2100);
    const PositionSample atA = sampleAt(50.0, 8.0, 4.0, 2100);
    PositionSample standing = atA;
    standing.repeated = true;
    standing.dueTick = 2400;
    LiveAircraft a = aircraftWith({atA, standing}, 30.0);
    a.phase = FlightPhase::pushBackUnderWay;
    a.pushCountdown = 1;
    a.extraSamples = 5;
    a.departureRequested = true;
    a.targetTrack = 1.0;
    harness_.link().clearCalls();
    std::lock_guard traffic(trafficState.trafficMutex);
    ksb::lf_groundPhase(a);
    EXPECT_EQ(a.phase, FlightPhase::pushBackOrTow);
    EXPECT_EQ(a.previousPhase, FlightPhase::pushBackUnderWay);
    EXPECT_EQ(a.pushCountdown, 1);
    EXPECT_EQ(a.pushBackDistance, 900.0);
    EXPECT_EQ(a.extraSamples, 0);
    EXPECT_FALSE(a.departureRequested);
    EXPECT_EQ(a.targetTrack, 30.0 * kRadiansPerDegree);
    EXPECT_EQ(harness_.link().callTexts(),
              (std::vector<std::string>{"queueEnginesOn(9)", "setThrottle(BAW9, 0)",
                                        "setFlaps(BAW9, 1)"}));
}

} // namespace
