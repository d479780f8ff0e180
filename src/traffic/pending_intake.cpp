#include "traffic/pending_intake.h"

namespace ksb {

// PLACEHOLDER: the feed intake takes one or two records of the pending batch here; until it
// does, the pending batch stays as it is.
void lf_pendingIntakeStep() {}

} // namespace ksb
