#include "traffic/pending_intake.h"

namespace ksb {

// PLACEHOLDER: the feed intake's pending step (feed intake of the traffic-engine core) takes the
// pending batch's records here; until then the pending batch is left as it is.
void lf_pendingIntakeStep() {}

} // namespace ksb
