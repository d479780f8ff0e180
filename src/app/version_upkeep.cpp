#include "app/version_upkeep.h"

#include "core/config_paths.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/program_info.h"
#include "core/text_file.h"
#include "core/version_triple.h"

#include <filesystem>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Settings of older versions that parameters.xml may still hold.
constexpr std::string_view kObsoleteParameters[] = {
    "TIME_COMPRESSION_CHECK", "SECONDS_DELAY",    "FLIGHTPLANS_FOLDER", "CALLSIGN_OBJECTID",
    "DESTINATION_AIRPORT",    "DESTINATION_GATE", "MAX_FIT_WEEK"};

void lf_storeProgramVersion() {
    PROGRAM_VERSION.setValue(gf_versionToString(gf_programVersion()));
}

void lf_ensureLicenceFile() {
    if (!fs::exists(kLicenceFileName)) {
        lf_createServiceLicenceTemplate();
    }
}

// The RealTraffic app's licence, copied into the working folder; false when there is none or the
// copy did not take place.
bool lf_copyAppLicence() {
    const fs::path appData = gf_getAppDataPath();
    if (appData.empty()) {
        return false;
    }
    const fs::path source = appData / kLicenceAppFolder / kLicenceFileName;
    if (!fs::exists(source)) {
        return false;
    }
    std::error_code error;
    if (!fs::copy_file(source, kLicenceFileName, fs::copy_options::overwrite_existing, error) ||
        error) {
        return false;
    }
    gf_log(fmt::format("copied your \"{}\" to here", source.string()));
    return true;
}

void lf_versionUpdate(const VersionTriple& stored) {
    gf_log(fmt::format("This is a version update from {} -> {}", gf_versionToString(stored),
                       gf_versionToString(gf_programVersion())));
    if (fs::exists(kInstallerFileName)) {
        fs::remove(kInstallerFileName);
    }
    // Stored only now: when the installer cannot be removed, the next start runs the whole
    // update again.
    lf_storeProgramVersion();
    for (std::string_view name : kObsoleteParameters) {
        gf_removeParameter(Parameter(std::string(name)));
    }
    MAX_FIT.setClamped(MAX_FIT.value());
    MAX_FIT.save();
    // The next daily check counts as a new day.
    DATA_CHECKED_AT_DATE.assign({});
    LAST_EPOCH_TIME.setClamped(0);
    LAST_EPOCH_TIME.save();
}

} // namespace

void lf_createServiceLicenceTemplate() {
    nlohmann::ordered_json licence;
    licence["License"] = "fill in your license here";
    licence["Name"] = "not relevant";
    const fs::path path(kLicenceFileName);
    if (gf_writeTextFile(licence.dump(), path, false)) {
        gf_log(fmt::format("A RealTraffic license file \"{}\" created to fill in your license",
                           path.string()));
    } else {
        gf_logLine(
            fmt::format("RealTraffic license file \"{}\" could not be written", path.string()));
    }
}

void lf_updateParametersVersion() {
    const std::string storedText = PROGRAM_VERSION.value();
    if (storedText == PROGRAM_VERSION.defaultValue()) {
        lf_storeProgramVersion();
        if (fs::exists(kLicenceFileName)) {
            return;
        }
        if (!lf_copyAppLicence()) {
            lf_createServiceLicenceTemplate();
        }
        return;
    }
    const VersionTriple stored = gf_parseVersion(storedText);
    const VersionTriple& own = gf_programVersion();
    if (stored < own) {
        lf_versionUpdate(stored);
        return;
    }
    if (own < stored) {
        lf_storeProgramVersion();
    }
    lf_ensureLicenceFile();
}
