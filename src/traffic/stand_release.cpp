#include "traffic/stand_release.h"

#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <algorithm>

namespace {

// A live aircraft other than the one leaving that stands on the stand or moves into it. An
// aircraft keeps its stand id after it left the stand, so by the time it goes another may hold it.
bool lf_anotherLiveHolds(const AiAircraft& leaving, std::uint32_t standId) {
    return std::any_of(trafficState.live.begin(), trafficState.live.end(),
                       [&](const LiveAircraft& other) {
                           return &other != &leaving && other.standId == standId &&
                                  other.state != LiveState::newFlight &&
                                  other.state != LiveState::beingRemoved && !other.erase &&
                                  (other.phase == FlightPhase::parked ||
                                   other.phase == FlightPhase::movingToAdjacentStand);
                       });
}

} // namespace

void gf_freeStand(const AiAircraft& aircraft) {
    ParkPosition* stand = gf_findStandById(aircraft.standId);
    if (stand == nullptr || lf_anotherLiveHolds(aircraft, aircraft.standId)) {
        return;
    }
    stand->occupied = false;
}
