#include "traffic/stand_release.h"

#include "airports/park_airport_state.h"

namespace ksb {

void gf_freeStandOf(AiAircraft& aircraft) {
    if (aircraft.standId == 0) {
        return;
    }
    for (ParkPosition& stand : gf_parkAirportState().stands) {
        if (stand.standId == aircraft.standId) {
            stand.occupied = false;
            return;
        }
    }
}

} // namespace ksb
