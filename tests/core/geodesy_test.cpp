#include "core/geodesy.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180.0;

TEST(Geodesy, ConstantsAgree) {
    EXPECT_DOUBLE_EQ(kHaversineFactorNM, 2.0 * kEarthRadiusNM);
    EXPECT_DOUBLE_EQ(kRadiansPerFoot, 1.0 / (kEarthRadiusNM * kFeetPerNM));
}

TEST(Geodesy, Distance) {
    struct Case {
        const char* name;
        Position a;
        Position b;
        double nm;
    };
    const Case cases[] = {
        {"one degree along the equator", {0, 0}, {0, 1}, kEarthRadiusNM * kDegree},
        {"one degree along a meridian", {10, 20}, {11, 20}, kEarthRadiusNM * kDegree},
        {"same point", {47.5, -122.3}, {47.5, -122.3}, 0.0},
        {"across the date line", {0, 179.5}, {0, -179.5}, kEarthRadiusNM * kDegree},
        {"pole to pole", {90, 0}, {-90, 0}, kEarthRadiusNM * kPi},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(gf_distanceNM(c.a, c.b), c.nm, 1e-9);
        EXPECT_NEAR(gf_distanceNM(c.b, c.a), c.nm, 1e-9);
    }
    EXPECT_NEAR(gf_distanceNM({0, 0}, {0, 1}), 60.0, 0.01);
}

// Rounding lifts the haversine term above 1 for some nearly antipodal pairs (the first two reach
// 1 + 2^-52); the distance must still be half the circumference, never NaN.
TEST(Geodesy, NearlyAntipodalPointsGiveAFiniteDistance) {
    const Position known[][2] = {
        {{-88.98487, 0.0289}, {88.98487, 180.0289}},
        {{-88.97953, 0.0391}, {88.97953, 180.0391}},
    };
    for (const auto& pair : known) {
        const double d = gf_distanceNM(pair[0], pair[1]);
        ASSERT_TRUE(std::isfinite(d));
        EXPECT_NEAR(d, kEarthRadiusNM * kPi, 1e-6);
    }
    for (int i = 0; i < 20000; ++i) {
        const Position a{-89.0 + i * 0.0089, i * 0.017};
        const Position b{-a.latitude, a.longitude + 180.0};
        const double d = gf_distanceNM(a, b);
        ASSERT_TRUE(std::isfinite(d)) << a.latitude << "," << a.longitude;
        EXPECT_NEAR(d, kEarthRadiusNM * kPi, 1e-3);
    }
}

TEST(Geodesy, InitialBearingInEveryQuadrant) {
    struct Case {
        const char* name;
        Position to;
        double bearing;
    };
    const Case cases[] = {
        {"north", {1, 0}, 0.0},
        {"east", {0, 1}, kPi / 2},
        {"south", {-1, 0}, kPi},
        {"west", {0, -1}, 3 * kPi / 2},
        {"north-east", {1, 1}, 0.7853},
        {"south-east", {-1, 1}, kPi - 0.7853},
        {"south-west", {-1, -1}, kPi + 0.7853},
        {"north-west", {1, -1}, 2 * kPi - 0.7853},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double bearing = gf_initialBearing({0, 0}, c.to);
        EXPECT_NEAR(bearing, c.bearing, 1e-3);
        EXPECT_GE(bearing, 0.0);
        EXPECT_LT(bearing, 2 * kPi);
    }
}

