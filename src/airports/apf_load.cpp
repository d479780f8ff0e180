// Loading the park airport: its airport file, its learned file, and what the window and the
// feed see of it.
#include "airports/airport_files.h"
#include "airports/park_airport_services.h"
#include "airports/park_airport_state.h"
#include "airports/test_traffic.h"

#include "core/controls.h"
#include "core/exceptions.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/meta_block.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/run_values.h"

#include <fmt/format.h>

#include <exception>

namespace fs = std::filesystem;

namespace {

// Two stands are neighbours when their radii overlap by more than this margin.
constexpr double kNeighbourFactor = 1.1;

void lf_withoutLearnedFile() {
    gf_enableControl(parking_percentage.commandId(), false);
    parking_percentage.setRaw(kParkingPercentageWithoutFile);
    if (const std::string overruled = lf_customParkingPercentage(); !overruled.empty()) {
        gf_log(overruled);
    }
    gf_logContinue(
        fmt::format("{:24}: {}%", parking_percentage.name(), parking_percentage.value()));
    lf_showIntParameter(parking_percentage);
}

void lf_withLearnedFile(const fs::path& learnedPath, const fs::path& apfPath,
                        const std::string& airportName, QualityFactors& qualityFactors,
                        std::vector<ParkPosition>& stands) {
    ksb::ParkAirportState& state = gf_parkAirportState();
    lf_readLearned(learnedPath, airportName, stands, state.handmade);
    // With a learned file the percentage is the airport's own again, unless only parked
    // traffic is shown (the file may have just switched that on).
    gf_enableControl(parking_percentage.commandId(), !RT_PARKTRAFFIC_ONLY.value());
    qualityFactors = gf_computeQualityFactors(stands);
    if (state.handmade) {
        gf_log("A handmade airport file overruled the archived file!");
    }
    if (PARK_FAKE.value()) {
        lf_makeTestTraffic(apfPath.stem().string(), stands);
    }
}

void lf_linkNeighbours(std::vector<ParkPosition>& stands) {
    for (ParkPosition& a : stands) {
        a.adjacentStandIds.clear();
        for (const ParkPosition& b : stands) {
            if (a.standId == b.standId) {
                continue;
            }
            const double distance =
                gf_distanceNM(Position{a.latitude, a.longitude}, Position{b.latitude, b.longitude});
            if (a.radius + b.radius > kNeighbourFactor * distance) {
                a.adjacentStandIds.push_back(b.standId);
            }
        }
        a.adjacentStandIds.shrink_to_fit();
    }
}

// Steps 3 to 14 of the load; user errors and other exceptions pass to gf_readApf.
std::string lf_loadApf(const fs::path& apfPath, std::string& airportName,
                       QualityFactors& qualityFactors, std::vector<ParkPosition>& stands) {
    ksb::ParkAirportState& state = gf_parkAirportState();
    state.handmade = false;
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, apfPath)) {
        return fmt::format("{} found, but could not be loaded:", apfPath.string());
    }
    if (!gf_readMeta(doc)) {
        return fmt::format("{} found but refused to load, copyright problem", apfPath.string());
    }
    const std::int32_t trafficWeek = gf_readIntParameter(doc, "RT_traffic_week").value_or(0);
    state.publisher = gf_readStringParameter(doc, "publisher").value_or("");
    const auto altitude = gf_readIntParameter(doc, "altitude");
    if (!altitude) {
        throw ksb::UserErrorException(65, "Parameter altitude not found");
    }
    state.altitudeFt = *altitude;
    state.altitude = static_cast<double>(*altitude);
    airportName = gf_readStringParameter(doc, "airport_name").value_or("");
    // A load replaces whatever an earlier one left.
    stands.clear();
    lf_readParkPositions(doc, stands);
    qualityFactors = QualityFactors{gf_readIntParameter(doc, "Qf_real").value_or(-1),
                                    gf_readIntParameter(doc, "Qf_soft").value_or(-1)};

    const fs::path learnedPath = lf_learnedPathFor(apfPath);
    if (learnedPath != apfPath && fs::exists(learnedPath)) {
        lf_withLearnedFile(learnedPath, apfPath, airportName, qualityFactors, stands);
    } else {
        lf_withoutLearnedFile();
    }
    mainWindow.stands = static_cast<std::int32_t>(stands.size());
    gf_invalidate(kStatisticsRegion);
    std::uint32_t standId = 0;
    for (ParkPosition& stand : stands) {
        stand.standId = ++standId;
    }
    lf_linkNeighbours(stands);

    gf_log(fmt::format("Airport file read from \"{}\" for {}",
                       (state.handmade ? learnedPath : apfPath).string(), airportName));
    const std::string quality = gf_qualityFactorsText(qualityFactors.real, qualityFactors.soft);
    mainWindow.setText(WindowText::parkAirportSecond, state.publisher, kStatisticsRegion);
    mainWindow.handmadeMark = state.handmade;
    mainWindow.setText(WindowText::parkQuality, quality, kStatisticsRegion);
    gf_logContinue(fmt::format("{:24}: {}", "publisher", state.publisher));
    gf_logContinue(fmt::format("{:24}: {} ft", "altitude", state.altitudeFt));
    gf_logContinue(fmt::format("{:24}: {}", "num_parkpos", stands.size()));
    gf_logContinue(fmt::format("{:24}: {}", "quality factor", quality));
    gf_logContinue(fmt::format("{:24}: {}", "RT traffic week", trafficWeek));

    state.parkAirportLoaded = true;
    gf_enableControl(FLUSH_STATIC_BUTTON.commandId(), true);
    parkSettingsChanged = false;
    state.currentPath = apfPath;
    gf_parkAirportServices().setParkElevation(state.altitude);
    gf_invalidate(kStatisticsRegion);
    return stands.empty() ? "no stands found" : "";
}

} // namespace

void gf_readApf(std::string& result, const fs::path& apfPath, std::string& airportName,
                QualityFactors& qualityFactors, std::vector<ParkPosition>& stands) {
    gf_log("read_apf: " + apfPath.string());
    if (gf_parkAirportState().name.empty()) {
        result = "gf_readApf, no park airport set";
        return;
    }
    try {
        result = lf_loadApf(apfPath, airportName, qualityFactors, stands);
    } catch (const ksb::UserErrorException& e) {
        // The caller reports result texts; one bad airport file must not end the main loop.
        result = e.what();
    } catch (const std::exception& e) {
        result = fmt::format("exception in readApf: {}", e.what());
    }
}
