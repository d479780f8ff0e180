#include "traffic/stand_name_at.h"

#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"
#include "traffic/user_proximity.h"

namespace {

constexpr double kStandNameRangeNm = 55.0 * kNMPerMetre;

} // namespace

namespace ksb {

std::string lf_standNameAt(double latitude, double longitude) {
    if (gf_parkAirportState().stands.empty() || !lf_userOnGround()) {
        return std::string();
    }
    StandNameMemo& memo = trafficState.standNameMemo;
    // The link asks on every user-state answer; a user standing still asks the same again.
    if (memo.valid && memo.position.latitude == latitude && memo.position.longitude == longitude) {
        return memo.answer;
    }
    const Position position{latitude, longitude};
    const ParkPosition* stand = lf_nearestStand(position, kStandNameRangeNm);
    memo.position = position;
    memo.answer = stand != nullptr ? stand->name : std::string();
    memo.valid = true;
    return memo.answer;
}

} // namespace ksb
