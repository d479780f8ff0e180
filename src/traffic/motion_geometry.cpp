#include "traffic/motion.h"

#include <cmath>
#include <numbers>

namespace ksb {

double gf_longitudeDelta(double toDegrees, double fromDegrees) {
    double delta = std::fmod(toDegrees - fromDegrees, 360.0);
    if (delta > 180.0) {
        delta -= 360.0;
    } else if (delta <= -180.0) {
        delta += 360.0;
    }
    return delta;
}

double gf_normaliseLongitude(double degrees) {
    if (degrees >= -180.0 && degrees <= 180.0) {
        return degrees;
    }
    double wrapped = std::fmod(degrees + 180.0, 360.0);
    if (wrapped < 0.0) {
        wrapped += 360.0;
    }
    return wrapped - 180.0;
}

double gf_meanLongitude(double a, double b) {
    return gf_normaliseLongitude(a + gf_longitudeDelta(b, a) / 2.0);
}

LocalOffset gf_localOffset(const Position& origin, const Position& point) {
    double latitude = origin.latitude;
    if (latitude > 180.0) {
        latitude -= 360.0;
    }
    return LocalOffset{(point.latitude - origin.latitude) * kMetresPerDegree,
                       gf_longitudeDelta(point.longitude, origin.longitude) *
                           std::cos(latitude * kRadiansPerDegree) * kMetresPerDegree};
}

double gf_wrapHeading(double radians) {
    constexpr double twoPi = 2.0 * std::numbers::pi;
    double wrapped = std::fmod(radians, twoPi);
    if (wrapped < 0.0) {
        wrapped += twoPi;
    }
    // fmod of a tiny negative value can round up to exactly 2 pi.
    return wrapped >= twoPi ? 0.0 : wrapped;
}

double gf_signedTurn(double fromRadians, double toRadians) {
    constexpr double pi = std::numbers::pi;
    double turn = gf_wrapHeading(toRadians - fromRadians);
    if (turn > pi) {
        turn -= 2.0 * pi;
    }
    return turn;
}

double gf_turnDegrees(double fromRadians, double toRadians) {
    return std::fabs(gf_signedTurn(fromRadians, toRadians)) * kDegreesPerRadian;
}

double gf_turnToward(double heading, double target, double rate) {
    const double turn = gf_signedTurn(heading, target);
    const double step = std::fabs(rate);
    if (std::fabs(turn) <= step) {
        return gf_wrapHeading(target);
    }
    return gf_wrapHeading(heading + (turn > 0.0 ? step : -step));
}

} // namespace ksb
