#pragma once
// The steps of the add-on airport scan (gf_scanAddonAirports in airports.h): the scenery lists,
// the folder walk with its workers, and the link and generate steps the decoder calls through
// ksb::AirportScanSink. Folder texts are Windows texts; they become paths only through
// platform::toNativePath.
#include "airports/airport_scan_sink.h"
#include "airports/airports.h"

#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <string_view>
#include <vector>

// The mark that starts every warning line of the scan report.
inline constexpr std::string_view kScanWarning = "===> ";

// Appends a copy of the line to the scan report (AirportsScanLog.txt at the end of the scan).
void lf_addScanLogLine(std::string line);

// The scenery lists of the simulator's program-data folder, appended to folders. The file forms
// read the file at the path given; a missing or empty file logs "<path> not found!".
void lf_readSceneryCfg(std::vector<std::string>& folders);
void lf_readSceneryAddOnsXml(std::vector<std::string>& folders);
void lf_readSceneryCfgFile(const std::filesystem::path& path, std::vector<std::string>& folders);
void lf_readSceneryAddOnsXmlFile(const std::filesystem::path& path,
                                 std::vector<std::string>& folders);

// Cutting scenery.cfg into [Area.nnn] sections: a trimmed line starting with '[' is a header.
struct SceneryAreaState {
    std::string installPath; // SIM_INSTALL_PATH's text
    std::vector<std::string>* folders = nullptr;
    bool inArea = false;
    std::vector<std::string> lines;
};
void lf_parseSceneryAreaLine(SceneryAreaState& state, std::string_view line);
// An area whose lines say it is active gives its "Local=" folders.
void lf_processSceneryArea(const std::vector<std::string>& lines, const std::string& installPath,
                           std::vector<std::string>& folders);
void lf_parseLocalKey(const std::string& installPath, std::vector<std::string>& folders,
                      std::string_view line);
void lf_addFoundPath(std::vector<std::string>& folders, std::string_view line);
// True when the text holds one of the stock scenery folder names ("\World", "\0106" ...).
bool lf_isStockSceneryPath(std::string_view text);
// The stock scenery folder's text, empty without an install path: "Scenery" alone would match
// every add-on folder.
std::string lf_stockFolderText(std::string_view installPath);
// Whether a folder text lies in the stock scenery folder; without an install path nothing does.
bool lf_isInStockFolder(std::string_view folderText, std::string_view installPath);

// How the folder walk starts a worker and steps its iterator; tests replace them.
using AirportScanTask = std::packaged_task<void()>;
struct AirportWalkContext {
    ksb::AirportScanSink* sink = nullptr;
    // Starts the task on a thread; throws when it cannot. Empty: a pool of workerLimit threads
    // of the walk's own.
    std::function<void(AirportScanTask)> startWorker;
    std::function<void(std::filesystem::recursive_directory_iterator&)> increment;
};
// The scan's own: its sink, the walk's pool of "ksby-scan" threads, the plain step, each unless
// a test replaced it.
AirportWalkContext gf_scanWalkContext();
// Replaces the scan's starter and step while no scan runs; an empty member means the real one.
void gf_setAirportWalkSeams(std::function<void(AirportScanTask)> startWorker,
                            std::function<void(std::filesystem::recursive_directory_iterator&)>
                                increment = {});

// One text of the folder list: skipped when empty or stock, reported when missing or no folder.
void lf_scanSceneryPath(const std::string& folderText, const AirportWalkContext& context);
// Walks the folder and decodes every BGL file with an airport section on a worker (at most
// workerLimit at once); returns when every worker it started has ended.
void lf_scanFolderForAirports(const std::filesystem::path& folder,
                              const AirportWalkContext& context);

// "ORBX" for a path naming ORBX in any case (with a report line), else the database's
// publisher or "unknown".
std::string gf_publisherFromFilename(const std::string& bglPath);
// The link step: fills the BGL path and publisher; true when an archived file was linked, its
// num_parkpos in archivedStandCount.
bool lf_linkArchivedAirport(ScannedAirport& airport, int& archivedStandCount,
                            std::string_view bglPath);
// The archived file in the folder, or the empty path (with a report line) when the folder or
// the file is missing.
std::filesystem::path lf_checkArchivedFile(const std::filesystem::path& folder,
                                           std::string_view ident);
std::filesystem::path lf_checkArchivedThirdPartyFile(std::string_view publisher,
                                                     std::string_view ident);
bool lf_linkOrbxAirport(ScannedAirport& airport, int& archivedStandCount);
bool lf_linkThirdPartyAirport(ScannedAirport& airport, int& archivedStandCount);
// Writes the generated airport file into my_ORBX or my_thirdparty; nothing without stands.
void lf_generateApf(ScannedAirport& airport);
