#include "support/stand_fixture.h"

#include "airports/park_airport_state.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <cmath>
#include <mutex>
#include <utility>

namespace ksb::test {

StandRowSpec gf_defaultStandRow() {
    StandRowSpec spec;
    spec.stands = {
        {"A1"}, {"A2"}, {"A3"}, {"A4", 25.0, 0.0, true}, {"A5"}, {"A6", 10.0, 0.0, false, true}};
    return spec;
}

Position gf_standRowPoint(const StandRowSpec& spec, std::size_t index) {
    const double metres = kStandSpacingMetres * static_cast<double>(index);
    return gf_destinationPoint(spec.origin, spec.rowBearingDegrees * kRadiansPerDegree,
                               metres * kNMPerMetre * kFeetPerNM);
}

std::vector<ParkPosition> gf_standRowStands(const StandRowSpec& spec) {
    std::vector<ParkPosition> stands;
    stands.reserve(spec.stands.size());
    for (std::size_t i = 0; i < spec.stands.size(); ++i) {
        const StandRowEntry& entry = spec.stands[i];
        const Position at = gf_standRowPoint(spec, i);
        ParkPosition& stand =
            stands.emplace_back(std::vector<StandObservation>{}, std::string(entry.name),
                                at.latitude, at.longitude, entry.headingDegrees * kRadiansPerDegree,
                                entry.radiusMetres, entry.cargo, false, entry.heli);
        stand.standId = static_cast<std::uint32_t>(i + 1);
        if (i > 0) {
            stand.adjacentStandIds.push_back(static_cast<std::uint32_t>(i));
        }
        if (i + 1 < spec.stands.size()) {
            stand.adjacentStandIds.push_back(static_cast<std::uint32_t>(i + 2));
        }
    }
    return stands;
}

void gf_loadStandRow(const StandRowSpec& spec) {
    std::lock_guard traffic(trafficState.trafficMutex);
    gf_loadStandRowLocked(spec);
}

void gf_loadStandRowLocked(const StandRowSpec& spec) {
    ParkAirportState& park = gf_parkAirportState();
    park.name = spec.code;
    park.altitude = spec.elevationFeet;
    park.altitudeFt = static_cast<std::int32_t>(std::lround(spec.elevationFeet));
    park.stands = gf_standRowStands(spec);
    park.parkAirportLoaded = true;
    trafficState.parkAirport =
        Airport{spec.code, "", spec.origin.latitude, spec.origin.longitude, spec.elevationFeet};
    trafficState.reservedStand = spec.reservedStand;
    gf_clearStandNameMemo();
}

} // namespace ksb::test
