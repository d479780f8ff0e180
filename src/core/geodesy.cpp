#include "core/geodesy.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <numbers>

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

constexpr double lf_radians(double degrees) {
    return degrees * (kPi / 180.0);
}
constexpr double lf_degrees(double radians) {
    return radians * (180.0 / kPi);
}
} // namespace

double gf_distanceNM(const Position& a, const Position& b) {
    const double latA = lf_radians(a.latitude);
    const double latB = lf_radians(b.latitude);
    const double sinHalfDLat = std::sin((latB - latA) / 2.0);
    const double sinHalfDLon = std::sin(lf_radians(b.longitude - a.longitude) / 2.0);
    double h =
        sinHalfDLat * sinHalfDLat + std::cos(latA) * std::cos(latB) * sinHalfDLon * sinHalfDLon;
    // Rounding can push h past 1 for nearly antipodal points, where asin would give NaN.
    h = std::clamp(h, 0.0, 1.0);
    return kHaversineFactorNM * std::asin(std::sqrt(h));
}

double gf_initialBearing(const Position& a, const Position& b) {
    const double latA = lf_radians(a.latitude);
    const double latB = lf_radians(b.latitude);
    const double dLon = lf_radians(b.longitude - a.longitude);
    double bearing = std::atan2(std::sin(dLon) * std::cos(latB),
                                std::cos(latA) * std::sin(latB) -
                                    std::sin(latA) * std::cos(latB) * std::cos(dLon));
    if (bearing < 0.0) {
        bearing += kTwoPi;
    }
    return bearing;
}

Position gf_destinationPoint(const Position& start, double bearing, double distanceFeet) {
    const double d = distanceFeet * kRadiansPerFoot;
    const double lat1 = lf_radians(start.latitude);
    const double lon1 = lf_radians(start.longitude);
    const double lat2 =
        std::asin(std::sin(lat1) * std::cos(d) + std::cos(lat1) * std::sin(d) * std::cos(bearing));
    const double dLon = std::atan2(std::sin(bearing) * std::sin(d) * std::cos(lat1),
                                   std::cos(d) - std::sin(lat1) * std::sin(lat2));
    double lon2 = kPi - std::fmod(kPi - lon1 - dLon, kTwoPi);
    if (lon2 > kPi) {
        lon2 -= kTwoPi;
    } else if (lon2 < -kPi) {
        lon2 += kTwoPi;
    }
    return Position{lf_degrees(lat2), lf_degrees(lon2)};
}

double gf_angleDifference(double a, double b) {
    if (b > a) {
        const double d = b - a;
        return d > kPi ? d - kTwoPi : d;
    }
    if (a > b) {
        return -gf_angleDifference(b, a);
    }
    return 0.0;
}

bool gf_pointOnCurve(const CurveSegment& segment, double time, Position& position,
                     double& heading) {
    const double fields[] = {segment.originLatitude, segment.originLongitude, segment.startTime,
                             segment.endNorth,       segment.endEast,         segment.endTime,
                             segment.controlEast,    segment.controlNorth,    time};
    if (!std::all_of(std::begin(fields), std::end(fields),
                     [](double value) { return std::isfinite(value); })) {
        return false;
    }
    // An empty or reversed time span would make u = 0/0 or flip the test below.
    if (segment.endTime <= segment.startTime || time < segment.startTime ||
        time > segment.endTime) {
        return false;
    }
    const double u = (time - segment.startTime) / (segment.endTime - segment.startTime);
    if (!(u >= 0.0 && u <= 1.0)) {
        return false;
    }
    const double towardsEast =
        2.0 * (1.0 - u) * segment.controlEast + 2.0 * u * (segment.endEast - segment.controlEast);
    const double towardsNorth = 2.0 * (1.0 - u) * segment.controlNorth +
                                2.0 * u * (segment.endNorth - segment.controlNorth);
    double newHeading = std::atan2(towardsEast, towardsNorth);
    if (newHeading < 0.0) {
        newHeading += kTwoPi;
    }
    const double east = 2.0 * (1.0 - u) * u * segment.controlEast + u * u * segment.endEast;
    const double north = 2.0 * (1.0 - u) * u * segment.controlNorth + u * u * segment.endNorth;
    double originLatitude = segment.originLatitude;
    if (originLatitude > 180.0) {
        originLatitude -= 360.0;
    }
    const Position result{segment.originLatitude + north / kMetresPerDegree,
                          segment.originLongitude +
                              east / (kMetresPerDegree * std::cos(lf_radians(originLatitude)))};
    if (!std::isfinite(result.latitude) || !std::isfinite(result.longitude)) {
        return false;
    }
    position = result;
    heading = newHeading;
    return true;
}

bool gf_isValidPosition(const Position& position) {
    const bool nearZero = position.latitude >= 0.0 && position.latitude <= 0.0009 &&
                          position.longitude >= 0.0 && position.longitude <= 0.05;
    return !nearZero;
}

std::string gf_coordinatesText(const Position& position) {
    return fmt::format("{:.6f},{:.6f}", position.latitude, position.longitude);
}
