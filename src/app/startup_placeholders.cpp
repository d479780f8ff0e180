#include "app/startup_placeholders.h"

// PLACEHOLDER ("Livery scan: sections, file walk, add-on packages and the scan driver"): nothing
// is read.
bool gf_readFixesXml() {
    return false;
}

// PLACEHOLDER ("Livery scan: sections, file walk, add-on packages and the scan driver"): nothing
// is scanned or loaded, and the step counts as done.
bool gf_scanLiveries(bool, bool, bool, std::vector<std::string>&) {
    return true;
}

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
