#include "catalogue/livery_scan.h"

#include "catalogue/addon_packages.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/cfg_file_walk.h"
#include "catalogue/livery_index.h"
#include "catalogue/regcodes.h"
#include "catalogue/scan_state.h"
#include "core/config_paths.h"
#include "core/exceptions.h"
#include "core/flight_text.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/run_values.h"
#include "core/strings.h"
#include "core/text_file.h"
#include "platform/native_path.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kLowestPriority = 10;

RootFolderWalk& lf_rootFolderWalk() {
    static RootFolderWalk walk;
    return walk;
}

bool lf_stopping() {
    return exitInProgress.load() != 0 || stopRequested.load() != 0;
}

struct ReportFile {
    const ScanReport* report;
    fs::path folder;
    const char* file;
    bool sorted;
    // {0} the count, {1} the plural "s", {2} the path.
    const char* format;
    bool pluralWhenNotOne;
};

// Writes one report and its log line; a file that cannot be written gets a warning instead.
void lf_writeReport(const ReportFile& entry) {
    std::vector<std::string> lines = entry.report->lines();
    if (lines.empty()) {
        return;
    }
    if (entry.sorted) {
        std::sort(lines.begin(), lines.end());
    }
    const fs::path path = entry.folder / entry.file;
    std::error_code error;
    if (!fs::exists(entry.folder, error)) {
        fs::create_directories(entry.folder, error);
    }
    if (!gf_writeLinesToFile(lines, path)) {
        gf_logLine(fmt::format("{} could not be written", path.string()));
        return;
    }
    const std::size_t count = lines.size();
    const std::string_view plural =
        entry.pluralWhenNotOne ? gf_pluralSuffix(count) : (count > 1 ? "s" : "");
    gf_log(fmt::format(fmt::runtime(entry.format), count, plural, path.string()));
}

std::string lf_airlineTypeIndexKey(const LiveryRecord& record) {
    std::string key = record.airline;
    key += '\0';
    key += record.type;
    return key;
}

} // namespace

void gf_setRootFolderWalk(RootFolderWalk walk) {
    lf_rootFolderWalk() = std::move(walk);
}

void lf_scanRootFolder(const std::string& folderText, RootScanCounters& counters) {
    if (folderText.empty()) {
        return;
    }
    const fs::path folder = platform::toNativePath(folderText);
    // Throws for anything but a missing folder.
    const fs::file_status status = fs::status(folder);
    if (status.type() == fs::file_type::not_found) {
        gf_log(folderText + " does not exist, skipped!");
        return;
    }
    if (status.type() != fs::file_type::directory) {
        gf_log(folderText + " is not a folder name, skipped!");
        return;
    }
    if (counters.priority < kLowestPriority) {
        ++counters.priority;
    }
    if (!lf_stopping()) {
        if (lf_rootFolderWalk()) {
            lf_rootFolderWalk()(counters.priority, folder.string());
        } else {
            gf_scanAircraftCfgFiles(counters.priority, folder.string());
        }
    }
    const std::size_t count = scannedLiveries.size() - counters.sizeAfterPrevious;
    const std::string where = "found in " + folderText;
    if (count == 0) {
        gf_log(fmt::format("No liveries {}", where));
    } else {
        gf_log(fmt::format("{} liverie{} {}", count, count > 1 ? "s" : "", where));
    }
    counters.total += count;
    counters.sizeAfterPrevious = scannedLiveries.size();
}

void lf_removeOldListFiles() {
    const fs::path info = gf_infoFolderPath();
    const fs::path errors = gf_errorsFolderPath();
    const fs::path files[] = {
        info / "AircraftCfgWithNoFltsimSection.txt",
        info / "LiveriesSkippedOnPriority.txt",
        gf_liveriesFilePath(),
        errors / "InlineRegcodes.txt",
        errors / "InvalidAirlineCodes.txt",
        errors / "InvalidAircraftCodes.txt",
        errors / "Fixes.txt",
        errors / "InvalidAircraftCfgFiles.txt",
        errors / "IncompleFltsimSections.txt",
    };
    try {
        for (const fs::path& file : files) {
            if (fs::exists(file)) {
                fs::remove(file);
            }
        }
        if (fs::exists(errors)) {
            fs::remove(errors);
        }
    } catch (const std::exception& e) {
        gf_log(fmt::format("problems with removing previous files: {}", e.what()));
    }
}

void lf_listCodeFixes(LiveryRecord& livery) {
    if (livery.atcid.empty()) {
        return;
    }
    const std::optional<DbaseRecord> record = gf_dbaseRecordOfReg(livery.atcid);
    if (!record) {
        return;
    }
    if (record->cargo != livery.cargo) {
        airlineModelConversions.add(fmt::format("{:80} {} cargo {} => {}", livery.title,
                                                livery.atcid, livery.cargo, record->cargo));
        livery.cargo = record->cargo;
    }
    // An empty database value would blank a valid livery code.
    const std::string& target =
        record->operatorCode.empty() ? record->airline : record->operatorCode;
    if (!target.empty() && livery.airline != target) {
        airlineModelConversions.add(fmt::format("{:80} {} airl {} => {}", livery.title,
                                                livery.atcid, livery.airline, target));
        livery.airline = target;
    }
    if (!record->type.empty() && livery.type != record->type) {
        airlineModelConversions.add(fmt::format("{:80} {} model {} => {}", livery.title,
                                                livery.atcid, livery.type, record->type));
        livery.type = record->type;
    }
}

