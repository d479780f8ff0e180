// The link and generate steps of the add-on scan: an add-on airport is pointed at its archived
// airport file, or written as a generated airport file, into my_ORBX or my_thirdparty.
#include "airports/addon_scan.h"
#include "airports/airports_globals.h"

#include "catalogue/catalogue.h"
#include "core/config_paths.h"
#include "core/text_file.h"

#include <fmt/format.h>

#include <algorithm>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kOrbx = "ORBX";

// Writes the link file under the scan-output lock; false when it could not be written.
bool lf_writeLinkFile(const fs::path& folder, std::string_view ident,
                      const fs::path& archivedFile) {
    const std::lock_guard lock(scanOutputMutex);
    fs::create_directories(folder);
    return gf_writeTextFile(archivedFile.generic_string(), folder / gf_txtFileName(ident), true);
}

// The common tail of both link steps.
bool lf_linkTo(const fs::path& archivedFile, const fs::path& myFolder, ScannedAirport& airport,
               int& archivedStandCount, std::string linkedLine) {
    if (archivedFile.empty()) {
        return false;
    }
    if (!lf_writeLinkFile(myFolder, airport.ident, archivedFile)) {
        lf_addScanLogLine(fmt::format("{}{} could not be written", kScanWarning,
                                      (myFolder / gf_txtFileName(airport.ident)).string()));
        return false;
    }
    lf_addScanLogLine(std::move(linkedLine));
    ++linkedOrGeneratedCount;
    archivedStandCount = lf_readNumParkpos(archivedFile);
    return true;
}

} // namespace

std::string gf_publisherFromFilename(const std::string& bglPath) {
    if (bglPath.find(kOrbx) != std::string::npos ||
        gf_containsNameIcase(bglPath, std::string(kOrbx))) {
        lf_addScanLogLine(fmt::format("from filename => publisher  {}", kOrbx));
        return std::string(kOrbx);
    }
    return gf_publisherOf(bglPath);
}

fs::path lf_checkArchivedFile(const fs::path& folder, std::string_view ident) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        lf_addScanLogLine(fmt::format("\n{} folder does not exist\n", folder.string()));
        return {};
    }
    fs::path file = folder / gf_xmlFileName(ident);
    if (!fs::exists(file, error)) {
        lf_addScanLogLine(fmt::format("{} does not exist", file.string()));
        return {};
    }
    return file;
}

fs::path lf_checkArchivedThirdPartyFile(std::string_view publisher, std::string_view ident) {
    return lf_checkArchivedFile(gf_archiveThirdPartyFolderPath() / publisher, ident);
}

bool lf_linkOrbxAirport(ScannedAirport& airport, int& archivedStandCount) {
    const fs::path archived = lf_checkArchivedFile(gf_archiveOrbxFolderPath(), airport.ident);
    return lf_linkTo(
        archived, gf_myOrbxFolderPath(), airport, archivedStandCount,
        fmt::format("{} airport {} linked to {}", kOrbx, airport.ident, archived.string()));
}

bool lf_linkThirdPartyAirport(ScannedAirport& airport, int& archivedStandCount) {
    const fs::path archived = lf_checkArchivedThirdPartyFile(airport.publisher, airport.ident);
    return lf_linkTo(archived, gf_myThirdPartyFolderPath(), airport, archivedStandCount,
                     fmt::format("thirdparty {} linked to {}", airport.ident, archived.string()));
}

bool lf_linkArchivedAirport(ScannedAirport& airport, int& archivedStandCount,
                            std::string_view bglPath) {
    archivedStandCount = 0;
    airport.bglPath = std::string(bglPath);
    airport.publisher = gf_publisherFromFilename(airport.bglPath);
    if (airport.publisher == "unknown") {
        return false;
    }
    if (airport.publisher == kOrbx) {
        return lf_linkOrbxAirport(airport, archivedStandCount);
    }
    return lf_linkThirdPartyAirport(airport, archivedStandCount);
}

void lf_generateApf(ScannedAirport& airport) {
    if (airport.stands.empty()) {
        return;
    }
    const fs::path folder =
        airport.publisher == kOrbx ? gf_myOrbxFolderPath() : gf_myThirdPartyFolderPath();
    const std::string fileName = gf_xmlFileName(airport.ident);
    const auto helipads = std::count_if(airport.stands.begin(), airport.stands.end(),
                                        [](const ParkPosition& stand) { return stand.heli; });
    const std::size_t count = airport.stands.size();
    std::string line =
        fmt::format("Generated {}: {} position{}", fileName, count, count == 1 ? "" : "s");
    if (helipads >= 1) {
        line += fmt::format(", of which {} helipad{}", helipads, helipads == 1 ? "" : "s");
    }
    lf_addScanLogLine(std::move(line));
    std::stable_sort(airport.stands.begin(), airport.stands.end(),
                     [](const ParkPosition& a, const ParkPosition& b) { return a.name < b.name; });
    const fs::path path = folder / fileName;
    bool saved = false;
    {
        const std::lock_guard lock(scanOutputMutex);
        fs::create_directories(folder);
        saved = gf_saveApf(airport, path, false, false);
    }
    if (!saved) {
        lf_addScanLogLine(fmt::format("{}Generating {} did not succeed", kScanWarning, path.string()));
        return;
    }
    ++linkedOrGeneratedCount;
}
