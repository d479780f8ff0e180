#include "app/range_fields.h"

#include "airports/park_airport_state.h"
#include "app/startup_services.h"
#include "core/controls.h"
#include "core/geodesy.h"
#include "core/injection_radius.h"
#include "core/parameters.h"
#include "core/sim_session_state.h"

#include <cmath>

namespace {

constexpr int kNearNm = 8;
constexpr int kFarNm = 40;
// Without a chosen park airport the user counts as far from any.
constexpr double kNoParkAirportNm = 10000.0;

} // namespace

int lf_automaticRangeNm(bool onGround, double altitudeFeet, int airportHeightFeet,
                        std::optional<double> distanceNm) {
    if (onGround) {
        return kNearNm;
    }
    if (altitudeFeet > airportHeightFeet) {
        return kFarNm;
    }
    const double d = distanceNm.value_or(kNoParkAirportNm);
    if (d <= 5.0) {
        return kNearNm;
    }
    if (d < 37.0) {
        return static_cast<int>(std::round(d)) + 3;
    }
    return kFarNm;
}

void lf_updateRangeFields() {
    const UserAircraftState user = gf_userState();
    std::optional<double> distanceNm;
    if (const auto park = gf_parkAirportState().parkSnapshot.get()) {
        distanceNm = gf_distanceNM(Position{user.latitude, user.longitude},
                                   Position{park->latitude, park->longitude});
    }
    const int nm =
        lf_automaticRangeNm(userOnGround.load(), user.altitude, AIRPORT_HEIGHT.value(), distanceNm);
    const int before = LATERAL_RANGE.value();
    gf_setInjectionRadius(nm);
    if (LATERAL_RANGE.value() != before) {
        lf_showIntParameter(LATERAL_RANGE);
        gf_rtServices().updateQueryBox();
    }
}
