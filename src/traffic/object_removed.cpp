#include "traffic/object_removed.h"

#include "traffic/aircraft_erase.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/flight_plans.h"
#include "traffic/traffic_state.h"

namespace {

// Back to new, keeping its samples and title, so that admission creates it again.
void lf_readyForRecreation(LiveAircraft& aircraft) {
    if (aircraft.hasFlightPlan) {
        // The plan file is named after the old object.
        lf_removeFlightPlanFile(aircraft);
    }
    aircraft.state = LiveState::newFlight;
    aircraft.recreating = true;
    aircraft.lastThrottleState = 5;
    aircraft.lastFlapsState = 4;
    gf_setObjectId(aircraft, 0);
}

} // namespace

void lf_onObjectRemoved(std::uint32_t objectId) {
    if (LiveAircraft* aircraft = gf_liveByObject(objectId)) {
        if (aircraft->state == LiveState::toBeRecreated) {
            lf_readyForRecreation(*aircraft);
            return;
        }
        if (aircraft->hasFlightPlan) {
            lf_removeFlightPlanFile(*aircraft);
        }
        gf_eraseAircraft(trafficState.live, *aircraft);
        return;
    }
    if (AiAircraft* aircraft = gf_staticByObject(objectId)) {
        gf_eraseAircraft(trafficState.statics, *aircraft);
    }
}
