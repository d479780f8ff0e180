#include "airports/park_airport_state.h"

namespace ksb {

void ParkAirportState::reset() {
    name.clear();
    airportName.clear();
    publisher.clear();
    altitudeFt = 0;
    altitude = 0.0;
    stands.clear();
    handmade = false;
    learnedUpdateCount = 0;
    currentPath.clear();
    qualityFactors = QualityFactors{};
    parkAirportLoaded = false;
    parkSnapshot.set(std::nullopt);
}

} // namespace ksb

ksb::ParkAirportState& gf_parkAirportState() {
    static ksb::ParkAirportState state;
    return state;
}

QualityFactors gf_computeQualityFactors() {
    return gf_computeQualityFactors(gf_parkAirportState().stands);
}
