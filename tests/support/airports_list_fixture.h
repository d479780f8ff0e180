#pragma once
// input/airports_p3d.xml built from Airport records, with attributes left out or a misspelt root
// element where a test needs a broken file, or as raw text. Writes files only.
#include "core/airport_records.h"

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ksb::test {

inline const std::filesystem::path kAirportsListPath =
    std::filesystem::path("input") / "airports_p3d.xml";

struct AirportsListOptions {
    std::string root = "airports";
    // By airport code: the attributes ("code", "iata", "lat", "lon", "alt") not written.
    std::map<std::string, std::set<std::string>> leaveOut{};
};

std::string airportsListText(const std::vector<Airport>& airports,
                             const AirportsListOptions& options = {});
// Writes the list (or the raw text) to input/airports_p3d.xml or the path given, creating its
// folder.
void writeAirportsList(const std::vector<Airport>& airports,
                       const AirportsListOptions& options = {},
                       const std::filesystem::path& path = kAirportsListPath);
void writeAirportsListText(std::string_view text,
                           const std::filesystem::path& path = kAirportsListPath);

} // namespace ksb::test
