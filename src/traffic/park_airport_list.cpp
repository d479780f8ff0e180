// The candidate park airports: my_park_airports.txt, then the airport files of
// airports/my_thirdparty, in distance order from the user.
#include "traffic/park_airports.h"

#include "airports/airport_files.h"
#include "airports/airports.h"
#include "core/config_paths.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/sim_session_state.h"
#include "core/strings.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// More lines than this in the file cost noticeable time at every re-sort.
constexpr std::size_t kManyParkAirports = 3000;

const char* lf_parkListPlural(std::size_t count) {
    return count > 1 ? "s" : "";
}

void lf_appendParkAirport(const Airport& airport, std::string reservedStand) {
    trafficState.parkAirports.push_back(
        ParkAirport{airport.code, std::move(reservedStand), airport.lat, airport.lon, 0.0});
}

} // namespace

namespace ksb {

bool lf_findParkAirport(const std::string& name) {
    for (const ParkAirport& record : trafficState.parkAirports) {
        if (record.name == name) {
            return true;
        }
    }
    return false;
}

void lf_readParkAirportLine(bool& ok, const std::string& line) {
    if (gf_trim(line).empty()) {
        return;
    }
    const std::vector<std::string> fields = gf_splitToVector(line);
    if (fields.empty()) {
        return;
    }
    if (fields.size() >= 3) {
        gf_log(fmt::format("{}:{} wrong syntax, skipped", kParkAirportsFile, line));
        return;
    }
    const std::string& name = fields[0];
    const std::optional<Airport> airport = gf_findAirport(name);
    if (!airport) {
        gf_showMessage(fmt::format("airport {} is unknown", name), true);
        ok = false;
        return;
    }
    if (lf_findParkAirport(name)) {
        gf_log(fmt::format("{}:{} double, skipped", kParkAirportsFile, name));
        return;
    }
    std::string stand = fields.size() == 2 ? fields[1] : std::string();
    if (!stand.empty() && !gf_readApfForGateCheck(name, stand)) {
        gf_showMessage(fmt::format("{} stand {} is unknown", name, stand), true);
        ok = false;
    }
    lf_appendParkAirport(*airport, std::move(stand));
}

void lf_scanParkAirportFolder() {
    const fs::path folder = gf_myThirdPartyFolderPath();
    std::size_t added = 0;
    // Throwing iteration: a folder that cannot be read goes to the caller's handler.
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        // "<ICAO>.xml" and its link file "<ICAO>.txt" name the same airport.
        const std::string name = entry.path().stem().string();
        if (lf_findParkAirport(name)) {
            continue;
        }
        if (const std::optional<Airport> airport = gf_findAirport(name)) {
            lf_appendParkAirport(*airport, std::string());
            ++added;
        }
    }
    if (added > 0) {
        gf_log(fmt::format("{} park airport{} added from \"{}\"", added, lf_parkListPlural(added),
                           folder.string()));
    }
}

void lf_sortParkAirports(const Position& user) {
    for (ParkAirport& record : trafficState.parkAirports) {
        const double distance = gf_distanceNM(user, Position{record.latitude, record.longitude});
        // A NaN would break the sort's order and pass no range test; infinity does both right.
        record.distance =
            std::isfinite(distance) ? distance : std::numeric_limits<double>::infinity();
    }
    if (trafficState.parkAirports.size() >= 2) {
        // std::list::sort is a stable merge sort: equally far airports keep their file order.
        trafficState.parkAirports.sort(
            [](const ParkAirport& a, const ParkAirport& b) { return a.distance < b.distance; });
    }
}

// The list is rebuilt in file order every time, so it is always measured and sorted afresh;
// force stays for the callers that ask for a sort explicitly.
bool gf_readParkAirports(bool /*force*/) {
    trafficState.parkAirports.clear();
    bool ok = true;
    std::vector<std::string> lines;
    if (lf_readParkAirportsFile(lines) != ParkAirportsFile::read) {
        gf_log(fmt::format("{} not found", gf_parkAirportsFilePath().string()));
    } else {
        for (const std::string& line : lines) {
            lf_readParkAirportLine(ok, line);
        }
    }
    const std::size_t count = trafficState.parkAirports.size();
    if (count > 0) {
        gf_log(fmt::format("{} park airport{} read from \"{}\"", count, lf_parkListPlural(count),
                           kParkAirportsFile));
    }
    if (count > kManyParkAirports) {
        gf_showMessage(fmt::format("Warning: There are a lot of airports ({}) in {}, that will "
                                   "cost KSBY much cpu time, and may give stutters",
                                   count, kParkAirportsFile),
                       true);
    }
    lf_scanParkAirportFolder();

    const UserAircraftState user = gf_userState();
    trafficState.sortPosition = Position{user.latitude, user.longitude};
    lf_sortParkAirports(trafficState.sortPosition);

    mainWindow.parkAirportFlag = ok;
    gf_invalidate(kControlsRegion);
    return ok;
}

} // namespace ksb
