#include "traffic/stand_release.h"

#include "traffic/stand_table.h"

void gf_freeStand(const AiAircraft& aircraft) {
    if (ParkPosition* stand = gf_findStandById(aircraft.standId)) {
        stand->occupied = false;
    }
}