std::size_t lf_skipLiveriesOnPriority() {
    std::unordered_map<std::string, std::int32_t> best;
    for (const LiveryRecord& livery : scannedLiveries) {
        const auto [it, inserted] =
            best.try_emplace(lf_airlineTypeIndexKey(livery), livery.priority);
        if (!inserted) {
            it->second = std::min(it->second, livery.priority);
        }
    }
    const std::size_t before = scannedLiveries.size();
    std::erase_if(scannedLiveries, [&best](const LiveryRecord& livery) {
        if (livery.priority <= best[lf_airlineTypeIndexKey(livery)]) {
            return false;
        }
        skippedOnPriority.add(fmt::format("{} \"{}\"", gf_airlineTypeKey(livery), livery.title));
        return true;
    });
    return before - scannedLiveries.size();
}

void lf_writeScanReport() {
    const fs::path errors = gf_errorsFolderPath();
    const fs::path info = gf_infoFolderPath();
    const ReportFile errorReports[] = {
        {&invalidAirlineCodes, errors, "InvalidAirlineCodes.txt", true,
         "{0} invalid airline code{1}, see {2}", true},
        {&invalidModelCodes, errors, "InvalidAircraftCodes.txt", true,
         "{0} invalid model code{1}, see {2}", true},
        {&codeFixes, errors, "Fixes.txt", false, "{0} code fixes, see {2}", true},
        {&invalidCfgFiles, errors, "InvalidAircraftCfgFiles.txt", true,
         "{0} invalid aircraft.cfg files, see {2}", true},
        {&incompleteSections, errors, "IncompleFltsimSections.txt", true,
         "{0} incomplete [fltsim.x] sections, see {2}", true},
    };
    const bool noErrors =
        std::all_of(std::begin(errorReports), std::end(errorReports),
                    [](const ReportFile& entry) { return entry.report->empty(); });
    gf_log(noErrors ? "\nNo errors" : "\nErrors:");
    for (const ReportFile& entry : errorReports) {
        lf_writeReport(entry);
    }
    gf_log("\nInformation:");
    const ReportFile infoReports[] = {
        {&cfgFilesWithoutSection, info, "AircraftCfgWithNoFltsimSection.txt", true,
         "{0} empty aircraft.cfg files, see {2}", true},
        {&airlineModelConversions, info, "AirlineModelConversions.txt", false,
         "{0} liveries updated with real live data from dbase, see {2}", true},
        {&skippedOnPriority, info, "LiveriesSkippedOnPriority.txt", true,
         "{0} liverie{1} skipped on priority, see {2}", false},
    };
    for (const ReportFile& entry : infoReports) {
        lf_writeReport(entry);
    }
}

bool gf_scanLiveries(bool doScan, bool addOnPackages, bool prioritized,
                     std::vector<std::string>& rootFolders) {
    if (!doScan) {
        gf_readLiveriesXml();
        gf_processScannedLiveries();
        scannedLiveries.clear();
        return true;
    }
    // A scan stopped by an exit left its titles, reports and records behind.
    scannedLiveries.clear();
    gf_clearLiveryLists();
    lf_removeOldListFiles();
    if (fs::exists(gf_regcodesFilePath())) {
        lf_readDontUseTitlesXml();
    }
    if (gf_countFilesInFolder(gf_myRegcodesFolderPath()) >= 1) {
        lf_readDontUseTitlesTxt();
    }
    if (addOnPackages) {
        lf_readAddOnsCfg(rootFolders);
        lf_readSimObjectsCfg(rootFolders);
    }
    RootScanCounters counters;
    for (const std::string& folder : rootFolders) {
        lf_scanRootFolder(folder, counters);
    }
    if (lf_stopping()) {
        return true;
    }
    if (scannedLiveries.empty()) {
        mainWindow.liveriesCount = 0;
        gf_invalidate(kStatusRegion);
        gf_clearLiveryLists();
        gf_clearMessage();
        throw ksb::UserErrorException(53, "no liveries found");
    }
    if (rootFolders.size() > 1) {
        gf_log(fmt::format("{} in total", counters.total));
    }
    for (LiveryRecord& livery : scannedLiveries) {
        lf_listCodeFixes(livery);
    }
    if (prioritized) {
        lf_skipLiveriesOnPriority();
    }
    lf_writeScanReport();
    std::sort(scannedLiveries.begin(), scannedLiveries.end());
    scannedLiveries.erase(std::unique(scannedLiveries.begin(), scannedLiveries.end()),
                          scannedLiveries.end());
    mainWindow.liveriesCount = static_cast<std::int64_t>(scannedLiveries.size());
    gf_invalidate(kStatusRegion);
    gf_clearLiveryLists();
    gf_clearMessage();
    gf_writeLiveriesXml();
    gf_processScannedLiveries();
    scannedLiveries.clear();
    return true;
}
