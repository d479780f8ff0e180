// PLACEHOLDER bodies until the stand manoeuvres are built.
#include "traffic/motion.h"

namespace ksb {

bool lf_parkAtAdjacentStand(LiveAircraft&, bool) {
    return false;
}

void lf_arrivedAtStand(LiveAircraft&) {}

void lf_pullOut(LiveAircraft&) {}

void lf_pushBack(LiveAircraft&) {}

} // namespace ksb
