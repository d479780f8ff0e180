// PLACEHOLDER: the static parking's plan is built by its own stage; until then no plan is made.
#include "traffic/static_parking.h"

namespace ksb {

void gf_calculateStaticParking() {}

void gf_adjustStaticParking(bool) {}

} // namespace ksb
