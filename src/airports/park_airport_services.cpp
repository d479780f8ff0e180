#include "airports/park_airport_services.h"

#include <utility>

namespace {

ParkAirportServices& lf_services() {
    static ParkAirportServices services = [] {
        ParkAirportServices none;
        none.setParkElevation = [](std::optional<double>) {};
        return none;
    }();
    return services;
}

} // namespace

const ParkAirportServices& gf_parkAirportServices() {
    return lf_services();
}

void gf_setParkAirportServices(ParkAirportServices services) {
    if (!services.setParkElevation) {
        services.setParkElevation = [](std::optional<double>) {};
    }
    lf_services() = std::move(services);
}
