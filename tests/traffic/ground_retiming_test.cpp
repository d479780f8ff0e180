// Re-timing of the next ground sample: the speed estimate, the 25-tick floor, the windows around
// the feed's due tick, the standing formula, and the turn rate fitted to the turn ahead.
#include "ground_motion_fixture.h"

#include <cmath>
#include <mutex>

namespace {

using ksb::test::GroundMotionTest;
using ksb::test::kLargeTurnRate;

// 100 m north of the first sample, at 10 kt both: 1944 ticks.
constexpr double kHundredMetres = 100.0;
constexpr std::int64_t kHundredMetresAtTen = 1944;

TEST_F(GroundMotionTest, TheSpeedEstimateIsTheMeanOrTheFeedsOwnPace) {
    struct Case {
        const char* name;
        double speed1;
        double speed2;
        double metres;
        std::int32_t dueGap; // ticks between the two samples
        double estimate;
    };
    const Case cases[] = {
        {"both moving", 10.0, 20.0, kHundredMetres, 1000, 15.0},
        {"one standing", 0.0, 6.0, kHundredMetres, 1000, 3.0},
        // 100 m in 10 s: 19.44 kt.
        {"both 0: distance over the feed's ticks", 0.0, 0.0, kHundredMetres, 1000,
         100.0 / 1852.0 * 360000.0 / 1000.0},
        {"both 0, ticks floored at 25", 0.0, 0.0, 1.0, 5, 1.0 / 1852.0 * 360000.0 / 25.0},
        {"both 0 at one spot: 1 kt", 0.0, 0.0, 0.0, 1000, 1.0},
        {"slow mean: 1 kt", 0.5, 0.5, kHundredMetres, 1000, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PositionSample first = sampleAt(50.0, 8.0, c.speed1, 1000);
        LiveAircraft a = aircraftWith({first, offset(first, c.metres, 0.0, c.speed2,
                                                     1000 + c.dueGap)});
        EXPECT_NEAR(ksb::lf_groundSpeedEstimate(a), c.estimate, 1e-3);
    }
}

TEST_F(GroundMotionTest, TheNextSampleIsTimedByDistanceAndSpeedWithinItsWindows) {
    struct Case {
        const char* name;
        std::int32_t feedDue;   // the next sample's due tick from the feed; now is 1000
        std::int32_t early;
        std::int32_t late;
        std::int32_t extra;
        double metres;          // north of the first sample, at 10 kt
        std::int32_t expected;
    };
    const std::int32_t t = 1000;
    const std::int32_t wanted = t + static_cast<std::int32_t>(kHundredMetresAtTen);
    const Case cases[] = {
        {"inside the windows", t + 2000, 1000, 1000, 0, kHundredMetres, wanted},
        {"due 10 ticks ahead, a metre away: 25 ticks", t + 10, 1000, 1000, 0, 0.1, t + 25},
        {"later than the late window allows", t + 500, 1000, 1000, 0, kHundredMetres, t + 1500},
        {"earlier than the early window allows", t + 4000, 1000, 1000, 0, kHundredMetres,
         t + 3000},
        {"the late bound first, the early one wins", t + 2000, -500, 100, 0, kHundredMetres,
         t + 2500},
        {"no clamp while synthetic samples run", t + 500, 1000, 1000, 3, kHundredMetres, wanted},
        {"clamped when the synthetic samples are spent", t + 500, 1000, 1000, -1,
         kHundredMetres, t + 1500},
        {"never before now", t - 2000, 1000, 1000, 0, kHundredMetres, t},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setNow(t);
        const PositionSample first = sampleAt(50.0, 8.0, 10.0, t);
        LiveAircraft a = aircraftWith({first, offset(first, c.metres, 0.0, 10.0, c.feedDue)}, 0.0);
        a.earlyWindow = c.early;
        a.lateWindow = c.late;
        a.extraSamples = c.extra;
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_timeNextGroundSample(a);
        EXPECT_EQ(a.samples[1].dueTick, c.expected);
        EXPECT_EQ(a.turnRate, kLargeTurnRate);
    }
}

TEST_F(GroundMotionTest, AStandingNextSampleKeepsTheFeedsPaceWithinItsWindows) {
    struct Case {
        const char* name;
        std::int32_t now;
        std::int32_t current; // due ticks
        std::int32_t next;
        std::int32_t extra;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"the feed's gap", 1000, 1000, 1400, 0, 1400},
        {"at least 25 ticks after the current", 1000, 1000, 1010, 0, 1025},
        {"at least 25 ticks from now", 1200, 1000, 1100, 0, 1225},
        // Past the late bound (3000) already: not before now.
        {"late window, not before now", 5000, 1000, 2000, 0, 5000},
        {"late window not while synthetic", 5000, 1000, 2000, 2, 5025},
        // Above the early bound already: t = max(1000 + 2000, 1025) stays.
        {"the early bound only below it", 1000, 1000, 3000, 0, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setNow(c.now);
        PositionSample first = sampleAt(50.0, 8.0, 0.0, c.current);
        PositionSample standing = first;
        standing.dueTick = c.next;
        standing.repeated = true;
        LiveAircraft a = aircraftWith({first, standing});
        a.extraSamples = c.extra;
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_timeNextGroundSample(a);
        EXPECT_EQ(a.samples[1].dueTick, c.expected);
    }
}

TEST_F(GroundMotionTest, TheTurnRateIsFittedToTheTurnAhead) {
    // 1944 ticks to the next sample; turn ticks = round(a / 0.0012217 / 100).
    struct Case {
        const char* name;
        double angle;     // degrees, as turnAngle while turning
        double factor;    // the turn rate is divided by it (multiplied when below 0)
        bool wideWindows; // both raised to 2000
    };
    const double r20 = 1944.0 / 164.0;  // a 20 degree turn: 164 turn ticks
    const double r45 = 1944.0 / 368.0;  // 45 degrees: 368
    const Case cases[] = {
        {"gentle: stretched over the interval", 20.0, r20 * 10.0 / 20.0, false},
        {"45 degrees is still gentle", 45.0, r45 * 10.0 / 45.0, false},
        // 60 degrees: r = 1944 / 491 = 3.96, times min(r, 2) = 2.
        {"sharp: quickened by a/30", 60.0, -2.0, false},
        // 90 degrees: 737 turn ticks, r = 2.64 below 90 / 30.
        {"90 degrees opens the windows", 90.0, -1944.0 / 737.0, true},
        // 120 degrees: 982 turn ticks, r = 1.98; the cap stays at 90 / 30.
        {"120 degrees", 120.0, -1944.0 / 982.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setNow(1000);
        const PositionSample first = sampleAt(50.0, 8.0, 10.0, 1000);
        LiveAircraft a = aircraftWith({first, offset(first, kHundredMetres, 0.0, 10.0, 2944)});
        a.turning = true;
        a.turnAngle = c.angle;
        a.turnRate = 0.5; // reset to the base rate first
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::lf_timeNextGroundSample(a);
        const double expected =
            c.factor > 0.0 ? kLargeTurnRate / c.factor : kLargeTurnRate * -c.factor;
        EXPECT_NEAR(a.turnRate, expected, 1e-9);
        EXPECT_EQ(a.earlyWindow, c.wideWindows ? 2000 : 1000);
        EXPECT_EQ(a.lateWindow, c.wideWindows ? 2000 : 1000);
        EXPECT_EQ(a.samples[1].dueTick, 2944);
    }

    // A short interval: r below 1.2 divides by r, which speeds the turn up.
    setNow(1000);
    const PositionSample first = sampleAt(50.0, 8.0, 10.0, 1000);
    LiveAircraft a = aircraftWith({first, offset(first, 5.0, 0.0, 10.0, 1097)});
    a.turning = true;
    a.turnAngle = 20.0;
    std::lock_guard traffic(trafficState.trafficMutex);
    ksb::lf_timeNextGroundSample(a);
    // 5 m at 10 kt: round(97.2) = 97 ticks; r = 97 / 164.
    EXPECT_NEAR(a.turnRate, kLargeTurnRate / (97.0 / 164.0), 1e-9);
    EXPECT_TRUE(std::isfinite(a.turnRate));
}

} // namespace
