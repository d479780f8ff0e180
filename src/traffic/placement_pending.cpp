// PLACEHOLDER bodies until placement is built: the aircraft is created where its first sample is,
// with no livery choice and no stand.
#include "traffic/admission.h"
#include "traffic/make_place.h"
#include "traffic/traffic_state.h"

namespace ksb {

void lf_placeNewAircraft(LiveAircraft& aircraft) {
    aircraft.state = LiveState::creationRequested;
    aircraft.heldForUser = false;
    trafficState.waitingKeys.push_back(aircraft.flightKey);
}

bool lf_chooseLivery(LiveAircraft& aircraft) {
    return !aircraft.liveryTitle.empty();
}

void lf_makePlaceFor(LiveAircraft&, ParkPosition&) {}

} // namespace ksb
