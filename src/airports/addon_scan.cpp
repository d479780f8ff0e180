// The add-on airport scan: the folder list, the report file AirportsScanLog.txt and the
// preparation of TO_BE_LEARNED_OFFLINE.
#include "airports/addon_scan.h"
#include "airports/airports_globals.h"

#include "core/config_paths.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/text_file.h"

#include <fmt/format.h>

#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

std::vector<std::string> scanReport;
ksb::RankedMutex scanReportMutex{ksb::LockRank::leaf, "scan report"};
std::atomic<std::int32_t> linkedOrGeneratedCount{0};
ksb::RankedMutex scanOutputMutex{ksb::LockRank::scanOutput, "scan output"};

namespace {

constexpr std::size_t kReportLines = 2048;
constexpr std::string_view kScanLogFile = "AirportsScanLog.txt";

void lf_removePreviousScanLog(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(path, error)) {
        return;
    }
    fs::remove(path, error);
    if (error) {
        gf_log("problems with removing previous files (maybe still open?)");
    }
}

// Writes the report into its file and empties it.
void lf_writeScanLog(const fs::path& path) {
    std::vector<std::string> lines;
    {
        const std::lock_guard lock(scanReportMutex);
        lines = scanReport;
    }
    if (gf_writeLinesToFile(lines, path)) {
        gf_log(path.string() + " written");
    } else {
        gf_logLine(path.string() + " could not be written");
    }
    gf_clearMessage();
    const std::lock_guard lock(scanReportMutex);
    scanReport.clear();
}

void lf_setOrbxMark(bool complete) {
    mainWindow.orbxScanComplete = complete;
    gf_invalidate(kStatusRegion);
}

// Copies the generated files of the idents whose stock archive file has quality factors into
// TO_BE_LEARNED_OFFLINE, removing their link files; counts those without factors as not needed.
struct OfflineCopies {
    std::int32_t copied = 0;
    std::int32_t notNeeded = 0;
};
template <class FailureLine>
OfflineCopies lf_copyForOfflineLearning(const std::vector<std::string>& idents,
                                        const fs::path& myFolder, const fs::path& offline,
                                        FailureLine failureLine) {
    OfflineCopies result;
    if (!fs::exists(offline)) {
        fs::create_directory(offline);
    }
    for (const std::string& ident : idents) {
        if (!lf_readQualityFactors(ident)) {
            ++result.notNeeded;
            continue;
        }
        const fs::path source = myFolder / gf_xmlFileName(ident);
        const fs::path target = offline / gf_xmlFileName(ident);
        if (!fs::copy_file(source, target, fs::copy_options::overwrite_existing)) {
            gf_logLine(failureLine(source, target));
            continue;
        }
        gf_log(fmt::format("{} copied to {}", ident, target.string()));
        ++result.copied;
        const fs::path link = myFolder / gf_txtFileName(ident);
        if (fs::exists(link)) {
            fs::remove(link);
        }
    }
    return result;
}

// The off-line learning steps after the report is written.
void lf_prepareOfflineLearning() {
    const std::vector<std::string> thirdParty = gf_listAirportCodes(gf_myThirdPartyFolderPath());
    const std::vector<std::string> orbx = gf_listAirportCodes(gf_myOrbxFolderPath());
    lf_setOrbxMark(orbx.empty());
    const fs::path offline(kOfflineLearningFolder);
    if (fs::exists(offline)) {
        fs::remove_all(offline);
    }
    std::int32_t tblo = 0;
    if (!orbx.empty()) {
        const OfflineCopies copies = lf_copyForOfflineLearning(
            orbx, gf_myOrbxFolderPath(), offline,
            [](const fs::path& source, const fs::path&) {
                return fmt::format("failed to copy {}", source.string());
            });
        lf_setOrbxMark(copies.notNeeded + copies.copied == static_cast<std::int32_t>(orbx.size()));
        if (copies.copied > 0) {
            tblo = copies.copied;
            gf_log("");
        } else {
            gf_log("All your ORBX airports are done, no off line learning needed.");
            fs::remove_all(offline);
        }
    }
    if (!thirdParty.empty()) {
        const OfflineCopies copies = lf_copyForOfflineLearning(
            thirdParty, gf_myThirdPartyFolderPath(), offline,
            [](const fs::path& source, const fs::path& target) {
                return fmt::format("\"{}\" failed to copy \"{}\"", source.string(),
                                   target.string());
            });
        if (copies.copied > 0) {
            tblo += copies.copied;
            gf_log("");
        } else {
            gf_log("All your third party airports are done, no off line learning needed.");
            // The ORBX copies made above stay.
            if (tblo == 0) {
                fs::remove_all(offline);
            }
        }
    }
    mainWindow.tbloAirports = tblo;
    gf_invalidate(kStatusRegion);
}

} // namespace

void lf_resetScanGlobals() {
    const std::lock_guard lock(scanReportMutex);
    scanReport = std::vector<std::string>();
    linkedOrGeneratedCount = 0;
}

void lf_addScanLogLine(std::string line) {
    const std::lock_guard lock(scanReportMutex);
    scanReport.push_back(std::move(line));
}

bool gf_scanAddonAirports(bool automatic, std::vector<std::string>& folders) {
    const fs::path scanLog = gf_infoFolderPath() / kScanLogFile;
    lf_removePreviousScanLog(scanLog);
    mainWindow.tbloAirports = 0;
    {
        const std::lock_guard lock(scanReportMutex);
        scanReport.reserve(kReportLines);
    }
    const std::int32_t countAtStart = linkedOrGeneratedCount.load();
    if (automatic) {
        lf_readSceneryCfg(folders);
        lf_readSceneryAddOnsXml(folders);
    }
    const AirportWalkContext context = gf_scanWalkContext();
    for (const std::string& folder : folders) {
        lf_scanSceneryPath(folder, context);
    }
    lf_writeScanLog(scanLog);
    lf_prepareOfflineLearning();
    // Counted over this scan only: an earlier scan of the process found its airports already.
    if (linkedOrGeneratedCount.load() > countAtStart) {
        gf_log("Airports scan successful");
        return true;
    }
    return false;
}
