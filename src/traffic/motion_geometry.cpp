#include "traffic/motion.h"

#include <cmath>

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

} // namespace ksb
