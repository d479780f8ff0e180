#include "traffic/stand_log_name.h"

#include "airports/park_airport_state.h"

std::string gf_standLogName(std::uint32_t standId) {
    if (standId == 0) {
        return "sid==0?";
    }
    for (const ParkPosition& stand : gf_parkAirportState().stands) {
        if (stand.standId == standId) {
            return stand.name;
        }
    }
    return "unknown";
}
