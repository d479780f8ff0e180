#pragma once
// What the park-airport load and close call outside src/airports. The feed links src/airports
// (through src/traffic), so it is reached through this table, which the application fills in
// gf_wireStartupServices(); until then every member does nothing.
#include <functional>
#include <optional>

struct ParkAirportServices {
    // The park airport's altitude in feet for the feed's ground judgement; nullopt clears it.
    std::function<void(std::optional<double>)> setParkElevation;
};

const ParkAirportServices& gf_parkAirportServices();
// Members left empty do nothing. Only while no other thread calls them (program start, test
// set-up).
void gf_setParkAirportServices(ParkAirportServices services);
