// The world airports list: read once, then looked up by code and by position.
#include "airports/airports.h"
#include "airports/airports_globals.h"
#include "airports/park_airport_state.h"

#include "core/config_paths.h"
#include "core/exceptions.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/number_parse.h"
#include "core/parameters_file.h"
#include "core/xml_attributes.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <stdexcept>

std::vector<Airport> airportsList;
bool airportsListLoaded = false;

namespace {

// Room for every airport of the world list, so that reading never reallocates.
constexpr std::size_t kAirportsReserve = 44000;
// Airports farther than this from a position are not at it.
constexpr double kAirportRadiusNm = 5.0;

// The list as the file gives it, sorted; throws on any fault of the file.
std::vector<Airport> lf_loadAirportsFile(const std::string& path) {
    std::vector<Airport> airports;
    airports.reserve(kAirportsReserve);
    pugi::xml_document doc;
    const pugi::xml_parse_result result = gf_loadXmlFile(doc, path);
    if (!result) {
        throw std::runtime_error(fmt::format("{} not loaded {}", path, result.description()));
    }
    const pugi::xml_node root = doc.child("airports");
    if (!root) {
        throw std::runtime_error(fmt::format("{} not found", path));
    }
    for (const pugi::xml_node element : root.children("airport")) {
        Airport airport;
        airport.code = gf_getAttributeValue(element, "code");
        airport.iata = gf_getAttributeValue(element, "iata");
        airport.lat = gf_stod(gf_getAttributeValue(element, "lat"));
        airport.lon = gf_stod(gf_getAttributeValue(element, "lon"));
        airport.alt = gf_stof(gf_getAttributeValue(element, "alt"));
        airports.push_back(std::move(airport));
    }
    std::sort(airports.begin(), airports.end(),
              [](const Airport& a, const Airport& b) { return a.code < b.code; });
    return airports;
}

} // namespace

void gf_resetAirportsGlobals() {
    airportsList = std::vector<Airport>();
    airportsListLoaded = false;
    gf_parkAirportState().reset();
    lf_resetScanGlobals();
}

void gf_readAirports() {
    if (airportsListLoaded) {
        return;
    }
    const std::string path =
        (std::filesystem::path(kInputFolder) / kAirportsListFile).generic_string();
    try {
        // Read aside: a failed read keeps nothing, so a later one holds each airport once.
        std::vector<Airport> airports = lf_loadAirportsFile(path);
        gf_log(fmt::format("{} airports read from \"{}\"", airports.size(), path));
        airports.shrink_to_fit();
        airportsList = std::move(airports);
    } catch (const pugi::xpath_exception& e) {
        throw ksb::UserErrorException(87, e.result().description());
    } catch (const std::exception& e) {
        throw ksb::UserErrorException(88, e.what());
    }
    airportsListLoaded = true;
}

std::optional<Airport> gf_findAirport(std::string_view code) {
    // The list is sorted by code when read.
    const auto found =
        std::lower_bound(airportsList.begin(), airportsList.end(), code,
                         [](const Airport& airport, std::string_view c) { return airport.code < c; });
    if (found == airportsList.end() || found->code != code) {
        return std::nullopt;
    }
    return *found;
}

std::optional<Airport> gf_findClosestAirport(const Position& position) {
    const Airport* closest = nullptr;
    const Airport* neighbour = nullptr;
    double closestDistance = 0.0;
    double neighbourDistance = 0.0;
    for (const Airport& airport : airportsList) {
        const double distance = gf_distanceNM(position, Position{airport.lat, airport.lon});
        if (distance > kAirportRadiusNm) {
            continue;
        }
        if (closest == nullptr || distance < closestDistance) {
            neighbour = closest;
            neighbourDistance = closestDistance;
            closest = &airport;
            closestDistance = distance;
        } else if (neighbour == nullptr || distance < neighbourDistance) {
            neighbour = &airport;
            neighbourDistance = distance;
        }
    }
    if (closest == nullptr) {
        return std::nullopt;
    }
    if (neighbour == nullptr) {
        return *closest;
    }
    gf_log(fmt::format("Airport {} is closest, neighbour is {}", closest->code, neighbour->code));
    std::string closestStand;
    std::string neighbourStand;
    const double closestStandNm =
        gf_readDestApfForClosestStand(closest->code, position, closestStand);
    const double neighbourStandNm =
        gf_readDestApfForClosestStand(neighbour->code, position, neighbourStand);
    if (neighbourStandNm >= closestStandNm) {
        return *closest;
    }
    gf_log(fmt::format(
        "Airport {} is closest, but stand {} at neighbouring airport {} is closest at {:.0F} "
        "meters ...",
        closest->code, neighbourStand, neighbour->code, neighbourStandNm * kMetresPerNM));
    return *neighbour;
}

std::string gf_airportDisplayName(const Airport& airport) {
    std::string text = airport.code.empty() ? "?" : airport.code;
    if (!airport.iata.empty()) {
        text += fmt::format(" ({})", airport.iata);
    }
    return text;
}
