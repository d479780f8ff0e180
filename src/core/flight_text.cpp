#include "core/flight_text.h"

#include "core/checked_lookup.h"

#include <fmt/format.h>
#include <unordered_map>

std::string gf_airlineTypeKey(std::string_view airline, std::string_view type) {
    return fmt::format("{:3} {:4}", airline, type);
}

std::string gf_routeText(std::string_view departure, std::string_view destination) {
    if (departure.empty() && destination.empty()) {
        return std::string(8, ' ');
    }
    return fmt::format("{:3}->{:3}", departure, destination);
}

std::string_view gf_categoryName(int category) {
    // A map, so that an unknown category fails with the map's own text as the system reports it.
    static const std::unordered_map<int, std::string_view> names{
        {0, "Light"}, {1, "Buzjets"},  {2, "Large"},
        {3, "Heavy"}, {4, "HighPerf"}, {5, "Rotorcraft"},
    };
    return gf_mapAt(names, category);
}

std::string_view gf_categoryName(AircraftCategory category) {
    return gf_categoryName(static_cast<int>(category));
}

bool Flight::airlineFromCallsign() {
    const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (callsign.size() < 4 || !upper(callsign[0]) || !upper(callsign[1]) || !upper(callsign[2]) ||
        callsign[3] < '0' || callsign[3] > '9') {
        return false;
    }
    airline = callsign.substr(0, 3);
    return true;
}

std::string Flight::paddedCallsign() const {
    return fmt::format("{:8}", callsign);
}

std::string Flight::summary() const {
    return fmt::format("{} {} {}", paddedCallsign(), registration, gf_airlineTypeKey(*this));
}

std::string Flight::describe() const {
    return fmt::format("{} {:8} {} {}", paddedCallsign(), registration,
                       gf_routeText(departure, destination), gf_airlineTypeKey(*this));
}

std::string Flight::noLiveryKey() const {
    return fmt::format("{} {}", gf_airlineTypeKey(*this), registration);
}
