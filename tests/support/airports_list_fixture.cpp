#include "support/airports_list_fixture.h"

#include "support/file_bytes.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <sstream>

namespace ksb::test {

std::string airportsListText(const std::vector<Airport>& airports,
                             const AirportsListOptions& options) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child(options.root.c_str());
    for (const Airport& airport : airports) {
        const auto leftOut = options.leaveOut.find(airport.code);
        const auto written = [&](const char* name) {
            return leftOut == options.leaveOut.end() || leftOut->second.count(name) == 0;
        };
        pugi::xml_node element = root.append_child("airport");
        // Shortest round-trip texts, so that the read values equal the records.
        const std::pair<const char*, std::string> attributes[] = {
            {"code", airport.code},
            {"iata", airport.iata},
            {"lat", fmt::format("{}", airport.lat)},
            {"lon", fmt::format("{}", airport.lon)},
            {"alt", fmt::format("{}", static_cast<float>(airport.alt))},
        };
        for (const auto& [name, value] : attributes) {
            if (written(name)) {
                element.append_attribute(name) = value.c_str();
            }
        }
    }
    std::ostringstream text;
    doc.save(text);
    return text.str();
}

void writeAirportsList(const std::vector<Airport>& airports, const AirportsListOptions& options,
                       const std::filesystem::path& path) {
    writeBytes(path, airportsListText(airports, options));
}

void writeAirportsListText(std::string_view text, const std::filesystem::path& path) {
    writeBytes(path, text);
}

} // namespace ksb::test
