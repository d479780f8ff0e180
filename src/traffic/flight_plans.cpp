#include "traffic/flight_plans.h"

#include "core/config_paths.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/strings.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

bool lf_instrumentFlight(AircraftCategory category) {
    return category == AircraftCategory::buzjet || category == AircraftCategory::large ||
           category == AircraftCategory::heavy;
}

} // namespace

fs::path gf_flightPlanFolder() {
    {
        std::lock_guard lock(trafficState.flightPlanFolderMutex);
        if (!trafficState.flightPlanFolder.empty()) {
            return trafficState.flightPlanFolder;
        }
    }
    // Outside the lock: the data folder has a lock of its own.
    fs::path folder = gf_dataFolder() / "orig_dest";
    std::lock_guard lock(trafficState.flightPlanFolderMutex);
    if (trafficState.flightPlanFolder.empty()) {
        trafficState.flightPlanFolder = std::move(folder);
    }
    return trafficState.flightPlanFolder;
}

fs::path gf_flightPlanFileName(std::uint32_t objectId) {
    return fmt::format("{}.pln", objectId);
}

bool gf_writeFlightPlanFile(const fs::path& path, const LiveAircraft& aircraft) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    const std::string_view end = kLineEnd;
    out << R"(<?xml version="1.0" encoding="UTF-8"?>)" << end
        << R"(<SimBase.Document Type="AceXML" version="4,3">)" << end
        << "<FlightPlan.FlightPlan>" << end
        << "<FPType>" << (lf_instrumentFlight(aircraft.category) ? "IFR" : "VFR") << "</FPType>"
        // From the web service as they stand: a '<' or '&' must not break the file.
        << end << "<DepartureID>" << gf_xmlEscaped(aircraft.departure) << "</DepartureID>" << end
        << "<DestinationID>" << gf_xmlEscaped(aircraft.destination) << "</DestinationID>" << end
        << "</FlightPlan.FlightPlan>" << end << "</SimBase.Document>" << end;
    out.close();
    return !out.fail();
}

void lf_setFlightPlan(LiveAircraft& aircraft) {
    if (aircraft.departure.empty() || aircraft.destination.empty()) {
        return;
    }
    const fs::path path = gf_flightPlanFolder() / gf_flightPlanFileName(aircraft.objectId);
    bool done = false;
    if (gf_writeFlightPlanFile(path, aircraft)) {
        std::error_code error;
        const fs::path absolute = fs::absolute(path, error);
        done = trafficState.linkServices.setFlightPlan(aircraft.objectId,
                                                       (error ? path : absolute).string());
        if (!done) {
            // A failed simulator call counts; a file that could not be written does not.
            trafficState.linkServices.countRequestError();
        }
    }
    aircraft.hasFlightPlan = done;
    if (!done) {
        gf_showMessage(aircraft.summary() + " creating a flight plan failed !", true);
    }
}

void lf_removeFlightPlanFile(LiveAircraft& aircraft) {
    std::error_code error;
    fs::remove(gf_flightPlanFolder() / gf_flightPlanFileName(aircraft.objectId), error);
    aircraft.hasFlightPlan = false;
}

namespace ksb {

void gf_createFlightPlanFolder() {
    const fs::path folder = gf_flightPlanFolder();
    const fs::path data = folder.parent_path();
    if (!fs::exists(data)) {
        fs::create_directory(data);
    }
    if (!fs::exists(folder)) {
        fs::create_directory(folder);
    }
}

bool gf_removeFlightPlanFolder() {
    try {
        const fs::path folder = gf_flightPlanFolder();
        if (!fs::exists(folder)) {
            return false;
        }
        fs::remove_all(folder);
        return true;
    } catch (const fs::filesystem_error& e) {
        gf_logLine(fmt::format("gf_removeFlightPlanFolder: {}", e.what()));
        return false;
    }
}

} // namespace ksb
