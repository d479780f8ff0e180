// my_park_airports.txt: the user's park airports with their reserved stands. The first list record
// is recorded in it; no line of the user's is ever lost.
#include "traffic/park_airports.h"

#include "core/config_paths.h"
#include "core/line_readers.h"
#include "core/log.h"
#include "core/strings.h"
#include "core/text_file.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// "code" or "code,stand": the line a record adds to the file.
std::string lf_newParkAirportLine(const ParkAirport& record) {
    return record.reservedStand.empty() ? record.name
                                        : fmt::format("{},{}", record.name, record.reservedStand);
}

} // namespace

namespace ksb {

ParkAirportsFile lf_readParkAirportsFile(std::vector<std::string>& lines) {
    const fs::path path = gf_parkAirportsFilePath();
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        return ParkAirportsFile::missing;
    }
    // A folder or anything else under the name reads as nothing, and must not be replaced.
    if (!fs::is_regular_file(status)) {
        return ParkAirportsFile::unreadable;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        return ParkAirportsFile::unreadable;
    }
    const std::size_t first = lines.size();
    gf_readLines(in, lines);
    // Editors put a UTF-8 mark before the first code; it is no part of the code.
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    if (lines.size() > first && lines[first].starts_with(kUtf8Mark)) {
        lines[first].erase(0, kUtf8Mark.size());
    }
    return ParkAirportsFile::read;
}

bool lf_updateParkAirportStand(std::string& line) {
    const ParkAirport& record = trafficState.parkAirports.front();
    const std::vector<std::string> fields = gf_splitToVector(line);
    if (fields.empty() || fields[0] != record.name) {
        return false;
    }
    // An empty stand (the user stands on none) must not wipe the stand the user recorded.
    if (record.reservedStand.empty() && fields.size() >= 2 && !fields[1].empty()) {
        return true;
    }
    line = fmt::format("{},{}", record.name, record.reservedStand);
    gf_log(fmt::format("{}:{},{} updated stand", kParkAirportsFile, record.name,
                       record.reservedStand));
    return true;
}

void gf_writeParkAirports() {
    if (trafficState.parkAirports.empty()) {
        return;
    }
    const ParkAirport& record = trafficState.parkAirports.front();
    const fs::path path = gf_parkAirportsFilePath();
    std::vector<std::string> lines;
    switch (lf_readParkAirportsFile(lines)) {
    case ParkAirportsFile::unreadable:
        gf_logLine(fmt::format("{} could not be read, not updated", path.string()));
        return;
    case ParkAirportsFile::read: {
        bool found = false;
        for (std::string& line : lines) {
            if (lf_updateParkAirportStand(line)) {
                found = true;
                break;
            }
        }
        if (!found) {
            lines.push_back(lf_newParkAirportLine(record));
            gf_log(fmt::format("{}:{} new entry", kParkAirportsFile, lines.back()));
        }
        break;
    }
    case ParkAirportsFile::missing:
        lines.push_back(lf_newParkAirportLine(record));
        gf_log(fmt::format("{} created with {}", kParkAirportsFile, lines.back()));
        break;
    }
    std::sort(lines.begin(), lines.end());
    // The write replaces the file atomically: a failure leaves the old one whole.
    if (!gf_writeLinesToFile(lines, path)) {
        gf_logLine(fmt::format("{} could not be written", path.string()));
    }
}

} // namespace ksb