TEST(Geodesy, DestinationPoint) {
    const double sixtyNmFeet = 60.0 * kFeetPerNM;
    struct Case {
        const char* name;
        Position start;
        double bearing;
        double feet;
        Position expected;
    };
    const Case cases[] = {
        {"east across +180", {0, 179.9}, kPi / 2, sixtyNmFeet, {0, -179.1}},
        {"west across -180", {0, -179.9}, 3 * kPi / 2, sixtyNmFeet, {0, 179.1}},
        {"north", {10, 20}, 0.0, sixtyNmFeet, {11, 20}},
        {"south", {10, 20}, kPi, sixtyNmFeet, {9, 20}},
        {"no distance", {47.5, -122.3}, 1.0, 0.0, {47.5, -122.3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Position p = gf_destinationPoint(c.start, c.bearing, c.feet);
        EXPECT_NEAR(p.latitude, c.expected.latitude, 2e-3);
        EXPECT_NEAR(p.longitude, c.expected.longitude, 2e-3);
        EXPECT_GE(p.longitude, -180.0);
        EXPECT_LE(p.longitude, 180.0);
        EXPECT_NEAR(gf_distanceNM(c.start, p), c.feet / kFeetPerNM, 1e-6);
    }
}

TEST(Geodesy, AngleDifferenceIsTheSignedShorterTurn) {
    struct Case {
        const char* name;
        double fromDegrees;
        double toDegrees;
        double turnDegrees;
    };
    const Case cases[] = {
        {"350 to 10 turns right", 350, 10, 20},
        {"10 to 350 turns left", 10, 350, -20},
        {"10 to 30", 10, 30, 20},
        {"30 to 10", 30, 10, -20},
        {"equal", 123, 123, 0},
        {"0 to 179", 0, 179, 179},
        {"181 to 0", 181, 0, 179},
        {"90 to 271", 90, 271, -179},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(gf_angleDifference(c.fromDegrees * kDegree, c.toDegrees * kDegree),
                    c.turnDegrees * kDegree, 1e-12);
    }
}

TEST(Geodesy, PointOnCurveInside) {
    // Control point due east, end point north-east: the path starts eastwards and turns north.
    const CurveSegment segment{10.0, 20.0, 100.0, 100.0, 200.0, 110.0, 50.0, 0.0};
    struct Case {
        const char* name;
        double time;
        double east;
        double north;
        double heading;
    };
    const Case cases[] = {
        {"start", 100.0, 0.0, 0.0, std::atan2(100.0, 0.0)},
        {"middle", 105.0, 75.0, 25.0, std::atan2(200.0, 100.0)},
        {"end", 110.0, 200.0, 100.0, std::atan2(300.0, 200.0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Position p;
        double heading = -1.0;
        ASSERT_TRUE(gf_pointOnCurve(segment, c.time, p, heading));
        EXPECT_NEAR(p.latitude, 10.0 + c.north / kMetresPerDegree, 1e-12);
        EXPECT_NEAR(p.longitude, 20.0 + c.east / (kMetresPerDegree * std::cos(10.0 * kDegree)),
                    1e-12);
        EXPECT_NEAR(heading, c.heading, 1e-12);
    }

    // Heading westwards comes back in 0..2 pi.
    const CurveSegment west{0.0, 0.0, 0.0, 0.0, -100.0, 1.0, -50.0, 0.0};
    Position p;
    double heading = 0.0;
    ASSERT_TRUE(gf_pointOnCurve(west, 0.5, p, heading));
    EXPECT_NEAR(heading, 3 * kPi / 2, 1e-12);
    EXPECT_LT(p.longitude, 0.0);
}

TEST(Geodesy, PointOnCurveRefusesWhatItCannotEvaluate) {
    const CurveSegment good{10.0, 20.0, 100.0, 100.0, 200.0, 110.0, 50.0, 0.0};
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        CurveSegment segment;
        double time;
    };
    std::vector<Case> cases = {
        {"before the start", good, 99.999},
        {"after the end", good, 110.001},
        {"time NaN", good, kNaN},
        {"time infinite", good, kInf},
        {"end equals start", {10.0, 20.0, 100.0, 100.0, 200.0, 100.0, 50.0, 0.0}, 100.0},
        {"end before start", {10.0, 20.0, 100.0, 100.0, 200.0, 90.0, 50.0, 0.0}, 95.0},
    };
    double CurveSegment::*fields[] = {
        &CurveSegment::originLatitude, &CurveSegment::originLongitude, &CurveSegment::startTime,
        &CurveSegment::endNorth,       &CurveSegment::endEast,         &CurveSegment::endTime,
        &CurveSegment::controlEast,    &CurveSegment::controlNorth,
    };
    for (auto field : fields) {
        CurveSegment nan = good;
        nan.*field = kNaN;
        cases.push_back({"a NaN field", nan, 105.0});
        CurveSegment inf = good;
        inf.*field = kInf;
        cases.push_back({"an infinite field", inf, 105.0});
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::string(cases[i].name) + " #" + std::to_string(i));
        Position p{1.0, 2.0};
        double heading = 3.0;
        EXPECT_FALSE(gf_pointOnCurve(cases[i].segment, cases[i].time, p, heading));
        EXPECT_EQ(p.latitude, 1.0);
        EXPECT_EQ(p.longitude, 2.0);
        EXPECT_EQ(heading, 3.0);
    }
}

TEST(Geodesy, ValidPositionAndCoordinatesText) {
    struct Case {
        const char* name;
        Position position;
        bool valid;
    };
    const Case cases[] = {
        {"zero", {0, 0}, false},
        {"corner of the box", {0.0009, 0.05}, false},
        {"north of the box", {0.001, 0}, true},
        {"east of the box", {0, 0.0501}, true},
        {"south of zero", {-0.0001, 0}, true},
        {"west of zero", {0, -0.0001}, true},
        {"an airport", {51.4775, -0.461389}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_isValidPosition(c.position), c.valid);
    }
    EXPECT_EQ(gf_coordinatesText({51.4775, -0.461389}), "51.477500,-0.461389");
    EXPECT_EQ(gf_coordinatesText({-33.9461, 151.177222}), "-33.946100,151.177222");
}

} // namespace
