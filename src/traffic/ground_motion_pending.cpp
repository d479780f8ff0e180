// PLACEHOLDER bodies until the ground motion is built.
#include "traffic/motion.h"

namespace ksb {

double lf_headingDifference(LiveAircraft&) {
    return 0.0;
}

void lf_learnSoftAtEnd(LiveAircraft&) {}

void lf_insertMidSample(LiveAircraft&) {}

} // namespace ksb
