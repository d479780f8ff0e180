#include "core/config_paths.h"

#include "core/globals.h"
#include "platform/known_folders.h"

namespace fs = std::filesystem;

namespace {

fs::path lf_path(std::string_view first, std::string_view second) {
    return fs::path(first) / second;
}

fs::path lf_path(std::string_view first, std::string_view second, std::string_view third) {
    return fs::path(first) / second / third;
}

} // namespace

bool gf_isFolderName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

fs::path gf_infoFolderPath() {
    return lf_path(kOutputFolder, kInfoFolder);
}
fs::path gf_errorsFolderPath() {
    return lf_path(kOutputFolder, kErrorsFolder);
}
fs::path gf_archiveFolderPath() {
    return lf_path(kAirportsFolder, kArchiveFolder);
}
fs::path gf_archiveStockFolderPath() {
    return lf_path(kAirportsFolder, kArchiveFolder, kStockFolder);
}
fs::path gf_archiveOrbxFolderPath() {
    return lf_path(kAirportsFolder, kArchiveFolder, kOrbxFolder);
}
fs::path gf_archiveThirdPartyFolderPath() {
    return lf_path(kAirportsFolder, kArchiveFolder, kThirdPartyFolder);
}
fs::path gf_learnedStockFolderPath() {
    return lf_path(kAirportsFolder, kLearnedFolder, kStockFolder);
}
fs::path gf_learnedOrbxFolderPath() {
    return lf_path(kAirportsFolder, kLearnedFolder, kOrbxFolder);
}
fs::path gf_learnedThirdPartyFolderPath() {
    return lf_path(kAirportsFolder, kLearnedFolder, kThirdPartyFolder);
}
fs::path gf_myOrbxFolderPath() {
    return lf_path(kAirportsFolder, kMyOrbxFolder);
}
fs::path gf_myThirdPartyFolderPath() {
    return lf_path(kAirportsFolder, kMyThirdPartyFolder);
}
fs::path gf_dbaseFilePath() {
    return lf_path(kInputFolder, kDbaseFile);
}
fs::path gf_regcodesFilePath() {
    return lf_path(kInputFolder, kRegcodesFile);
}
fs::path gf_myRegcodesFolderPath() {
    return lf_path(kInputFolder, kMyRegcodesFolder);
}
fs::path gf_liveriesFilePath() {
    return lf_path(kOutputFolder, kLiveriesFile);
}
fs::path gf_parkAirportsFilePath() {
    return lf_path(kAirportsFolder, kParkAirportsFile);
}

fs::path gf_getAppDataPath() {
    return platform::appDataFolder();
}

fs::path gf_dataFolder() {
    std::lock_guard lock(lazyCoreValues.mutex);
    if (!lazyCoreValues.dataFolder) {
        lazyCoreValues.dataFolder = gf_getAppDataPath() / kDataFolderName;
    }
    return *lazyCoreValues.dataFolder;
}

std::string gf_parametersFile() {
    const fs::path dataFolder = gf_dataFolder();
    std::lock_guard lock(lazyCoreValues.mutex);
    if (!lazyCoreValues.parametersFile) {
        lazyCoreValues.parametersFile = (dataFolder / kParametersFileName).string();
    }
    return *lazyCoreValues.parametersFile;
}
