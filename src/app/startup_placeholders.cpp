#include "app/startup_placeholders.h"

#include "core/run_values.h"
#include "core/sim_session_state.h"

// PLACEHOLDER ("Run phase, main loop, exit and restart"): returns at once.
void lf_run() {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no session state to drop.
// The real one forgets the user aircraft's last position and closes the forgotten client handle.
void gf_linkRestartReset() {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no aircraft to release.
void gf_releaseAiAircraft(std::uint32_t) {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no removal queue.
void gf_queueRemoveAiAircraft(std::uint32_t) {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no controls to hold.
void gf_lockControls() {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no position queues.
void gf_clearPositionQueues() {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no simulator is ever found;
// the body only leaves the worker count its starter raised.
void gf_simConnectThread(std::stop_token, std::uint64_t) {
    activeWorkers.fetch_sub(1);
}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no request error to clear.
void gf_clearSimRequestError() {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no containers to grow.
void gf_reserveLinkCapacities(const RunCapacities&) {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no connection to ask.
bool gf_requestOnGroundData() {
    return false;
}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): the last known state.
UserAircraftState gf_requestUserPosition() {
    return gf_userState();
}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): nothing to ask.
void gf_requestUserTitleAndModel() {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): nothing is counted.
void lf_countRequestError() {}

// PLACEHOLDER ("Simulator session, dispatch and AI control queues"): no queue to append to.
void gf_queueNavLights(std::uint32_t, bool) {}
