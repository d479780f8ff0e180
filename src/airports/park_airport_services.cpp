#include "airports/park_airport_services.h"

#include <utility>

namespace {

void lf_noParkElevation(std::optional<double>) {}

ParkAirportServices& lf_services() {
    static ParkAirportServices services{lf_noParkElevation};
    return services;
}

} // namespace

const ParkAirportServices& gf_parkAirportServices() {
    return lf_services();
}

void gf_setParkAirportServices(ParkAirportServices services) {
    if (!services.setParkElevation) {
        services.setParkElevation = lf_noParkElevation;
    }
    lf_services() = std::move(services);
}
