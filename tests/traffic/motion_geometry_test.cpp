// The geometry under the motion: longitudes the short way round the antimeridian, the local
// metric frame of a curve, and angles compared and turned the shortest way.
#include "traffic/motion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

TEST(MotionGeometryTest, MeanLongitudesAndOffsetsTakeTheShortWayRound) {
    struct Case {
        const char* name;
        double a;
        double b;
        double mean;
    };
    const Case cases[] = {
        {"plain", 8.0, 9.0, 8.5},
        {"across the antimeridian", 179.99, -179.99, 180.0},
        {"across it the other way", -179.99, 179.99, -180.0},
        {"just east of it", 179.98, -179.96, -179.99},
        {"equal", 179.9999, 179.9999, 179.9999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(ksb::gf_meanLongitude(c.a, c.b), c.mean, 1e-9);
    }

    // 0.02 degrees east across the line at the equator: metres, not a world.
    const ksb::LocalOffset east = ksb::gf_localOffset({0.0, 179.99}, {0.001, -179.99});
    EXPECT_NEAR(east.east, 0.02 * kMetresPerDegree, 1e-6);
    EXPECT_NEAR(east.north, 0.001 * kMetresPerDegree, 1e-6);
    const ksb::LocalOffset west = ksb::gf_localOffset({60.0, -179.995}, {60.0, 179.995});
    EXPECT_NEAR(west.east, -0.01 * 0.5 * kMetresPerDegree, 1e-6);
}

TEST(MotionGeometryTest, TurnsGoTheShortWayAndNeverPastTheTarget) {
    const double deg = kRadiansPerDegree;
    struct Case {
        const char* name;
        double from; // degrees
        double to;
        double signedTurn; // degrees
    };
    const Case cases[] = {
        {"right", 90.0, 120.0, 30.0},
        {"left", 120.0, 90.0, -30.0},
        {"right across north", 350.0, 10.0, 20.0},
        {"left across north", 10.0, 350.0, -20.0},
        {"half round is positive", 0.0, 180.0, 180.0},
        {"half round from the other side too", 180.0, 0.0, 180.0},
        {"full circle", 0.0, 360.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(ksb::gf_signedTurn(c.from * deg, c.to * deg), c.signedTurn * deg, 1e-12);
        EXPECT_NEAR(ksb::gf_turnDegrees(c.from * deg, c.to * deg), std::fabs(c.signedTurn),
                    1e-9);
    }

    // One step of 1 degree toward 10 from 355 goes through north; the last step lands on it.
    EXPECT_NEAR(ksb::gf_turnToward(359.5 * deg, 10.0 * deg, 1.0 * deg), 0.5 * deg, 1e-12);
    EXPECT_NEAR(ksb::gf_turnToward(9.5 * deg, 10.0 * deg, 1.0 * deg), 10.0 * deg, 1e-12);
    EXPECT_NEAR(ksb::gf_turnToward(0.5 * deg, 350.0 * deg, 1.0 * deg), 359.5 * deg, 1e-12);

    // Headings stay in [0, 2 pi), also for exactly 2 pi and tiny negatives.
    EXPECT_EQ(ksb::gf_wrapHeading(2.0 * kPi), 0.0);
    EXPECT_EQ(ksb::gf_wrapHeading(0.0), 0.0);
    const double tiny = ksb::gf_wrapHeading(-1e-300);
    EXPECT_GE(tiny, 0.0);
    EXPECT_LT(tiny, 2.0 * kPi);
    EXPECT_NEAR(ksb::gf_wrapHeading(-0.5 * kPi), 1.5 * kPi, 1e-12);
}

} // namespace
