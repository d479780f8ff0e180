#include "traffic/free_stand.h"

#include "airports/airports.h"
#include "airports/park_airport_state.h"
#include "traffic/stand_options.h"
#include "traffic/stand_table.h"

namespace {

constexpr double kFreeStandNoneYetNm = 900.0;
constexpr double kFreeStandTooSmallReachNm = 20.0 / kMetresPerNM;
constexpr double kFreeStandObservationReachNm = 85.0 / kMetresPerNM;
// The enlarged stand keeps the wing 1 m beyond its radius.
constexpr double kFreeStandEnlargedOverhangNm = 1.0 / kMetresPerNM;

// The wing overhangs the stand by at most 1.8 m.
bool lf_freeStandFits(const ParkPosition& stand, const Flight& flight) {
    return gf_standRadiusScore(stand, flight.halfWingSpan).has_value();
}

} // namespace

namespace ksb {

ParkPosition* gf_findFreeStand(const Position& position, const Flight& flight, double maxNm,
                               bool allowByObservation) {
    const bool rotorcraft = flight.category == AircraftCategory::rotorcraft;
    ParkPosition* best = nullptr;
    double bestDistance = kFreeStandNoneYetNm;
    ParkPosition* tooSmall = nullptr;
    ParkPosition* observed = nullptr;
    double observedDistance = kFreeStandObservationReachNm;
    for (ParkPosition& stand : gf_parkAirportState().stands) {
        // Helipads are for rotorcraft only, and rotorcraft take only helipads.
        if (stand.occupied || stand.heli != rotorcraft) {
            continue;
        }
        const double distance = gf_distanceNM(position, Position{stand.latitude, stand.longitude});
        if (distance <= maxNm && distance < bestDistance) {
            if (lf_freeStandFits(stand, flight)) {
                best = &stand;
                bestDistance = distance;
                allowByObservation = false;
            } else if (distance <= kFreeStandTooSmallReachNm) {
                best = &stand;
                bestDistance = distance;
                allowByObservation = false;
                tooSmall = &stand;
            }
        } else if (allowByObservation && distance <= observedDistance &&
                   (observed == nullptr || distance < observedDistance) &&
                   lf_freeStandFits(stand, flight) &&
                   gf_findStandOption(stand.observations, flight.callsign, flight)) {
            observed = &stand;
            observedDistance = distance;
        }
    }
    ParkPosition* result = best != nullptr ? best : observed;
    if (result != nullptr && result == tooSmall) {
        result->radius = flight.halfWingSpan - kFreeStandEnlargedOverhangNm;
        result->radiusChanged = true;
        gf_countLearnedUpdate();
    }
    return result;
}

} // namespace ksb
