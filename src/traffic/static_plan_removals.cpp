// The static aircraft that a calculation gives up leave at once: nothing else would ever remove
// one that is not in the simulator yet, and a later walk could pick a leaving aircraft instead.
#include "traffic/static_plan.h"

#include "traffic/aircraft_lookup.h"
#include "traffic/creation_cancel.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <string>

namespace ksb {

bool lf_staticStillStanding(const AiAircraft& aircraft) {
    return (aircraft.state == LiveState::creationRequested ||
            aircraft.state == LiveState::inSimulator) &&
           !aircraft.removeOnceCreated;
}

void lf_removeStaticAircraft(AiAircraft& aircraft) {
    if (aircraft.state == LiveState::inSimulator) {
        trafficState.linkServices.releaseAiAircraft(aircraft);
        return;
    }
    if (aircraft.state != LiveState::creationRequested || aircraft.removeOnceCreated) {
        return;
    }
    const std::uint32_t key = aircraft.flightKey;
    // The cancel may erase this very record: only copies are used from here on.
    lf_cancelStaticCreation(std::string(aircraft.callsign));
    AiAircraft* sent = gf_staticByKey(key);
    if (sent != nullptr && sent->state == LiveState::creationRequested) {
        sent->removeOnceCreated = true;
    }
}

void lf_applyStaticRemovals() {
    for (const StaticAdjustment& entry : trafficState.adjustments) {
        for (AiAircraft& parked : trafficState.statics) {
            if (parked.standId == entry.standId && lf_staticStillStanding(parked)) {
                lf_removeStaticAircraft(parked);
                break; // the walk ends before the vector may change under it
            }
        }
    }
}

} // namespace ksb
