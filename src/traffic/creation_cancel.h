#pragma once
// Cancelling creations that have not gone to the simulator yet, on the live and on the static
// side. The caller holds trafficState.trafficMutex; nothing here takes a lock.
//
// Each call removes, in one walk and keeping the order of the rest, every queued request with the
// callsign (for live aircraft also every waiting key whose aircraft is in state 1 with it), and
// erases the owner of each one that is still in state 1 by moving the last record into its place
// (its stand is freed). True when something was removed; false therefore means that nothing of
// the callsign is left to cancel, its creation has gone to the simulator.
//
// Walks that call them:
// - A walk that offers every aircraft in state 1, in increasing index order, looks at the same
//   index again after the vector shrank. Earlier state-1 aircraft of the callsign were cancelled
//   when the walk passed them, so records move only from the tail into places at or after the
//   caller's, and every remaining aircraft is seen exactly once.
// - A walk that offers only some state-1 aircraft could meet an earlier aircraft of the callsign
//   that it did not offer. It collects the callsigns first and cancels in a second pass, so that
//   no record moves under it.
#include <string>

namespace ksb {

// The engine's body of gf_cancelQueuedCreations (traffic/traffic.h). The callsign is a copy: the
// aircraft it came from may be the one erased.
bool lf_cancelQueuedCreations(std::string callsign);
// The same on the static creation queue and the static parked aircraft.
bool lf_cancelStaticCreation(std::string callsign);

} // namespace ksb
