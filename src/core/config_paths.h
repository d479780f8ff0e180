#pragma once
// Folder and file names of the configuration. Paths without a data-folder prefix are relative to
// the working folder.
#include <filesystem>
#include <string>
#include <string_view>

// Start-up requires this folder in the working folder.
inline constexpr std::string_view kDocsFolder = "docs";
inline constexpr std::string_view kOutputFolder = "output";
inline constexpr std::string_view kInfoFolder = "info";
inline constexpr std::string_view kErrorsFolder = "errors";
inline constexpr std::string_view kInputFolder = "input";
inline constexpr std::string_view kAirportsFolder = "airports";
inline constexpr std::string_view kArchiveFolder = "archive";
inline constexpr std::string_view kStockFolder = "stock";
inline constexpr std::string_view kOrbxFolder = "ORBX";
inline constexpr std::string_view kThirdPartyFolder = "thirdparty";
inline constexpr std::string_view kLearnedFolder = "learned";
inline constexpr std::string_view kMyOrbxFolder = "my_ORBX";
inline constexpr std::string_view kMyThirdPartyFolder = "my_thirdparty";
inline constexpr std::string_view kOfflineLearningFolder = "TO_BE_LEARNED_OFFLINE";
inline constexpr std::string_view kAirportsListFile = "airports_p3d.xml";
inline constexpr std::string_view kRegcodesFile = "AIG-regcodes.xml";
inline constexpr std::string_view kDbaseFile = "dbase.xml";
// Where older versions kept the registration codes (in "input"); the update clears it out.
inline constexpr std::string_view kLegacyRegcodesFolder = "regcodesAIG";
// Files the updates write in the working folder.
inline constexpr std::string_view kArchiveZipFile = "archive.zip";
inline constexpr std::string_view kVersionFile = "version.json";
inline constexpr std::string_view kInstallerFileName = "install_new_version.exe";
inline constexpr std::string_view kMyRegcodesFolder = "my_regcodes";
inline constexpr std::string_view kLiveriesFile = "LiveriesScanned.xml";
inline constexpr std::string_view kParkAirportsFile = "my_park_airports.txt";
inline constexpr std::string_view kDataFolderName = "KSBY_P3D";
inline constexpr std::string_view kParametersFileName = "parameters.xml";

// A single path component that cannot lead out of the folder it is joined to: not empty, not "."
// or "..", and no '/', '\\', ':' or NUL. Names read from files (publishers, archive entries) must
// pass before they become folders.
bool gf_isFolderName(std::string_view name);

// output/info and output/errors
std::filesystem::path gf_infoFolderPath();
std::filesystem::path gf_errorsFolderPath();
// airports/archive, and its stock, ORBX and thirdparty folders
std::filesystem::path gf_archiveFolderPath();
std::filesystem::path gf_archiveStockFolderPath();
std::filesystem::path gf_archiveOrbxFolderPath();
std::filesystem::path gf_archiveThirdPartyFolderPath();
// airports/learned/stock, ORBX and thirdparty
std::filesystem::path gf_learnedStockFolderPath();
std::filesystem::path gf_learnedOrbxFolderPath();
std::filesystem::path gf_learnedThirdPartyFolderPath();
// airports/my_ORBX and airports/my_thirdparty
std::filesystem::path gf_myOrbxFolderPath();
std::filesystem::path gf_myThirdPartyFolderPath();
// input/dbase.xml
std::filesystem::path gf_dbaseFilePath();
// input/AIG-regcodes.xml and input/my_regcodes
std::filesystem::path gf_regcodesFilePath();
std::filesystem::path gf_myRegcodesFolderPath();
// output/LiveriesScanned.xml
std::filesystem::path gf_liveriesFilePath();
// airports/my_park_airports.txt
std::filesystem::path gf_parkAirportsFilePath();

// The user's roaming application-data folder; empty when unknown.
std::filesystem::path gf_getAppDataPath();
// Application data / "KSBY_P3D", computed on first use (gf_resetCoreGlobals() forgets it).
std::filesystem::path gf_dataFolder();
// Data folder / "parameters.xml" as UTF-8 text, computed on first use.
std::string gf_parametersFile();
