#include "traffic/static_flush.h"

#include "traffic/aircraft_index.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/creation_cancel.h"
#include "traffic/startup_sequences.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct FlushedCreation {
    std::uint32_t flightKey = 0;
    std::string callsign;
};

// The simulator has reported the object, but its start-up sequence still runs: the removal goes
// now, since the sequence's end may never come (an exit stops the ticks) and then queues nothing.
// True when the aircraft had such an object.
bool lf_flushReportedStatic(AiAircraft& parked) {
    if (parked.objectId != 0) {
        return false;
    }
    const std::uint32_t object = lf_finishStaticSequence(parked.flightKey);
    if (object == 0) {
        return false;
    }
    gf_setObjectId(parked, object);
    if (parked.state == LiveState::beingRemoved) {
        // Released before it existed, when no removal could be queued.
        trafficState.removals.push_back(object);
    } else {
        trafficState.linkServices.releaseAiAircraft(parked);
    }
    return true;
}

} // namespace

namespace ksb {

void gf_removeAllStatic() {
    // A cancel erases records (the last moves into the place), so the creations are collected
    // first and cancelled after the walk; a release changes no vector.
    std::vector<FlushedCreation> creations;
    for (AiAircraft& parked : trafficState.statics) {
        if (parked.state == LiveState::inSimulator) {
            trafficState.linkServices.releaseAiAircraft(parked);
        } else if (parked.state == LiveState::creationRequested) {
            if (!lf_flushReportedStatic(parked)) {
                creations.push_back(FlushedCreation{parked.flightKey, parked.callsign});
            }
        } else if (parked.state == LiveState::beingRemoved) {
            (void)lf_flushReportedStatic(parked);
        }
    }
    for (const FlushedCreation& creation : creations) {
        lf_cancelStaticCreation(creation.callsign);
        // Still there and waiting: its request has gone to the simulator.
        AiAircraft* sent = gf_staticByKey(creation.flightKey);
        if (sent != nullptr && sent->state == LiveState::creationRequested) {
            sent->removeOnceCreated = true;
        }
    }
}

} // namespace ksb
