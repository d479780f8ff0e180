#include "traffic/stand_taking.h"

#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <string>

namespace ksb {
namespace {

// Names compare only when both are known.
bool lf_sameStandName(const std::string& standName, const std::string& other) {
    return !other.empty() && other == standName;
}

} // namespace

bool lf_standKeptForUser(const ParkPosition& stand) {
    if (lf_sameStandName(stand.name, trafficState.reservedStand)) {
        return true;
    }
    const UserAircraftState user = trafficState.linkServices.lastUserState();
    return lf_sameStandName(stand.name, gf_standNameAt(user.latitude, user.longitude));
}

void lf_takeStand(LiveAircraft& aircraft, const ParkPosition& stand) {
    aircraft.standLatitude = stand.latitude;
    aircraft.standLongitude = stand.longitude;
    aircraft.standHeading = stand.heading;
    aircraft.standId = stand.standId;
    aircraft.standCargo = stand.cargo;
    aircraft.departedFromStand = false;
}

} // namespace ksb
