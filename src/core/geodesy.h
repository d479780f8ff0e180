#pragma once
// Great-circle geometry on a spherical earth and quadratic ground paths in a local east-north
// frame. Angles are radians; positions are degrees.
#include <string>

inline constexpr double kEarthRadiusNM = 3437.746770784939;
// Twice the earth radius: the haversine multiplier.
inline constexpr double kHaversineFactorNM = 6875.493541569878;
inline constexpr double kRadiansPerFoot = 4.787404208238998e-8;
// Of latitude, in the local frame of a ground path.
inline constexpr double kMetresPerDegree = 111132.95;
inline constexpr double kMetresPerNM = 1852.0;
// Exactly 1 / kMetresPerNM.
inline constexpr double kNMPerMetre = 0.0005399568034557236;
inline constexpr double kRadiansPerDegree = 0.017453292519943295;
inline constexpr double kDegreesPerRadian = 57.29577951308232;
inline constexpr double kFeetPerNM = 6076.11549;

struct Position {
    double latitude = 0.0;
    double longitude = 0.0;
};

// A quadratic Bezier path from the origin (east-north frame, metres) through a control point to
// an end point, travelled between the start and end times (in the caller's time unit).
struct CurveSegment {
    double originLatitude = 0.0;
    double originLongitude = 0.0;
    double startTime = 0.0;
    double endNorth = 0.0;
    double endEast = 0.0;
    double endTime = 0.0;
    double controlEast = 0.0;
    double controlNorth = 0.0;
};

// Haversine distance in nautical miles; finite for any pair of finite positions.
double gf_distanceNM(const Position& a, const Position& b);
// Initial bearing from a to b, 0 to 2 pi.
double gf_initialBearing(const Position& a, const Position& b);
// The position reached from start along the great circle of the bearing; longitude -180..180.
Position gf_destinationPoint(const Position& start, double bearing, double distanceFeet);
// Signed turn from a to b, -pi to pi.
double gf_angleDifference(double a, double b);
// Position and heading (0 to 2 pi) on the segment at the time. False, leaving the outputs alone,
// when the time lies outside the segment or the segment cannot be evaluated (a field or the time
// not finite, an end time not after the start time).
bool gf_pointOnCurve(const CurveSegment& segment, double time, Position& position, double& heading);
// False only near 0/0, where the simulator reports its aircraft before a flight is loaded.
bool gf_isValidPosition(const Position& position);
// "{:.6f},{:.6f}" of latitude and longitude.
std::string gf_coordinatesText(const Position& position);
