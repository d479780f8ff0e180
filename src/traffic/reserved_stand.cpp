#include "traffic/reserved_stand.h"

#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <cstdint>

namespace ksb {

void gf_clearReservedStand() {
    const std::string& name = trafficState.reservedStand;
    const ParkPosition* stand = name.empty() ? nullptr : gf_findStandByName(name);
    const std::uint32_t standId = stand == nullptr ? 0 : stand->standId;
    if (standId == 0) {
        return;
    }
    for (AiAircraft& parked : trafficState.statics) {
        if (parked.state == LiveState::inSimulator && parked.standId == standId) {
            trafficState.linkServices.releaseAiAircraft(parked);
            return;
        }
    }
    for (LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.parkedInSimulator() && aircraft.standId == standId) {
            trafficState.linkServices.releaseAiAircraft(aircraft);
            return;
        }
    }
}

} // namespace ksb
