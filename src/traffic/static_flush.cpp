#include "traffic/static_flush.h"

#include "traffic/aircraft_lookup.h"
#include "traffic/creation_cancel.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct FlushedCreation {
    std::uint32_t flightKey = 0;
    std::string callsign;
};

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
            creations.push_back(FlushedCreation{parked.flightKey, parked.callsign});
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
